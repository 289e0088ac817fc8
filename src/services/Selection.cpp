#include "services/Selection.h"
#include "services/DoCopyFiles.h"

bool isTickableRoot(const FileNode& root) {
  return !root.isSystemFile() && !DoCopyFiles::isHiddenAtPath(root.path());
}

FileNodeList chosenBrowserRoots(const FileNodeList& roots) {
  FileNodeList chosen;
  for (const FileNodePtr& r : roots) {
    if (r && r->state() != FileNode::NotSelected && isTickableRoot(*r)) chosen.append(r);
  }
  return chosen;
}
