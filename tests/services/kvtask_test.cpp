#include "services/KVTask.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <thread>

namespace {

// Virtual time: every sleep of the runner advances it at once (once the child
// is `ready`, so that it is set up before time runs out).
class FakeClock : public KVTask::Clock {
 public:
  double now() override { return t_; }
  void sleepFor(double s) override {
    for (int i = 0; ready && !ready() && i < 500; ++i) QThread::msleep(10);
    t_ = t_ + s;
    QThread::usleep(500);
  }
  std::atomic<double> t_{0};
  std::function<bool()> ready;
};

void setUp(KVTask& task, const QString& script, double timeout) {
  task.KVSetLaunchPath("/bin/sh");
  task.KVSetArguments({"-c", script});
  task.KVSetTimeoutCount(timeout);
}

// A child that writes its process id once it is set up, so a test can stop it
// at the right moment and check afterwards that it was reaped.
class PidFile {
 public:
  QString path() const { return dir_.filePath("pid"); }
  QString script(const QString& setup) const {
    return setup + "; echo $$ > '" + path() + "'; while :; do sleep 0.1; done";
  }
  qint64 pid() const {
    QFile f(path());
    return f.open(QIODevice::ReadOnly) ? f.readAll().trimmed().toLongLong() : 0;
  }
  bool waitForChild() const {
    for (int i = 0; i < 500 && pid() <= 0; ++i) QThread::msleep(10);
    return pid() > 0;
  }
  // Gone for good: a child that was only signalled, not waited for, stays a
  // zombie that still answers kill(pid, 0).
  bool reaped() const { return ::kill(pid_t(pid()), 0) == -1 && errno == ESRCH; }

 private:
  QTemporaryDir dir_;
};

}  // namespace

TEST(KVTask, TimeoutHasAFloorOfSixtySeconds) {
  struct Case {
    double asked, effective;
  };
  for (const Case c : {Case{0, 60}, Case{10, 60}, Case{59.9, 60}, Case{600, 600}}) {
    KVTask task;
    FakeClock clock;
    task.setClockForTesting(&clock);
    PidFile child;
    clock.ready = [&] { return child.pid() > 0; };
    setUp(task, child.script("true"), c.asked);
    task.KVStartTask();
    EXPECT_DOUBLE_EQ(task.timeoutCount(), c.effective);
    EXPECT_TRUE(task.lastRunTimedOut());
    EXPECT_TRUE(child.reaped()) << c.asked;
    // Terminated at the first check at or after the time-out.
    EXPECT_GE(clock.t_.load(), c.effective);
    EXPECT_LT(clock.t_.load(), c.effective + 1.01);
  }
}

TEST(KVTask, ChildThatEndsByItselfGivesItsStatus) {
  KVTask task;
  setUp(task, "exit 3", 60);
  task.KVStopTask();  // a stop while idle has no effect on the next run
  task.KVStartTask();
  EXPECT_EQ(task.lastExitStatus(), 3);
  EXPECT_FALSE(task.lastRunTimedOut());
}

TEST(KVTask, StopTerminatesAndReapsTheChild) {
  // The second child ignores SIGTERM: it is killed after the grace.
  struct Case {
    const char* what;
    QString setup;
    double atMostSeconds;
  };
  for (const Case& c : {Case{"ends on SIGTERM", "true", 3},
                        Case{"ignores SIGTERM", "trap '' TERM", KVTask::kTerminateGrace + 3}}) {
    KVTask task;
    PidFile child;
    setUp(task, child.script(c.setup), 600);
    QElapsedTimer timer;
    timer.start();
    std::thread stopper([&] {
      child.waitForChild();
      task.KVStopTask();
    });
    task.KVStartTask();
    stopper.join();
    EXPECT_TRUE(task.lastRunTimedOut()) << c.what;
    EXPECT_EQ(task.lastExitStatus(), -1) << c.what;
    EXPECT_LT(timer.elapsed(), c.atMostSeconds * 1000) << c.what;
    EXPECT_TRUE(child.reaped()) << c.what;
  }
}

TEST(KVTask, ProgramThatCannotStartReturnsAtOnce) {
  KVTask task;
  task.KVSetLaunchPath("/nonexistent/tool");
  task.KVSetArguments({});
  QElapsedTimer timer;
  timer.start();
  task.KVStartTask();
  EXPECT_LT(timer.elapsed(), 500);
  EXPECT_EQ(task.lastExitStatus(), -1);
}

TEST(KVTask, NullLaunchPathKeepsTheOldOne) {
  KVTask task;
  setUp(task, "exit 5", 60);
  task.KVSetLaunchPath(QString());
  task.KVStartTask();
  EXPECT_EQ(task.lastExitStatus(), 5);
}

TEST(KVTask, StopOrAbandonBeforeTheLaunchStartsNothing) {
  // A cancel that races the start must not let the program run even briefly
  // (the clone engine's erase).
  QTemporaryDir dir;
  const QString marker = dir.filePath("ran");
  for (const bool viaAbandon : {false, true}) {
    QFile::remove(marker);
    KVTask task;
    setUp(task, "touch '" + marker + "'", 60);
    if (viaAbandon) {
      task.KVStartTask([] { return true; });
    } else {
      task.KVStartTask([&task] {
        task.KVStopTask();  // a stop that lands after the run cleared its flag
        return false;
      });
    }
    EXPECT_FALSE(QFile::exists(marker)) << viaAbandon;
    EXPECT_TRUE(task.lastRunTimedOut()) << viaAbandon;
  }
  KVTask task;
  setUp(task, "touch '" + marker + "'", 60);
  task.KVStartTask([] { return false; });
  EXPECT_TRUE(QFile::exists(marker));
}
