#include "shell/KVCheckUpdateWindowController.h"

#include "clone/ClonePanels.h"
#include "copy/DiskListWC.h"

#include "platform/UserDefaults.h"
#include "platform/plist/PropertyList.h"
#include "services/Localization.h"
#include "services/Settings.h"
#include "shell/LoopbackHttpServer_support.h"
#include "shell/TCPreferenceWindowController.h"
#include "shell/UpdateCheck.h"
#include "support/TestWorld.h"
#include "support/WindowSystem.h"
#include "uikit/ModalSession.h"
#include "uikit/TCWindowButton.h"

#include <QPointer>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <atomic>

namespace {

class UpdateWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    world.copyBundle();
    local = update::versionCheckValue(bundleSettings().value("VersionCheck"));
  }

  KVCheckUpdateWindowController::Sources sources(bool network = true) {
    KVCheckUpdateWindowController::Sources s;
    s.networkProbe = [network] { return network; };
    const QUrl url = server.url("/update.plist");
    s.descriptionURL = [url] { return url; };
    return s;
  }
  void serve(const QVariantMap& description) { server.serve("/update.plist", 200, plist::toXml(description)); }

  TestWorld world;
  LoopbackHttpServer server;
  qint64 local = 0;
};

TEST_F(UpdateWindow, ANewerReleaseShowsItsTitlesAndNotes) {
  const QVariantMap notes{{"1", "Faster copies"}, {"2", "A longer note that says a lot"}, {"10", "Tenth"}};
  serve({{"VersionCheck", local + 1}, {"Version", "2.5"},
         {"Localization", QVariantMap{{"en", notes}}}});
  KVCheckUpdateWindowController controller(sources());
  controller.window();
  EXPECT_EQ(controller.visiblePane(), 0);
  ASSERT_TRUE(waitUntil([&] { return controller.visiblePane() != 0; }, 10000));
  EXPECT_EQ(controller.visiblePane(), 3);
  EXPECT_EQ(server.requestCount("/update.plist"), 1);
  EXPECT_EQ(controller.titleOfUpdate()->text(), getLocalizedString("UPDATE_TITLE").replace("%@", "2.5"));
  EXPECT_EQ(controller.versionOfUpdate()->text(), getLocalizedString("UPDATE_NEW_VERSION").replace("%@", "2.5"));
  EXPECT_EQ(controller.install()->text(), getLocalizedString("UPDATE_install"));

  const QList<QLabel*> fields = controller.noteFields();
  ASSERT_EQ(fields.size(), 3);
  QStringList shown;
  for (QLabel* field : fields) shown << field->text();
  EXPECT_EQ(shown, (QStringList{"1. Faster copies", "10. Tenth", "2. A longer note that says a lot"}));
  EXPECT_EQ(fields[0]->toolTip(), "Faster copies");
  EXPECT_EQ(controller.notesDocument()->size(), QSize(414, 121));
  EXPECT_EQ(uikit::frameOf(fields[0]), uikit::NSMakeRect(10, 96, 400, 25));
}

TEST_F(UpdateWindow, NotesFollowTheInterfaceLanguageElseEnglish) {
  serve({{"VersionCheck", local + 1}, {"Version", "2.5"},
         {"Localization", QVariantMap{{"en", QVariantMap{{"1", "Faster copies"}}},
                                      {"ja", QVariantMap{{"1", "高速なコピー"}}}}}});
  struct Case { const char* language; const char* shown; };
  const Case cases[] = {{"ja", "1. 高速なコピー"}, {"de", "1. Faster copies"}, {"en", "1. Faster copies"}};
  for (const Case& c : cases) {
    platform::UserDefaults::standard().setObject("AppleLanguages", QStringList{c.language});
    KVCheckUpdateWindowController controller(sources());
    controller.window();
    ASSERT_TRUE(waitUntil([&] { return controller.visiblePane() != 0; }, 10000)) << c.language;
    ASSERT_EQ(controller.noteFields().size(), 1) << c.language;
    EXPECT_EQ(controller.noteFields().first()->text(), QString::fromUtf8(c.shown)) << c.language;
  }
}

