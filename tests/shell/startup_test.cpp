#include "TestWorld.h"
#include "platform/Bundle.h"
#include "platform/UserDefaults.h"
#include "platform/plist/PropertyList.h"
#include "services/KVPublicUtilities.h"
#include "services/Settings.h"
#include "shell/Startup.h"
#include "platform/Power.h"
#include "platform/Workspace.h"
#include "shell/AppDelegate.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>

namespace {

struct Row {
  const char* what;
  QStringList arguments;
  QString stored;          // "CurLanguage" before the start ("" none)
  bool loaderOpens;        // what the hand-over answers
  int status;              // -1: goes on into the run loop
  QString appleLanguage;   // "" unset
  QString storedAfter;
  int loaderCalls;
};

QString nameFor(const QString& code) {
  const QVariantMap table = bundleSettings().value("mainlanguage").toMap();
  for (auto it = table.cbegin(); it != table.cend(); ++it)
    if (it.value().toString() == code) return it.key();
  return QString();
}

}  // namespace

TEST(StartUp, LanguageDecision) {
  const QString hant = "zh-Hant";
  const Row rows[] = {
      {"marker alone, nothing stored", {"*loaderflag*"}, "", false, -1, "en", "", 0},
      {"stored choice wins over the launcher's code", {"de*loaderflag*"}, "fr", false, -1, "fr", "fr", 0},
      {"launcher code recorded", {"en-US*loaderflag*"}, "", false, -1, "en", "en", 0},
      {"-JP dropped", {"ja-JP*loaderflag*"}, "", false, -1, "ja", "ja", 0},
      {"-CN dropped", {"zh-CN*loaderflag*"}, "", false, -1, "en", "", 0},
      {"zh-HK is traditional Chinese", {"zh-HK*loaderflag*"}, "", false, -1, hant, hant, 0},
      {"zh-Hant-TW is traditional Chinese", {"zh-Hant-TW*loaderflag*"}, "", false, -1, hant, hant, 0},
      {"zh-MO is traditional Chinese", {"zh-MO*loaderflag*"}, "", false, -1, hant, hant, 0},
      {"a bare suffix is kept", {"-US*loaderflag*"}, "", false, -1, "en", "", 0},
      {"pt is Brazilian", {"pt*loaderflag*"}, "", false, -1, "pt-BR", "pt-BR", 0},
      {"other region matches nothing", {"fr-CA*loaderflag*"}, "", false, -1, "en", "", 0},
      {"every marker removed", {"de*loaderflag*x*loaderflag*"}, "", false, -1, "en", "", 0},
      {"plain code with -JP", {"ja-JP"}, "", false, -1, "ja", "", 0},
      {"plain code unchanged", {"tr"}, "", false, -1, "tr", "", 0},
      {"a code is never a path", {"../../etc"}, "", false, -1, "en", "", 0},
      {"empty argument changes nothing", {""}, "", true, -1, "", "", 0},
      {"no argument hands over", {}, "", true, 0, "", "", 1},
      {"no argument, hand-over fails", {}, "", false, -1, "", "", 1},
  };
  for (const Row& row : rows) {
    TestWorld w;
    w.copyBundle();
    if (!row.stored.isEmpty()) KVPublicUtilities::setLangauage(nameFor(row.stored));
    int calls = 0;
    const int status = runStartSequence(row.arguments, [&] {
      ++calls;
      return row.loaderOpens;
    });
    EXPECT_EQ(status, row.status) << row.what;
    EXPECT_EQ(calls, row.loaderCalls) << row.what;
    const QStringList langs = platform::UserDefaults::standard().objectForKey("AppleLanguages").toStringList();
    EXPECT_EQ(langs.value(0), row.appleLanguage) << row.what;
    if (!row.appleLanguage.isEmpty()) {
      EXPECT_EQ(langs.size(), 1) << row.what;
      // The stored default survives the process.
      EXPECT_EQ(plist::readDictionary(platform::UserDefaults::standard().filePath())
                    ->value("AppleLanguages").toStringList(), langs) << row.what;
      EXPECT_EQ(QFileInfo(platform::Bundle::mainBundle().localizationFolder()).fileName(),
                row.appleLanguage + ".lproj") << row.what;
    }
    EXPECT_EQ(KVPublicUtilities::getLangauage(), row.storedAfter.isEmpty() ? QString() : nameFor(row.storedAfter))
        << row.what;
    // The per-user settings file is installed first, whatever the argument.
    EXPECT_TRUE(QFileInfo::exists(w.host(QVGetInfoPlistPath()))) << row.what;
    // The display stays awake only in a run that goes on.
    EXPECT_EQ(QDir(w.layout().powerDir()).entryList(QDir::Files).size(), status == -1 ? 1 : 0) << row.what;
    platform::IOPMAssertionRelease(assertionID);
  }
}

