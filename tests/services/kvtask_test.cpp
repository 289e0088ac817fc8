#include "services/KVTask.h"

#include <QElapsedTimer>
#include <QThread>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace {

// Virtual time: every sleep of the runner advances it at once.
class FakeClock : public KVTask::Clock {
 public:
  double now() override { return t_; }
  void sleepFor(double s) override {
    t_ = t_ + s;
    QThread::usleep(500);
  }
  std::atomic<double> t_{0};
};

void setUp(KVTask& task, const QString& script, double timeout) {
  task.KVSetLaunchPath("/bin/sh");
  task.KVSetArguments({"-c", script});
  task.KVSetTimeoutCount(timeout);
}

}  // namespace

TEST(KVTask, TimeoutHasAFloorOfSixtySeconds) {
  struct Case {
    double asked, effective;
  };
  for (const Case c : {Case{0, 60}, Case{10, 60}, Case{59.9, 60}, Case{600, 600}}) {
    KVTask task;
    FakeClock clock;
    task.setClockForTesting(&clock);
    setUp(task, "sleep 30", c.asked);
    task.KVStartTask();
    EXPECT_DOUBLE_EQ(task.timeoutCount(), c.effective);
    EXPECT_TRUE(task.lastRunTimedOut());
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

TEST(KVTask, StopTerminatesTheRunningChild) {
  KVTask task;
  setUp(task, "sleep 30", 600);
  QElapsedTimer timer;
  timer.start();
  std::thread stopper([&] {
    QThread::msleep(300);
    task.KVStopTask();
  });
  task.KVStartTask();
  stopper.join();
  EXPECT_TRUE(task.lastRunTimedOut());
  EXPECT_LT(timer.elapsed(), 3000);
}

TEST(KVTask, ChildIgnoringSigtermIsKilledAfterTheGrace) {
  KVTask task;
  setUp(task, "trap '' TERM; while :; do sleep 0.1; done", 600);
  QElapsedTimer timer;
  timer.start();
  std::thread stopper([&] {
    QThread::msleep(200);
    task.KVStopTask();
  });
  task.KVStartTask();
  stopper.join();
  EXPECT_TRUE(task.lastRunTimedOut());
  EXPECT_LT(timer.elapsed(), (KVTask::kTerminateGrace + 3) * 1000);
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
