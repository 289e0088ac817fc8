// The screen test support drives the real main window: sidebar clicks switch
// tabs, the app's alerts take the test's answers, a gate holds a worker.
#include "ScreenDriver.h"

#include "platform/Gate.h"
#include "platform/Queue.h"
#include "services/KVPublicUtilities.h"
#include "shell/MainWindowController.h"

#include <QMessageBox>
#include <atomic>
#include <gtest/gtest.h>

TEST(ScreenDriver, ClicksSwitchTabsAndAlertsTakeTheNextAnswer) {
  ScreenDriver d;
  ASSERT_TRUE(d.world().ok()) << d.world().error().toStdString();
  for (int tab : {4, 2, 0}) {
    ASSERT_TRUE(d.chooseTab(tab)) << tab;
    EXPECT_TRUE(d.main().container(tab)->isVisible());
  }
  KVPublicUtilities::setNextAnswer(0);
  KVPublicUtilities::setNextAnswer(1);
  QMessageBox* a = KVPublicUtilities::getAlertWithTitle("T1", "M1", "OK", "No");
  QMessageBox* b = KVPublicUtilities::getAlertWithTitle("T2", "M2", "OK", "No");
  EXPECT_EQ(KVPublicUtilities::runAlert(a), 0);
  EXPECT_EQ(KVPublicUtilities::runAlert(b), 1);
  EXPECT_EQ(KVPublicUtilities::answeredAlerts(), (QStringList{"T1\nM1", "T2\nM2"}));
  delete a;
  delete b;
}

TEST(ScreenDriver, AGateHoldsAWorkerUntilReleased) {
  std::atomic<bool> passed{false};
  platform::gates::arm("test.point");
  platform::dispatchGlobal([&] {
    platform::gatePoint("test.point");
    passed = true;
  });
  ASSERT_TRUE(platform::gates::waitReached("test.point", 5000));
  EXPECT_FALSE(passed.load());
  platform::gates::release("test.point");
  EXPECT_TRUE(waitUntil([&] { return passed.load(); }, 5000));
  platform::waitForGlobalQueue();
}
