#pragma once
// The task runner: one child process at a time, with a time-out of at least 60
// seconds and a stop request, blocking the calling worker thread.
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <mutex>
#include <sys/types.h>

class KVTask {
 public:
  // Time as the runner sees it; tests substitute one that does not wait.
  class Clock {
   public:
    virtual ~Clock() = default;
    virtual double now() = 0;                 // seconds, monotonic
    virtual void sleepFor(double seconds) = 0;
  };

  static KVTask* KVShareInstance();

  // Mac tool path ("/usr/sbin/diskutil"); a null text is ignored.
  void KVSetLaunchPath(const QString& path);
  void KVSetArguments(const QStringList& arguments);
  void KVSetTimeoutCount(double seconds);
  // Runs the program; returns when it ended, or after a time-out or stop
  // terminated it (SIGTERM, SIGKILL after a short grace) and it was reaped.
  // A program that cannot be started returns at once. Call on a worker thread.
  // `abandon`, asked once right before the launch, lets a caller's cancel that
  // raced the start keep the program from starting at all.
  void KVStartTask(const std::function<bool()>& abandon = {});
  void KVStopTask();  // any thread
  void KVTimerImp();  // the time-out's action

  // What the last run gave: exit status (-1 when it did not exit by itself or
  // could not start) and whether the time-out or a stop ended it.
  // Safe to read from any thread.
  int lastExitStatus() const { return lastExitStatus_.load(); }
  bool lastRunTimedOut() const { return lastTimedOut_.load(); }
  double timeoutCount() const {
    std::lock_guard lock(mutex_);
    return _dTimeoutCount;
  }

  void setClockForTesting(Clock* clock);  // nullptr: the real clock
  static constexpr double kMinimumTimeout = 60.0;
  static constexpr double kTerminateGrace = 3.0;

  KVTask() = default;  // tests may make their own runners

 private:
  // What one run takes from the settings, read under the lock at its start.
  struct Run {
    QString launchPath;
    QStringList arguments;
    double timeout = kMinimumTimeout;
    Clock* clock = nullptr;
  };
  Run setUpRun();
  bool abandonedBeforeLaunch(const std::function<bool()>& abandon) const;
  pid_t spawn(const Run& run) const;
  // true when the child ended by itself (its status in `status`), false when the
  // time-out or a stop came first.
  bool waitOrDeadline(pid_t pid, const Run& run, int* status);
  void stopAndReap(pid_t pid);
  void finishRun(int status, bool timedOut);

  mutable std::mutex mutex_;
  QString _strLaunchPath;
  QStringList _arrArguments;
  std::atomic<bool> _bTimerOut{false};
  double _dTimeoutCount = 60.0;
  Clock* clock_ = nullptr;
  std::atomic<int> lastExitStatus_{-1};
  std::atomic<bool> lastTimedOut_{false};
};
