#include "clone/ClonePanels.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "ScreenDriver.h"
#include "TestWorld.h"
#include "platform/NotificationCenter.h"
#include "services/Localization.h"
#include "uikit/Layout.h"

namespace {

struct Choices : QObject, MakeSureToCloneSystemVCDelegate, MakeSureCancelCloneSystemVCDelegate {
  int begun = 0;
  int stopped = 0;
  void beginToCopySystem() override { ++begun; }
  void cancelToCopySystem() override { ++stopped; }
};

QColor textColor(QLabel* l) { return l->palette().color(QPalette::WindowText); }

}  // namespace

// Each button closes its panel; only the confirming one tells the screen, and on
// the stop panel that is the cancel button.
TEST(ClonePanels, ConfirmationButtons) {
  TestWorld world(TestWorld::demo());
  ASSERT_TRUE(world.ok());
  QWidget mainWindow;
  mainWindow.resize(uikit::kMainWindowSize);
  mainWindow.show();
  struct Case {
    const char* name;
    bool stopPanel;
    bool pressCancel;
    QString buttonText;
    int begun, stopped;
  } cases[] = {
      {"clone: confirm", false, false, getLocalizedString("BOOTABLE_CLONE_NOW"), 1, 0},
      {"clone: cancel", false, true, getLocalizedString("COMM_CANCEL"), 0, 0},
      {"stop: cancel confirms the stop", true, true, getLocalizedString("COMM_CANCEL"), 0, 1},
      {"stop: continue", true, false, getLocalizedString("COMM_Continue"), 0, 0},
  };
  for (const Case& c : cases) {
    Choices choices;
    CloneConfirmPanel* panel = nullptr;
    if (c.stopPanel) {
      auto* p = new MakeSureCancelCloneSystemVC;
      p->setDelegate(&choices);
      panel = p;
    } else {
      auto* p = new MakeSureToCloneSystemVC;
      p->setDelegate(&choices);
      panel = p;
    }
    QPointer<StatusAttachedWindow> window = uikit::showPanel(&mainWindow, panel);
    panel->setSuperDelegate(window);
    TextImageButton* button = c.pressCancel ? panel->cancelButton : panel->doneButton;
    EXPECT_EQ(button->text(), c.buttonText) << c.name;
    ASSERT_TRUE(waitUntil([&] { return button->isVisible(); })) << c.name;
    ScreenDriver::click(button);
    EXPECT_TRUE(waitUntil([&] { return window.isNull() || !window->isVisible(); })) << c.name;
    EXPECT_EQ(choices.begun, c.begun) << c.name;
    EXPECT_EQ(choices.stopped, c.stopped) << c.name;
  }
}

TEST(ClonePanels, StepIndicatorMarksOneStep) {
  TestWorld world(TestWorld::demo());
  ASSERT_TRUE(world.ok());
  SetpFViewController steps;
  QLabel* labels[4] = {steps.step_1_Label, steps.step_2_Label, steps.step_3_Label, steps.step_4_Label};
  const QColor dark = getColor(39, 38, 40, 1), grey = getColor(161, 159, 160, 1);
  for (int n = 1; n <= 4; ++n) {
    steps.setSetpIn(n);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(textColor(labels[i]), i + 1 == n ? dark : grey) << n << " " << i;
    EXPECT_FALSE(steps.stepImageView->pixmap().isNull()) << n;
  }
  const qint64 picture = steps.stepImageView->pixmap().cacheKey();
  for (int n : {0, 5}) {
    steps.setSetpIn(n);
    for (QLabel* l : labels) EXPECT_EQ(textColor(l), grey) << n;
    EXPECT_EQ(steps.stepImageView->pixmap().cacheKey(), picture) << n;
    EXPECT_EQ(steps.shownStep(), 4) << n;
  }
}

TEST(ClonePanels, FullDiskAccessWindowFollowsTheLanguage) {
  TestWorld world(TestWorld::demo());
  ASSERT_TRUE(world.ok());
  MainBundle::MainSetLanguage("en");
  FullDiskAccessViewController controller;
  controller.window();
  auto texts = [&] {
    return QStringList{controller.titleLabel->text(), controller.nodelLabel->text(), controller.openBtn->text(),
                       controller.nodel_2->text(),    controller.nodel_3->text(),    controller.nodel_4->text()};
  };
  const QStringList english = texts();
  EXPECT_EQ(english.first(), getLocalizedString("FullDiskAccess_title"));
  MainBundle::MainSetLanguage("de");
  platform::NotificationCenter::defaultCenter().postNotificationName("UPDATE_LANGUAGE");
  const QStringList german = texts();
  MainBundle::MainSetLanguage("en");
  for (int i = 0; i < 6; ++i) {
    EXPECT_FALSE(german[i].isEmpty()) << i;
    EXPECT_NE(german[i], english[i]) << i;
  }
}
