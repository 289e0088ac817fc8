#include "services/KVTask.h"

#include "platform/Paths.h"
#include "platform/Process.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QThread>
#include <QDebug>

#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

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
  qInfo("task timeout");
}

void KVTask::KVStopTask() { _bTimerOut = true; }

void KVTask::KVStartTask(const std::function<bool()>& abandon) {
  QString launchPath;
  QStringList arguments;
  Clock* clock;
  double timeout;
  {
    std::lock_guard lock(mutex_);
    _bTimerOut = false;
    if (_dTimeoutCount < kMinimumTimeout) _dTimeoutCount = kMinimumTimeout;
    timeout = _dTimeoutCount;
    launchPath = _strLaunchPath;
    arguments = _arrArguments;
    clock = clock_ ? clock_ : &realClock();
  }
  lastExitStatus_ = -1;
  lastTimedOut_ = false;

  const QString program = platform::toolPath(launchPath);
  platform::CStringArray argv(QStringList{program} + arguments);
  platform::CStringArray envp = platform::toolEnvironmentBlock();

  pid_t pid = 0;
  if ((abandon && abandon()) || _bTimerOut) {  // stopped while it was being set up
    lastTimedOut_ = true;
    qInfo("KVStartTask return");
    return;
  }
  if (launchPath.isEmpty() ||
      posix_spawn(&pid, program.toLocal8Bit().constData(), nullptr, nullptr, argv.data(), envp.data()) != 0) {
    qInfo("KVStartTask return");
    return;
  }

  // The worker keeps the time itself, so the time-out strikes even while the
  // main loop is busy.
  const double deadline = clock->now() + timeout;
  int status = -1;
  bool ended = reapIfEnded(pid, &status);
  while (!ended && !_bTimerOut) {
    clock->sleepFor(1.0);
    ended = reapIfEnded(pid, &status);
    if (!ended && clock->now() >= deadline) KVTimerImp();
  }
  if (!ended) {
    lastTimedOut_ = true;
    ::kill(pid, SIGTERM);
    QElapsedTimer grace;
    grace.start();
    while (!(ended = reapIfEnded(pid, &status)) && grace.elapsed() < kTerminateGrace * 1000)
      QThread::msleep(20);
    if (!ended) {
      ::kill(pid, SIGKILL);
      int st = 0;
      while (::waitpid(pid, &st, 0) < 0 && errno == EINTR) {
      }
    }
    status = -1;
  }
  lastExitStatus_ = status;
  qInfo("KVStartTask return");
}
