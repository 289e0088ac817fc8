#include "TestWorld.h"
#include "platform/Paths.h"
#include "platform/Shell.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(Paths, MacPathsMapIntoTheWorldAndBack) {
  TestWorld w;
  ASSERT_TRUE(w.ok()) << w.error().toStdString();
  EXPECT_TRUE(platform::inWorld());
  EXPECT_EQ(platform::hostPath("/Volumes/Data"), w.root() + "/Volumes/Data");
  EXPECT_EQ(platform::hostPath("/"), w.root());
  EXPECT_EQ(platform::hostPath("relative/x"), "relative/x");
  EXPECT_EQ(platform::macPathFromHost(w.root() + "/Users/alex/Desktop/a b.txt"), "/Users/alex/Desktop/a b.txt");
  EXPECT_EQ(platform::macPathFromHost(w.root()), "/");
  // A host path outside the world has no Mac path.
  EXPECT_EQ(platform::macPathFromHost("/etc/passwd"), "");
  EXPECT_EQ(platform::macPathFromHost(w.root() + "x/evil"), "");
  // Tools resolve inside the world; the shell is the host's.
  EXPECT_EQ(platform::toolPath("/usr/sbin/diskutil"), w.root() + "/usr/sbin/diskutil");
  EXPECT_EQ(platform::toolPath("/bin/sh"), "/bin/sh");
}

TEST(Paths, WithoutAWorldPathsAreTheHostsOwn) {
  qunsetenv("QDC_ROOT");
  platform::resetPathsForTesting();
  EXPECT_FALSE(platform::inWorld());
  EXPECT_EQ(platform::hostPath("/Volumes/Data"), "/Volumes/Data");
  EXPECT_EQ(platform::toolPath("/usr/bin/rsync"), "/usr/bin/rsync");
}

TEST(Shell, HostileValuesReachTheToolAsOneLiteralArgument) {
  TestWorld w;
  QTemporaryDir out;
  const QString canary = w.tempPath() + "/pwned";
  const QString cases[] = {
      "plain",
      "with space",
      "it's",
      "\"double\"",
      "$(touch " + canary + ")",
      "`touch " + canary + "`",
      "back\\slash",
      "new\nline",
      "; touch " + canary + " #",
      "'; touch " + canary + "; '",
      "",
      QString::fromUtf8("Übergröße ü"),
  };
  for (const QString& value : cases) {
    const QString file = out.filePath("o");
    // printf is a builtin, so this runs in a world too.
    const int status = platform::runShell("printf '%s|' " + platform::shellQuote(value), file);
    EXPECT_EQ(status, 0);
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(f.readAll()), value + "|") << value.toStdString();
  }
  EXPECT_FALSE(QFile::exists(canary));
}

TEST(Shell, ExitStatusAndMissingWorldToolsAreReported) {
  TestWorld w;
  EXPECT_EQ(platform::runShell("exit 3"), 3);
  EXPECT_EQ(platform::runShell("true"), 0);
  // A tool the world lacks is not found, even though the host has one.
  EXPECT_NE(platform::runShell(platform::shellLine("/usr/bin/env", {"true"})), 0);
  EXPECT_NE(platform::runShell("env true"), 0);
}

TEST(Shell, OutputIsNeverWrittenThroughALink) {
  QTemporaryDir dir;
  const QString victim = dir.filePath("victim");
  {
    QFile f(victim);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("keep");
  }
  ASSERT_TRUE(QFile::link(victim, dir.filePath("out")));
  EXPECT_EQ(platform::runShell("echo overwritten", dir.filePath("out")), -1);
  QFile f(victim);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), QByteArray("keep"));
}
