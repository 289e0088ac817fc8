// The OS clone screen in the real main window, driven with the mouse in a demo
// world (macOS 13.4 on an Intel processor, so the Preboot repair runs).
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QLabel>

#include "CloneWorld_support.h"
#include "ScreenDriver.h"
#include "clone/CloneDiskWork.h"
#include "clone/ClonePanels.h"
#include "clone/KVBootable.h"
#include "clone/SelectDrivceViewController.h"
#include "platform/Gate.h"
#include "platform/Jobs.h"
#include "platform/Queue.h"
#include "services/Localization.h"
#include "shell/MainWindowController.h"
#include "uikit/ImageButtons.h"
#include "uikit/ProgressBars.h"
#include "uikit/Tables.h"
#include "world/lib/Layout.h"

using namespace clonetest;

namespace {

const QString kStick = "diskRow:SanDisk Ultra Media";
const QString kCard = "diskRow:APPLE SD Card Reader Media";

class CloneScreen : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(d.world().ok());
    ASSERT_TRUE(d.chooseTab(1));
    screen = d.main().cloneScreen();
    ASSERT_NE(screen, nullptr);
    // The used bytes of the system are measured when the screen is made.
    ASSERT_TRUE(waitUntil([&] { return screen->usedSize() > 0; }, 20000));
  }
  void TearDown() override {
    platform::gates::releaseAll();
    KVBootable* engine = KVBootable::KVShareInstance();
    engine->KVStop();
    waitUntil([&] { return !engine->isRunning(); }, 60000);
    platform::waitForGlobalQueue();
  }

  void knob(const char* name, const QVariant& value) {
    ASSERT_TRUE(world::writeKnob(d.world().layout(), name, value));
  }
  bool chooseDestination(const QString& row) {
    return d.click("selectDiskBut2") && d.click(row, 20000) && waitUntil([&] { return screen->destination() != nullptr; });
  }
  // Clone button, then the confirmation's clone button.
  bool startClone() { return d.click("cloneButton") && d.click("MakeSureToCloneSystemVC.doneButton"); }
  bool confirmStop() { return d.click("cancelButton") && d.click("MakeSureCancelCloneSystemVC.cancelButton"); }
  QString shownText(const QString& name) {
    auto* l = d.find<QLabel>(name);
    return l ? l->text() : QString();
  }
  bool ended() { return d.isShown("sussView") || d.isShown("failView"); }
  QString tr(const char* key) { return getLocalizedString(key); }

  ScreenDriver d;
  SelectDrivceViewController* screen = nullptr;
};

}  // namespace

TEST_F(CloneScreen, ClonesOntoTheStickThenOntoTheCardBesideAnotherMountedPreboot) {
  // The used size is in, but without a destination the clone cannot start.
  ASSERT_EQ(screen->destination(), nullptr);
  EXPECT_FALSE(d.find<TextImageButton>("cloneButton")->buttonEnabled());
  ASSERT_TRUE(chooseDestination(kStick));
  ASSERT_TRUE(startClone());
  ASSERT_TRUE(d.waitShown("progressView"));
  EXPECT_FALSE(d.main().tabsUnlocked());
  ASSERT_TRUE(waitUntil([&] { return ended(); }, 120000));
  EXPECT_TRUE(d.isShown("sussView")) << qPrintable(shownText("errorLable"));
  EXPECT_TRUE(d.main().tabsUnlocked());
  EXPECT_FALSE(volumeOnDiskHolding(d.world(), "disk3", "Users/alex/Documents").isEmpty());
  const QString stickPreboot = prebootOf("disk3");
  ASSERT_FALSE(stickPreboot.isEmpty());
  EXPECT_TRUE(prebootHoldsCryptexes(d.world(), stickPreboot));
  EXPECT_FALSE(QFileInfo::exists(d.host("/Volumes/Preboot"))) << "the repair left Preboot mounted";

  // The stick's Preboot, emptied, now holds "/Volumes/Preboot"; a clone onto the
  // card must put the files on the card's own Preboot only.
  ASSERT_EQ(run("/usr/sbin/diskutil", {"mount", "/dev/" + stickPreboot}), 0);
  ASSERT_TRUE(QFileInfo(d.host("/Volumes/Preboot/Cryptexes")).isDir());
  ASSERT_TRUE(QDir(d.host("/Volumes/Preboot/Cryptexes")).removeRecursively());
  ASSERT_TRUE(d.click("succCancelButton"));
  ASSERT_TRUE(d.waitShown("selectDiskView"));
  ASSERT_TRUE(chooseDestination(kCard));
  ASSERT_TRUE(startClone());
  ASSERT_TRUE(waitUntil([&] { return d.isShown("progressView") || ended(); }));
  ASSERT_TRUE(waitUntil([&] { return ended(); }, 120000));
  EXPECT_TRUE(d.isShown("sussView")) << qPrintable(shownText("errorLable"));
  EXPECT_FALSE(QFileInfo::exists(d.host("/Volumes/Preboot/Cryptexes")));
  EXPECT_TRUE(prebootHoldsCryptexes(d.world(), prebootOf("disk5")));
}

