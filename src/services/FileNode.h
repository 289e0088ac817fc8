#pragma once
// One node of the selectable file tree. A node owns its children and refers to
// its parent without owning it. Nodes are shared by reference (FileNodePtr):
// the scanner makes them on a worker and the screens keep them in their lists.
//
// Memory matters (a volume listing holds hundreds of thousands of nodes), so a
// node keeps only its name: the path of a node whose father is set is derived
// from the father's path, and stored only when it differs (root nodes, or a
// child made for the father's own path).
#include <QExplicitlySharedDataPointer>
#include <QIcon>
#include <QList>
#include <QSharedData>
#include <QString>
#include <cstdint>
#include <memory>

class FileNode;
using FileNodePtr = QExplicitlySharedDataPointer<FileNode>;
using FileNodeList = QList<FileNodePtr>;
// A root list shared between a screen and the services that fill or walk it.
using FileNodeListRef = std::shared_ptr<FileNodeList>;

class FileNode : public QSharedData {
 public:
  enum State { NotSelected = 0, Selected = 1, PartlySelected = 2 };

  // initWithPath:withName:isDirectory:withFather: — state 1, size 0, no children.
  FileNode(const QString& path, const QString& name, bool isDirectory, FileNode* father);
  static FileNodePtr initWithPath(const QString& path, const QString& name, bool isDirectory,
                                  FileNode* father = nullptr);
  // The same from UTF-8 texts, for scanners. With a father and derivedPath, the
  // path is father's path + "/" + name and `path` is not read.
  static FileNodePtr fromUtf8(const char* path, uint32_t pathLength, const char* name,
                              uint32_t nameLength, bool isDirectory, FileNode* father,
                              bool derivedPath);
  FileNode(const FileNode&) = delete;
  FileNode& operator=(const FileNode&) = delete;
  ~FileNode();

  QString name() const;
  QString path() const;
  bool isDirectory() const { return isDirectory_; }
  void setIsDirectory(bool value) { isDirectory_ = value; }
  // SystemFolder test of the path, on every read.
  bool isSystemFile() const;

  FileNodeList& children() { return children_; }
  const FileNodeList& children() const { return children_; }
  void setChildren(const FileNodeList& children) { children_ = children; }

  int state() const { return state_; }
  void setState(int state) { state_ = static_cast<int8_t>(state); }

  FileNode* father() const { return father_; }
  // Keeps the node's path whatever the new father is.
  void setFather(FileNode* father);

  // The workspace icon of the path (main thread only).
  QIcon icon() const;

  quint64 size() const { return size_; }
  void setSize(quint64 size) { size_ = size; }

  // Last path component of the path.
  QString displayName() const;

  bool isExpand() const { return isExpand_; }
  void setIsExpand(bool value) { isExpand_ = value; }

  // The path a child named `name` of a folder at `fatherPath` gets by default.
  static QString childPath(const QString& fatherPath, const QString& name);

 private:
  FileNode() = default;
  void storeText(const QString& name, const QString& path, bool explicitPath);
  void storeUtf8(const char* name, uint32_t nameLength, const char* path, uint32_t pathLength);
  QByteArray pathUtf8() const;

  // Layout kept tight: QSharedData's counter shares its word with the flags.
  int8_t state_ = Selected;
  bool isDirectory_ = false;
  bool isExpand_ = false;
  FileNode* father_ = nullptr;
  quint64 size_ = 0;
  // [uint32 name length][uint32 path length][name UTF-8][path UTF-8]; the path
  // length is 0 when the path is derived from the father.
  char* text_ = nullptr;
  FileNodeList children_;
};
