#include "services/Controller.h"

#include <QFileInfo>

#include "platform/Workspace.h"

Controller::Controller() = default;
Controller::~Controller() = default;

void Controller::eumeAllRootFileNodeWithRootArr(const FileNodeListRef& rootArr, const QString& rootPath,
                                                bool copyAll, bool copyFiles) {
  isCopyAllFiles_ = copyAll;
  isCopyFiles_ = copyFiles;
  // The previous scanner goes, and with it every result of its scan.
  eumeRoot_ = std::make_unique<EumeRoot>();
  eumeRoot_->setEumeDelegate(this);
  aRootArr_ = rootArr ? rootArr : std::make_shared<FileNodeList>();
  eumeRoot_->eumeAllRootFileNodeWithRootArr(aRootArr_, rootPath);
}

void Controller::endScan() {
  if (isCopyAllFiles_) {
    if (ControllerDelegate* d = aDelegate_.get()) {
      if (isCopyFiles_)
        d->copyFileScanFiles();
      else
        d->endScanFiles();
    }
  }
  if (ControllerDelegate* d = aDelegate_.get()) d->reloadTreeList();
}

void Controller::getNodeListWithFaterNode(FileNode* fatherNode) {
  if (!eumeRoot_) {
    eumeRoot_ = std::make_unique<EumeRoot>();
    eumeRoot_->setEumeDelegate(this);
  }
  eumeRoot_->getNodeListWithFaterNode(fatherNode);
}

void Controller::endEumeNode() {
  if (ControllerDelegate* d = aDelegate_.get()) d->reloadTreeList();
}

void Controller::notifyChanged() {
  if (ControllerDelegate* d = aDelegate_.get()) d->changeSelectAllButtonState();
  if (ControllerDelegate* d = aDelegate_.get()) d->reloadTreeList();
}

void Controller::changeSelectWithNode(FileNode* node, int selectState) {
  if (!node) return;
  node->setState(selectState ? FileNode::Selected : FileNode::NotSelected);
  if (node->isDirectory()) {
    // Take a copy: a delegate that redraws must not see the list change under us.
    const FileNodeList children = node->children();
    for (const FileNodePtr& child : children) child->setState(selectState);
    if (node->isExpand()) {
      for (const FileNodePtr& child : children)
        if (child->isDirectory()) changeSelectWithNode(child.data(), selectState);
    }
  }
  notifyChanged();
}

void Controller::changeFatherNodeSelectStateWithFileNode(FileNode* node, int selectState) {
  if (!node) return;
  if (FileNode* father = node->father()) {
    qsizetype selected = 0;
    bool anyPartly = false;
    for (const FileNodePtr& child : father->children()) {
      if (child->state() == FileNode::Selected) ++selected;
      if (child->state() == FileNode::PartlySelected) anyPartly = true;
    }
    if (selected == father->children().size())
      father->setState(FileNode::Selected);
    else if (selected > 0 || anyPartly)
      father->setState(FileNode::PartlySelected);
    else
      father->setState(FileNode::NotSelected);
    if (father->father()) changeFatherNodeSelectStateWithFileNode(father, selectState);
  }
  notifyChanged();
}

void Controller::selectAllFileNode(int selectState) {
  if (aRootArr_) {
    const FileNodeList roots = *aRootArr_;
    for (const FileNodePtr& root : roots) {
      root->setState(selectState);
      if (root->isExpand()) changeSelectWithNode(root.data(), selectState);
    }
  }
  notifyChanged();
}

void Controller::openFileWithFileNode(FileNode* node) {
  if (!node) return;
  const QString path = node->path();
  if (path.isEmpty()) return;
  platform::Workspace::shared().selectFile(path);
}

float Controller::getProgress() const { return eumeRoot_ ? eumeRoot_->getProgress() : 0.0f; }

bool Controller::isScanFinished() const { return eumeRoot_ && eumeRoot_->isScanFinished(); }
