// The installer screen driven as a user does, inside the real main window, in a
// demo world: pick an installer and a disk, confirm, and follow the run to its pane.
#include "DropDownChecks.h"
#include "ScreenDriver.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <functional>

#include "installer/InstallerViewController.h"
#include "installer/MacOSInstaller.h"
#include "platform/Gate.h"
#include "platform/Queue.h"
#include "services/KVPublicUtilities.h"
#include "services/Localization.h"
#include "shell/MainWindowController.h"
#include "uikit/ImageButtons.h"

namespace {

const char* kSdCard = "diskRow_disk5";

class InstallerScreen : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(d.world().ok()) << qPrintable(d.world().error());
    ASSERT_TRUE(d.chooseTab(3));
    screen = d.find<InstallerViewController>("installerVC");
    ASSERT_TRUE(screen);
    ASSERT_TRUE(d.waitShown("appRow_1")) << "the two demo installers are listed";
    ASSERT_TRUE(d.waitShown(kSdCard));
  }
  void TearDown() override {
    MacOSInstaller::GetInstall()->cancelMacOSInstller();
    waitUntil([&] { return !MacOSInstaller::GetInstall()->isRunning() && !progress()->jobActive(); }, 60000);
    platform::waitForGlobalQueue();
  }
  MacOSInatallerProgressViewController* progress() { return screen->progressController(); }
  bool createEnabled() { return d.find<TextImageButton>("createBut")->buttonEnabled(); }
  QString disks() {
    QString out;
    d.worldCommand("disks", {}, &out);
    return out;
  }
  // Chooses the first installer and the SD card and confirms with `answer`.
  void create(int answer = 1) {
    ASSERT_TRUE(d.click("appRow_0"));
    ASSERT_TRUE(d.click(kSdCard));
    ASSERT_TRUE(waitUntil([&] { return createEnabled(); }));
    KVPublicUtilities::setNextAnswer(answer);
    ASSERT_TRUE(d.click("createBut"));
  }
  // Whether the screen's disk list holds a disk or partition named `name`.
  bool listedVolume(const QString& name) {
    for (const auto& disk : screen->diskInfos()) {
      if (disk->strName == name) return true;
      if (disk->arrChildren)
        for (const auto& part : *disk->arrChildren)
          if (part->strName == name) return true;
    }
    return false;
  }
  bool jobEnded() {
    return waitUntil([&] { return !progress()->jobActive() && !MacOSInstaller::GetInstall()->isRunning(); }, 60000);
  }

  ScreenDriver d;
  InstallerViewController* screen = nullptr;
};

}  // namespace

TEST_F(InstallerScreen, WritesAnInstallerOntoTheSdCard) {
  create();
  EXPECT_FALSE(d.main().tabsUnlocked()) << "the sidebar is locked during the run";
  ASSERT_TRUE(KVPublicUtilities::answeredAlerts().value(0).contains("APPLE SD Card Reader Media"));
  ASSERT_TRUE(d.waitShown("finishedView", 60000));
  EXPECT_TRUE(d.main().tabsUnlocked());
  EXPECT_EQ(d.find<QLabel>("sViewDiskNameLabel")->text(), "APPLE SD Card Reader Media");
  EXPECT_TRUE(disks().contains("Install macOS Sonoma"));
  ASSERT_TRUE(jobEnded());
  ASSERT_TRUE(d.click("finishOkBut"));
  ASSERT_TRUE(d.waitShown("baseView"));
  EXPECT_FALSE(screen->chosenApp());
  EXPECT_FALSE(screen->chosenDisk());
  EXPECT_FALSE(createEnabled());
  EXPECT_EQ(KVPublicUtilities::answeredAlerts().size(), 1);
}

TEST_F(InstallerScreen, DecliningTheConfirmationErasesNothing) {
  create(0);
  EXPECT_TRUE(d.isShown("baseView"));
  EXPECT_FALSE(d.isShown("progressView"));
  EXPECT_TRUE(d.main().tabsUnlocked());
  EXPECT_FALSE(MacOSInstaller::GetInstall()->HasTaskRedy());
  EXPECT_TRUE(disks().contains("SD CARD"));
  EXPECT_TRUE(createEnabled());
}

