// asr, hdiutil, createinstallmedia, killall and the wrappers of the world.
#include "world/ToolRun.h"

#include "platform/Process.h"
#include "platform/Shell.h"
#include "platform/plist/PropertyList.h"
#include "support/TestWorld.h"
#include "world/lib/Disks.h"
#include "world/lib/Layout.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <gtest/gtest.h>

#include <signal.h>

namespace {

QString diskutil(const QStringList& args) { return platform::shellLine("/usr/sbin/diskutil", args); }

// Reads a child's standard output chunk by chunk, as the engines' pipe handlers do.
QStringList chunksOf(QProcess& p, int timeoutMs) {
  QStringList chunks;
  QDeadlineTimer deadline(timeoutMs);
  while (p.state() != QProcess::NotRunning && !deadline.hasExpired()) {
    if (p.waitForReadyRead(200)) chunks << QString::fromUtf8(p.readAllStandardOutput());
  }
  const QByteArray rest = p.readAllStandardOutput();
  if (!rest.isEmpty()) chunks << QString::fromUtf8(rest);
  return chunks;
}

TEST(Asr, RestoresTheStartupVolumeWithPromptAndMarks) {
  TestWorld w(TestWorld::demo());
  ASSERT_TRUE(w.ok());
  ASSERT_EQ(runTool("/usr/sbin/diskutil", {"eraseDisk", "APFS", "NewCloneSystem", "disk3"}).status, 0);
  QProcess p;
  platform::prepareProcess(p, "/usr/sbin/asr",
                           {"restore", "--source", "/", "--target", "/Volumes/NewCloneSystem", "--erase"});
  p.start();
  ASSERT_TRUE(p.waitForStarted());
  QString all;
  QDeadlineTimer deadline(60000);
  bool answered = false;
  while (p.state() != QProcess::NotRunning && !deadline.hasExpired()) {
    if (!p.waitForReadyRead(200)) continue;
    const QString c = QString::fromUtf8(p.readAllStandardOutput());
    all += c;
    if (!answered && all.contains("[ny]")) {
      p.write("y");
      p.closeWriteChannel();
      answered = true;
    }
  }
  p.waitForFinished();
  EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
  EXPECT_TRUE(answered);
  EXPECT_TRUE(all.contains("Validating target...done"));
  EXPECT_TRUE(all.contains("Validating source...done"));
  EXPECT_TRUE(all.contains("Restoring"));
  EXPECT_TRUE(all.contains("Verifying"));
  // One exact "100" per pass. How the pipe cuts the output into reads depends on
  // the machine's load, so the marks are counted in the whole text.
  const QStringList marks = all.split(QRegularExpression("[.\\s]+"), Qt::SkipEmptyParts);
  EXPECT_EQ(marks.count("100"), 2) << all.toStdString();
  // The copy holds the system and the user's files, not the other volumes.
  const QString target = w.host("/Volumes/Macintosh HD 1");
  EXPECT_TRUE(QFileInfo::exists(target + "/Users/alex/Documents/Report 2023.pdf"));
  EXPECT_TRUE(QFileInfo::exists(target + "/System/Library/CoreServices/SystemVersion.plist"));
  EXPECT_FALSE(QFileInfo::exists(target + "/Volumes/Data"));
  EXPECT_FALSE(QFileInfo::exists(target + "/System/Volumes/Preboot/Cryptexes"));

  // The Preboot repair after a clone, line by line as the clone screen runs it:
  // from the chosen whole disk to its container, to the last "Preboot" volume,
  // mounted with plain-text output, then the system's Cryptexes copied onto it.
  const auto disk = dictionaryOf(diskutil({"list", "-plist", "/dev/disk3"}));
  ASSERT_TRUE(disk);
  QString container;
  for (const QString& id : disk->value("AllDisks").toStringList()) {
    const auto info = diskInfo("/dev/" + id);
    if (info && info->contains("APFSContainerReference")) {
      container = info->value("APFSContainerReference").toString();
      break;
    }
  }
  ASSERT_FALSE(container.isEmpty());
  EXPECT_EQ(container, diskInfo("/Volumes/Macintosh HD 1")->value("APFSContainerReference").toString());
  const auto list = dictionaryOf(diskutil({"list", "-plist", "/dev/" + container}));
  ASSERT_TRUE(list);
  QStringList names;
  QString preboot;
  for (const QVariant& v : list->value("AllDisksAndPartitions").toList().value(0).toMap().value("APFSVolumes").toList()) {
    names << v.toMap().value("VolumeName").toString();
    if (names.last() == "Preboot") preboot = v.toMap().value("DeviceIdentifier").toString();
  }
  EXPECT_TRUE(names.contains("Recovery") && names.contains("VM"));
  ASSERT_FALSE(preboot.isEmpty());
  EXPECT_FALSE(dictionaryOf(diskutil({"mountDisk", "/dev/" + preboot})));
  const ToolRun info = runTool("/usr/sbin/diskutil", {"info", "-plist", preboot});
  ASSERT_EQ(info.status, 0);
  const QString name = plist::dictionaryFromData(info.out).value_or(QVariantMap()).value("VolumeName").toString();
  EXPECT_EQ(name, "Preboot");
  ASSERT_EQ(runTool("/bin/mkdir", {"-p", "/Volumes/" + name + "/Preboot"}).status, 0);
  const ToolRun cp = runTool("/bin/cp", {"-av", "/System/Volumes/Preboot/Cryptexes", "/Volumes/Preboot"});
  EXPECT_EQ(cp.status, 0) << cp.err.toStdString();
  EXPECT_TRUE(QFileInfo(w.host("/Volumes/Preboot/Cryptexes/App/System/Library/Frameworks/Safari.txt")).isFile());
  EXPECT_EQ(diskInfo("/Volumes/Preboot/Cryptexes")->value("DeviceIdentifier").toString(), preboot);
}

TEST(Asr, RefusesTheStartupDiskAndFailsOnTheKnob) {
  TestWorld w(TestWorld::demo());
  ASSERT_TRUE(w.ok());
  const ToolRun startup = runTool("/usr/sbin/asr", {"restore", "--source", "/", "--target", "/System/Volumes/Data",
                                                    "--erase", "--noprompt"});
  EXPECT_NE(startup.status, 0);
  EXPECT_FALSE(startup.err.isEmpty());
  EXPECT_TRUE(QFileInfo::exists(w.host("/Users/alex/Documents/Report 2023.pdf")));
  const ToolRun declined = runTool("/usr/sbin/asr", {"restore", "--source", "/", "--target", "/Volumes/USB Stick",
                                                     "--erase"}, "n\n");
  EXPECT_NE(declined.status, 0);
  EXPECT_TRUE(QFileInfo::exists(w.host("/Volumes/USB Stick/readme.txt")));
  world::writeKnob(w.layout(), world::knob::kFailTools, QStringList{"asr"});
  const ToolRun failing = runTool("/usr/sbin/asr", {"restore", "--source", "/", "--target", "/Volumes/USB Stick",
                                                    "--erase", "--noprompt"});
  EXPECT_NE(failing.status, 0);
  EXPECT_EQ(QString::fromUtf8(failing.out).count("100"), 0);
}

// A held create waits, its held file present, until its knob entry goes (then
// makes the image) or a SIGTERM ends it (then makes nothing).
TEST(Hdiutil, HeldCreateWaitsForItsReleaseOrItsEnd) {
  for (const bool released : {true, false}) {
    SCOPED_TRACE(released ? "released" : "terminated");
    TestWorld w(TestWorld::demo());
    ASSERT_TRUE(w.ok());
    QDir().mkpath(w.host("/tmp/com.quorvan.clone"));
    ASSERT_TRUE(world::writeKnob(w.layout(), world::knob::kHoldTools, QStringList{"hdiutil create"}));
    const QString image = "/Users/alex/Desktop/Held.dmg";
    QProcess p;
    platform::prepareProcess(p, "/usr/bin/hdiutil",
                             {"create", image, "-volname", "Held", "-size", "50000000", "-fs", "HFS+", "-format",
                              "UDRW", "-srcfolder", "/tmp/com.quorvan.clone"});
    p.start();
    ASSERT_TRUE(p.waitForStarted());
    const QString held = world::heldFile(w.layout(), "hdiutil", "create");
    ASSERT_TRUE(waitUntil([&] { return QFileInfo::exists(held); }, 30000));
    EXPECT_EQ(p.state(), QProcess::Running);
    if (released)
      ASSERT_TRUE(world::writeKnob(w.layout(), world::knob::kHoldTools, QStringList{}));
    else
      p.terminate();
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0, released);
    EXPECT_EQ(QFileInfo(w.host(image)).isFile(), released);
    EXPECT_FALSE(QFileInfo::exists(held));
  }
}

