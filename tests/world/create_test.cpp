// Making worlds: the empty Mac, the demo world, qdc-world's disk and knob commands.
#include "world/ToolRun.h"

#include "platform/plist/PropertyList.h"
#include "support/TestWorld.h"
#include "world/lib/Build.h"
#include "world/lib/Create.h"
#include "world/lib/Tools.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>

namespace {

ToolRun qdcWorld(const QStringList& args) {
  QProcess p;
  p.start(world::defaultToolsDir() + "/qdc-world", args);
  p.waitForFinished(60000);
  return ToolRun{p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
                 p.readAllStandardError()};
}

TEST(CreateWorld, EmptyMacHasOnlyTheStartupDisk) {
  TestWorld w;
  ASSERT_TRUE(w.ok()) << w.error().toStdString();
  world::DiskDatabase db(w.layout());
  ASSERT_TRUE(db.load());
  EXPECT_EQ(db.wholeDiskIds(), (QStringList{"disk0", "disk1"}));
  EXPECT_EQ(QFileInfo(w.host("/Volumes/Macintosh HD")).symLinkTarget(), QFileInfo(w.root()).canonicalFilePath());
  EXPECT_TRUE(QFileInfo(w.host("/usr/sbin/diskutil")).isExecutable());
  EXPECT_FALSE(QFileInfo::exists(w.root() + "/disks.plist"));  // the state lies beside root/, not in it
  QString error;
  EXPECT_FALSE(world::createWorld(w.dir(), {}, &error));  // never over an existing world
  EXPECT_FALSE(error.isEmpty());
}

TEST(CreateWorld, StandInsRunInAStrippedEnvironment) {
  TestWorld w(TestWorld::demo());
  ASSERT_TRUE(w.ok());
  QProcess p;
  p.setProcessEnvironment(QProcessEnvironment());
  p.start(w.host("/usr/sbin/diskutil"), {"info", "-plist", "/Volumes/Data"});
  p.waitForFinished(30000);
  EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
  EXPECT_TRUE(p.readAllStandardOutput().contains("<string>disk2s2</string>"));
  for (const world::StandIn& s : world::standIns())
    EXPECT_TRUE(QFileInfo(w.host(s.macPath)).isExecutable()) << s.macPath.toStdString();
  EXPECT_TRUE(QFileInfo(w.host("/Applications/Install macOS Sonoma.app/Contents/Resources/createinstallmedia")).isExecutable());
}

TEST(CreateWorld, DemoHoldsVariedSamples) {
  TestWorld w(TestWorld::demo());
  ASSERT_TRUE(w.ok());
  for (const char* path : {"/Users/alex/Documents/Notes — été.txt", "/Users/alex/Documents/Budget \"final\".xlsx",
                           "/Users/alex/Documents/Project's plan.txt",
                           "/Users/alex/Documents/Archive/2019/January/Week 1/log.txt",
                           "/Users/alex/Downloads/Sample Image.dmg", "/Users/alex/Library/Safari/Bookmarks.plist",
                           "/Volumes/Data/Shared Docs/Meeting $(date) `notes`.txt", "/Volumes/SD CARD/DCIM",
                           "/Volumes/Windows Backup/Documents/Tax 2022.pdf", "/System/Volumes/Preboot/Cryptexes",
                           "/Applications/Install macOS Ventura.app/Contents/Info.plist"})
    EXPECT_TRUE(QFileInfo::exists(w.host(path))) << path;
  EXPECT_EQ(QFileInfo(w.host("/Users/alex/Documents/Empty.txt")).size(), 0);
  EXPECT_EQ(QFileInfo(w.host("/Users/alex/Pictures/Holiday 2023/IMG_0001.jpg")).size(), 2000000);
  EXPECT_EQ(world::readKnob(w.layout(), world::knob::kConsoleUser).toString(), "alex");
}

TEST(QdcWorld, PlugsDisksAndSetsKnobs) {
  QTemporaryDir tmp;
  const QString dir = tmp.path() + "/w";
  ASSERT_EQ(qdcWorld({"create", dir, "--demo"}).status, 0);
  const world::Layout l{dir};
  ToolRun r = qdcWorld({"attach", dir, "--new", "usb", "KINGSTON", "16G"});
  ASSERT_EQ(r.status, 0) << r.err.toStdString();
  const QString id = QString::fromUtf8(r.out).trimmed();
  EXPECT_EQ(id, "disk6");
  EXPECT_TRUE(QFileInfo(l.root() + "/Volumes/KINGSTON").isDir());
  ASSERT_EQ(qdcWorld({"detach", dir, "disk3"}).status, 0);
  EXPECT_FALSE(QFileInfo::exists(l.root() + "/Volumes/USB Stick"));
  EXPECT_EQ(QString::fromUtf8(qdcWorld({"detached", dir}).out).trimmed(), "SanDisk Ultra");
  r = qdcWorld({"attach", dir, "SanDisk Ultra"});
  ASSERT_EQ(r.status, 0) << r.err.toStdString();
  EXPECT_TRUE(QFileInfo::exists(l.root() + "/Volumes/USB Stick/readme.txt"));
  EXPECT_NE(qdcWorld({"detach", dir, "disk0"}).status, 0);  // the startup disk stays

  ASSERT_EQ(qdcWorld({"fail", dir, "diskutil", "eraseDisk"}).status, 0);
  EXPECT_TRUE(world::toolShouldFail(l, "diskutil", "eraseDisk"));
  EXPECT_FALSE(world::toolShouldFail(l, "diskutil", "info"));
  ASSERT_EQ(qdcWorld({"unfail", dir}).status, 0);
  EXPECT_FALSE(world::toolShouldFail(l, "diskutil", "eraseDisk"));
  ASSERT_EQ(qdcWorld({"authorization", dir, "deny"}).status, 0);
  EXPECT_EQ(world::readKnob(l, world::knob::kAuthorization).toString(), "deny");
  ASSERT_EQ(qdcWorld({"fda", dir, "off"}).status, 0);
  EXPECT_FALSE(world::readKnob(l, world::knob::kFullDiskAccess).toBool());
  ASSERT_EQ(qdcWorld({"cpu", dir, "Apple M1"}).status, 0);
  EXPECT_EQ(world::readKnob(l, world::knob::kCpuBrand).toString(), "Apple M1");
  ASSERT_EQ(qdcWorld({"pace", dir, "0.5"}).status, 0);
  EXPECT_DOUBLE_EQ(world::pace(l), 0.5);
  ASSERT_EQ(qdcWorld({"version", dir, "12.6"}).status, 0);
  EXPECT_EQ(plist::readDictionary(l.root() + "/System/Library/CoreServices/SystemVersion.plist")
                ->value("ProductVersion")
                .toString(),
            "12.6");
  EXPECT_NE(qdcWorld({"authorization", dir, "maybe"}).status, 0);
  EXPECT_NE(qdcWorld({"disks", tmp.path() + "/nothing"}).status, 0);
}

}  // namespace