TEST_F(InstallerScreen, CancelEndsInTheFailedPaneAndTheNextCreateRuns) {
  ASSERT_EQ(d.worldCommand("pace", {"0.5"}), 0);
  create();
  ASSERT_TRUE(d.waitShown("progressBgView"));
  ASSERT_TRUE(waitUntil([&] { return progress()->model().i32CurProgress > 0 || progress()->model().i64Remain >= 0; },
                        30000));
  KVPublicUtilities::setNextAnswer(0);  // "Cancel creation"
  ASSERT_TRUE(d.click("cancelCreateBut"));
  EXPECT_TRUE(d.isShown("failedView"));
  ASSERT_TRUE(jobEnded());
  EXPECT_TRUE(d.isShown("failedView")) << "the engine's closing report changes nothing";
  EXPECT_EQ(KVPublicUtilities::answeredAlerts().size(), 2) << "no \"could not start\" alert after a cancel";
  EXPECT_TRUE(d.main().tabsUnlocked());

  ASSERT_EQ(d.worldCommand("pace", {"0.02"}), 0);
  ASSERT_TRUE(d.click("failedOkBut"));
  ASSERT_TRUE(d.waitShown(kSdCard));
  create();
  ASSERT_TRUE(d.waitShown("finishedView", 60000));
}

TEST_F(InstallerScreen, ClosingTheCancelQuestionKeepsTheRunGoing) {
  struct Case { const char* name; std::function<void(QMessageBox*)> dismiss; } cases[] = {
      {"Escape", [](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); }},
      {"the close box", [](QMessageBox* box) { box->close(); }},
      {"a dismissal given by the test", nullptr},
  };
  ASSERT_EQ(d.worldCommand("pace", {"0.3"}), 0);
  create();
  ASSERT_TRUE(d.waitShown("progressBgView"));
  for (const Case& c : cases) {
    bool dismissed = false;
    if (c.dismiss) {
      d.when([] { return qobject_cast<QMessageBox*>(ScreenDriver::topWindow()) != nullptr; },
             [&] {
               c.dismiss(qobject_cast<QMessageBox*>(ScreenDriver::topWindow()));
               dismissed = true;
             });
    } else {
      KVPublicUtilities::setNextAnswer(KVPublicUtilities::kAlertDismissed);
      dismissed = true;
    }
    ASSERT_TRUE(d.click("cancelCreateBut")) << c.name;
    ASSERT_TRUE(dismissed) << c.name;
    EXPECT_TRUE(d.isShown("progressBgView")) << c.name;
    EXPECT_FALSE(d.isShown("failedView")) << c.name;
    EXPECT_TRUE(progress()->jobActive()) << c.name;
  }
  ASSERT_TRUE(d.waitShown("finishedView", 60000));
  EXPECT_TRUE(disks().contains("Install macOS Sonoma"));
}

TEST_F(InstallerScreen, ThePageShownAgainStartsNoSecondJob) {
  MacOSInstaller* engine = MacOSInstaller::GetInstall();
  const int runsBefore = engine->runsBegun();
  ASSERT_EQ(d.worldCommand("pace", {"0.1"}), 0);
  create();
  // Any alert from here on is one too many: each is noted and closed, so that the
  // checks below fail instead of waiting on it.
  QStringList unexpected;
  QTimer alertCloser;
  alertCloser.setInterval(20);
  QObject::connect(&alertCloser, &QTimer::timeout, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(ScreenDriver::topWindow())) {
      unexpected << box->text();
      box->reject();
    }
  });
  alertCloser.start();
  ASSERT_TRUE(d.waitShown("progressBgView"));
  ASSERT_TRUE(waitUntil([&] { return engine->runsBegun() > runsBefore; }));
  // During the run the sidebar is locked: a tab click leaves the page as it is.
  ASSERT_TRUE(ScreenDriver::click(d.main().tabButton(0)));
  EXPECT_EQ(d.main().selectedTab(), 3);
  EXPECT_TRUE(d.isShown("progressBgView"));
  // The tool's erase mounts the card again under the installer's name; the disk
  // list that this brings in during the run goes on with no second creation.
  ASSERT_TRUE(waitUntil([&] { return listedVolume("Install macOS Sonoma") || !progress()->jobActive(); }, 60000));
  ASSERT_TRUE(progress()->jobActive()) << "the run ended before its erase was listed";
  EXPECT_TRUE(d.isShown("progressBgView"));
  EXPECT_EQ(progress()->jobsStarted(), 1u);
  EXPECT_EQ(engine->runsBegun() - runsBefore, 1);
  EXPECT_FALSE(engine->HasTaskRedy()) << "the hand-over was made again";

  ASSERT_TRUE(d.waitShown("finishedView", 60000));
  ASSERT_TRUE(jobEnded());
  for (int tab : {0, 3}) ASSERT_TRUE(d.chooseTab(tab)) << tab;
  EXPECT_TRUE(d.isShown("finishedView"));
  EXPECT_FALSE(d.isShown("progressBgView"));
  EXPECT_FALSE(progress()->jobActive());
  EXPECT_EQ(progress()->jobsStarted(), 1u);
  EXPECT_EQ(engine->runsBegun() - runsBefore, 1);
  EXPECT_FALSE(engine->isRunning());
  EXPECT_FALSE(engine->HasTaskRedy());
  EXPECT_EQ(KVPublicUtilities::answeredAlerts().size(), 1);
  EXPECT_TRUE(unexpected.isEmpty()) << qPrintable(unexpected.join('\n'));
}

