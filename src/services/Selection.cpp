#include "services/Selection.h"

#include <QSet>

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

QStringList copyTopNames(const FileNodeList& chosen) {
  QStringList names;
  // One item chosen twice lands on itself, not on another; the other volumes'
  // mount points are never copied at all.
  QSet<QString> paths{QStringLiteral("/Volumes"), QStringLiteral("/System/Volumes")};
  const auto add = [&](const FileNode& n) {
    if (paths.contains(n.path())) return;
    paths.insert(n.path());
    names << n.name();
  };
  for (const FileNodePtr& r : chosen) {
    if (!r) continue;
    if (r->state() == FileNode::Selected) {
      add(*r);
    } else if (r->state() == FileNode::PartlySelected) {
      for (const FileNodePtr& c : r->children())
        if (c && c->state() != FileNode::NotSelected) add(*c);
    }
  }
  return names;
}

QString firstSharedName(const QStringList& names) {
  QSet<QString> seen;
  for (const QString& n : names) {
    const QString key = n.toCaseFolded();
    if (seen.contains(key)) return n;
    seen.insert(key);
  }
  return QString();
}
