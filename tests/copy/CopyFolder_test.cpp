// Where a copy goes, with an injected clock and a made-up file system.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QSet>

#include "copy/CopyFolder.h"
#include "support/TestWorld.h"

using namespace copyscreen;

namespace {

// Folders that exist, mount points, and folders below which nothing can be made.
struct FakeDisk {
  QSet<QString> folders;
  QSet<QString> mounts;
  QSet<QString> readOnly;
  QStringList made;
  CopyFolderOps ops() {
    return {[this](const QString& p) { return mounts.contains(p); },
            [this](const QString& p) {
              const QString parent = p.section('/', 0, -2).isEmpty() ? "/" : p.section('/', 0, -2);
              if (!folders.contains(parent) || readOnly.contains(parent) || folders.contains(p)) return false;
              folders.insert(p);
              made << p;
              return true;
            },
            [this](const QString& p) { return folders.contains(p); }};
  }
};

const QDateTime kNow(QDate(2026, 12, 10), QTime(16, 5, 9));

}  // namespace

TEST(CopyFolderTest, NamesCarryTheLocalTime) {
  EXPECT_EQ(copyFolderPath("/", kNow), "/QuorvanDiskClone(2026-12-10 16:05:09)");
  EXPECT_EQ(copyFolderPath("/Volumes/USB Stick", kNow), "/Volumes/USB Stick/QuorvanDiskClone(2026-12-10 16:05:09)");
  EXPECT_EQ(desktopFolderPath("alex", kNow), "/Users/alex/Desktop/QuorvanDiskClone(2026-12-10 16:05:09)");
}

TEST(CopyFolderTest, MadeOnlyInsideTheChosenVolume) {
  const QString stamp = "QuorvanDiskClone(2026-12-10 16:05:09)";
  struct Case {
    const char* name;
    QString volume;
    QSet<QString> mounts;
    QSet<QString> readOnly;
    qint64 need;
    QString folder;  // empty: the copy fails
    bool onDesktop;
  };
  const QSet<QString> all = {"/", "/Volumes/USB Stick"};
  const QList<Case> cases = {
      {"an external volume", "/Volumes/USB Stick", all, {}, 10, "/Volumes/USB Stick/" + stamp, false},
      {"the startup volume", "/", all, {}, 10, "/" + stamp, false},
      {"the startup volume's sealed root: the console user's Desktop", "/", all, {"/"}, 10,
       "/Users/alex/Desktop/" + stamp, true},
      {"... but not when the volume lacks room for it", "/", all, {"/"}, 1001, "", false},
      {"... a need not known yet does not refuse it", "/", all, {"/"}, -1, "/Users/alex/Desktop/" + stamp, true},
      {"a vanished destination, its folder gone", "/Volumes/Gone", all, {}, 10, "", false},
      // The folder is still there, but nothing is mounted on it: writing into it
      // would copy onto the startup disk.
      {"a leftover folder of an unplugged volume", "/Volumes/USB Stick", {"/"}, {}, 10, "", false},
      {"a read-only external volume: no fallback", "/Volumes/USB Stick", all, {"/Volumes/USB Stick"}, 10, "",
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeDisk disk;
    disk.folders = {"/", "/Users", "/Users/alex", "/Users/alex/Desktop", "/Volumes", "/Volumes/USB Stick"};
    disk.mounts = c.mounts;
    disk.readOnly = c.readOnly;
    const CopyFolderResult r = makeCopyFolder({c.volume, 1000, c.need, "alex", kNow}, disk.ops());
    EXPECT_EQ(r.folder, c.folder);
    EXPECT_EQ(r.onDesktop, c.onDesktop);
    EXPECT_EQ(disk.made, c.folder.isEmpty() ? QStringList() : QStringList{c.folder});
  }
}

TEST(CopyFolderTest, RealFileSystemOfAWorld) {
  TestWorld world(TestWorld::demo());
  ASSERT_TRUE(world.ok()) << world.error().toStdString();
  const CopyFolderOps ops = CopyFolderOps::real();
  EXPECT_TRUE(ops.isMountPoint("/Volumes/USB Stick"));
  EXPECT_TRUE(ops.isMountPoint("/"));
  ASSERT_TRUE(QDir().mkpath(world.host("/Volumes/Stray")));
  EXPECT_FALSE(ops.isMountPoint("/Volumes/Stray"));  // a folder, no volume
  EXPECT_FALSE(ops.isMountPoint("/Volumes/Nothing"));

  const CopyFolderResult r = makeCopyFolder({"/Volumes/USB Stick", 1000, 10, "alex", kNow}, ops);
  ASSERT_TRUE(r.ok());
  EXPECT_TRUE(QFileInfo(world.host(r.folder)).isDir());
  // Read-only NTFS: nothing is made there.
  EXPECT_FALSE(makeCopyFolder({"/Volumes/Windows Backup", 1000, 10, "alex", kNow}, ops).ok());
  EXPECT_FALSE(QFileInfo::exists(world.host("/Volumes/Windows Backup/" + copyFolderName(kNow))));
}
