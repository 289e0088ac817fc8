#pragma once
// Where a copy goes: a new folder named after the product and the local time,
// made directly inside the destination volume's mount point. Never a folder
// with intermediate folders: a volume that has gone must not turn into a plain
// folder of that name on the startup disk.
#include <QDateTime>
#include <QString>
#include <functional>

namespace copyscreen {

// "QuorvanDiskClone(yyyy-MM-dd HH:mm:ss)" of `now`.
QString copyFolderName(const QDateTime& now);
// The folder for a copy onto the volume mounted at `volumePath` ("/" included).
QString copyFolderPath(const QString& volumePath, const QDateTime& now);
// The Desktop fallback of the startup volume, in the console user's home.
QString desktopFolderPath(const QString& consoleUser, const QDateTime& now);

// The file-system questions the plan asks (Mac paths); real() asks the platform.
struct CopyFolderOps {
  // A volume is mounted at the path (not merely a folder of that name).
  std::function<bool(const QString&)> isMountPoint;
  // Makes one folder whose parent exists; false when it cannot.
  std::function<bool(const QString&)> makeFolder;
  // The path is a folder that can be entered.
  std::function<bool(const QString&)> isSearchable;
  static CopyFolderOps real();
};

struct CopyFolderRequest {
  QString volumePath;   // the destination volume's mount point
  qint64 volumeFree = -1;  // its free bytes
  qint64 need = -1;        // bytes to copy, -1 unknown
  QString consoleUser;
  QDateTime now;
};

struct CopyFolderResult {
  QString folder;  // empty when no folder could be made
  bool onDesktop = false;
  bool ok() const { return !folder.isEmpty(); }
};

// Makes the folder of a copy. On the startup volume, whose sealed system part
// may refuse a folder at "/", the console user's Desktop is used instead when
// the volume has room for what is to be copied.
CopyFolderResult makeCopyFolder(const CopyFolderRequest& request, const CopyFolderOps& ops);

}  // namespace copyscreen