TEST_F(InstallerScreen, ACancelConfirmedAfterTheRunFinishedChangesNothing) {
  ASSERT_EQ(d.worldCommand("pace", {"0.1"}), 0);
  create();
  ASSERT_TRUE(d.waitShown("cancelCreateBut"));
  // The question stays open until the run has finished; then the user confirms.
  bool answered = false;
  d.when([&] { return d.isShown("finishedView") && ScreenDriver::topWindow(); },
         [&] {
           for (QAbstractButton* b : qobject_cast<QMessageBox*>(ScreenDriver::topWindow())->buttons())
             if (b->property("qdcAlertAnswer").toInt() == 0) answered = ScreenDriver::click(b);
         },
         60000);
  ASSERT_TRUE(d.click("cancelCreateBut"));
  ASSERT_TRUE(answered);
  EXPECT_TRUE(d.isShown("finishedView"));
  EXPECT_FALSE(d.isShown("failedView"));
  ASSERT_TRUE(jobEnded());
  EXPECT_TRUE(disks().contains("Install macOS Sonoma"));
}

TEST_F(InstallerScreen, TheToolsEraseFailureAsksRetryOrCancel) {
  struct Case { const char* name; int answer; const char* pane; } cases[] = {
      {"retry goes back to an empty selection", 1, "baseView"},
      {"cancel shows the failed pane", 0, "failedView"},
  };
  ASSERT_EQ(d.worldCommand("fail", {"createinstallmedia", "erase"}), 0);
  for (const Case& c : cases) {
    KVPublicUtilities::clearAnsweredAlerts();
    KVPublicUtilities::setNextAnswer(1);  // confirm …
    KVPublicUtilities::setNextAnswer(c.answer);  // … then answer the error
    ASSERT_TRUE(d.click("appRow_0")) << c.name;
    ASSERT_TRUE(d.click(kSdCard)) << c.name;
    ASSERT_TRUE(d.click("createBut")) << c.name;
    // The screen shows its main pane until the confirmed disk has been found again.
    ASSERT_TRUE(waitUntil([] { return KVPublicUtilities::answeredAlerts().size() == 2; }, 60000)) << c.name;
    ASSERT_TRUE(d.waitShown(c.pane, 60000)) << c.name;
    ASSERT_TRUE(jobEnded()) << c.name;
    const QStringList alerts = KVPublicUtilities::answeredAlerts();
    ASSERT_EQ(alerts.size(), 2) << c.name;
    EXPECT_TRUE(alerts[1].startsWith(getLocalizedString("INSTALLER_PROE_ERROR"))) << c.name;
    EXPECT_TRUE(alerts[1].contains("An error occurred erasing the disk.")) << c.name;
    EXPECT_TRUE(d.main().tabsUnlocked()) << c.name;
    if (QString(c.pane) == "baseView") {
      EXPECT_FALSE(screen->chosenApp()) << c.name;
      EXPECT_FALSE(screen->chosenDisk()) << c.name;
      EXPECT_FALSE(createEnabled()) << c.name;
    } else {
      ASSERT_TRUE(d.click("failedOkBut"));
    }
    ASSERT_TRUE(d.waitShown(kSdCard)) << c.name;
  }
}