TEST_F(UpdateWindow, TheSameReleaseOrNoDescriptionIsUpToDate) {
  serve({{"VersionCheck", local}, {"Version", "1.0"}});
  KVCheckUpdateWindowController same(sources());
  same.window();
  ASSERT_TRUE(waitUntil([&] { return same.visiblePane() != 0; }, 10000));
  EXPECT_EQ(same.visiblePane(), 2);

  server.serve("/update.plist", 404, "");
  KVCheckUpdateWindowController unreadable(sources());
  unreadable.window();
  ASSERT_TRUE(waitUntil([&] { return unreadable.visiblePane() != 0; }, 10000));
  EXPECT_EQ(unreadable.visiblePane(), 2);
}

TEST_F(UpdateWindow, NoNetworkShowsItsPaneWithoutAsking) {
  serve({{"VersionCheck", local + 1}});
  KVCheckUpdateWindowController controller(sources(false));
  controller.window();
  ASSERT_TRUE(waitUntil([&] { return controller.visiblePane() != 0; }, 10000));
  EXPECT_EQ(controller.visiblePane(), 1);
  EXPECT_EQ(server.requestCount("/update.plist"), 0);
}

TEST_F(UpdateWindow, AResultNeverReachesAClosedOrDestroyedWindow) {
  serve({{"VersionCheck", local + 1}, {"Version", "2.5"}, {"Localization", QVariantMap{{"en", QVariantMap{{"1", "x"}}}}}});
  auto gate = std::make_shared<std::atomic<bool>>(false);
  auto s = sources();
  // Each check's worker holds a copy of the probe, and with it `workers`, until
  // it has handed its result to the main thread.
  auto workers = std::make_shared<int>(0);
  s.networkProbe = [gate, workers] {
    while (!*gate) QThread::msleep(5);
    return true;
  };

  KVCheckUpdateWindowController closed(s);
  closed.window();
  closed.closeWindow();
  auto* destroyed = new KVCheckUpdateWindowController(s);
  destroyed->window();
  delete destroyed;

  // Held, besides the workers, by this test, by `s` and by the controller still alive.
  const long idle = 3;
  *gate = true;
  ASSERT_TRUE(waitUntil([&] { return server.requestCount("/update.plist") == 2; }, 10000));
  ASSERT_TRUE(waitUntil([&] { return workers.use_count() == idle; }, 10000)) << "both workers ended";
  QCoreApplication::sendPostedEvents();  // what they handed over has now run
  EXPECT_TRUE(closed.isClosed());
  EXPECT_EQ(closed.visiblePane(), 0);
  EXPECT_TRUE(closed.noteFields().isEmpty());
}

TEST_F(UpdateWindow, AWindowSystemCloseFadesOutFirst) {
  serve({{"VersionCheck", local}});
  KVCheckUpdateWindowController controller(sources());
  TCImageWindow* window = controller.window();
  window->show();
  ASSERT_TRUE(waitUntil([&] { return controller.alphaValue() == 1.0; }, 3000));
  window->close();
  EXPECT_TRUE(window->isVisible()) << "the close waits for the fade";
  EXPECT_FALSE(controller.isClosed());
  ASSERT_TRUE(waitUntil([&] { return controller.isClosed(); }, 3000));
  EXPECT_FALSE(window->isVisible());
}

TEST_F(UpdateWindow, TheAboutWindowShowsItsTextsAndOpensItsPage) {
  TCPreferenceWindowController about;
  about.window();
  EXPECT_EQ(about.nameLabel()->text(), getLocalizedString("WINDOW_TOP_TITLE"));
  EXPECT_EQ(about.introductionLabel()->text(), getLocalizedString("ABOUT_NODE"));
  EXPECT_EQ(about.copyrightLabel()->text(), getLocalizedString("COPYRIGHT"));
  EXPECT_TRUE(about.versionLabel()->text().contains("1.0"));
  about.linkButtonAction();
  const QStringList opened = world::openedRecords(world.layout());
  ASSERT_FALSE(opened.isEmpty());
  EXPECT_EQ(opened.last(), "url\t" + TCPreferenceWindowController::aboutAddress());
  EXPECT_TRUE(opened.last().startsWith("url\thttps://"));
}