TEST_F(CloneScreen, StopDuringTheEraseTheRestoreOrThePrebootRepairStaysStopped) {
  struct Case {
    const char* name;
    double pace;
    std::function<bool()> phase;
    const char* heldAt = nullptr;  // a gate that holds the work until the stop is confirmed
  } cases[] = {
      // Step 2 told: the erase is under way.
      {"erase", 2.0, [this] { return d.find<StripedProgressBar>("iProgreeBar")->floatValue() >= 0.099; }},
      // The step bar at "clone the system": asr copies.
      {"restore", 0.2, [this] { return d.find<SetpFViewController>("SetpFViewController")->shownStep() == 3; }},
      // asr has ended and the engine's job closed; the new Preboot volume is mounted.
      {"Preboot repair", world::kDefaultPace,
       [] { return platform::gates::waitReached(cloning::kPrebootRepairGate, 0); }, cloning::kPrebootRepairGate},
  };
  for (const Case& c : cases) {
    knob(world::knob::kPace, c.pace);
    if (c.heldAt) platform::gates::arm(c.heldAt);
    ASSERT_TRUE(chooseDestination(kStick)) << c.name;
    ASSERT_TRUE(startClone()) << c.name;
    ASSERT_TRUE(waitUntil(c.phase, 60000)) << c.name;
    ASSERT_TRUE(confirmStop()) << c.name;
    if (c.heldAt) {
      // The work still goes on on the stick: no way back to a new clone until it returned.
      EXPECT_TRUE(d.isShown("progressView")) << c.name;
      EXPECT_FALSE(d.isShown("failView")) << c.name;
      EXPECT_FALSE(d.isShown("selectDiskView")) << c.name;
      EXPECT_FALSE(d.find<TextImageButton>("cancelButton")->buttonEnabled()) << c.name;
      EXPECT_FALSE(d.main().tabsUnlocked()) << c.name;
      EXPECT_FALSE(KVBootable::KVShareInstance()->isRunning()) << c.name;
      platform::gates::release(c.heldAt);
    }
    ASSERT_TRUE(d.waitShown("failView")) << c.name;
    EXPECT_EQ(shownText("errorLable"), tr("BOOTABLE_CLONE_STOP_Node")) << c.name;
    EXPECT_TRUE(d.main().tabsUnlocked()) << c.name;
    // The engine's own end comes later and changes nothing.
    ASSERT_TRUE(waitUntil([] { return !KVBootable::KVShareInstance()->isRunning(); }, 30000)) << c.name;
    waitUntil([] { return false; }, 300);
    EXPECT_TRUE(d.isShown("failView")) << c.name;
    EXPECT_FALSE(d.isShown("sussView")) << c.name;
    EXPECT_EQ(shownText("errorLable"), tr("BOOTABLE_CLONE_STOP_Node")) << c.name;
    // Stopped means nothing more was put on the Preboot volume, and none is left mounted.
    EXPECT_FALSE(QFileInfo::exists(d.host("/Volumes/Preboot"))) << c.name;
    EXPECT_FALSE(prebootHoldsCryptexes(d.world(), prebootOf("disk3"))) << c.name;

    // Done, and a new clone shows its own progress.
    knob(world::knob::kPace, world::kDefaultPace);
    ASSERT_TRUE(d.click("failCancelButton")) << c.name;
    ASSERT_TRUE(chooseDestination(kStick)) << c.name;
    ASSERT_TRUE(startClone()) << c.name;
    EXPECT_TRUE(d.waitShown("progressView")) << c.name;
    EXPECT_FALSE(d.isShown("failView")) << c.name;
    ASSERT_TRUE(waitUntil([&] { return ended(); }, 120000)) << c.name;
    EXPECT_TRUE(d.isShown("sussView")) << c.name << ": " << qPrintable(shownText("errorLable"));
    ASSERT_TRUE(d.click("succCancelButton")) << c.name;
  }
}

