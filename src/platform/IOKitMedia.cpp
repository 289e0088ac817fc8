#include "platform/IOKitMedia.h"

#include "platform/SystemWorld.h"
#include "world/lib/Disks.h"

namespace platform {

io_service_t io_iterator_t::next() {
  if (index_ >= services_.size()) return io_service_t{QString(), QString()};
  return services_[index_++];
}

QVariantMap IOServiceMatching(const char* className) {
  return QVariantMap{{"IOProviderClass", QString::fromLatin1(className)}};
}

int IOServiceGetMatchingServices(const QVariantMap& matching, io_iterator_t* iterator) {
  if (!iterator) return kIOReturnNoDevice;
  *iterator = io_iterator_t();
  if (matching.value("IOProviderClass").toString() != "IOMedia") return kIOReturnSuccess;
  auto db = systemWorldDisks();
  if (!db) return kIOReturnSuccess;
  std::vector<io_service_t> list;
  for (const QString& id : db->orderedIds()) list.push_back(io_service_t{id, "IOMedia"});
  *iterator = io_iterator_t(std::move(list));
  return kIOReturnSuccess;
}

io_service_t IOIteratorNext(io_iterator_t& iterator) { return iterator.next(); }

}  // namespace platform
