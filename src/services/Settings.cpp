#include "services/Settings.h"

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

// Opens (creating when missing) every folder of `relative` below the already
// trusted folder `baseFd`, never following a symbolic link: a link planted by
// the user in place of a folder makes the walk fail instead of leading root
// elsewhere. Returns the last folder's descriptor or -1.
int openFolderChain(int baseFd, const QStringList& relative) {
  int fd = ::dup(baseFd);
  for (const QString& part : relative) {
    if (fd < 0) return -1;
    const QByteArray name = QFile::encodeName(part);
    int next = ::openat(fd, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (next < 0 && errno == ENOENT) {
      ::mkdirat(fd, name.constData(), 0755);
      next = ::openat(fd, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    }
    ::close(fd);
    fd = next;
  }
  return fd;
}

QByteArray readAt(int dirFd, const char* name) {
  const int fd = ::openat(dirFd, name, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return {};
  struct stat st;
  QByteArray data;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    QFile f;
    if (f.open(fd, QIODevice::ReadOnly)) data = f.readAll();
  }
  ::close(fd);
  return data;
}

}  // namespace

QString bundleSettingsPath() {
  return platform::Bundle::mainBundle().resourcePath() + "/PrivateData.plist";
}

QVariantMap bundleSettings() {
  return plist::readDictionary(bundleSettingsPath()).value_or(QVariantMap());
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
  const QString bundleFile = bundleSettingsPath();
  const QVariantMap bundleDict = bundleSettings();
  const QString user = QVGetCurrentUserName();
  if (user.isEmpty() || user.contains('/') || user == "." || user == "..") return;

  // Walk from "/Users" (the system's, trusted) down to the company folder.
  const QByteArray users = QFile::encodeName(platform::hostPath("/Users"));
  const int usersFd = ::open(users.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (usersFd < 0) return;
  const int dirFd = openFolderChain(usersFd, {user, "Library", "Application Support", GetCompanyName()});
  ::close(usersFd);
  if (dirFd < 0) return;

  struct stat st;
  if (::fstatat(dirFd, "PrivateData.plist", &st, AT_SYMLINK_NOFOLLOW) == 0) {
    bool keep = false;
    if (S_ISREG(st.st_mode)) {
      const QVariantMap userDict = plist::dictionaryFromData(readAt(dirFd, "PrivateData.plist")).value_or(QVariantMap());
      if (userDict.value("VersionCheck").toLongLong() >= bundleDict.value("VersionCheck").toLongLong()) {
        keep = true;
      } else {
        const QVariant a = userDict.value("CopyInfoVersion"), b = bundleDict.value("CopyInfoVersion");
        keep = (!a.isValid() && !b.isValid()) || (a.isValid() && b.isValid() && a.toString() == b.toString());
      }
    }
    // A symbolic link or anything but a file in its place is replaced, never followed.
    if (keep) {
      ::close(dirFd);
      return;
    }
  }

  QFile source(bundleFile);
  if (source.open(QIODevice::ReadOnly)) {
    const QByteArray data = source.readAll();
    const char* temp = ".PrivateData.plist.new";
    ::unlinkat(dirFd, temp, 0);
    const int fd = ::openat(dirFd, temp, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd >= 0) {
      const bool ok = ::write(fd, data.constData(), size_t(data.size())) == data.size();
      ::fchmod(fd, 0777);
      ::close(fd);
      if (!ok || ::renameat(dirFd, temp, dirFd, "PrivateData.plist") != 0) ::unlinkat(dirFd, temp, 0);
    }
  }
  // The file and its folder are world-writable, as the user's own process writes them too.
  const int fileFd = ::openat(dirFd, "PrivateData.plist", O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fileFd >= 0) {
    ::fchmod(fileFd, 0777);
    ::close(fileFd);
  }
  ::fchmod(dirFd, 0777);
  ::close(dirFd);
}

void resetSettingsForTesting() {
  std::lock_guard lock(g_userMutex);
  g_userKnown = false;
  g_user.clear();
}
