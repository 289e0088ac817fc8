#pragma once
#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <sys/types.h>
#include <vector>

namespace platform {

// Sets up `process` to run the Mac tool `macTool` with `args` (Mac paths; the
// world's stand-ins map them) in toolEnvironment().
void prepareProcess(QProcess& process, const QString& macTool, const QStringList& args);

// A NULL-terminated array of C strings that owns its bytes, for exec-style calls.
class CStringArray {
 public:
  explicit CStringArray(const QStringList& items);
  CStringArray(const CStringArray&) = delete;
  CStringArray& operator=(const CStringArray&) = delete;
  char** data() { return pointers_.data(); }

 private:
  std::vector<QByteArray> bytes_;
  std::vector<char*> pointers_;
};

// toolEnvironment() as an environment block.
CStringArray toolEnvironmentBlock();

// A child started by spawnTool: its pid (0 when it could not start) and the read
// end of its standard output. The caller closes the descriptor and reaps the
// child with waitForExit().
struct SpawnedTool {
  pid_t pid = 0;
  int stdoutFd = -1;
};

// Starts the Mac tool `macTool` in toolEnvironment(), without the set-up of a
// QProcess, in a process group of its own (so it and its children can be stopped
// together), its standard output on a pipe; standard input and error are
// shared. A tool that cannot be run ends with status 127.
SpawnedTool spawnTool(const QString& macTool, const QStringList& args);

// Waits for `pid` to end: its exit code, or -1 when a signal ended it.
int waitForExit(pid_t pid);

}  // namespace platform
