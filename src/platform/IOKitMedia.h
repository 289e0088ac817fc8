#pragma once
// IOKit registry enumeration of the storage media ("IOMedia"): every whole disk,
// partition, APFS container and volume, in registry order. In a world they come
// from its disk database; outside one there are none.
#include <QString>
#include <QVariantMap>
#include <vector>

namespace platform {

struct io_service_t {
  QString bsdName;
  QString className = "IOMedia";
};

class io_iterator_t {
 public:
  io_iterator_t() = default;
  explicit io_iterator_t(std::vector<io_service_t> services) : services_(std::move(services)) {}
  // The next object, or one with an empty BSD name at the end (IO_OBJECT_NULL).
  io_service_t next();

 private:
  std::vector<io_service_t> services_;
  size_t index_ = 0;
};

inline constexpr int kIOReturnSuccess = 0;
inline constexpr int kIOReturnNoDevice = -536870208;

// {"IOProviderClass": className}.
QVariantMap IOServiceMatching(const char* className);
// kIOReturnSuccess and the matching objects; only "IOMedia" is known.
int IOServiceGetMatchingServices(const QVariantMap& matching, io_iterator_t* iterator);
io_service_t IOIteratorNext(io_iterator_t& iterator);
inline bool IOObjectIsNull(const io_service_t& object) { return object.bsdName.isEmpty(); }

}  // namespace platform
