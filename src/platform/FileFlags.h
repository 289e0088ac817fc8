#pragma once
// BSD file flags and extended attributes of a file (Mac path): what the copy
// engine's hidden-item test reads. In a world they are the world's records
// (qdc-world hide / finderinfo); outside one the host's extended attributes
// ("user." names) stand in, and no file carries UF_HIDDEN.
#include <QByteArray>
#include <QStringList>
#include <cstdint>

namespace platform {

inline constexpr uint32_t UF_HIDDEN = 0x8000;
inline constexpr const char* kFinderInfoAttributeName = "com.apple.FinderInfo";

// stat's st_flags (UF_HIDDEN or 0).
uint32_t fileFlagsAtPath(const QString& macPath);
bool hasHiddenFlag(const QString& macPath);
bool setHiddenFlag(const QString& macPath, bool hidden);
// NSURLIsHiddenKey: a name starting with "." or the hidden flag.
bool isHiddenResource(const QString& macPath);
// listxattr: the attribute names ("com.apple.FinderInfo").
QStringList listExtendedAttributes(const QString& macPath);
bool setExtendedAttribute(const QString& macPath, const QString& name, const QByteArray& value);
bool removeExtendedAttribute(const QString& macPath, const QString& name);

}  // namespace platform
