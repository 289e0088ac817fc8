#include "platform/Shell.h"

#include "platform/Paths.h"
#include "platform/Process.h"

#include <QFile>
#include <QProcess>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

extern char** environ;

namespace platform {

QString shellQuote(const QString& value) {
  QString out;
  out.reserve(value.size() + 2);
  out += '\'';
  for (QChar c : value) {
    if (c == '\'')
      out += "'\\''";
    else
      out += c;
  }
  out += '\'';
  return out;
}

QString shellLine(const QString& macTool, const QStringList& args) {
  QString line = shellQuote(toolPath(macTool));
  for (const QString& a : args) {
    line += ' ';
    line += shellQuote(a);
  }
  return line;
}

int runShell(const QString& line, const QString& stdoutHostPath) {
  // posix_spawn instead of system(): no fixed buffer, our own environment, and
  // the output file is opened here without following a symbolic link.
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  int outFd = -1;
  if (!stdoutHostPath.isEmpty()) {
    outFd = ::open(QFile::encodeName(stdoutHostPath).constData(),
                   O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (outFd < 0) {
      posix_spawn_file_actions_destroy(&actions);
      return -1;
    }
    posix_spawn_file_actions_adddup2(&actions, outFd, STDOUT_FILENO);
  }
  const QByteArray lineBytes = line.toUtf8();
  const char* argv[] = {"/bin/sh", "-c", lineBytes.constData(), nullptr};

  CStringArray envp = toolEnvironmentBlock();

  pid_t pid = 0;
  const int rc = posix_spawn(&pid, "/bin/sh", &actions, nullptr, const_cast<char**>(argv), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (outFd >= 0) ::close(outFd);
  if (rc != 0) return -1;
  return waitForExit(pid);
}

}  // namespace platform
