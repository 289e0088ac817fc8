#include "copy/CopyFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/DiskArbitration.h"
#include "platform/FileSystemInfo.h"
#include "platform/Paths.h"

namespace copyscreen {

QString copyFolderName(const QDateTime& now) {
  return QStringLiteral("QuorvanDiskClone(%1)").arg(now.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
}

QString copyFolderPath(const QString& volumePath, const QDateTime& now) {
  if (volumePath == QLatin1String("/")) return QLatin1Char('/') + copyFolderName(now);
  return volumePath + QLatin1Char('/') + copyFolderName(now);
}

QString desktopFolderPath(const QString& consoleUser, const QDateTime& now) {
  return QStringLiteral("/Users/%1/Desktop/").arg(consoleUser) + copyFolderName(now);
}

namespace {

bool made(const CopyFolderOps& ops, const QString& path) {
  return ops.makeFolder(path) && ops.isSearchable(path);
}

}  // namespace

CopyFolderResult makeCopyFolder(const CopyFolderRequest& r, const CopyFolderOps& ops) {
  if (r.volumePath.isEmpty() || !ops.isMountPoint(r.volumePath)) return {};
  const QString folder = copyFolderPath(r.volumePath, r.now);
  if (made(ops, folder)) return {folder, false};
  if (r.volumePath != QLatin1String("/") || r.consoleUser.isEmpty()) return {};
  if (r.need > 0 && r.need > r.volumeFree) return {};
  const QString desktop = desktopFolderPath(r.consoleUser, r.now);
  if (made(ops, desktop)) return {desktop, true};
  return {};
}

namespace {

QString withoutTrailingSlash(QString p) {
  while (p.size() > 1 && p.endsWith(QLatin1Char('/'))) p.chop(1);
  return p;
}

bool realIsMountPoint(const QString& macPath) {
  const QString path = withoutTrailingSlash(QDir::cleanPath(macPath));
  if (platform::DASessionRef session = platform::DASessionCreate()) {
    // The disk that holds the path must have its volume mounted right there;
    // a leftover folder in /Volumes belongs to the startup volume instead.
    platform::DADiskRef disk = platform::DADiskCreateFromVolumePath(session, path);
    if (!disk) return false;
    const QVariant mount =
        platform::DADiskCopyDescription(disk).value(platform::kDADiskDescriptionVolumePathKey);
    const QString mountPath = withoutTrailingSlash(mount.toUrl().path());
    return !mountPath.isEmpty() && QDir::cleanPath(mountPath) == path;
  }
  return QFileInfo(platform::hostPath(path)).isDir();
}

bool realMakeFolder(const QString& macPath) {
  platform::FileSystemInfo info;
  const QString parent = QFileInfo(macPath).path();
  if (platform::getFileSystemInfoForPath(parent, &info) && !info.writable) return false;
  return ::mkdir(platform::hostPath(macPath).toUtf8().constData(), 0755) == 0;
}

bool realIsSearchable(const QString& macPath) {
  const QByteArray host = platform::hostPath(macPath).toUtf8();
  struct stat st;
  return ::stat(host.constData(), &st) == 0 && S_ISDIR(st.st_mode) && ::access(host.constData(), X_OK) == 0;
}

}  // namespace

CopyFolderOps CopyFolderOps::real() { return {realIsMountPoint, realMakeFolder, realIsSearchable}; }

}  // namespace copyscreen
