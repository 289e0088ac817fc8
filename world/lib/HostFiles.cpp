#include "world/lib/HostFiles.h"

#include <algorithm>

#include <dirent.h>
#include <unistd.h>

namespace world {

std::optional<QList<QByteArray>> sortedEntryNames(const QByteArray& dir) {
  DIR* d = ::opendir(dir.constData());
  if (!d) return std::nullopt;
  QList<QByteArray> names;
  while (dirent* e = ::readdir(d)) {
    const QByteArray n(e->d_name);
    if (n != "." && n != "..") names << n;
  }
  ::closedir(d);
  std::sort(names.begin(), names.end());
  return names;
}

std::optional<QByteArray> linkTarget(const QByteArray& path) {
  QByteArray target(4096, 0);
  const ssize_t len = ::readlink(path.constData(), target.data(), target.size());
  if (len < 0) return std::nullopt;
  target.resize(len);
  return target;
}

}  // namespace world
