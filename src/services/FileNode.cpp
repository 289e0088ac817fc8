#include "services/FileNode.h"
#include "services/PathRules.h"

#include <QFileIconProvider>
#include <QFileInfo>
#include <cstdlib>
#include <cstring>

#include "platform/Paths.h"
#include "services/SystemFolder.h"

namespace {

uint32_t readLength(const char* text, int index) {
  uint32_t value;
  std::memcpy(&value, text + index * sizeof(uint32_t), sizeof value);
  return value;
}

}  // namespace

FileNode::FileNode(const QString& path, const QString& name, bool isDirectory, FileNode* father)
    : isDirectory_(isDirectory), father_(father) {
  const bool derived = father && path == childPath(father->path(), name);
  storeText(name, path, !derived);
}

FileNodePtr FileNode::initWithPath(const QString& path, const QString& name, bool isDirectory,
                                   FileNode* father) {
  return FileNodePtr(new FileNode(path, name, isDirectory, father));
}

FileNode::~FileNode() {
  // A child someone else still holds keeps its full path once its father is gone.
  for (const FileNodePtr& child : children_) {
    if (child && child->father_ == this) {
      if (child->ref.loadRelaxed() > 1) child->storeText(child->name(), child->path(), true);
      child->father_ = nullptr;
    }
  }
  std::free(text_);
}

QString FileNode::childPath(const QString& fatherPath, const QString& name) {
  if (fatherPath == QLatin1String("/")) return QLatin1Char('/') + name;
  return fatherPath + QLatin1Char('/') + name;
}

FileNodePtr FileNode::fromUtf8(const char* path, uint32_t pathLength, const char* name,
                               uint32_t nameLength, bool isDirectory, FileNode* father,
                               bool derivedPath) {
  FileNode* node = new FileNode();
  node->isDirectory_ = isDirectory;
  node->father_ = father;
  if (father && derivedPath)
    node->storeUtf8(name, nameLength, nullptr, 0);
  else
    node->storeUtf8(name, nameLength, path, pathLength);
  return FileNodePtr(node);
}

void FileNode::storeText(const QString& name, const QString& path, bool explicitPath) {
  const QByteArray n = name.toUtf8();
  const QByteArray p = explicitPath ? path.toUtf8() : QByteArray();
  storeUtf8(n.constData(), static_cast<uint32_t>(n.size()), p.constData(),
            static_cast<uint32_t>(p.size()));
}

void FileNode::storeUtf8(const char* name, uint32_t nl, const char* path, uint32_t pl) {
  char* old = text_;
  text_ = nullptr;
  if (nl > 0 || pl > 0) {
    text_ = static_cast<char*>(std::malloc(2 * sizeof(uint32_t) + nl + pl));
    std::memcpy(text_, &nl, sizeof nl);
    std::memcpy(text_ + sizeof nl, &pl, sizeof pl);
    if (nl) std::memcpy(text_ + 2 * sizeof(uint32_t), name, nl);
    if (pl) std::memcpy(text_ + 2 * sizeof(uint32_t) + nl, path, pl);
  }
  std::free(old);
}

QString FileNode::name() const {
  if (!text_) return QString();
  return QString::fromUtf8(text_ + 2 * sizeof(uint32_t), readLength(text_, 0));
}

QByteArray FileNode::pathUtf8() const {
  const uint32_t nl = text_ ? readLength(text_, 0) : 0;
  const uint32_t pl = text_ ? readLength(text_, 1) : 0;
  if (pl > 0) return QByteArray(text_ + 2 * sizeof(uint32_t) + nl, pl);
  if (!father_) return QByteArray();
  QByteArray fatherPath = father_->pathUtf8();
  if (fatherPath != "/") fatherPath += '/';
  fatherPath.append(text_ ? text_ + 2 * sizeof(uint32_t) : "", nl);
  return fatherPath;
}

QString FileNode::path() const { return QString::fromUtf8(pathUtf8()); }

void FileNode::setFather(FileNode* father) {
  const QString keptPath = path();
  const QString keptName = name();
  father_ = father;
  const bool derived = father && keptPath == childPath(father->path(), keptName);
  storeText(keptName, keptPath, !derived);
}

bool FileNode::isSystemFile() const { return SystemFolder::isSystemFileWithFilePath(path()); }

QIcon FileNode::icon() const {
  static QFileIconProvider provider;
  return provider.icon(QFileInfo(platform::hostPath(path())));
}

QString FileNode::displayName() const { return services::lastPathComponent(path()); }