// Quitting (closing the main window ends the running jobs first) stops the
// repair as Cancel does and waits for it: nothing more is copied, and the
// volume is unmounted before the quit goes on.
TEST_F(CloneScreen, QuittingDuringThePrebootRepairStopsItAndWaits) {
  platform::gates::arm(cloning::kPrebootRepairGate);
  ASSERT_TRUE(chooseDestination(kStick));
  ASSERT_TRUE(startClone());
  ASSERT_TRUE(platform::gates::waitReached(cloning::kPrebootRepairGate, 120000));
  // Let the worker go once the quit is waiting for it.
  d.when([] { return true; }, [] { platform::gates::release(cloning::kPrebootRepairGate); });
  platform::endRunningJobs();
  EXPECT_FALSE(QFileInfo::exists(d.host("/Volumes/Preboot")));
  EXPECT_TRUE(d.isShown("failView"));
  EXPECT_EQ(shownText("errorLable"), tr("BOOTABLE_CLONE_STOP_Node"));
  EXPECT_FALSE(prebootHoldsCryptexes(d.world(), prebootOf("disk3")));
}

TEST_F(CloneScreen, StopConfirmedAfterTheEndChangesNothing) {
  knob(world::knob::kPace, 0.1);
  ASSERT_TRUE(chooseDestination(kStick));
  ASSERT_TRUE(startClone());
  ASSERT_TRUE(d.click("cancelButton"));
  ASSERT_TRUE(d.waitShown("MakeSureCancelCloneSystemVC.cancelButton"));
  // The clone ends while the question is open.
  ASSERT_TRUE(waitUntil([&] { return ended(); }, 120000));
  ASSERT_TRUE(d.isShown("sussView"));
  ASSERT_TRUE(d.click("MakeSureCancelCloneSystemVC.cancelButton"));
  waitUntil([] { return false; }, 300);
  EXPECT_TRUE(d.isShown("sussView"));
  EXPECT_FALSE(d.isShown("failView"));
}

TEST_F(CloneScreen, FailuresShowTheirText) {
  struct Case {
    const char* name;
    QStringList failTools;
    const char* text;
  } cases[] = {
      {"asr", {"asr"}, "BOOTABLE_CLONE_error_1"},
      // The system is copied, then its Preboot volume does not mount.
      {"Preboot repair", {"diskutil mountDisk"}, "BOOTABLE_CLONE_error_preboot"},
  };
  for (const Case& c : cases) {
    knob(world::knob::kFailTools, c.failTools);
    ASSERT_TRUE(chooseDestination(kStick)) << c.name;
    ASSERT_TRUE(startClone()) << c.name;
    ASSERT_TRUE(waitUntil([&] { return ended(); }, 120000)) << c.name;
    EXPECT_TRUE(d.isShown("failView")) << c.name;
    EXPECT_EQ(shownText("errorLable"), tr(c.text)) << c.name;
    EXPECT_TRUE(d.main().tabsUnlocked()) << c.name;
    ASSERT_TRUE(d.click("failCancelButton")) << c.name;
  }
}

TEST_F(CloneScreen, WithoutFullDiskAccessTheSettingsOpenAndNothingIsErased) {
  ASSERT_EQ(d.worldCommand("fda", {"off"}), 0);
  ASSERT_TRUE(chooseDestination(kStick));
  ASSERT_TRUE(d.click("cloneButton"));
  d.when([&] { return d.isShown("FullDiskAccessViewController.openBtn"); },
         [&] { d.click("FullDiskAccessViewController.openBtn"); });
  ASSERT_TRUE(d.click("MakeSureToCloneSystemVC.doneButton"));
  ASSERT_TRUE(waitUntil([&] { return !d.opened().isEmpty(); }));
  EXPECT_TRUE(d.opened().last().contains(FullDiskAccessViewController::kFullDiskAccessSettings))
      << qPrintable(d.opened().join('\n'));
  EXPECT_TRUE(d.waitHidden("FullDiskAccessViewController"));
  EXPECT_TRUE(d.isShown("selectDiskView"));
  EXPECT_FALSE(KVBootable::KVShareInstance()->isRunning());
  EXPECT_TRUE(QFileInfo::exists(d.host("/Volumes/USB Stick")));
  EXPECT_TRUE(d.main().tabsUnlocked());
}

