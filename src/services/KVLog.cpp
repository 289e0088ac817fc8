#include "services/KVLog.h"

#include "platform/Paths.h"

#include <QFile>

#include <cstdarg>
#include <ctime>
#include <fcntl.h>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::mutex g_mutex;
int g_fd = -1;
KVLogClock g_clock;  // guarded by g_mutex

// Anyone may put something at the path in "/tmp" before us: a named pipe would
// block an open for writing (on the main thread, with every later line waiting
// behind the lock), another user's file would be appended to by root, and a hard
// link would make root append to whatever file it names. So the open never waits
// and never follows a link, and only a regular file of our own user with no other
// name is kept; anything else means no log, at once.
int openLocked() {
  if (g_fd >= 0) return 0;
  const QByteArray path = QFile::encodeName(platform::hostPath(KVLogPath()));
  const int fd =
      ::open(path.constData(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
  if (fd < 0) return -1;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid() || st.st_nlink != 1) {
    ::close(fd);
    return -1;
  }
  g_fd = fd;
  return 0;
}

int writeLine(const std::string& message) {
  std::lock_guard lock(g_mutex);
  if (openLocked() != 0) return -1;
  char stamp[128];
  const time_t now = g_clock ? time_t(g_clock().toSecsSinceEpoch()) : ::time(nullptr);
  tm local{};
  ::localtime_r(&now, &local);
  ::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S  ", &local);
  std::string line = stamp;
  line += message;
  line += '\n';
  // One write per line: O_APPEND keeps even other processes' lines whole.
  const char* p = line.data();
  size_t left = line.size();
  while (left > 0) {
    const ssize_t n = ::write(g_fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    p += n;
    left -= size_t(n);
  }
  return 0;
}

}  // namespace

QString KVLogPath() { return QStringLiteral("/tmp/OstrelBootableDataRecovery.txt"); }

void KVSetLogClock(KVLogClock clock) {
  std::lock_guard lock(g_mutex);
  g_clock = std::move(clock);
}

int KVInitLog() {
  std::lock_guard lock(g_mutex);
  return openLocked();
}

int KVUninitLog() {
  std::lock_guard lock(g_mutex);
  if (g_fd >= 0) ::close(g_fd);
  g_fd = -1;
  return 0;
}

int KVLog(const char* format, ...) {
  if (!format) {
    // Opened all the same, as a call with a message would be.
    std::lock_guard lock(g_mutex);
    openLocked();
    return -1;
  }
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  const int n = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string message(n > 0 ? size_t(n) : 0, '\0');
  if (n > 0) std::vsnprintf(message.data(), message.size() + 1, format, args);
  va_end(args);
  return writeLine(message);
}
