// The launcher against the world's authorisation: a grant starts exactly one
// program with the single language argument, a refusal or cancel starts none.
#include "launcher/RunScript.h"

#include "platform/Authorization.h"
#include "platform/SystemInfo.h"
#include "platform/UserDefaults.h"
#include "platform/plist/PropertyList.h"
#include "support/TestWorld.h"
#include "world/lib/Layout.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QDeadlineTimer>
#include <functional>
#include <poll.h>
#include <unistd.h>
#include <gtest/gtest.h>

namespace {

class LauncherRunTool : public ::testing::Test {
 protected:
  void SetUp() override {
    // The stand-in main program records each start: argument count, the
    // arguments, the user it runs as and its world.
    program = dir.filePath("Quorvan Disk Clone");
    log = dir.filePath("starts.log");
    QFile script(program);
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\nprintf '%s|%s|%s|%s\\n' \"$#\" \"$*\" \"$QDC_PROCESS_USER\" \"$QDC_ROOT\" >> '" +
                 log.toLocal8Bit() + "'\n");
    script.close();
    script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    setUserLanguages({"ja-JP", "en-US"});
  }

  void setUserLanguages(const QStringList& languages) {
    const QString user = platform::consoleUserName();
    const QString path = platform::preferencesFileForUser(user, ".GlobalPreferences");
    QDir().mkpath(QFileInfo(path).absolutePath());
    QVariantMap prefs = plist::readDictionary(path).value_or(QVariantMap());
    prefs.insert("AppleLanguages", languages);
    ASSERT_TRUE(plist::writeFile(path, prefs));
  }

  // Runs `launch` with the write end of a pipe open, which every program it
  // starts inherits; the read end reaches its end once the last of them has
  // exited. So when this returns true, every start it made is in the log.
  bool startsEnded(const std::function<void()>& launch) {
    int ends[2];
    if (::pipe(ends) != 0) return false;
    launch();
    ::close(ends[1]);
    bool ended = false;
    QDeadlineTimer deadline(10000);
    while (!ended && !deadline.hasExpired()) {
      pollfd watch{ends[0], POLLIN, 0};
      if (::poll(&watch, 1, int(deadline.remainingTime())) <= 0) continue;
      char byte;
      ended = ::read(ends[0], &byte, 1) == 0;
    }
    ::close(ends[0]);
    return ended;
  }

  QStringList starts() const {
    QFile file(log);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
  }

  TestWorld world;
  QTemporaryDir dir;
  QString program;
  QString log;
};

TEST_F(LauncherRunTool, AGrantStartsOneProgramWithTheLanguageArgumentAsRoot) {
  world::writeKnob(world.layout(), world::knob::kAuthorization, "grant");
  ASSERT_TRUE(startsEnded([&] { EXPECT_EQ(RunScript::RunTool(program), 0); }));
  ASSERT_EQ(starts().size(), 1);
  EXPECT_EQ(starts().first(), "1|ja*loaderflag*|root|" + world.root());
}

TEST_F(LauncherRunTool, RefusalAndCancelStartNothing) {
  struct Case { const char* knob; int status; };
  const Case cases[] = {{"deny", platform::errAuthorizationDenied},
                        {"cancel", platform::errAuthorizationCanceled}};
  for (const Case& c : cases) {
    world::writeKnob(world.layout(), world::knob::kAuthorization, c.knob);
    ASSERT_TRUE(startsEnded([&] { EXPECT_EQ(RunScript::RunTool(program), c.status) << c.knob; }));
    EXPECT_TRUE(starts().isEmpty()) << c.knob;
  }
}

TEST_F(LauncherRunTool, AMissingProgramIsAFailureNotAStart) {
  world::writeKnob(world.layout(), world::knob::kAuthorization, "grant");
  EXPECT_EQ(RunScript::RunTool(dir.filePath("nothing here")), platform::errAuthorizationToolExecuteFailure);
}