// A minimise or a close from the window system while the About or the update
// window runs modally: the session goes on until the window's own close path
// (its close button; for the update window also the end of the fade-out that
// a close from outside starts) ends it, and the window is never destroyed
// under it.
TEST_F(UpdateWindow, OnlyTheirOwnClosePathsEndTheModalWindows) {
  serve({{"VersionCheck", local}});
  enum Action { Minimise, Close };
  enum Ending { ByTheCloseButton, ByItself };
  struct Case {
    const char* what;
    bool update;
    Action action;
    Ending ending;
  } cases[] = {
      {"About, minimised", false, Minimise, ByTheCloseButton},
      {"About, closed from outside", false, Close, ByItself},
      {"update, minimised", true, Minimise, ByTheCloseButton},
      {"update, closed from outside", true, Close, ByItself},
  };
  for (const Case& c : cases) {
    TCPreferenceWindowController about;
    KVCheckUpdateWindowController update(sources(false));
    TCImageWindow* w = c.update ? update.window() : about.window();
    QPointer<TCImageWindow> guard(w);
    if (c.update) ASSERT_TRUE(waitUntil([&] { return update.alphaValue() == 1.0; }, 3000)) << "faded in";
    QObject scope;  // the steps below die with this case
    bool runningAfterAction = false, clicked = false;
    double alphaAfterAction = -1;
    QTimer::singleShot(0, &scope, [&] {
      if (c.action == Minimise)
        windowSystemMinimise(w);
      else
        windowSystemClose(w);
      // The next turn of the session's own loop, if it still runs.
      QTimer::singleShot(0, &scope, [&] {
        runningAfterAction = guard && uikit::isRunningModal(w);
        alphaAfterAction = update.alphaValue();
        if (c.ending == ByTheCloseButton && runningAfterAction) {
          clicked = true;
          w->standardWindowButton(TCImageWindow::CloseButton)->click();
        }
      });
    });
    // A session that nothing ends fails the case instead of hanging it.
    QTimer::singleShot(10000, &scope, [&] { uikit::stopModalForWindow(w, -1); });
    EXPECT_EQ(uikit::runModalForWindow(w), 0) << c.what;
    EXPECT_TRUE(runningAfterAction) << c.what;
    EXPECT_EQ(clicked, c.ending == ByTheCloseButton) << c.what;
    ASSERT_FALSE(guard.isNull()) << c.what;
    EXPECT_FALSE(w->isVisible()) << c.what;
    if (c.update) {
      EXPECT_TRUE(update.isClosed()) << c.what;
      if (c.action == Close) {
        EXPECT_GT(alphaAfterAction, 0.0) << c.what << ": the session runs through the fade";
        EXPECT_EQ(update.alphaValue(), 0.0) << c.what << ": and ends when it has faded out";
      }
    }
  }
}

TEST_F(UpdateWindow, TheSmallWindowsMoveByTheirBackground) {
  TCPreferenceWindowController about;
  KVCheckUpdateWindowController update(sources(false));
  DiskListWC browser;
  FullDiskAccessViewController access;
  struct Case {
    const char* what;
    TCImageWindow* window;
  } cases[] = {
      {"About", about.window()},
      {"update", update.window()},
      {"file browser", browser.window()},
      {"Full Disk Access", access.window()},
  };
  const QPoint by(-30, 45);
  for (const Case& c : cases) {
    TCImageWindow* w = c.window;
    w->show();
    // Below the bar, at the left edge: no control there.
    const QPoint at(4, int(w->titleBarHeight()) + 20);
    QWidget* target = w->childAt(at);
    if (!target) target = w;
    const QPoint local = target->mapFrom(w, at);
    const QPoint before = w->pos();
    QTest::mousePress(target, Qt::LeftButton, {}, local);
    QTest::mouseMove(target, local + by);
    QTest::mouseRelease(target, Qt::LeftButton, {}, local + by);
    EXPECT_TRUE(waitUntil([&] { return w->pos() == before + by; }, 2000)) << c.what;
    w->hide();
  }
}

}  // namespace
