#pragma once
// The file-tree facade the screens talk to: starts scans and applies the tick
// rules (downward through expanded folders, upward to every ancestor).
// Main thread only.
#include <QString>
#include <memory>

#include "services/DelegateRef.h"
#include "services/EumeRoot.h"
#include "services/FileNode.h"

class ControllerDelegate {
 public:
  virtual ~ControllerDelegate() = default;
  virtual void reloadTreeList() {}
  virtual void changeSelectAllButtonState() {}
  // Root scan of a copy-all listing ended (main thread): copy-files NO / YES.
  virtual void endScanFiles() {}
  virtual void copyFileScanFiles() {}
  // Declared for the screens; the controller never sends it.
  virtual void changeProgressWithPoint(int point, const QString& path) {
    (void)point;
    (void)path;
  }
};

class Controller : public EumeRootDelegate {
 public:
  Controller();
  ~Controller() override;

  // Lists `rootPath` into `rootArr` (see EumeRoot). At the end: with copy-all
  // YES the delegate gets copyFileScanFiles (copy-files YES) or endScanFiles
  // (NO); in every case then reloadTreeList, so a browser that waits for the
  // scan can read isScanFinished().
  void eumeAllRootFileNodeWithRootArr(const FileNodeListRef& rootArr, const QString& rootPath,
                                      bool copyAll, bool copyFiles);
  void getNodeListWithFaterNode(FileNode* fatherNode);
  void changeSelectWithNode(FileNode* node, int selectState);
  void changeFatherNodeSelectStateWithFileNode(FileNode* node, int selectState);
  void selectAllFileNode(int selectState);
  void openFileWithFileNode(FileNode* node);
  float getProgress() const;
  // The current root scan has ended: its list is complete. Not "progress ≥ 100",
  // which an empty or unreadable root never reaches.
  bool isScanFinished() const;

  FileNodeListRef aRootArr() const { return aRootArr_; }
  // Roots shown without a scan (an earlier selection): select-all acts on them.
  void setARootArr(const FileNodeListRef& rootArr) { aRootArr_ = rootArr; }
  bool isCopyAllFiles() const { return isCopyAllFiles_; }
  bool isCopyFiles() const { return isCopyFiles_; }
  EumeRoot* eumeRoot() const { return eumeRoot_.get(); }

  ControllerDelegate* aDelegate() const { return aDelegate_.get(); }
  void setADelegate(ControllerDelegate* delegate) { aDelegate_ = delegate; }

  // EumeRootDelegate
  void endScan() override;
  void endEumeNode() override;

 private:
  void notifyChanged();

  FileNodeListRef aRootArr_;
  bool isCopyAllFiles_ = false;
  bool isCopyFiles_ = false;
  std::unique_ptr<EumeRoot> eumeRoot_;
  DelegateRef<ControllerDelegate> aDelegate_;
};
