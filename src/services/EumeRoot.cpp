#include "services/EumeRoot.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/Gate.h"
#include "platform/Paths.h"
#include "platform/Queue.h"

struct EumeRoot::ScanState {
  std::atomic<bool> stale{false};
  std::atomic<bool> finished{false};
  std::atomic<int> allFileCount{0};
  std::atomic<int> eumeFileCount{0};
};

namespace {

using ScanState = EumeRoot::ScanState;

struct Batch {
  std::vector<FileNodePtr> files;    // sorted: largest first, later-listed first among equals
  std::vector<FileNodePtr> folders;  // listing order
};

// Merges a batch into the list so that it reads as if every node of the batch
// had been put in one by one by the size rule (files) or appended (folders).
void mergeBatch(FileNodeList& list, Batch& batch) {
  if (batch.files.empty() && batch.folders.empty()) return;
  FileNodeList merged;
  merged.reserve(list.size() + qsizetype(batch.files.size() + batch.folders.size()));
  qsizetype i = 0;
  size_t k = 0;
  while (i < list.size() && k < batch.files.size()) {
    // A new node goes before the first existing node whose size is not larger.
    if (list[i]->size() <= batch.files[k]->size())
      merged.append(std::move(batch.files[k++]));
    else
      merged.append(list[i++]);
  }
  for (; k < batch.files.size(); ++k) merged.append(std::move(batch.files[k]));
  for (; i < list.size(); ++i) merged.append(list[i]);
  for (FileNodePtr& folder : batch.folders) merged.append(std::move(folder));
  list.swap(merged);
}

void sortFiles(std::vector<std::pair<size_t, FileNodePtr>>& files, std::vector<FileNodePtr>& out) {
  std::sort(files.begin(), files.end(), [](const auto& a, const auto& b) {
    if (a.second->size() != b.second->size()) return a.second->size() > b.second->size();
    return a.first > b.first;
  });
  out.reserve(files.size());
  for (auto& f : files) out.push_back(std::move(f.second));
  files.clear();
}

QByteArray lastPathComponent(const QByteArray& path) {
  QByteArray p = path;
  while (p.size() > 1 && p.endsWith('/')) p.chop(1);
  const qsizetype slash = p.lastIndexOf('/');
  return slash < 0 || p == "/" ? p : p.mid(slash + 1);
}

}  // namespace

bool EumeRoot::isSkippedName(const char* name) {
  static const char* const kSkipped[] = {".DS_Store", ".Trashes", ".Trash", ".vol", ".fseventsd",
                                         ".Spotlight-V100", ".Volumes", ".Volume", ".file"};
  if (name[0] != '.') return false;
  for (const char* skipped : kSkipped)
    if (std::strcmp(name, skipped) == 0) return true;
  return false;
}

EumeRoot::EumeRoot() = default;

EumeRoot::~EumeRoot() {
  if (scan_) scan_->stale = true;
}

void EumeRoot::setFileSizeReaderFactory(std::function<std::shared_ptr<FileSizeReader>()> factory) {
  readerFactory_ = std::move(factory);
}