TEST(Hdiutil, ImageRoundTrip) {
  TestWorld w(TestWorld::demo());
  ASSERT_TRUE(w.ok());
  QDir().mkpath(w.host("/tmp/com.quorvan.clone"));
  const QString image = "/Users/alex/Desktop/Backup.dmg";
  const ToolRun created = runTool("/usr/bin/hdiutil", {"create", image, "-volname", "QuorvanDiskCloneDmg", "-size",
                                                       "50000000", "-fs", "HFS+", "-format", "UDRW", "-srcfolder",
                                                       "/tmp/com.quorvan.clone"});
  ASSERT_EQ(created.status, 0) << created.err.toStdString();
  EXPECT_TRUE(QFileInfo(w.host(image)).isFile());
  EXPECT_NE(runTool("/usr/bin/hdiutil", {"create", image, "-size", "1m"}).status, 0);  // exists
  ASSERT_EQ(runTool("/usr/bin/hdiutil", {"mount", image}).status, 0);
  const auto info = diskInfo("QuorvanDiskCloneDmg");
  ASSERT_TRUE(info);
  EXPECT_EQ(info->value("TotalSize").toLongLong(), 50000000);
  EXPECT_EQ(info->value("VirtualOrPhysical").toString(), "Virtual");
  const QString uuid = info->value("VolumeUUID").toString();
  ASSERT_FALSE(uuid.isEmpty());
  ASSERT_TRUE(QFile::copy(w.host("/Users/alex/Documents/Report 2023.pdf"),
                          w.host("/Volumes/QuorvanDiskCloneDmg/Report 2023.pdf")));
  ASSERT_EQ(runLine(diskutil({"eject", uuid})).status, 0);
  EXPECT_FALSE(QFileInfo::exists(w.host("/Volumes/QuorvanDiskCloneDmg")));
  EXPECT_EQ(runTool("/usr/bin/hdiutil", {"resize", "-size", "80m", image}).status, 0);
  ASSERT_EQ(runTool("/usr/bin/hdiutil", {"attach", image}).status, 0);
  EXPECT_TRUE(QFileInfo(w.host("/Volumes/QuorvanDiskCloneDmg/Report 2023.pdf")).size() > 0);
  EXPECT_EQ(diskInfo("QuorvanDiskCloneDmg")->value("VolumeUUID").toString(), uuid);
  EXPECT_EQ(diskInfo("QuorvanDiskCloneDmg")->value("TotalSize").toLongLong(), 80LL * 1024 * 1024);
  EXPECT_NE(runTool("/usr/bin/hdiutil", {"resize", "-size", "90m", image}).status, 0);  // attached
  EXPECT_EQ(runTool("/usr/bin/hdiutil", {"detach", "/Volumes/QuorvanDiskCloneDmg"}).status, 0);
  const ToolRun bogus = runTool("/usr/bin/hdiutil", {"attach", "/Users/alex/Documents/Report 2023.pdf"});
  EXPECT_NE(bogus.status, 0);
  EXPECT_TRUE(bogus.out.isEmpty());
}

