#include "platform/LaunchServices.h"

#include "platform/Paths.h"
#include "platform/plist/PropertyList.h"

#include <QDir>
#include <QFileInfo>

namespace platform {

namespace {

// Collects the .app bundles below `macDir` (not inside bundles, links not followed).
void collect(const QString& macDir, int depth, const QString& identifier, QStringList& out) {
  if (depth < 0) return;
  const QString host = hostPath(macDir);
  const QFileInfoList entries =
      QDir(host).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
  for (const QFileInfo& e : entries) {
    if (e.isSymLink()) continue;
    const QString mac = (macDir == "/" ? QString() : macDir) + "/" + e.fileName();
    if (e.fileName().endsWith(".app")) {
      auto info = plist::readDictionary(e.absoluteFilePath() + "/Contents/Info.plist");
      if (info && info->value("CFBundleIdentifier").toString() == identifier && !out.contains(mac)) out << mac;
      continue;
    }
    collect(mac, depth - 1, identifier, out);
  }
}

}  // namespace

QStringList URLsForApplicationsWithBundleIdentifier(const QString& bundleIdentifier) {
  QStringList out;
  if (bundleIdentifier.isEmpty()) return out;
  collect("/Applications", 3, bundleIdentifier, out);
  collect("/System/Applications", 3, bundleIdentifier, out);
  const QStringList users = QDir(hostPath("/Users")).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
  for (const QString& u : users) {
    for (const char* sub : {"Applications", "Desktop", "Downloads", ".Trash"})
      collect("/Users/" + u + "/" + QString::fromLatin1(sub), 2, bundleIdentifier, out);
  }
  const QFileInfoList volumes =
      QDir(hostPath("/Volumes")).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
  for (const QFileInfo& v : volumes) {
    if (v.isSymLink()) continue;  // the startup volume's link
    collect("/Volumes/" + v.fileName(), 2, bundleIdentifier, out);
  }
  collect("/private/var/folders", 5, bundleIdentifier, out);
  return out;
}

QString URLForApplicationWithBundleIdentifier(const QString& bundleIdentifier) {
  const QStringList all = URLsForApplicationsWithBundleIdentifier(bundleIdentifier);
  return all.isEmpty() ? QString() : all.first();
}

}  // namespace platform