TEST_F(CloneScreen, StartWhileTheEngineRunsAnotherJobIsRefused) {
  knob(world::knob::kPace, 1.0);
  auto card = std::make_shared<VolumeObj>();
  card->volumePath = "disk5";
  ASSERT_EQ(KVBootable::KVShareInstance()->KVStart(card), 0);
  ASSERT_TRUE(chooseDestination(kStick));
  ASSERT_TRUE(startClone());
  ASSERT_TRUE(d.waitShown("ErrorWindowController.errorLabel"));
  EXPECT_EQ(shownText("ErrorWindowController.errorLabel"), tr("BOOTABLE_CLONE_error_2"));
  EXPECT_TRUE(d.isShown("selectDiskView"));
  EXPECT_FALSE(d.isShown("copyProgressView"));
  EXPECT_TRUE(d.main().tabsUnlocked());
  ASSERT_TRUE(d.click("ErrorWindowController.okButton"));
  EXPECT_TRUE(d.waitHidden("ErrorWindowController.errorLabel"));
  // The other job's reports never reach this screen's panes.
  KVBootable::KVShareInstance()->KVStop();
  ASSERT_TRUE(waitUntil([] { return !KVBootable::KVShareInstance()->isRunning(); }, 30000));
  waitUntil([] { return false; }, 300);
  EXPECT_TRUE(d.isShown("selectDiskView"));
  EXPECT_FALSE(d.isShown("copyProgressView"));
  EXPECT_EQ(shownText("pathLabel"), "");
  EXPECT_EQ(d.find<StripedProgressBar>("iProgreeBar")->floatValue(), 0.0);
  EXPECT_NE(shownText("errorLable"), tr("BOOTABLE_CLONE_STOP_Node"));
  EXPECT_TRUE(QFileInfo::exists(d.host("/Volumes/USB Stick")));
}

// The system's used bytes are measured against the whole disk: one smaller than
// them is refused beside the destination box, and the clone cannot start.
TEST_F(CloneScreen, DiskSmallerThanTheSystemIsRefused) {
  ASSERT_EQ(d.worldCommand("attach", {"--new", "usb", "SMALL", "8M", "MS-DOS FAT32", "--mbr"}), 0);
  ASSERT_LT(8000000, screen->usedSize());
  ASSERT_TRUE(chooseDestination("diskRow:USB Flash Disk Media"));
  EXPECT_EQ(screen->freeSize(), 8000000);
  ASSERT_TRUE(d.waitShown("ErrorViewController"));
  EXPECT_EQ(d.find<ErrorViewController>("ErrorViewController")->errorLabel()->text(), tr("MAKE_DMG_error_no_space"));
  EXPECT_FALSE(d.find<TextImageButton>("cloneButton")->buttonEnabled());

  // The stick is big enough: the refusal goes and the clone may start.
  ASSERT_TRUE(chooseDestination(kStick));
  EXPECT_TRUE(d.waitHidden("ErrorViewController"));
  EXPECT_TRUE(d.find<TextImageButton>("cloneButton")->buttonEnabled());
}

// Used bytes that could not be measured are no 0: whatever the destination,
// the clone is refused with its own text.
TEST(CloneScreenWithoutUsedSize, RefusesTheClone) {
  ScreenDriver d(TestWorld::demo(), [](TestWorld& w) {
    ASSERT_TRUE(world::writeKnob(w.layout(), world::knob::kFailTools, QStringList{"diskutil info"}));
  });
  ASSERT_TRUE(d.world().ok());
  ASSERT_TRUE(d.chooseTab(1));
  SelectDrivceViewController* screen = d.main().cloneScreen();
  ASSERT_TRUE(waitUntil([&] { return screen->usedSizeFailed(); }, 20000));
  // The disk tool answers again; the stick would hold any system.
  ASSERT_TRUE(world::writeKnob(d.world().layout(), world::knob::kFailTools, QStringList{}));
  ASSERT_TRUE(d.click("selectDiskBut2") && d.click(kStick, 20000));
  ASSERT_TRUE(d.waitShown("ErrorViewController"));
  EXPECT_EQ(d.find<ErrorViewController>("ErrorViewController")->errorLabel()->text(),
            getLocalizedString("BOOTABLE_CLONE_error_used_size"));
  EXPECT_FALSE(d.find<TextImageButton>("cloneButton")->buttonEnabled());
}
