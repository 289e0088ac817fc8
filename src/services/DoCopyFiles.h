#pragma once
// The copy engine: copies what is ticked into a destination folder, one
// "/usr/bin/rsync" "-av" run per item, on a worker.
//
// Reports: topCopyProgress and topCopyFilePath on the main thread; copyFileError
// (the destination folder is missing) from the worker; and last of all, on the
// main thread, copyFilesFinished with the outcome. Nothing arrives after it.
// Dropping the engine cancels its copy and silences it.
//
// A copy never copies itself: "/Volumes" and "/System/Volumes" (the other
// volumes' mount points) are never copied, and an item that holds the
// destination is copied entry by entry around it.
#include <QString>
#include <memory>

#include "platform/Jobs.h"
#include "services/DelegateRef.h"
#include "services/FileNode.h"

enum class CopyOutcome {
  AllCopied,   // every item that was to be copied arrived, and at least one did
  SomeFailed,  // some arrived, some did not
  Failed,      // nothing arrived (also: nothing to copy was given, or all was skipped)
  Cancelled,   // the copy was stopped
};

// Where the top-level items come from. A copy-all listing (the whole volume, as
// scanned) leaves out its hidden items; a browser selection takes only the roots
// the user could tick (isTickableRoot); dropped items are copied as dropped.
// A browser selection or a drop whose items would take one name at the top of
// the destination is refused whole: one would land on the other.
enum class CopyItems { CopyAllListing, BrowserSelection, DroppedItems };

class DoCopyFilesDelegate : public ReportReceiver {
 public:
  virtual ~DoCopyFilesDelegate() = default;
  virtual void topCopyProgress(float percent) { (void)percent; }
  // A chunk of rsync's output, decoded as UTF-8.
  virtual void topCopyFilePath(const QString& text) { (void)text; }
  // The destination folder is missing (sent for each item that would be copied).
  virtual void copyFileError() {}
  virtual void copyFilesFinished(CopyOutcome outcome) { (void)outcome; }
};

class DoCopyFiles {
 public:
  DoCopyFiles();
  ~DoCopyFiles();
  DoCopyFiles(const DoCopyFiles&) = delete;
  DoCopyFiles& operator=(const DoCopyFiles&) = delete;

  // Clears isCancel and starts copying the root list into `copyPath` (a Mac
  // path) on the global queue; returns at once. An empty list, or chosen items
  // that clash by name, end at once with copyFilesFinished(Failed).
  void doCopyFilesWithArr(const FileNodeList& arr, const QString& copyPath, CopyItems items);

  bool isCancel() const;
  // A copy runs, or its rsync has not been waited for yet.
  bool isRunning() const;
  // YES stops the copy: the running rsync is terminated and waited for, then
  // copyFilesFinished(Cancelled) follows.
  void setIsCancel(bool cancel);

  DoCopyFilesDelegate* delegate() const { return delegate_.get(); }
  void setDelegate(DoCopyFilesDelegate* delegate);

  // The hidden-item rule applied to a copy-all listing's top-level items.
  static bool isHiddenAtPath(const QString& path);
  // A name that two of the items would take at the top of the destination, or
  // empty. The screen refuses such a selection with it before it starts.
  static QString clashingName(const FileNodeList& roots, CopyItems items);

  struct Job;

 private:
  std::shared_ptr<Job> job_;
  DelegateRef<DoCopyFilesDelegate> delegate_;
  // Quitting stops a running copy as Cancel does and waits for its end.
  platform::JobOwnerRegistration quitStops_{[this] { return isRunning(); }, [this] { setIsCancel(true); }};
};
