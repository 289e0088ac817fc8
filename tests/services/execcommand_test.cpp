#include "TestWorld.h"
#include "platform/Paths.h"
#include "platform/Shell.h"
#include "platform/plist/PropertyList.h"
#include "services/KVExecCommand.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace {

QString plistLine(const QString& value) {
  const QString xml = "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>Name</key><string>" +
                      value + "</string></dict></plist>";
  return "printf '%s' " + platform::shellQuote(xml);
}

}  // namespace

TEST(KVExecCommand, NoLineRunsNothing) {
  EXPECT_TRUE(KVExecCommand("", "QuorvanTemp.plist").isNull());
  EXPECT_FALSE(KVExecCommandDictionary("", "QuorvanTemp.plist").has_value());
}

TEST(KVExecCommand, OutputFileIsPerCallInTheTemporaryFolderAndNamedAfterTheCaller) {
  const QString a = KVExecCommand("true", "QuorvanTemp.plist");
  const QString b = KVExecCommand("true", "QuorvanTemp.plist");
  EXPECT_NE(a, b);
  for (const QString& p : {a, b}) {
    EXPECT_EQ(QFileInfo(p).absolutePath(), platform::temporaryDirectory());
    EXPECT_TRUE(QFileInfo(p).fileName().startsWith("QuorvanTemp-"));
    EXPECT_TRUE(p.endsWith(".plist"));
    // A command that prints nothing leaves an existing, empty file.
    EXPECT_TRUE(QFileInfo(p).exists());
    EXPECT_EQ(QFileInfo(p).size(), 0);
    QFile::remove(p);
  }
  // A stale file left by an older run at the very path the next call writes is
  // never read back: a silent command yields no dictionary, a talking one its own.
  KVExecCommandSetUniquePartForTesting([] { return QStringLiteral("planted"); });
  for (const QString& line : {QStringLiteral("true"), plistLine("fresh")}) {
    QFile stale(platform::temporaryDirectory() + "/QuorvanTemp-planted.plist");
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.write(plist::toXml(QVariantMap{{"Name", "stale"}, {"Padding", QString(4096, 'x')}}));
    stale.close();
    const auto dict = KVExecCommandDictionary(line, "QuorvanTemp.plist");
    EXPECT_EQ(dict.has_value(), line != "true") << qPrintable(line);
    if (dict) EXPECT_EQ(dict->value("Name").toString(), "fresh");
    EXPECT_FALSE(stale.exists());
  }
  KVExecCommandSetUniquePartForTesting({});
  // A name with folders stays inside the temporary folder.
  const QString c = KVExecCommand("true", "../../etc/evil.plist");
  EXPECT_EQ(QFileInfo(c).absolutePath(), platform::temporaryDirectory());
  QFile::remove(c);
}

TEST(KVExecCommand, DictionaryHelperReadsAndDeletes) {
  struct Case {
    QString line;
    bool dictionary;
    int status;
  };
  const Case cases[] = {
      {plistLine("Data"), true, 0},
      {"true", false, 0},                                   // empty output
      {"echo 'Could not find disk: disk9' ; exit 1", false, 1},  // a tool's error text
      {"printf '%s' '<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>a</key>'", false, 0},  // cut short
      {"exit 4", false, 4},
  };
  for (const Case& c : cases) {
    int status = -99;
    const QStringList before = QDir(platform::temporaryDirectory()).entryList(QDir::Files);
    auto dict = KVExecCommandDictionary(c.line, "SkelderRepairTemp.plist", &status);
    EXPECT_EQ(dict.has_value(), c.dictionary) << c.line.toStdString();
    EXPECT_EQ(status, c.status) << c.line.toStdString();
    EXPECT_EQ(QDir(platform::temporaryDirectory()).entryList(QDir::Files), before);
  }
  EXPECT_EQ(KVExecCommandDictionary(plistLine("Data"), "x.plist")->value("Name").toString(), "Data");
}

TEST(KVExecCommand, ConcurrentCallersNeverSeeEachOthersOutput) {
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 6; ++t) {
    threads.emplace_back([t, &wrong] {
      for (int i = 0; i < 25; ++i) {
        const QString mine = QString("caller%1-%2").arg(t).arg(i);
        // Every thread uses the same caller name: the runner must still keep them apart.
        auto dict = KVExecCommandDictionary(plistLine(mine), "QuorvanTemp.plist");
        if (!dict || dict->value("Name").toString() != mine) ++wrong;
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(wrong, 0);
}

TEST(KVExecCommand, HostileVolumeNamesNeverRunAsCode) {
  TestWorld w;
  const QString canary = w.tempPath() + "/pwned";
  for (const QString& name : {QString("$(touch %1)").arg(canary), QString("`touch %1`").arg(canary),
                              QString("x\"; touch %1; \"").arg(canary), QString("a'b\nc\\d"),
                              QString(5000, 'n') + "'$(touch " + canary + ")'"}) {  // no buffer cuts a line
    auto out = KVExecCommandOutput("printf '%s' " + platform::shellQuote(name), "KVTemp.plist");
    ASSERT_TRUE(out.has_value());
    EXPECT_EQ(QString::fromUtf8(*out), name);
  }
  EXPECT_FALSE(QFile::exists(canary));
}

TEST(KVCheckFolderExist, OnlyFolders) {
  TestWorld w;
  QDir().mkpath(w.host("/Volumes/Data"));
  QFile f(w.host("/Volumes/File"));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.close();
  EXPECT_TRUE(KVCheckFolderExist("/Volumes/Data"));
  EXPECT_FALSE(KVCheckFolderExist("/Volumes/File"));
  EXPECT_FALSE(KVCheckFolderExist("/Volumes/Missing"));
  EXPECT_FALSE(KVCheckFolderExist(""));
}