TEST_F(LauncherRunTool, TheLanguageComesFromTheConsoleUsersPreferences) {
  setUserLanguages({"zh-Hant-TW"});
  EXPECT_EQ(RunScript::GetCurrentLanaguage(), "zh-Hant");
  setUserLanguages({});
  // Nothing recorded for the user: the system's first preferred language.
  EXPECT_EQ(RunScript::GetCurrentLanaguage(), platform::systemPreferredLanguages().value(0));
}

TEST(Authorization, RightsAreCheckedBeforeAnythingRuns) {
  TestWorld world;
  using namespace platform;
  AuthorizationRef ref = nullptr;
  ASSERT_EQ(AuthorizationCreate(nullptr, nullptr, kAuthorizationFlagDefaults, &ref), errAuthorizationSuccess);
  AuthorizationItem item{kAuthorizationRightExecute, 0, nullptr, 0};
  AuthorizationRights rights{1, &item};

  world::writeKnob(world.layout(), world::knob::kAuthorization, "grant");
  // Without the right to ask, nothing is granted.
  EXPECT_EQ(AuthorizationCopyRights(ref, &rights, nullptr, kAuthorizationFlagDefaults, nullptr),
            errAuthorizationDenied);
  EXPECT_EQ(AuthorizationCopyRights(ref, &rights, nullptr,
                                    kAuthorizationFlagInteractionAllowed | kAuthorizationFlagExtendRights, nullptr),
            errAuthorizationSuccess);
  // Held once granted, whatever the knob says now.
  world::writeKnob(world.layout(), world::knob::kAuthorization, "deny");
  EXPECT_EQ(AuthorizationCopyRights(ref, &rights, nullptr, kAuthorizationFlagExtendRights, nullptr),
            errAuthorizationSuccess);
  EXPECT_EQ(AuthorizationExecuteWithPrivileges(ref, nullptr, 0, nullptr, nullptr), errAuthorizationInternal);
  EXPECT_EQ(AuthorizationFree(ref, kAuthorizationFlagDefaults), errAuthorizationSuccess);

  EXPECT_EQ(AuthorizationCreate(nullptr, nullptr, 0, nullptr), errAuthorizationInvalidRef);
  AuthorizationItem unnamed{nullptr, 0, nullptr, 0};
  AuthorizationRights bad{1, &unnamed};
  EXPECT_EQ(AuthorizationCreate(&bad, nullptr, 0, &ref), errAuthorizationInvalidSet);
}

TEST(Authorization, PkexecKeepsTheDisplayAndAParentThatWaits) {
  QProcessEnvironment env;
  env.insert("DISPLAY", ":5");
  env.insert("XAUTHORITY", "/home/u/.Xauthority");
  env.insert("WAYLAND_DISPLAY", "wayland-0");
  env.insert("SECRET", "not handed on");
  const platform::PrivilegedCommand command =
      platform::pkexecCommand("/opt/App/Quorvan Disk Clone", {"en*loaderflag*"}, env);
  if (command.program.isEmpty()) GTEST_SKIP() << "no pkexec on this host";
  EXPECT_EQ(command.program, "/bin/sh");
  ASSERT_GE(command.arguments.size(), 4);
  EXPECT_EQ(command.arguments[0], "-c");
  EXPECT_TRUE(command.arguments[2].endsWith("pkexec"));
  EXPECT_TRUE(command.arguments.contains("DISPLAY=:5"));
  EXPECT_TRUE(command.arguments.contains("XAUTHORITY=/home/u/.Xauthority"));
  EXPECT_TRUE(command.arguments.contains("WAYLAND_DISPLAY=wayland-0"));
  EXPECT_FALSE(command.arguments.join(' ').contains("SECRET"));
  EXPECT_EQ(command.arguments.mid(command.arguments.size() - 2),
            (QStringList{"/opt/App/Quorvan Disk Clone", "en*loaderflag*"}));
}

}  // namespace
