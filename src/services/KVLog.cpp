#include "services/KVLog.h"

#include "platform/Paths.h"

#include <QFile>

#include <cstdarg>
#include <ctime>
#include <fcntl.h>
#include <mutex>
#include <string>
#include <unistd.h>

namespace {

std::mutex g_mutex;
int g_fd = -1;

int openLocked() {
  if (g_fd >= 0) return 0;
  const QByteArray path = QFile::encodeName(platform::hostPath(KVLogPath()));
  g_fd = ::open(path.constData(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
  return g_fd >= 0 ? 0 : -1;
}

int writeLine(const std::string& message) {
  std::lock_guard lock(g_mutex);
  if (openLocked() != 0) return -1;
  char stamp[64];
  const time_t now = ::time(nullptr);
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

int KVLogText(const QString& message) { return writeLine(message.toStdString()); }