TEST(Createinstallmedia, WritesTheInstallerWithThatReleasesOutput) {
  TestWorld w(TestWorld::demo());
  ASSERT_TRUE(w.ok());
  const QString tool = "/Applications/Install macOS Ventura.app/Contents/Resources/createinstallmedia";
  QProcess p;
  p.setProcessChannelMode(QProcess::MergedChannels);
  platform::prepareProcess(p, tool, {"--volume", "/Volumes/USB Stick", "--nointeraction"});
  p.start();
  ASSERT_TRUE(p.waitForStarted());
  const QString out = chunksOf(p, 60000).join(QString());
  EXPECT_EQ(p.exitCode(), 0) << out.toStdString();
  for (const char* fragment : {"Erasing disk: 0%... 10%... 20%... 30%... 100%", "Copying essential files...",
                               "Copying the macOS RecoveryOS...", "Making disk bootable...",
                               "Copying to disk: 0%... 10%... 20%... 30%...", " 90%... 100%...",
                               "Install media now available at \"/Volumes/Install macOS Ventura\""})
    EXPECT_TRUE(out.contains(fragment)) << fragment;
  EXPECT_TRUE(QFileInfo(w.host("/Volumes/Install macOS Ventura/Install macOS Ventura.app/Contents/Info.plist")).isFile());
  EXPECT_FALSE(QFileInfo::exists(w.host("/Volumes/USB Stick")));
  EXPECT_EQ(diskInfo("disk3s2")->value("FilesystemName").toString(), "Journaled HFS+");

  const ToolRun notVolume = runTool(tool, {"--volume", "/Volumes/Nothing", "--nointeraction"});
  EXPECT_NE(notVolume.status, 0);
  EXPECT_TRUE(notVolume.err.contains("is not a valid volume mount point."));
  EXPECT_NE(runTool(tool, {"--volume", "/", "--nointeraction"}).status, 0);
}

