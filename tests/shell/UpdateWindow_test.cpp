#include "shell/KVCheckUpdateWindowController.h"

#include "platform/UserDefaults.h"
#include "platform/plist/PropertyList.h"
#include "services/Localization.h"
#include "services/Settings.h"
#include "shell/LoopbackHttpServer_support.h"
#include "shell/TCPreferenceWindowController.h"
#include "shell/UpdateCheck.h"
#include "support/TestWorld.h"

#include <QTest>
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
  s.networkProbe = [gate] {
    while (!*gate) QThread::msleep(5);
    return true;
  };

  KVCheckUpdateWindowController closed(s);
  closed.window();
  closed.closeWindow();
  auto* destroyed = new KVCheckUpdateWindowController(s);
  destroyed->window();
  delete destroyed;

  *gate = true;
  ASSERT_TRUE(waitUntil([&] { return server.requestCount("/update.plist") == 2; }, 10000));
  QTest::qWait(300);
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

}  // namespace
