#pragma once
// Path and listing rules the scanner, the totaller and the copy engine share.
#include <QDir>
#include <QString>

namespace services {

// Every entry of a folder, hidden and system ones too, without "." and "..".
inline constexpr QDir::Filters kEveryEntry = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;

// "." or "..", the two names a listing gives that are no entries.
inline bool isDotOrDotDot(const char* name) {
  return name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0));
}
inline bool isDotOrDotDot(const QString& name) {
  return name == QLatin1String(".") || name == QLatin1String("..");
}

// The name after the last "/", trailing slashes ignored; "/" for the root.
inline QString lastPathComponent(const QString& path) {
  QString p = path;
  while (p.size() > 1 && p.endsWith(QLatin1Char('/'))) p.chop(1);
  if (p == QLatin1String("/")) return p;
  return p.mid(p.lastIndexOf(QLatin1Char('/')) + 1);
}

// "/Volumes" and "/System/Volumes" hold the other volumes' mount points, not
// content of the volume they are on: a total never counts them, a copy never
// copies them.
inline bool holdsOtherVolumes(const QString& macPath) {
  const QString clean = QDir::cleanPath(macPath);
  return clean == QLatin1String("/Volumes") || clean == QLatin1String("/System/Volumes");
}

}  // namespace services