TEST(Createinstallmedia, FailsOnTheKnobsAndEndsOnSigterm) {
  TestWorld w(TestWorld::demo());
  ASSERT_TRUE(w.ok());
  const QString tool = "/Applications/Install macOS Sonoma.app/Contents/Resources/createinstallmedia";
  world::writeKnob(w.layout(), world::knob::kFailTools, QStringList{"createinstallmedia erase"});
  ToolRun r = runTool(tool, {"--volume", "/Volumes/SD CARD", "--nointeraction"});
  EXPECT_NE(r.status, 0);
  EXPECT_TRUE((r.out + r.err).contains("An error occurred erasing the disk."));
  world::writeKnob(w.layout(), world::knob::kFailTools, QStringList{"createinstallmedia copy"});
  r = runTool(tool, {"--volume", "/Volumes/SD CARD", "--nointeraction"});
  EXPECT_NE(r.status, 0);
  EXPECT_FALSE((r.out + r.err).contains("An error occurred erasing the disk."));
  EXPECT_FALSE(r.out.contains("Install media now available at"));

  world::writeKnob(w.layout(), world::knob::kFailTools, QVariant());
  world::writeKnob(w.layout(), world::knob::kPace, 1.0);
  QProcess p;
  platform::prepareProcess(p, tool, {"--volume", "/Volumes/USB Stick", "--nointeraction"});
  p.start();
  ASSERT_TRUE(p.waitForStarted());
  const qint64 pid = p.processId();
  QThread::msleep(300);
  p.terminate();
  QElapsedTimer t;
  t.start();
  ASSERT_TRUE(p.waitForFinished(3000));
  EXPECT_LT(t.elapsed(), 2000);
  // Nothing of it keeps running.
  EXPECT_NE(::kill(pid_t(pid), 0), 0);
  const ToolRun children = runLine(QString("/usr/bin/pgrep -P %1 || true").arg(pid));
  EXPECT_TRUE(children.out.trimmed().isEmpty());
}

