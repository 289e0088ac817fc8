#include "platform/Process.h"

#include "platform/Paths.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace platform {

void prepareProcess(QProcess& process, const QString& macTool, const QStringList& args) {
  process.setProgram(toolPath(macTool));
  process.setArguments(args);
  process.setProcessEnvironment(toolEnvironment());
}

CStringArray::CStringArray(const QStringList& items) {
  bytes_.reserve(size_t(items.size()));
  for (const QString& s : items) bytes_.push_back(s.toLocal8Bit());
  pointers_.reserve(bytes_.size() + 1);
  for (QByteArray& b : bytes_) pointers_.push_back(b.data());
  pointers_.push_back(nullptr);
}

CStringArray toolEnvironmentBlock() { return CStringArray(toolEnvironment().toStringList()); }

SpawnedTool spawnTool(const QString& macTool, const QStringList& args) {
  SpawnedTool child;
  const QByteArray path = toolPath(macTool).toLocal8Bit();
  CStringArray argv(QStringList{QString::fromLocal8Bit(path)} + args);
  CStringArray envp = toolEnvironmentBlock();

  // Close-on-exec on both ends, so children that other threads start meanwhile
  // never inherit the pipe and keep it open; dup2 clears the flag for the child.
  int fds[2] = {-1, -1};
  if (::pipe2(fds, O_CLOEXEC) != 0) return child;

  // A plain fork, not posix_spawn's vfork: measured over many rsync runs (the
  // copy starts one per item), a tool started with vfork semantics from a worker
  // thread ran some 3 ms slower per run. Everything is prepared before the fork;
  // the child makes only async-signal-safe calls.
  char** const av = argv.data();
  char** const ev = envp.data();
  const char* const file = path.constData();
  const int writeEnd = fds[1];
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::setpgid(0, 0);
    ::dup2(writeEnd, STDOUT_FILENO);
    ::execve(file, av, ev);
    ::_exit(127);
  }
  ::close(writeEnd);
  if (pid < 0) {
    ::close(fds[0]);
    return child;
  }
  // Also from this side, so a stop sent right away already reaches the group.
  ::setpgid(pid, pid);
  child.pid = pid;
  child.stdoutFd = fds[0];
  return child;
}

int waitForExit(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace platform
