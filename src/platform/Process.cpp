#include "platform/Process.h"

#include "platform/Paths.h"

#include <cerrno>
#include <fcntl.h>
#include <spawn.h>
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

SpawnedTool spawnTool(const QString& macTool, const QStringList& args, bool ownGroup, bool pipeStdout) {
  SpawnedTool child;
  const QString program = toolPath(macTool);
  CStringArray argv(QStringList{program} + args);
  CStringArray envp = toolEnvironmentBlock();

  // Close-on-exec on both ends, so children that other threads start meanwhile
  // never inherit the pipe and keep it open; dup2 clears the flag for the child.
  int fds[2] = {-1, -1};
  if (pipeStdout && ::pipe2(fds, O_CLOEXEC) != 0) return child;

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (pipeStdout) posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  if (ownGroup) {
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attr, 0);
  }
  pid_t pid = 0;
  const QByteArray path = program.toLocal8Bit();
  const int rc = ::posix_spawn(&pid, path.constData(), &actions, &attr, argv.data(), envp.data());
  posix_spawnattr_destroy(&attr);
  posix_spawn_file_actions_destroy(&actions);
  if (pipeStdout) ::close(fds[1]);
  if (rc != 0) {
    if (pipeStdout) ::close(fds[0]);
    return child;
  }
  child.pid = pid;
  child.stdoutFd = pipeStdout ? fds[0] : -1;
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
