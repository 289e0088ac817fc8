#include "services/SystemFolder.h"

#include <QSet>
#include <mutex>

#include "platform/Bundle.h"
#include "platform/plist/PropertyList.h"

namespace {

// The list is read once per resource file: the tree asks for every row it draws.
struct SystemList {
  std::mutex mutex;
  QString loadedFrom;
  bool loaded = false;
  QSet<QString> paths;
};

SystemList& systemList() {
  static SystemList list;
  return list;
}

}  // namespace

bool SystemFolder::isSystemFileWithFilePath(const QString& path) {
  const QString resource = platform::Bundle::mainBundle().pathForResource("SystemFile", "plist");
  SystemList& list = systemList();
  std::lock_guard<std::mutex> lock(list.mutex);
  if (!list.loaded || list.loadedFrom != resource) {
    list.paths.clear();
    list.loadedFrom = resource;
    list.loaded = true;
    if (!resource.isEmpty()) {
      if (auto dict = plist::readDictionary(resource)) {
        const int count = dict->size();
        for (int i = 0; i < count; ++i) {
          const QVariant value = dict->value(QString::number(i));
          if (value.isValid()) list.paths.insert(value.toString());
        }
      }
    }
  }
  return list.paths.contains(path);
}
