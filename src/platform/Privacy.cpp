#include "platform/Privacy.h"

#include "platform/Paths.h"
#include "platform/SystemWorld.h"
#include "world/lib/Layout.h"

#include <QDir>
#include <QFileInfo>

namespace platform {

namespace {

const QStringList& protectedLibraryFolders() {
  static const QStringList list{"Safari", "Mail", "Messages", "Cookies", "HomeKit", "Suggestions",
                                "Application Support/com.apple.TCC", "Containers/com.apple.Safari"};
  return list;
}

QString normalized(const QString& macPath) {
  QString p = QDir::cleanPath(macPath);
  if (p == "/var" || p.startsWith("/var/")) p = "/private" + p;
  return p;
}

}  // namespace

bool fullDiskAccessGranted() {
  auto layout = systemWorld();
  if (!layout) return true;
  return world::readKnob(*layout, world::knob::kFullDiskAccess, true).toBool();
}

bool isPrivacyProtected(const QString& macPath) {
  const QString p = normalized(macPath);
  QString home;
  const QStringList parts = p.split('/', Qt::SkipEmptyParts);
  if (parts.size() >= 2 && parts[0] == "Users")
    home = "/Users/" + parts[1];
  else if (p.startsWith("/private/var/root"))
    home = "/private/var/root";
  if (home.isEmpty()) return false;
  for (const QString& f : protectedLibraryFolders()) {
    const QString dir = home + "/Library/" + f;
    if (p == dir || p.startsWith(dir + "/")) return true;
  }
  return false;
}

std::optional<QStringList> contentsOfDirectoryAtPath(const QString& macPath, QString* error) {
  const QString host = hostPath(QDir::cleanPath(macPath));
  if (!QFileInfo(host).isDir()) {
    if (error) *error = "No such file or directory";
    return std::nullopt;
  }
  if (!fullDiskAccessGranted() && isPrivacyProtected(macPath)) {
    if (error) *error = "Operation not permitted";
    return std::nullopt;
  }
  return QDir(host).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

bool fileExistsAtPath(const QString& macPath) {
  return QFileInfo::exists(hostPath(QDir::cleanPath(macPath))) || QFileInfo(hostPath(macPath)).isSymLink();
}

}  // namespace platform
