#pragma once
// The records of the installer-media feature: an installer application, a target
// disk or partition, one row of a step table and one progress report. Records are
// shared by reference between the engine and the screens.
#include <QList>
#include <QString>
#include <memory>
#include <optional>

class MacOSInstallerAppInfo;
class MacOSInstallerDiskInfo;
class MacOSCreateProaress;
class MacOSInstallerProgressinfo;
using MacOSInstallerAppInfoPtr = std::shared_ptr<MacOSInstallerAppInfo>;
using MacOSInstallerDiskInfoPtr = std::shared_ptr<MacOSInstallerDiskInfo>;
using MacOSCreateProaressPtr = std::shared_ptr<MacOSCreateProaress>;
using MacOSInstallerProgressinfoPtr = std::shared_ptr<MacOSInstallerProgressinfo>;

// One installer application: a row of the known-installers table, or an
// installed copy of one (then strOSPath and numOSSize are set).
class MacOSInstallerAppInfo {
 public:
  QString strOSName;     // "Sonoma", "Tahoe 26"
  QString strOSVersion;  // "macOS 14"
  QString strBundleID;
  QString strOSAppID;    // numeric store identifier, as text
  QString strOSCMDPath;  // reserved; never filled
  QString strOSPath;     // Mac path of the bundle; null in the known table
  std::optional<qint64> numOSSize;  // bytes of the bundle's files; none in the known table

  static MacOSInstallerAppInfoPtr getAppInfoWithName(const QString& name, const QString& bundleID,
                                                     const QString& version, const QString& appID);
  MacOSInstallerAppInfoPtr copy() const;
  // A null path becomes "", no size becomes 0.
  void setStrOSPath(const QString& path, std::optional<qint64> size);
};

// One target: a whole disk, or a mounted Mac OS Extended partition of one.
class MacOSInstallerDiskInfo {
 public:
  QString strName;
  QString strDiskName;
  QString strBSDName;
  qint64 numSize = 0;
  QString strVolumeName;  // mount path (Mac path), "" when nothing is mounted
  QString strBusPath;
  QString strMediaPath;
  QString strParentMediaPath;  // "" for a whole disk
  QString strMediaUUID;        // "" when the medium has none
  // Partitions of a disk; none until the first addChildren.
  std::optional<QList<MacOSInstallerDiskInfoPtr>> arrChildren;

  static MacOSInstallerDiskInfoPtr infoWithName(const QString& name, const QString& diskName,
                                                const QString& bsdName, qint64 size,
                                                const QString& volumeName, const QString& busPath,
                                                const QString& mediaPath,
                                                const QString& parentMediaPath);
  void addChildren(const MacOSInstallerDiskInfoPtr& child);

  // Whether `other` describes the same medium: a BSD name is reused once a disk
  // is unplugged, so name, size and (when both have one) the media UUID must agree.
  bool isSameMedium(const MacOSInstallerDiskInfo& other) const;
  // The record in `tree` (disks and their partitions) that is the same medium
  // as `chosen`; nullptr when it is gone or changed.
  static MacOSInstallerDiskInfoPtr findSameMedium(const QList<MacOSInstallerDiskInfoPtr>& tree,
                                                  const MacOSInstallerDiskInfoPtr& chosen);
};

// One row of a step table: once strText is in the tool's output, the run has
// reached i32CurProgress percent and expects i32NextProaress at the next row.
class MacOSCreateProaress {
 public:
  int i32CurProgress = 0;
  int i32NextProaress = 0;
  QString strText;

  static MacOSCreateProaressPtr progresswithText(const QString& text, int current, int next);
};

// One report to the progress screen.
class MacOSInstallerProgressinfo {
 public:
  enum Error { NoError = 0, EraseFailed = 1, OtherFailure = 2 };
  int numError = NoError;
  QString strErrorText;  // whole output of the tool for an error, else ""
  int numCurrent = 0;
  int numNext = 0;
  int numTotal = 0;      // 100 in progress reports, 0 in error reports
  int numRemain = -1;    // seconds; -1 = not estimated
  int numAllTime = -1;   // seconds; -1 = not estimated

  static MacOSInstallerProgressinfoPtr infoWithError(int error, const QString& text);
  static MacOSInstallerProgressinfoPtr infoWithCurrent(std::optional<int> current,
                                                      std::optional<int> next,
                                                      std::optional<int> total,
                                                      std::optional<int> remain,
                                                      std::optional<int> allTime);
};
