// Notification centre, queues, defaults, bundle lookup, workspace and power over a world.
#include "TestWorld.h"
#include "platform/Bundle.h"
#include "platform/NotificationCenter.h"
#include "platform/Power.h"
#include "platform/Queue.h"
#include "platform/SystemInfo.h"
#include "platform/UserDefaults.h"
#include "platform/Workspace.h"
#include "platform/plist/PropertyList.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QThread>
#include <atomic>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

TEST(NotificationCenter, ObserversRunInOrderAndEndWithTheirOwner) {
  auto& center = platform::NotificationCenter::defaultCenter();
  QStringList seen;
  auto* owner = new QObject;
  center.addObserver(owner, "T1", [&](const QVariant&) { seen << "a"; });
  const int token = center.addObserver(nullptr, "T1", [&](const QVariant& v) { seen << v.toString(); });
  center.addObserver(owner, "T2", [&](const QVariant&) { seen << "other"; });
  center.postNotificationName("T1", "b");
  EXPECT_EQ(seen, (QStringList{"a", "b"}));
  delete owner;
  seen.clear();
  center.postNotificationName("T1", "c");
  center.postNotificationName("T2");
  EXPECT_EQ(seen, (QStringList{"c"}));
  center.removeObserver(token);
  EXPECT_EQ(center.observerCount("T1"), 0);
}

TEST(Queue, GlobalWorkReportsOnTheMainThread) {
  std::atomic<bool> workerOffMain{false};
  bool reportOnMain = false;
  bool done = false;
  platform::dispatchGlobal([&] {
    workerOffMain = !platform::isMainThread();
    platform::dispatchMain([&] {
      reportOnMain = platform::isMainThread();
      done = true;
    });
  });
  ASSERT_TRUE(waitUntil([&] { return done; }));
  EXPECT_TRUE(workerOffMain);
  EXPECT_TRUE(reportOnMain);
}

TEST(Queue, BlockingWorkersDoNotStarveTheGlobalQueue) {
  // More blocked blocks than cores: the last one still runs.
  std::atomic<int> started{0};
  std::atomic<bool> release{false};
  const int n = QThread::idealThreadCount() + 4;
  for (int i = 0; i < n; ++i)
    platform::dispatchGlobal([&] {
      ++started;
      while (!release) QThread::msleep(5);
    });
  EXPECT_TRUE(waitUntil([&] { return started == n; }, 5000));
  release = true;
  platform::waitForGlobalQueue();
}

TEST(UserDefaults, LiveInTheUsersPreferencesOfTheWorld) {
  TestWorld w;
  qputenv("QDC_PROCESS_USER", "root");
  platform::UserDefaults::resetForTesting();
  auto& d = platform::UserDefaults::standard();
  d.setObject("AppleLanguages", QStringList{"ja"});
  ASSERT_TRUE(d.synchronize());
  auto file = plist::readDictionary(w.host("/private/var/root/Library/Preferences/com.quorvan.clone.plist"));
  ASSERT_TRUE(file.has_value());
  EXPECT_EQ(file->value("AppleLanguages").toStringList(), QStringList{"ja"});
  // Only a change is written: the same value again leaves the file as it is.
  const QString path = w.host("/private/var/root/Library/Preferences/com.quorvan.clone.plist");
  const QDateTime written = QFileInfo(path).lastModified(), changed = written.addSecs(-3600);
  {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.setFileTime(changed, QFileDevice::FileModificationTime));
  }
  d.setObject("AppleLanguages", QStringList{"ja"});
  ASSERT_TRUE(d.synchronize());
  EXPECT_EQ(QFileInfo(path).lastModified(), changed);
  d.setObject("AppleLanguages", QStringList{"tr"});
  ASSERT_TRUE(d.synchronize());
  EXPECT_NE(QFileInfo(path).lastModified(), changed);
  EXPECT_EQ(plist::readDictionary(path)->value("AppleLanguages").toStringList(), QStringList{"tr"});
  // Another user's global domain is read for the launcher.
  plist::writeFile(w.host("/Users/alex/Library/Preferences/.GlobalPreferences.plist"),
                   QVariantMap{{"AppleLanguages", QStringList{"de-DE", "en"}}});
  EXPECT_EQ(platform::UserDefaults::valueForUser("alex", "AppleLanguages").toStringList().value(0), "de-DE");
  EXPECT_EQ(platform::systemPreferredLanguages(), QStringList{"en-US"});
  qunsetenv("QDC_PROCESS_USER");
}