TEST(Wrappers, MapPathsAndSpeakMacPaths) {
  TestWorld w(TestWorld::demo());
  ASSERT_TRUE(w.ok());
  // zip names members from "/" without its slash, as on a Mac.
  const ToolRun zip = runTool("/usr/bin/zip", {"-r", "/Users/alex/Desktop/out.zip", "/Volumes/Data/Shared Docs",
                                               "/Users/alex/Documents/Projects"});
  ASSERT_EQ(zip.status, 0) << zip.err.toStdString();
  EXPECT_TRUE(zip.out.contains("adding: Volumes/Data/Shared Docs/Meeting $(date) `notes`.txt"));
  EXPECT_FALSE(zip.out.contains(w.root().toUtf8()));
  const ToolRun list = runLine("/usr/bin/unzip -l " + platform::shellQuote(w.host("/Users/alex/Desktop/out.zip")));
  EXPECT_TRUE(list.out.contains("Users/alex/Documents/Projects/App/src/main.cpp"));

  // rsync -av as the copy engine runs it; its output holds no host path.
  const ToolRun rs = runTool("/usr/bin/rsync", {"-av", "/Users/alex/Pictures/Holiday 2023", "/Volumes/USB Stick"});
  ASSERT_EQ(rs.status, 0) << rs.err.toStdString();
  EXPECT_TRUE(rs.out.contains("Holiday 2023/IMG_0001.jpg"));
  EXPECT_EQ(QFileInfo(w.host("/Volumes/USB Stick/Holiday 2023/IMG_0001.jpg")).size(), 2000000);

  // cp -av prints Mac paths.
  const ToolRun cp = runTool("/bin/cp", {"-av", "/System/Volumes/Preboot/Cryptexes", "/Volumes/Data/Preboot"});
  ASSERT_EQ(cp.status, 0);
  EXPECT_TRUE(cp.out.contains("'/System/Volumes/Preboot/Cryptexes' -> '/Volumes/Data/Preboot'"));
  EXPECT_FALSE(cp.out.contains(w.root().toUtf8()));
  ASSERT_EQ(runLine("mkdir -p '/Volumes/Data/a b/c' && chmod 777 '/Volumes/Data/a b'").status, 0);
  EXPECT_TRUE(QFileInfo(w.host("/Volumes/Data/a b/c")).isDir());
  EXPECT_TRUE(QFileInfo(w.host("/Volumes/Data/a b")).permissions() & QFile::WriteOther);

  // Read-only and full volumes refuse writes, as on a Mac.
  const ToolRun ntfs = runTool("/usr/bin/rsync", {"-av", "/Users/alex/Documents/Empty.txt", "/Volumes/Windows Backup"});
  EXPECT_EQ(ntfs.status, 23);
  EXPECT_FALSE(QFileInfo::exists(w.host("/Volumes/Windows Backup/Empty.txt")));
  world::writeKnob(w.layout(), world::knob::kFullVolumes, QStringList{"SD CARD"});
  EXPECT_EQ(diskInfo("/Volumes/SD CARD")->value("FreeSpace").toLongLong(), 0);
  const ToolRun full = runTool("/usr/bin/rsync", {"-av", "/Users/alex/Documents/Report 2023.pdf", "/Volumes/SD CARD"});
  EXPECT_EQ(full.status, 11);
  EXPECT_TRUE(full.err.contains("No space left on device"));

  // A tool the world lacks is an error, never the host's tool.
  EXPECT_NE(runLine("tar -cf /tmp/qdc-world-test.tar /Users").status, 0);
  EXPECT_NE(runTool("/usr/bin/tar", {"-cf", "/tmp/qdc-world-test.tar", "/Users"}).status, 0);
  EXPECT_FALSE(QFileInfo::exists("/tmp/qdc-world-test.tar"));
  // killall finds the world's system processes only.
  EXPECT_EQ(runLine("killall mds_stores").status, 0);
  const ToolRun none = runLine("killall NoSuchDaemon");
  EXPECT_NE(none.status, 0);
  EXPECT_TRUE(none.err.contains("No matching processes"));
}

}  // namespace