TEST_F(InstallerScreen, AFailedWholeDiskEraseSaysItCouldNotStart) {
  ASSERT_EQ(d.worldCommand("fail", {"diskutil", "eraseDisk"}), 0);
  KVPublicUtilities::setNextAnswer(1);  // "Cancel creation": the failed pane
  create();
  ASSERT_TRUE(d.waitShown("failedView", 60000));
  const QStringList alerts = KVPublicUtilities::answeredAlerts();
  ASSERT_EQ(alerts.size(), 2);
  EXPECT_EQ(alerts[1], getLocalizedString("INSTALLER_PROE_ERROR") + "\n" +
                           getLocalizedString("INSTALLER_PROE_ERROR_no_problems"));
  EXPECT_TRUE(disks().contains("SD CARD"));
  EXPECT_TRUE(d.main().tabsUnlocked());
}

TEST_F(InstallerScreen, ADiskThatTakesTheChosenBsdNameIsNotChosen) {
  ASSERT_TRUE(d.click("appRow_0"));
  ASSERT_TRUE(d.click(kSdCard));
  ASSERT_TRUE(waitUntil([&] { return createEnabled(); }));
  ASSERT_EQ(d.worldCommand("detach", {"disk5"}), 0);
  // A refresh started before the unplug may still list the card for a moment;
  // once a list without it is in, nothing is chosen.
  EXPECT_TRUE(waitUntil([&] { return !d.isShown(kSdCard) && !screen->chosenDisk(); }))
      << "the unplugged card is still listed or chosen";
  ASSERT_EQ(d.worldCommand("attach", {"--new", "sd", "Other Card", "8G", "Journaled HFS+"}), 0);
  ASSERT_TRUE(d.waitShown(kSdCard)) << "the new card took the name disk5";
  EXPECT_FALSE(screen->chosenDisk());
  EXPECT_FALSE(createEnabled());
}

// The card is unplugged, or replaced by another that takes its BSD name, while
// the screen's list still offers it; then Create is confirmed.
struct GoneAtConfirm {
  const char* name;
  bool replaced;
};
void PrintTo(const GoneAtConfirm& c, std::ostream* os) { *os << c.name; }
class InstallerScreenGoneAtConfirm : public InstallerScreen, public ::testing::WithParamInterface<GoneAtConfirm> {};

TEST_P(InstallerScreenGoneAtConfirm, NothingIsErasedAndTheUserIsTold) {
  ASSERT_TRUE(d.click("appRow_0"));
  ASSERT_TRUE(d.click(kSdCard));
  // Every disk scan is held, so the screen still offers the old card whatever
  // the unplug and the new card's mount announce.
  platform::gates::arm("installer.diskList");
  ASSERT_EQ(d.worldCommand("detach", {"disk5"}), 0);
  ASSERT_TRUE(platform::gates::waitReached("installer.diskList"));
  if (GetParam().replaced) ASSERT_EQ(d.worldCommand("attach", {"--new", "sd", "Other Card", "8G"}), 0);
  ASSERT_TRUE(createEnabled());
  KVPublicUtilities::setNextAnswer(1);  // "Erase and Create"
  KVPublicUtilities::setNextAnswer(1);  // OK to the message
  ASSERT_TRUE(d.click("createBut"));
  // The confirmed disk is looked up on a worker; the screen answers meanwhile.
  EXPECT_FALSE(createEnabled());
  EXPECT_FALSE(d.main().tabsUnlocked());
  platform::gates::release("installer.diskList");
  ASSERT_TRUE(waitUntil([] { return KVPublicUtilities::answeredAlerts().size() == 2; })) << "the user is not told";
  EXPECT_EQ(KVPublicUtilities::answeredAlerts()[1],
            getLocalizedString("INSTALLER_PROE_ERROR") + "\n" + getLocalizedString("INSTALLER_DISK_GONE"));
  EXPECT_TRUE(d.isShown("baseView"));
  EXPECT_FALSE(d.isShown("progressView"));
  EXPECT_FALSE(screen->chosenDisk());
  EXPECT_FALSE(createEnabled());
  EXPECT_FALSE(progress()->jobActive());
  EXPECT_FALSE(MacOSInstaller::GetInstall()->HasTaskRedy());
  EXPECT_TRUE(d.main().tabsUnlocked());
  EXPECT_FALSE(disks().contains("Install macOS"));
}

