#pragma once
// The installer-media engine: knows the macOS installers, finds the installed
// copies and the removable disks that can take one, erases a disk without a
// mounted volume and runs the installer's createinstallmedia on the target,
// turning its output into progress reports with estimated times.
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <atomic>
#include <memory>
#include <mutex>

#include "platform/Jobs.h"
#include "installer/InstallerProgressEstimator.h"
#include "installer/MacOSInstallerRecords.h"
#include "installer/MacOSInstallerTables.h"
#include "services/DelegateRef.h"

// Seam passed once the erase of a whole disk runs.
inline constexpr const char* kInstallerEraseGate = "installer.erase";

// Reports of a run arrive on the thread that started it, never on the main thread.
class MacOSInstallerProgress : public ReportReceiver {
 public:
  virtual ~MacOSInstallerProgress() = default;
  virtual void MacOSInstallerProgressCB(const MacOSInstallerProgressinfoPtr& info) = 0;
};

class MacOSInstaller {
 public:
  static MacOSInstaller* GetInstall();

  void initBseValue();
  static void GenProgressDictionary(MacOSInstaller* engine);
  const MacOSStepTables& dictProgress() const { return _dictProgress; }
  void setDictProgress(const MacOSStepTables& tables) { _dictProgress = tables; }

  // The nine known installers; new records each call.
  QList<MacOSInstallerAppInfoPtr> getSelectOSVersion() const;
  // The installed copies of the known installers.
  QList<MacOSInstallerAppInfoPtr> getMacOSInfo();
  // The installed copies of `known`, outside Trash and temporary folders.
  QList<MacOSInstallerAppInfoPtr> getMacOSAppInfo(const QList<MacOSInstallerAppInfoPtr>& known);
  // The known installer that the bundle at the Mac path `path` is; nullptr else.
  MacOSInstallerAppInfoPtr getMacOSAppInfoByPath(const QString& path);
  static bool isPathInTrash(const QString& path);
  static bool isPathInTemp(const QString& path);
  // Bytes of the non-folder items inside the bundle (Mac path).
  static qint64 bundleSize(const QString& path);

  // The eligible USB and SD targets as a disk/partition tree; empty when none.
  QList<MacOSInstallerDiskInfoPtr> getInstallerDiskInfo();
  static QList<MacOSInstallerDiskInfoPtr> GetProcessedDiskInfo(
      const QList<MacOSInstallerDiskInfoPtr>& flat);
  // The record of one medium, or nullptr when it does not qualify. `whole` is
  // the description of its whole disk (used for a partition's parent path).
  static MacOSInstallerDiskInfoPtr diskInfoFromDescription(const QVariantMap& description,
                                                          const QVariantMap& whole);

  // Opens the store page of an installer; false for no id.
  bool LaunchAppStore(const QString& storeId);
  static QString storeLink(const QString& storeId);

  void setInstallerAppInfo(const MacOSInstallerAppInfoPtr& app, const MacOSInstallerDiskInfoPtr& disk);
  void setAppInfo(const MacOSInstallerAppInfoPtr& app);
  MacOSInstallerAppInfoPtr appInfo() const;
  bool HasTaskRedy() const { return isTaskReady.load(); }
  MacOSInstallerDiskInfoPtr getSelectedDiskInfo() const;

  // Runs the stored installer onto the stored disk; blocks until the run is over.
  // false, with nothing touched, when the hand-over was cancelled or used.
  bool startCreateInstall(MacOSInstallerProgress* progress);
  // Prepares the target and runs the tool on this thread. false when nothing was
  // run: bad records, a run already under way, a missing tool, a failed erase or
  // a cancel before the tool started.
  bool CreateMacOSInstaller(const MacOSInstallerAppInfoPtr& app, const MacOSInstallerDiskInfoPtr& disk,
                            MacOSInstallerProgress* progress);
  // Runs a tool and reports its progress against the step table of the creation
  // that called it (none when called on its own); nothing when another run is
  // under way.
  void ExcuteInstallerTask(const QString& toolPath, const QStringList& params,
                           MacOSInstallerProgress* progress);
  // Erases the whole disk `bsdName` as one Mac OS Extended (Journaled) volume
  // named with a fresh UUID; its mount path, or "" on failure.
  QString EraseDiskAndCreatePartition(const QString& bsdName);
  // One estimate over the run's whole output so far against its step table,
  // timed from the tool's start; nothing outside a run or once no row matches.
  MacOSInstallerProgressinfoPtr GetCreateProgress(const QString& output);
  void cancelMacOSInstller();

  bool isRunning() const;
  // Runs begun in this process (creations and tool runs of their own).
  int runsBegun() const { return runsBegun_.load(); }

 private:
  struct Run;
  using RunPtr = std::shared_ptr<Run>;

  MacOSInstaller();
  RunPtr beginRun(bool needsHandOver);
  // The run this thread's creation began, once, for its tool.
  RunPtr takeRunForTool();
  void setStepTable(const RunPtr& run, const MacOSStepTable& table);
  bool create(const RunPtr& run, const MacOSInstallerAppInfoPtr& app, const MacOSInstallerDiskInfoPtr& disk,
              MacOSInstallerProgress* progress);
  void endRun(const RunPtr& run);
  // Runs the tool to its end or its cancel, reporting against the run's table.
  void runAndReport(const RunPtr& run, const QString& toolPath, const QStringList& params,
                    MacOSInstallerProgress* progress);

  std::atomic<bool> isTaskReady{false};
  mutable std::mutex lockTask;
  std::mutex lockOutput;
  MacOSInstallerAppInfoPtr appInfo_;
  MacOSInstallerDiskInfoPtr diskInfo_;
  MacOSStepTables _dictProgress;
  RunPtr current_;
  std::atomic<int> runsBegun_{0};
  // Quitting stops a running creation as Cancel does and waits for its end.
  platform::JobOwnerRegistration quitStops_{[this] { return isRunning(); },
                                            [this] { cancelMacOSInstller(); }};
};