void EumeRoot::eumeAllRootFileNodeWithRootArr(const FileNodeListRef& rootArr, const QString& rootPath) {
  if (scan_) scan_->stale = true;
  rootNodeArr_ = rootArr ? rootArr : std::make_shared<FileNodeList>();
  treeOperator_ = readerFactory_ ? readerFactory_() : std::make_shared<FileSizeReader>();
  auto state = std::make_shared<ScanState>();
  scan_ = state;

  const FileNodeListRef list = rootNodeArr_;
  const std::shared_ptr<FileSizeReader> reader = treeOperator_;
  const QByteArray macRoot = rootPath.toUtf8();
  const QByteArray hostRoot = platform::hostPath(rootPath).toUtf8();

  // Everything that reaches the list or the delegate goes through the main
  // thread and is dropped once the scan is stale; `this` lives while it is not.
  auto deliver = [state, list](std::shared_ptr<Batch> batch) {
    platform::dispatchMain([state, list, batch] {
      if (!state->stale) mergeBatch(*list, *batch);
    });
  };
  auto finish = [this, state] {
    platform::dispatchMain([this, state] {
      if (state->stale) return;
      state->finished = true;
      if (EumeRootDelegate* d = eumeDelegate_.get()) d->endScan();
    });
  };

  platform::dispatchGlobal([state, reader, macRoot, hostRoot, rootPath, deliver, finish] {
    struct stat st;
    if (macRoot.isEmpty() || ::stat(hostRoot.constData(), &st) != 0) {
      finish();
      return;
    }
    if (!S_ISDIR(st.st_mode)) {
      const QByteArray name = lastPathComponent(macRoot);
      FileNodePtr node = FileNode::fromUtf8(macRoot.constData(), uint32_t(macRoot.size()),
                                            name.constData(), uint32_t(name.size()), false,
                                            nullptr, false);
      node->setSize(reader->getOneFileSizeWithPath(rootPath));
      auto batch = std::make_shared<Batch>();
      batch->files.push_back(std::move(node));
      state->allFileCount = 1;
      state->eumeFileCount = 1;
      deliver(batch);
      finish();
      return;
    }

    const int fd = ::open(hostRoot.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = fd >= 0 ? ::fdopendir(fd) : nullptr;
    if (!dir) {
      if (fd >= 0) ::close(fd);
      finish();
      return;
    }
    struct Entry {
      std::string name;
      unsigned char type;
    };
    std::vector<Entry> entries;
    while (struct dirent* e = ::readdir(dir)) {
      if (e->d_name[0] == '.' && (e->d_name[1] == 0 || (e->d_name[1] == '.' && e->d_name[2] == 0)))
        continue;
      if (isSkippedName(e->d_name)) continue;
      entries.push_back({e->d_name, e->d_type});
    }
    state->allFileCount = int(entries.size());

    const QByteArray prefix = macRoot == "/" ? QByteArray("/") : macRoot + '/';
    QByteArray childPath;
    std::vector<std::pair<size_t, FileNodePtr>> files;
    auto batch = std::make_shared<Batch>();
    size_t inBatch = 0;
    size_t batchLimit = 1024;  // doubles, so merging on the main thread stays linear overall
    for (size_t index = 0; index < entries.size(); ++index) {
      if (state->stale) break;  // nobody will see the rest
      const Entry& entry = entries[index];
      childPath = prefix;
      childPath.append(entry.name.data(), qsizetype(entry.name.size()));
      bool isFolder = entry.type == DT_DIR;
      if (entry.type != DT_DIR && entry.type != DT_REG) {
        struct stat est;
        isFolder = ::fstatat(fd, entry.name.c_str(), &est, 0) == 0 && S_ISDIR(est.st_mode);
      }
      FileNodePtr node = FileNode::fromUtf8(childPath.constData(), uint32_t(childPath.size()),
                                            entry.name.data(), uint32_t(entry.name.size()),
                                            isFolder, nullptr, false);
      if (isFolder) {
        batch->folders.push_back(std::move(node));
      } else {
        node->setSize(reader->sizeOfEntry(fd, entry.name.c_str(), QString::fromUtf8(childPath)));
        files.emplace_back(index, std::move(node));
      }
      state->eumeFileCount.fetch_add(1, std::memory_order_relaxed);
      if (++inBatch >= batchLimit) {
        sortFiles(files, batch->files);
        deliver(batch);
        batch = std::make_shared<Batch>();
        inBatch = 0;
        batchLimit *= 2;
      }
    }
    ::closedir(dir);
    sortFiles(files, batch->files);
    deliver(batch);
    platform::gatePoint("EumeRoot.beforeEnd");
    finish();
  });
}

void EumeRoot::getNodeListWithFaterNode(FileNode* fatherNode) {
  if (!fatherNode) return;
  const QString fatherPath = fatherNode->path();
  const QByteArray host = platform::hostPath(fatherPath).toUtf8();
  struct stat st;
  if (::stat(host.constData(), &st) != 0) return;
  if (!treeOperator_) treeOperator_ = readerFactory_ ? readerFactory_() : std::make_shared<FileSizeReader>();
  const int childState = fatherNode->state() == FileNode::NotSelected ? FileNode::NotSelected
                                                                     : FileNode::Selected;
  auto counts = scan_;
  if (!counts) counts = scan_ = std::make_shared<ScanState>();

  if (S_ISDIR(st.st_mode)) {
    const int fd = ::open(host.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = fd >= 0 ? ::fdopendir(fd) : nullptr;
    if (!dir && fd >= 0) ::close(fd);
    std::vector<std::pair<std::string, unsigned char>> entries;
    if (dir) {
      while (struct dirent* e = ::readdir(dir)) {
        if (e->d_name[0] == '.' && (e->d_name[1] == 0 || (e->d_name[1] == '.' && e->d_name[2] == 0)))
          continue;
        entries.emplace_back(e->d_name, e->d_type);
      }
    }
    counts->allFileCount = int(entries.size());
    FileNodeList& children = fatherNode->children();
    children.reserve(children.size() + qsizetype(entries.size()));
    for (const auto& [name, type] : entries) {
      bool isFolder = type == DT_DIR;
      if (type != DT_DIR && type != DT_REG) {
        struct stat est;
        isFolder = ::fstatat(fd, name.c_str(), &est, 0) == 0 && S_ISDIR(est.st_mode);
      }
      FileNodePtr node = FileNode::fromUtf8(nullptr, 0, name.data(), uint32_t(name.size()),
                                            isFolder, fatherNode, true);
      if (!isFolder)
        node->setSize(treeOperator_->sizeOfEntry(fd, name.c_str(), node->path()));
      node->setState(childState);
      children.append(std::move(node));
    }
    if (dir) ::closedir(dir);
  } else {
    FileNodePtr node = FileNode::initWithPath(fatherPath, fatherNode->displayName(), false, fatherNode);
    node->setSize(treeOperator_->getOneFileSizeWithPath(fatherPath));
    node->setState(childState);
    fatherNode->children().append(std::move(node));
  }
  if (EumeRootDelegate* d = eumeDelegate_.get()) d->endEumeNode();
}

void EumeRoot::insertFileInRootArrWithFile(const FileNodePtr& node) {
  if (!node) return;
  if (!rootNodeArr_) rootNodeArr_ = std::make_shared<FileNodeList>();
  FileNodeList& list = *rootNodeArr_;
  for (qsizetype i = 0; i < list.size(); ++i) {
    if (list[i]->size() <= node->size()) {
      list.insert(i, node);
      return;
    }
  }
  list.append(node);
}

float EumeRoot::getProgress() const {
  if (!scan_) return 0.0f;
  const int all = scan_->allFileCount.load();
  if (all <= 0) return 0.0f;
  return float(scan_->eumeFileCount.load()) * 100.0f / float(all);
}

bool EumeRoot::isScanFinished() const { return scan_ && scan_->finished; }
