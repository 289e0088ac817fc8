#include "world/lib/Flags.h"

#include "platform/plist/PropertyList.h"
#include "world/lib/Disks.h"

#include <QDir>

namespace world {

namespace {

QString key(const QString& macPath) { return QDir::cleanPath("/" + macPath); }

QVariantMap entryOf(const Layout& world, const QString& macPath) {
  return plist::readDictionary(world.flagsFile()).value_or(QVariantMap()).value(key(macPath)).toMap();
}

bool change(const Layout& world, const QString& macPath, const std::function<void(QVariantMap&)>& f) {
  QDir().mkpath(world.state());
  FileLock lock(world.flagsLockFile());
  QVariantMap all = plist::readDictionary(world.flagsFile()).value_or(QVariantMap());
  QVariantMap e = all.value(key(macPath)).toMap();
  f(e);
  if (e.isEmpty())
    all.remove(key(macPath));
  else
    all.insert(key(macPath), e);
  return plist::writeFile(world.flagsFile(), all);
}

}  // namespace

bool setHiddenFlag(const Layout& world, const QString& macPath, bool hidden) {
  return change(world, macPath, [&](QVariantMap& e) {
    if (hidden)
      e.insert("hidden", true);
    else
      e.remove("hidden");
  });
}

bool hiddenFlag(const Layout& world, const QString& macPath) {
  return entryOf(world, macPath).value("hidden").toBool();
}

bool setExtendedAttribute(const Layout& world, const QString& macPath, const QString& name,
                          const QByteArray& value) {
  return change(world, macPath, [&](QVariantMap& e) {
    QVariantMap x = e.value("xattr").toMap();
    x.insert(name, value);
    e.insert("xattr", x);
  });
}

bool removeExtendedAttribute(const Layout& world, const QString& macPath, const QString& name) {
  return change(world, macPath, [&](QVariantMap& e) {
    QVariantMap x = e.value("xattr").toMap();
    x.remove(name);
    if (x.isEmpty())
      e.remove("xattr");
    else
      e.insert("xattr", x);
  });
}

QStringList extendedAttributeNames(const Layout& world, const QString& macPath) {
  return entryOf(world, macPath).value("xattr").toMap().keys();
}

QByteArray extendedAttribute(const Layout& world, const QString& macPath, const QString& name) {
  return entryOf(world, macPath).value("xattr").toMap().value(name).toByteArray();
}

}  // namespace world