INSTANTIATE_TEST_SUITE_P(Cards, InstallerScreenGoneAtConfirm,
                         ::testing::Values(GoneAtConfirm{"Unplugged", false}, GoneAtConfirm{"Replaced", true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(InstallerScreen, APlugAfterTabSwitchesIsListed) {
  for (int tab : {0, 3, 4, 3, 1}) ASSERT_TRUE(d.chooseTab(tab));
  QString id;
  ASSERT_EQ(d.worldCommand("attach", {"--new", "usb", "Fresh Stick", "16G", "Journaled HFS+"}, &id), 0);
  id = id.trimmed();
  ASSERT_TRUE(id.startsWith("disk")) << qPrintable(id);
  ASSERT_TRUE(d.chooseTab(3));
  EXPECT_TRUE(d.waitShown("diskRow_" + id));
}

TEST_F(InstallerScreen, TheSameBundleAddedTwiceIsListedOnce) {
  const int listed = screen->addedApps().size();
  QString home;
  for (const QString& user : QDir(d.host("/Users")).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
    if (QFileInfo::exists(d.host("/Users/" + user + "/.Trash/Install macOS Sonoma.app"))) home = "/Users/" + user;
  ASSERT_FALSE(home.isEmpty());
  for (int round = 0; round < 2; ++round) {
    ASSERT_TRUE(d.click("reDownLoadBut"));
    ASSERT_TRUE(d.waitShown("addBut"));
    InstallerViewController::setNextChosenPath(home + "/.Trash/Install macOS Sonoma.app");
    ASSERT_TRUE(d.click("addBut"));
    ASSERT_TRUE(d.waitShown("appInfoListView"));
    EXPECT_EQ(screen->addedApps().size(), listed + 1) << round;
  }
  EXPECT_EQ(screen->addedApps().last()->strOSPath, home + "/.Trash/Install macOS Sonoma.app");
  // A bundle that is no known installer is not taken.
  ASSERT_TRUE(d.click("reDownLoadBut"));
  InstallerViewController::setNextChosenPath("/Applications/Safari.app");
  ASSERT_TRUE(d.click("addBut"));
  EXPECT_TRUE(d.isShown("selectAppView"));
  EXPECT_EQ(screen->addedApps().size(), listed + 1);
}

TEST_F(InstallerScreen, AVersionInTheDropDownOpensItsStorePage) {
  ASSERT_TRUE(d.click("reDownLoadBut"));
  ASSERT_TRUE(d.click("lComboBoxOpen"));
  ASSERT_TRUE(d.click("osRow_5"));
  EXPECT_TRUE(d.opened().contains("url\tmacappstore://apps.apple.com/app/id1526878132")) << qPrintable(d.opened().join('\n'));
  EXPECT_EQ(d.find<QLabel>("lComboBoxLabel")->text(), "macOS Big Sur");
  EXPECT_TRUE(d.waitHidden("selectOSFileVC"));
  EXPECT_TRUE(KVPublicUtilities::answeredAlerts().isEmpty());
}

TEST_F(InstallerScreen, TheVersionListOpensOnceAndARowChoosesWithoutHover) {
  ASSERT_TRUE(d.click("reDownLoadBut"));
  EXPECT_EQ(opensOnceAndChoosesWithoutHover(d, "lComboBoxOpen", "selectOSFileVC", "osRow_5"), "");
  EXPECT_EQ(d.find<QLabel>("lComboBoxLabel")->text(), "macOS Big Sur");
  EXPECT_TRUE(d.opened().contains("url\tmacappstore://apps.apple.com/app/id1526878132")) << qPrintable(d.opened().join('\n'));
}

TEST_F(InstallerScreen, AStorePageThatFailsToOpenShowsTheOneButtonAlert) {
  ASSERT_EQ(d.worldCommand("openfail", {"macappstore"}), 0);
  ASSERT_TRUE(d.click("reDownLoadBut"));
  ASSERT_TRUE(d.click("lComboBoxOpen"));
  KVPublicUtilities::setNextAnswer(1);
  ASSERT_TRUE(d.click("osRow_2"));
  EXPECT_TRUE(d.opened().isEmpty());
  EXPECT_EQ(KVPublicUtilities::answeredAlerts(),
            QStringList{getLocalizedString("INSTALLER_ERROR_TITLE") + "\n" + getLocalizedString("INSTALLER_ERROR_NODE")});
}

TEST(InstallerAlert, AnEmptySecondButtonIsLeftOut) {
  struct Case { const char* second; int buttons; } cases[] = {{"", 1}, {"Cancel", 2}};
  for (const Case& c : cases) {
    std::unique_ptr<QMessageBox> alert(KVPublicUtilities::getAlertWithTitle("T", "M", "OK", c.second));
    EXPECT_EQ(alert->buttons().size(), c.buttons) << c.second;
  }
}
