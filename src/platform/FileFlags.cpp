#include "platform/FileFlags.h"

#include "platform/Paths.h"
#include "platform/SystemWorld.h"
#include "world/lib/Flags.h"
#include "world/lib/Layout.h"

#include <QFileInfo>

#include <sys/xattr.h>

namespace platform {

namespace {

QByteArray hostBytes(const QString& macPath) { return QFile::encodeName(hostPath(macPath)); }

bool exists(const QString& macPath) {
  const QFileInfo fi(hostPath(macPath));
  return fi.exists() || fi.isSymLink();
}

}  // namespace

uint32_t fileFlagsAtPath(const QString& macPath) { return hasHiddenFlag(macPath) ? UF_HIDDEN : 0; }

bool hasHiddenFlag(const QString& macPath) {
  if (macPath.isEmpty() || !exists(macPath)) return false;
  if (auto w = systemWorld()) return world::hiddenFlag(*w, macPath);
  return false;
}

bool setHiddenFlag(const QString& macPath, bool hidden) {
  if (!exists(macPath)) return false;
  if (auto w = systemWorld()) return world::setHiddenFlag(*w, macPath, hidden);
  return false;
}

bool isHiddenResource(const QString& macPath) {
  if (macPath.isEmpty()) return false;
  if (QFileInfo(macPath).fileName().startsWith('.')) return true;
  return hasHiddenFlag(macPath);
}

QStringList listExtendedAttributes(const QString& macPath) {
  if (macPath.isEmpty() || !exists(macPath)) return {};
  if (auto w = systemWorld()) return world::extendedAttributeNames(*w, macPath);
  const QByteArray host = hostBytes(macPath);
  const ssize_t size = ::llistxattr(host.constData(), nullptr, 0);
  if (size <= 0) return {};
  QByteArray names(size, 0);
  const ssize_t got = ::llistxattr(host.constData(), names.data(), size_t(names.size()));
  QStringList out;
  for (const QByteArray& n : names.left(std::max<ssize_t>(got, 0)).split('\0')) {
    if (n.startsWith("user.")) out << QString::fromUtf8(n.mid(5));
  }
  return out;
}

bool setExtendedAttribute(const QString& macPath, const QString& name, const QByteArray& value) {
  if (!exists(macPath)) return false;
  if (auto w = systemWorld()) return world::setExtendedAttribute(*w, macPath, name, value);
  const QByteArray attr = "user." + name.toUtf8();
  return ::lsetxattr(hostBytes(macPath).constData(), attr.constData(), value.constData(), size_t(value.size()), 0) == 0;
}

bool removeExtendedAttribute(const QString& macPath, const QString& name) {
  if (auto w = systemWorld()) return world::removeExtendedAttribute(*w, macPath, name);
  const QByteArray attr = "user." + name.toUtf8();
  return ::lremovexattr(hostBytes(macPath).constData(), attr.constData()) == 0;
}

}  // namespace platform