TEST(StartUp, LauncherBundleIsThreeComponentsUp) {
  TestWorld w;
  platform::Bundle::setMainBundlePath("/x/NfrLoader.app/Contents/MacOS/Quorvan Disk Clone.app");
  EXPECT_EQ(launcherBundlePath(), "/x/NfrLoader.app");
}

TEST(StartUp, EveryOtherRunningInstanceIsBroughtToTheFront) {
  TestWorld w;
  QDir().mkpath(w.layout().runningDir());
  auto registerRunning = [&](qint64 pid, const QString& bundle) {
    QDir().mkpath(bundle);
    ASSERT_TRUE(plist::writeFile(w.layout().runningDir() + QString("/%1.plist").arg(pid),
                                 QVariantMap{{"pid", pid}, {"bundleIdentifier", kAppBundleIdentifier},
                                             {"bundlePath", bundle}}));
  };
  AppDelegate delegate;
  registerRunning(platform::Workspace::currentProcessIdentifier(), w.tempPath() + "/Self.app");
  EXPECT_FALSE(delegate.checkAppDuplicateAndBringToFrontWithBundle(kAppBundleIdentifier));  // only itself
  EXPECT_TRUE(world::openedRecords(w.layout()).isEmpty());

  QProcess others[2];
  QStringList expected;
  for (int i = 0; i < 2; ++i) {
    others[i].start("sleep", {"30"});
    ASSERT_TRUE(others[i].waitForStarted());
    const QString bundle = w.tempPath() + QString("/Other%1.app").arg(i);
    registerRunning(others[i].processId(), bundle);
    expected << "application\t" + bundle;
  }
  EXPECT_TRUE(delegate.checkAppDuplicateAndBringToFrontWithBundle(kAppBundleIdentifier));
  QStringList opened = world::openedRecords(w.layout());
  opened.sort();
  EXPECT_EQ(opened, expected);
  for (QProcess& p : others) {
    p.kill();
    p.waitForFinished();
  }
}

// The real program started twice in one world: the second start hands over to the
// first and exits with 0, and only the running program holds the display awake.
TEST(StartUp, ASecondStartLeavesOneProgramAndOneAssertion) {
  TestWorld w;
  const QString exe = QStringLiteral(QDC_BUILD_APP_BUNDLE "/Contents/MacOS/Quorvan Disk Clone");
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QDC_ROOT", w.root());
  env.insert("QT_QPA_PLATFORM", "offscreen");
  const auto registered = [&] { return QDir(w.layout().runningDir()).entryList({"*.plist"}, QDir::Files); };
  const auto assertions = [&] { return QDir(w.layout().powerDir()).entryList(QDir::Files); };

  QProcess first;
  first.setProcessEnvironment(env);
  first.start(exe, {"en*loaderflag*"});
  ASSERT_TRUE(first.waitForStarted());
  ASSERT_TRUE(waitUntil([&] { return registered().size() == 1; }, 60000)) << qPrintable(first.readAllStandardError());

  QProcess second;
  second.setProcessEnvironment(env);
  second.start(exe, {"en*loaderflag*"});
  ASSERT_TRUE(second.waitForFinished(60000));
  EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(second.exitCode(), 0);
  EXPECT_EQ(registered(), QStringList{QString::number(first.processId()) + ".plist"});
  const QStringList held = assertions();
  ASSERT_EQ(held.size(), 1) << qPrintable(held.join(", "));
  EXPECT_TRUE(held[0].startsWith(QString::number(first.processId()) + "-"));
  EXPECT_EQ(first.state(), QProcess::Running);
  first.kill();
  first.waitForFinished();
}
