#include "services/GetFilesSize.h"
#include "services/PathRules.h"

#include <QDir>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Gate.h"
#include "platform/Paths.h"
#include "platform/Queue.h"
#include "services/KVPublicUtilities.h"
#include "platform/SystemLog.h"

namespace {

// Sum of the data sizes below the open folder `fd` (which it closes). Folders
// are entered through their descriptors, so no path is built or resolved again.
quint64 folderSize(int fd) {
  DIR* dir = ::fdopendir(fd);
  if (!dir) {
    ::close(fd);
    return 0;
  }
  quint64 sum = 0;
  while (struct dirent* e = ::readdir(dir)) {
    const char* name = e->d_name;
    if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) continue;
    if (e->d_type == DT_DIR) {
      const int child = ::openat(fd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      if (child >= 0) sum += folderSize(child);
      continue;
    }
    struct stat st;
    if (::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (S_ISDIR(st.st_mode)) {
      const int child = ::openat(fd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      if (child >= 0) sum += folderSize(child);
    } else {
      sum += quint64(st.st_size);
    }
  }
  ::closedir(dir);
  return sum;
}

}  // namespace

std::shared_ptr<GetFilesSize> GetFilesSize::create() {
  struct Made : GetFilesSize {};
  return std::make_shared<Made>();
}

quint64 GetFilesSize::getFileSizeWithPat(const QString& path, quint64 totalSize) {
  // "/Volumes" and "/System/Volumes" hold the other volumes' mount points, which
  // a copy never copies; counting them would refuse a startup-volume selection
  // for bytes that are not part of it. The folders above them are walked by
  // name, so the rule holds at any depth of the call.
  if (services::holdsOtherVolumes(path)) return totalSize;
  const QString clean = QDir::cleanPath(path);
  if (clean == QLatin1String("/") || clean == QLatin1String("/System")) {
    const QDir dir(platform::hostPath(clean));
    if (!dir.exists()) return totalSize;
    quint64 sum = totalSize;
    for (const QString& name :
         dir.entryList(services::kEveryEntry, QDir::Unsorted))
      sum = getFileSizeWithPat(FileNode::childPath(clean, name), sum);
    return sum;
  }
  const QByteArray host = platform::hostPath(path).toUtf8();
  struct stat st;
  if (::lstat(host.constData(), &st) != 0) return totalSize;
  if (!S_ISDIR(st.st_mode)) return totalSize + quint64(st.st_size);
  const int fd = ::open(host.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return totalSize;
  return totalSize + folderSize(fd);
}

void GetFilesSize::addNodes(const FileNodeList& arr) {
  for (const FileNodePtr& node : arr) {
    if (!node) continue;
    if (node->state() == FileNode::Selected) {
      allFileSize_ += node->isDirectory() ? getFileSizeWithPat(node->path(), 0) : node->size();
    } else if (node->state() == FileNode::PartlySelected) {
      addNodes(node->children());
    }
  }
}

void GetFilesSize::getAllFilesSizeWithArr(const FileNodeList& arr) {
  allFileSize_ = 0;
  std::shared_ptr<GetFilesSize> self = shared_from_this();
  platform::dispatchGlobal([self, arr] {
    self->addNodes(arr);
    platform::gatePoint("GetFilesSize.beforeReport");  // tests hold a total here
    const quint64 total = self->allFileSize_;
    SystemLog("---%llu | %s", static_cast<unsigned long long>(total),
              qUtf8Printable(KVPublicUtilities::longlongDiskSize(qint64(total))));
    DelegateRef<GetFilesSizeDelegate> receiver;
    {
      std::lock_guard lock(self->delegateMutex_);
      receiver = self->delegate_;
    }
    receiver.call([total](GetFilesSizeDelegate* d) { d->allCopyFilesSize(qint64(total)); });
  });
}
