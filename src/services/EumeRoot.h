#pragma once
// The scanner: lists a root folder in the background and a folder's children on
// demand.
//
// A root scan builds its nodes privately on a worker and hands them to the main
// thread in batches, where they are merged into the caller's list in the order
// "files by size, largest first (the later-listed first among equal sizes),
// then folders in listing order". The list is therefore only ever touched on the
// main thread. A scan that a newer one (or the scanner's end) supersedes is
// dropped: its batches and its end never arrive. Every other scan ends with
// `endScan`, on the main thread, after its last batch: also for a root that is a
// single file, an empty or unreadable folder, or a missing path.
#include <QString>
#include <atomic>
#include <functional>
#include <memory>

#include "services/DelegateRef.h"
#include "services/FileNode.h"
#include "services/FileSizeReader.h"

class EumeRootDelegate {
 public:
  virtual ~EumeRootDelegate() = default;
  // The root scan ended (main thread; the list holds every node of it).
  virtual void endScan() {}
  // A folder's children were listed (on the thread that asked).
  virtual void endEumeNode() {}
};

class EumeRoot {
 public:
  EumeRoot();
  ~EumeRoot();
  EumeRoot(const EumeRoot&) = delete;
  EumeRoot& operator=(const EumeRoot&) = delete;

  // Main thread. `rootArr` receives the root nodes; `rootPath` is a Mac path.
  void eumeAllRootFileNodeWithRootArr(const FileNodeListRef& rootArr, const QString& rootPath);
  // Lists the node's children synchronously and appends them (no skip list).
  void getNodeListWithFaterNode(FileNode* fatherNode);
  // Puts a node into the root list by the rule the scan's batches follow: a
  // file before the first node whose size is not larger than its own (else at
  // the end), a folder at the end (main thread).
  void insertFileInRootArrWithFile(const FileNodePtr& node);

  // eumeFileCount × 100 / allFileCount; 0 while allFileCount is 0 or less.
  float getProgress() const;
  // The current root scan has ended (its last batch and endScan delivered).
  bool isScanFinished() const;

  EumeRootDelegate* eumeDelegate() const { return eumeDelegate_.get(); }
  void setEumeDelegate(EumeRootDelegate* delegate) { eumeDelegate_ = delegate; }

  // For tests: the reader a root scan makes (default: FileSizeReader).
  void setFileSizeReaderFactory(std::function<std::shared_ptr<FileSizeReader>()> factory);

  // Names a root scan leaves out.
  static bool isSkippedName(const char* name);

  struct ScanState;

 private:
  FileNodeListRef rootNodeArr_;
  std::shared_ptr<FileSizeReader> treeOperator_;
  std::shared_ptr<ScanState> scan_;
  DelegateRef<EumeRootDelegate> eumeDelegate_;
  std::function<std::shared_ptr<FileSizeReader>()> readerFactory_;
};
