#include "services/Settings.h"
#include "services/PathRules.h"

#include "platform/Bundle.h"
#include "platform/Paths.h"
#include "platform/SystemInfo.h"
#include "platform/plist/PropertyList.h"

#include <QFile>
#include <QStringList>
#include <mutex>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::mutex g_userMutex;
QString g_user;
bool g_userKnown = false;

constexpr const char* kUserFileName = "PrivateData.plist";

// Opens every folder of `relative` below the already trusted folder `baseFd`
// (creating missing ones when asked), never following a symbolic link: a link
// planted by the user in place of a folder makes the walk fail instead of
// leading root elsewhere. Returns the last folder's descriptor or -1.
int openFolderChain(int baseFd, const QStringList& relative, bool create) {
  int fd = ::dup(baseFd);
  for (const QString& part : relative) {
    if (fd < 0) return -1;
    const QByteArray name = QFile::encodeName(part);
    int next = ::openat(fd, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (next < 0 && errno == ENOENT && create) {
      ::mkdirat(fd, name.constData(), 0755);
      next = ::openat(fd, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    }
    ::close(fd);
    fd = next;
  }
  return fd;
}

// The folder of the per-user settings file, walked down from "/Users" (the
// system's, trusted).
int openUserSettingsFolder(bool create) {
  const QString user = QVGetCurrentUserName();
  if (user.isEmpty() || user.contains('/') || services::isDotOrDotDot(user)) return -1;
  const QByteArray users = QFile::encodeName(platform::hostPath("/Users"));
  const int usersFd = ::open(users.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (usersFd < 0) return -1;
  const int dirFd =
      openFolderChain(usersFd, {user, "Library", "Application Support", GetCompanyName()}, create);
  ::close(usersFd);
  return dirFd;
}

// A regular file's descriptor (never a link, a FIFO or a device), or -1.
int openRegularAt(int dirFd, const char* name, int flags) {
  const int fd = ::openat(dirFd, name, flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// The settings files are read for every font and many texts (hundreds of times
// while the window is built). A file is parsed again only when it is another
// file (our writes replace it by a rename) or its size or time changed.
struct FileStamp {
  QString where;
  dev_t dev = 0;
  ino_t ino = 0;
  off_t size = 0;
  timespec mtime{};
  bool operator==(const FileStamp& o) const {
    return where == o.where && dev == o.dev && ino == o.ino && size == o.size && mtime.tv_sec == o.mtime.tv_sec &&
           mtime.tv_nsec == o.mtime.tv_nsec;
  }
};

FileStamp stampOf(const QString& where, const struct stat& st) {
  return FileStamp{where, st.st_dev, st.st_ino, st.st_size, st.st_mtim};
}

class DictionaryCache {
 public:
  template <class Read>
  std::optional<QVariantMap> get(const FileStamp& stamp, Read&& read) {
    std::lock_guard lock(mutex_);
    if (!stamp_ || !(*stamp_ == stamp)) {
      value_ = read();
      stamp_ = stamp;
    }
    return value_;
  }

  // The value read for exactly this file, if any.
  std::optional<std::optional<QVariantMap>> ifSame(const FileStamp& stamp) {
    std::lock_guard lock(mutex_);
    if (stamp_ && *stamp_ == stamp) return value_;
    return std::nullopt;
  }

 private:
  std::mutex mutex_;
  std::optional<FileStamp> stamp_;
  std::optional<QVariantMap> value_;
};

std::optional<QByteArray> readAt(int dirFd, const char* name) {
  const int fd = openRegularAt(dirFd, name, O_RDONLY);
  if (fd < 0) return std::nullopt;
  QFile f;
  std::optional<QByteArray> data;
  if (f.open(fd, QIODevice::ReadOnly)) data = f.readAll();
  f.close();
  ::close(fd);
  return data;
}

// Replaces `name` in `dirFd` with `data` in one step (a new file renamed over
// it), so a reader never sees half a file and a link in its place is replaced,
// not followed.
bool replaceAt(int dirFd, const char* name, const QByteArray& data, mode_t mode) {
  const QByteArray temp = QByteArray(".") + name + "." + QByteArray::number(::getpid()) + ".new";
  ::unlinkat(dirFd, temp.constData(), 0);
  const int fd = ::openat(dirFd, temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  bool ok = true;
  for (qsizetype done = 0; ok && done < data.size();) {
    const ssize_t n = ::write(fd, data.constData() + done, size_t(data.size() - done));
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    done += ok ? n : 0;
  }
  ok = ::fchmod(fd, mode) == 0 && ok;
  ::close(fd);
  if (!ok || ::renameat(dirFd, temp.constData(), dirFd, name) != 0) {
    ::unlinkat(dirFd, temp.constData(), 0);
    return false;
  }
  return true;
}

}  // namespace

QString bundleSettingsPath() {
  return platform::Bundle::mainBundle().resourcePath() + "/PrivateData.plist";
}

QVariantMap bundleSettings() {
  static DictionaryCache cache;
  const QString path = bundleSettingsPath();
  struct stat st;
  if (::stat(QFile::encodeName(path).constData(), &st) != 0) return {};
  return cache.get(stampOf(path, st), [&] { return plist::readDictionary(path); }).value_or(QVariantMap());
}

bool writeBundleSettingsValue(const QString& key, const QVariant& value) {
  auto settings = plist::readDictionary(bundleSettingsPath());
  if (!settings) return false;  // an unreadable file is not replaced by a near-empty one
  settings->insert(key, value);
  return plist::writeFile(bundleSettingsPath(), *settings);
}

QString GetCompanyName() {
  const QString name = bundleSettings().value("CompanyName").toString();
  return name.isEmpty() ? QStringLiteral("QuorvanClone") : name;
}

QString QVGetCurrentUserName() {
  std::lock_guard lock(g_userMutex);
  if (!g_userKnown) {
    g_user = platform::consoleUserName();
    if (g_user.isEmpty()) g_user = platform::processUserName();
    g_userKnown = true;
  }
  return g_user;
}

QString QVGetInfoPlistPath() {
  return QString("/Users/%1/Library/Application Support/%2/PrivateData.plist")
      .arg(QVGetCurrentUserName(), GetCompanyName());
}

void QVCopyInfoPlistPath() {
  const QVariantMap bundleDict = bundleSettings();
  const int dirFd = openUserSettingsFolder(true);
  if (dirFd < 0) return;

  struct stat st;
  if (::fstatat(dirFd, kUserFileName, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode)) {
    const QVariantMap userDict =
        plist::dictionaryFromData(readAt(dirFd, kUserFileName).value_or(QByteArray())).value_or(QVariantMap());
    bool keep = userDict.value("VersionCheck").toLongLong() >= bundleDict.value("VersionCheck").toLongLong();
    if (!keep) {
      const QVariant a = userDict.value("CopyInfoVersion"), b = bundleDict.value("CopyInfoVersion");
      keep = (!a.isValid() && !b.isValid()) || (a.isValid() && b.isValid() && a.toString() == b.toString());
    }
    if (keep) {
      ::close(dirFd);
      return;
    }
  }
  // A symbolic link or anything but a file in its place is replaced, never followed.
  QFile source(bundleSettingsPath());
  if (source.open(QIODevice::ReadOnly)) replaceAt(dirFd, kUserFileName, source.readAll(), 0777);

  // The file and its folder are world-writable, as the user's own process writes
  // them too. Only a file of this folder alone: a hard link planted in its place
  // (when the copy failed) must not hand root's file to the user.
  const int fileFd = openRegularAt(dirFd, kUserFileName, O_RDONLY);
  if (fileFd >= 0) {
    if (::fstat(fileFd, &st) == 0 && st.st_nlink == 1) ::fchmod(fileFd, 0777);
    ::close(fileFd);
  }
  ::fchmod(dirFd, 0777);
  ::close(dirFd);
}

std::optional<QVariantMap> readUserSettings() {
  static DictionaryCache cache;
  const QString user = QVGetCurrentUserName();
  const QString users = platform::hostPath("/Users");
  // Unchanged since the last read (the common case): one stat by name instead
  // of the walk. The stamp only says whether to read again; every read walks
  // the folders without following links.
  {
    const QString byName = platform::hostPath(QVGetInfoPlistPath());
    struct stat st;
    if (::lstat(QFile::encodeName(byName).constData(), &st) == 0 && S_ISREG(st.st_mode))
      if (auto same = cache.ifSame(stampOf(users + '/' + user, st))) return *same;
  }
  const int dirFd = openUserSettingsFolder(false);
  if (dirFd < 0) return std::nullopt;
  std::optional<QVariantMap> settings;
  struct stat st;
  if (::fstatat(dirFd, kUserFileName, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode)) {
    settings = cache.get(stampOf(users + '/' + user, st), [&] {
      const auto data = readAt(dirFd, kUserFileName);
      return data ? plist::dictionaryFromData(*data) : std::nullopt;
    });
  }
  ::close(dirFd);
  return settings;
}

bool writeUserSettings(const QVariantMap& settings) {
  const int dirFd = openUserSettingsFolder(false);
  if (dirFd < 0) return false;
  // Keeps the mode the install gave it (world-writable).
  struct stat st;
  const bool ok = ::fstatat(dirFd, kUserFileName, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) &&
                  replaceAt(dirFd, kUserFileName, plist::toXml(settings), st.st_mode & 07777);
  ::close(dirFd);
  return ok;
}

void resetSettingsForTesting() {
  std::lock_guard lock(g_userMutex);
  g_userKnown = false;
  g_user.clear();
}
