#include "services/KVTask.h"

#include "platform/Paths.h"
#include "platform/Process.h"
#include "platform/SystemLog.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QThread>

#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>


namespace {

class RealClock : public KVTask::Clock {
 public:
  RealClock() { timer_.start(); }
  double now() override { return timer_.nsecsElapsed() / 1e9; }
  void sleepFor(double seconds) override { QThread::usleep(static_cast<unsigned long>(seconds * 1e6)); }

 private:
  QElapsedTimer timer_;
};

RealClock& realClock() {
  static RealClock* clock = new RealClock;
  return *clock;
}

// Exit status once the child has ended (reaped), or nothing while it runs.
bool reapIfEnded(pid_t pid, int* status) {
  int st = 0;
  const pid_t r = ::waitpid(pid, &st, WNOHANG);
  if (r == pid) {
    *status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return true;
  }
  if (r < 0 && errno != EINTR) {
    *status = -1;
    return true;
  }
  return false;
}

}  // namespace

KVTask* KVTask::KVShareInstance() {
  static KVTask* task = new KVTask;
  return task;
}

void KVTask::KVSetLaunchPath(const QString& path) {
  if (path.isNull()) return;
  std::lock_guard lock(mutex_);
  _strLaunchPath = path;
}

void KVTask::KVSetArguments(const QStringList& arguments) {
  std::lock_guard lock(mutex_);
  _arrArguments = arguments;
}

void KVTask::KVSetTimeoutCount(double seconds) {
  std::lock_guard lock(mutex_);
  _dTimeoutCount = seconds;
}

void KVTask::setClockForTesting(Clock* clock) {
  std::lock_guard lock(mutex_);
  clock_ = clock;
}

void KVTask::KVTimerImp() {
  _bTimerOut = true;
  SystemLog("task timeout");
}

void KVTask::KVStopTask() { _bTimerOut = true; }

KVTask::Run KVTask::setUpRun() {
  std::lock_guard lock(mutex_);
  _bTimerOut = false;
  if (_dTimeoutCount < kMinimumTimeout) _dTimeoutCount = kMinimumTimeout;
  lastExitStatus_ = -1;
  lastTimedOut_ = false;
  return Run{_strLaunchPath, _arrArguments, _dTimeoutCount, clock_ ? clock_ : &realClock()};
}

// A cancel that raced the start keeps the program from starting at all.
bool KVTask::abandonedBeforeLaunch(const std::function<bool()>& abandon) const {
  return (abandon && abandon()) || _bTimerOut;
}

// The child's pid, 0 when it cannot be started.
pid_t KVTask::spawn(const Run& run) const {
  if (run.launchPath.isEmpty()) return 0;
  const QString program = platform::toolPath(run.launchPath);
  platform::CStringArray argv(QStringList{program} + run.arguments);
  platform::CStringArray envp = platform::toolEnvironmentBlock();
  pid_t pid = 0;
  if (posix_spawn(&pid, program.toLocal8Bit().constData(), nullptr, nullptr, argv.data(), envp.data()) != 0)
    return 0;
  return pid;
}

// The worker keeps the time itself, so the time-out strikes even while the
// main loop is busy.
bool KVTask::waitOrDeadline(pid_t pid, const Run& run, int* status) {
  const double deadline = run.clock->now() + run.timeout;
  bool ended = reapIfEnded(pid, status);
  while (!ended && !_bTimerOut) {
    run.clock->sleepFor(1.0);
    ended = reapIfEnded(pid, status);
    if (!ended && run.clock->now() >= deadline) KVTimerImp();
  }
  return ended;
}

// SIGTERM, then SIGKILL after a grace; the child is reaped either way.
void KVTask::stopAndReap(pid_t pid) {
  ::kill(pid, SIGTERM);
  QElapsedTimer grace;
  grace.start();
  int status = 0;
  while (!reapIfEnded(pid, &status)) {
    if (grace.elapsed() >= kTerminateGrace * 1000) {
      ::kill(pid, SIGKILL);
      int st = 0;
      while (::waitpid(pid, &st, 0) < 0 && errno == EINTR) {
      }
      return;
    }
    QThread::msleep(20);
  }
}

void KVTask::finishRun(int status, bool timedOut) {
  lastExitStatus_ = status;
  lastTimedOut_ = timedOut;
  SystemLog("KVStartTask return");
}

void KVTask::KVStartTask(const std::function<bool()>& abandon) {
  const Run run = setUpRun();
  if (abandonedBeforeLaunch(abandon)) return finishRun(-1, true);
  const pid_t pid = spawn(run);
  if (pid == 0) return finishRun(-1, false);
  int status = -1;
  if (waitOrDeadline(pid, run, &status)) return finishRun(status, false);
  stopAndReap(pid);
  finishRun(-1, true);
}
