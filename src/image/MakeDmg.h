#pragma once
// The disk-image and ZIP engine. An image job creates an empty read-write image a
// little larger than the selection, mounts it, copies the chosen items into its
// volume and ejects it; an archive job runs zip over the chosen paths. Reports
// reach the delegate on the main thread, and only while their job is current.
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>

#include "platform/Jobs.h"
#include "services/DelegateRef.h"
#include "services/FileNode.h"

class MakeDmgDelegate {
 public:
  // Why a job failed.
  static constexpr int kFailed = 0;             // the image or archive was not made
  static constexpr int kImageNotFinished = 1;   // made, but its volume could not be ejected
  virtual ~MakeDmgDelegate() = default;
  // The job failed; nothing more comes for it.
  virtual void makeDmgFailWithError(int error) { (void)error; }
  // The image is mounted; the delegate answers with doCopyFilesToDmgWithDmg.
  virtual void beginToCopyDmg() {}
  // Progress; 100 means the image or archive is finished.
  virtual void copyFileToDmgWithFileName(const QString& text, float progress) {
    (void)text;
    (void)progress;
  }
};

class QProcess;

class MakeDmg : public QObject {
  Q_OBJECT

 public:
  static constexpr const char* kScratchFolder = "/tmp/com.quorvan.clone";
  static constexpr const char* kVolumeName = "QuorvanDiskCloneDmg";
  static constexpr const char* kRootFolder = "/QuorvanDiskClone_dmg";

  explicit MakeDmg(QObject* parent = nullptr);
  ~MakeDmg() override;

  // Starts an image job: "<folder>/<name>.dmg" sized for `size` bytes of files.
  void makeTmpDmgWithPath(const QString& folder, const QString& name, qint64 size);
  // Copies `paths` (Mac paths) into the mounted image, then ejects it. Each
  // item goes to its last name in the image's root, or to its entry of
  // `targets` (a path inside the image) when given.
  void doCopyFilesToDmgWithDmg(const QStringList& paths, const QStringList& targets = {});
  // Ejects the current job's image volume, if it is mounted.
  void unmountDmgWithFullPath();
  // Cancels the running job; nothing more is reported for it and what it made
  // so far is removed.
  void stopMakeDmg();

  // "diskutil info -plist <name>"; nothing for no name or no dictionary.
  std::optional<QVariantMap> getDisjInfo(const char* name);
  // "hdiutil resize -size <size> <path>"; its exit status.
  int resizeVolume(const QString& imagePath, const QString& size);

  // Starts an archive job: zip of the selected items of `roots` into `zipPath`.
  void doZipWithPath(const QString& zipPath, const FileNodeList& roots);
  // Entries zip is expected to report for the selection; fills allSelectFileArr.
  quint64 getAllFileCount(const FileNodeList& roots);
  static quint64 getAllFileCountWithPath(const QString& macPath);

  MakeDmgDelegate* makeDmgDelegate() const { return makeDmgDelegate_.get(); }
  void setMakeDmgDelegate(MakeDmgDelegate* delegate) { makeDmgDelegate_ = delegate; }
  bool isCancelCopy() const { return isCancelCopy_.load(); }
  void setIsCancelCopy(bool value);

  bool isRunning() const;
  QStringList selectedPaths() const { return allSelectFileArr; }

  // The image size text for a selection of `size` bytes.
  static QString imageSizeText(qint64 size);
  // Where `hdiutil mount` says it mounted the image: {mount point, device}.
  static std::pair<QString, QString> mountFromHdiutilOutput(const QString& output);

 private:
  struct Job;
  using JobPtr = std::shared_ptr<Job>;

  JobPtr beginJob(bool archive);
  bool isCurrent(const JobPtr& job) const;
  JobPtr currentJob() const;
  void refuse();
  // The image job's worker: the scratch folder, the folder and places, create, mount.
  bool createImage(const JobPtr& job, const QString& folder, const QString& name, qint64 size);
  static QString imageFolder(const QString& folder);
  static bool placesAreFree(const QString& imagePath);
  static bool runCreate(const JobPtr& job, const QString& imagePath, qint64 size);
  bool mountImage(const JobPtr& job);
  void copyItems(const JobPtr& job, const QStringList& paths, const QStringList& targets);
  // The engine's own members stay out of these: they may run after it is gone.
  static bool ejectImage(const JobPtr& job);
  static void discardImage(const JobPtr& job);
  static void abandon(const JobPtr& job);
  static void endWork(const JobPtr& job);
  void failImage(const JobPtr& job);
  void report(const JobPtr& job, const QString& text, float progress, bool closing = false);
  void fail(const JobPtr& job, int error = MakeDmgDelegate::kFailed);
  void dataReady(const JobPtr& job);
  void zipTaskTerminated(const JobPtr& job, bool exitedCleanly);
  void removeArchive(const JobPtr& job);

  QString dmgNameStr;
  std::atomic<bool> isCancelCopy_{false};
  QStringList allSelectFileArr;
  quint64 allSelectFileCout = 0;
  quint64 proValue = 0;
  DelegateRef<MakeDmgDelegate> makeDmgDelegate_;

  mutable std::mutex mutex_;
  JobPtr current_;
  // Quitting stops a running job as Cancel does and waits for its end.
  platform::JobOwnerRegistration quitStops_{[this] { return isRunning(); }, [this] { stopMakeDmg(); }};
};