TEST(SystemInfo, VersionAndUsersComeFromTheWorld) {
  world::CreateOptions options;
  options.productVersion = "14.1.2";
  options.consoleUser = "maria";
  TestWorld w(options);
  int major = 0, minor = 0, bug = 0;
  ASSERT_TRUE(platform::systemVersion(&major, &minor, &bug));
  EXPECT_EQ(major, 14);
  EXPECT_EQ(minor, 1);
  EXPECT_EQ(bug, 2);
  EXPECT_EQ(platform::consoleUserName(), "maria");
  EXPECT_EQ(platform::homeFolderForUser("root"), "/private/var/root");
  EXPECT_EQ(platform::homeFolderForUser("maria"), "/Users/maria");
  QFile::remove(w.host("/System/Library/CoreServices/SystemVersion.plist"));
  EXPECT_FALSE(platform::systemVersion(&major, &minor, &bug));
}

TEST(Bundle, FindsResourcesAndLooksTextsUp) {
  TestWorld w;
  const QString copy = w.copyBundle();
  auto& bundle = platform::Bundle::mainBundle();
  EXPECT_EQ(bundle.bundlePath(), copy);
  EXPECT_EQ(bundle.bundleIdentifier(), "com.quorvan.clone");
  EXPECT_FALSE(bundle.pathForResource("PrivateData", "plist").isEmpty());
  EXPECT_TRUE(bundle.pathForResource("Missing", "plist").isEmpty());
  QDir().mkpath(copy + "/Contents/Resources/xx.lproj");
  plist::writeFile(copy + "/Contents/Resources/xx.lproj/Localizable.strings", QVariantMap{{"K", "Wert"}});
  bundle.setLocalizationFolder(copy + "/Contents/Resources/xx.lproj");
  EXPECT_EQ(bundle.localizedStringForKey("K"), "Wert");
  EXPECT_EQ(bundle.localizedStringForKey("Unknown"), "Unknown");
  EXPECT_EQ(bundle.localizedStringForKey("Unknown", "fallback"), "fallback");
}

TEST(Workspace, OpensAreRecordedAndApplicationsFoundByIdentifier) {
  TestWorld w;
  auto& ws = platform::Workspace::shared();
  EXPECT_TRUE(ws.openURL(QUrl("https://example.org/a%20b")));
  QDir().mkpath(w.host("/Users/alex/Desktop/out"));
  EXPECT_TRUE(ws.openFile("/Users/alex/Desktop/out"));
  EXPECT_FALSE(ws.openFile("/Users/alex/Desktop/missing"));
  const QStringList opened = world::openedRecords(w.layout());
  EXPECT_EQ(opened, (QStringList{"url\thttps://example.org/a%20b", "file\t/Users/alex/Desktop/out"}));

  EXPECT_TRUE(ws.runningApplicationsWithBundleIdentifier("com.quorvan.test").isEmpty());
  int activations = 0;
  ws.registerCurrentApplication("com.quorvan.test", w.tempPath(), [&] { ++activations; });
  const auto running = ws.runningApplicationsWithBundleIdentifier("com.quorvan.test");
  ASSERT_EQ(running.size(), 1);
  EXPECT_EQ(running.first().processIdentifier, platform::Workspace::currentProcessIdentifier());
  // A stale entry of a process that has ended is not reported.
  plist::writeFile(w.layout().runningDir() + "/999999.plist",
                   QVariantMap{{"pid", 999999999}, {"bundleIdentifier", "com.quorvan.test"}, {"bundlePath", "/x"}});
  EXPECT_EQ(ws.runningApplicationsWithBundleIdentifier("com.quorvan.test").size(), 1);
  // Nor one that has ended but is not reaped yet (a zombie still answers kill(pid, 0)).
  const pid_t zombie = ::fork();
  if (zombie == 0) ::_exit(0);
  ASSERT_GT(zombie, 0);
  siginfo_t info{};
  ::waitid(P_PID, id_t(zombie), &info, WEXITED | WNOWAIT);  // ended, left unreaped
  plist::writeFile(w.layout().runningDir() + "/zombie.plist",
                   QVariantMap{{"pid", qint64(zombie)}, {"bundleIdentifier", "com.quorvan.test"}, {"bundlePath", "/x"}});
  EXPECT_EQ(ws.runningApplicationsWithBundleIdentifier("com.quorvan.test").size(), 1);
  ::waitpid(zombie, nullptr, 0);
}

TEST(Power, AssertionIsHeldInTheWorldUntilReleased) {
  TestWorld w;
  uint32_t id = 0;
  ASSERT_TRUE(platform::IOPMAssertionCreateWithName("PreventUserIdleDisplaySleep", 255,
                                                    "PreventUserIdleDisplaySleep", &id));
  const QStringList held = QDir(w.layout().powerDir()).entryList(QDir::Files);
  ASSERT_EQ(held.size(), 1);
  EXPECT_EQ(plist::readDictionary(w.layout().powerDir() + "/" + held.first())->value("type").toString(),
            "PreventUserIdleDisplaySleep");
  platform::IOPMAssertionRelease(id);
  EXPECT_TRUE(QDir(w.layout().powerDir()).entryList(QDir::Files).isEmpty());
}
