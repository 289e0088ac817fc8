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
#include "services/PathRules.h"

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

// One folder's entries in listing order, with the folder kept open so each
// entry is typed and sized relative to it.
struct Entry {
  std::string name;
  unsigned char type;
};
struct FolderListing {
  int fd = -1;
  DIR* dir = nullptr;
  std::vector<Entry> entries;
  FolderListing() = default;
  FolderListing(const FolderListing&) = delete;
  FolderListing& operator=(const FolderListing&) = delete;
  ~FolderListing() {
    if (dir)
      ::closedir(dir);  // closes fd too
    else if (fd >= 0)
      ::close(fd);
  }
};

// False when the folder cannot be opened (no entries then). `skipList` leaves
// out the names a root scan never shows.
bool listFolder(const QByteArray& hostFolder, bool skipList, FolderListing& out) {
  out.fd = ::open(hostFolder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (out.fd < 0) return false;
  out.dir = ::fdopendir(out.fd);
  if (!out.dir) return false;
  while (struct dirent* e = ::readdir(out.dir)) {
    if (services::isDotOrDotDot(e->d_name)) continue;
    if (skipList && EumeRoot::isSkippedName(e->d_name)) continue;
    out.entries.push_back({e->d_name, e->d_type});
  }
  return true;
}

// The listing's type when it gives one, else what the entry's stat says (a
// link to a folder counts as a folder).
bool isFolderEntry(int fd, const Entry& entry) {
  if (entry.type == DT_DIR) return true;
  if (entry.type == DT_REG) return false;
  struct stat st;
  return ::fstatat(fd, entry.name.c_str(), &st, 0) == 0 && S_ISDIR(st.st_mode);
}

// Collects a root scan's nodes and hands them over in batches whose size
// doubles, so merging on the main thread stays linear overall.
class Batcher {
 public:
  explicit Batcher(std::function<void(std::shared_ptr<Batch>)> deliver) : deliver_(std::move(deliver)) {}
  void addFolder(FileNodePtr node) {
    batch_->folders.push_back(std::move(node));
    added();
  }
  void addFile(size_t listingIndex, FileNodePtr node) {
    files_.emplace_back(listingIndex, std::move(node));
    added();
  }
  void flush() {
    sortFiles(files_, batch_->files);
    deliver_(std::move(batch_));
    batch_ = std::make_shared<Batch>();
    inBatch_ = 0;
  }

 private:
  void added() {
    if (++inBatch_ < limit_) return;
    flush();
    limit_ *= 2;
  }
  std::function<void(std::shared_ptr<Batch>)> deliver_;
  std::shared_ptr<Batch> batch_ = std::make_shared<Batch>();
  std::vector<std::pair<size_t, FileNodePtr>> files_;
  size_t inBatch_ = 0;
  size_t limit_ = 1024;
};

// What a root scan's worker needs; the list and the delegate are reached only
// through `deliver` and `finish`, on the main thread.
struct RootScan {
  std::shared_ptr<ScanState> state;
  std::shared_ptr<FileSizeReader> reader;
  QString macRoot;
  std::function<void(std::shared_ptr<Batch>)> deliver;
  std::function<void()> finish;
};

void scanSingleFile(const RootScan& scan) {
  const QByteArray path = scan.macRoot.toUtf8();
  const QByteArray name = services::lastPathComponent(scan.macRoot).toUtf8();
  FileNodePtr node = FileNode::fromUtf8(path.constData(), uint32_t(path.size()), name.constData(),
                                        uint32_t(name.size()), false, nullptr, false);
  node->setSize(scan.reader->getOneFileSizeWithPath(scan.macRoot));
  auto batch = std::make_shared<Batch>();
  batch->files.push_back(std::move(node));
  scan.state->allFileCount = 1;
  scan.state->eumeFileCount = 1;
  scan.deliver(std::move(batch));
}

void scanFolder(const RootScan& scan, const QByteArray& hostRoot) {
  FolderListing listing;
  if (!listFolder(hostRoot, true, listing)) return;
  scan.state->allFileCount = int(listing.entries.size());
  const QByteArray macRoot = scan.macRoot.toUtf8();
  const QByteArray prefix = macRoot == "/" ? QByteArray("/") : macRoot + '/';
  QByteArray childPath;
  Batcher batcher(scan.deliver);
  for (size_t index = 0; index < listing.entries.size(); ++index) {
    if (scan.state->stale) break;  // nobody will see the rest
    const Entry& entry = listing.entries[index];
    childPath = prefix;
    childPath.append(entry.name.data(), qsizetype(entry.name.size()));
    const bool isFolder = isFolderEntry(listing.fd, entry);
    FileNodePtr node = FileNode::fromUtf8(childPath.constData(), uint32_t(childPath.size()), entry.name.data(),
                                          uint32_t(entry.name.size()), isFolder, nullptr, false);
    if (!isFolder)
      node->setSize(scan.reader->sizeOfEntry(listing.fd, entry.name.c_str(), QString::fromUtf8(childPath)));
    // Counted before the batch may go, so a delivered batch never runs ahead of the count.
    scan.state->eumeFileCount.fetch_add(1, std::memory_order_relaxed);
    if (isFolder)
      batcher.addFolder(std::move(node));
    else
      batcher.addFile(index, std::move(node));
  }
  batcher.flush();
}

void runRootScan(const RootScan& scan) {
  const QByteArray hostRoot = platform::hostPath(scan.macRoot).toUtf8();
  struct stat st;
  if (!scan.macRoot.isEmpty() && ::stat(hostRoot.constData(), &st) == 0) {
    if (S_ISDIR(st.st_mode))
      scanFolder(scan, hostRoot);
    else
      scanSingleFile(scan);
  }
  platform::gatePoint("EumeRoot.beforeEnd");
  scan.finish();
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

  // Everything that reaches the list or the delegate goes through the main
  // thread and is dropped once the scan is stale; `this` lives while it is not.
  RootScan scan;
  scan.state = state;
  scan.reader = treeOperator_;
  scan.macRoot = rootPath;
  scan.deliver = [state, list = rootNodeArr_](std::shared_ptr<Batch> batch) {
    platform::dispatchMain([state, list, batch] {
      if (!state->stale) mergeBatch(*list, *batch);
    });
  };
  scan.finish = [this, state] {
    platform::dispatchMain([this, state] {
      if (state->stale) return;
      state->finished = true;
      if (EumeRootDelegate* d = eumeDelegate_.get()) d->endScan();
    });
  };
  platform::dispatchGlobal([scan = std::move(scan)] { runRootScan(scan); });
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
    FolderListing listing;
    listFolder(host, false, listing);
    counts->allFileCount = int(listing.entries.size());
    FileNodeList& children = fatherNode->children();
    children.reserve(children.size() + qsizetype(listing.entries.size()));
    for (const Entry& entry : listing.entries) {
      const bool isFolder = isFolderEntry(listing.fd, entry);
      FileNodePtr node = FileNode::fromUtf8(nullptr, 0, entry.name.data(), uint32_t(entry.name.size()), isFolder,
                                            fatherNode, true);
      if (!isFolder) node->setSize(treeOperator_->sizeOfEntry(listing.fd, entry.name.c_str(), node->path()));
      node->setState(childState);
      children.append(std::move(node));
    }
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
  // A batch of one: the rule a scan's batches are merged by.
  Batch batch;
  (node->isDirectory() ? batch.folders : batch.files).push_back(node);
  mergeBatch(*rootNodeArr_, batch);
}

float EumeRoot::getProgress() const {
  if (!scan_) return 0.0f;
  const int all = scan_->allFileCount.load();
  if (all <= 0) return 0.0f;
  return float(scan_->eumeFileCount.load()) * 100.0f / float(all);
}

bool EumeRoot::isScanFinished() const { return scan_ && scan_->finished; }
