#pragma once
// File flags and extended attributes of the world's files (the BSD hidden flag
// UF_HIDDEN and attributes such as "com.apple.FinderInfo"), which a Linux folder
// cannot hold portably. Kept in state/fileflags.plist, keyed by Mac path.
#include "world/lib/Layout.h"

#include <QByteArray>
#include <QStringList>

namespace world {

bool setHiddenFlag(const Layout& world, const QString& macPath, bool hidden);
bool hiddenFlag(const Layout& world, const QString& macPath);
bool setExtendedAttribute(const Layout& world, const QString& macPath, const QString& name,
                          const QByteArray& value);
bool removeExtendedAttribute(const Layout& world, const QString& macPath, const QString& name);
QStringList extendedAttributeNames(const Layout& world, const QString& macPath);
QByteArray extendedAttribute(const Layout& world, const QString& macPath, const QString& name);

inline constexpr const char* kFinderInfoAttribute = "com.apple.FinderInfo";

}  // namespace world
