#include "image/MakeDmg.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDirIterator>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <functional>
#include <thread>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "TestWorld.h"
#include "support/ScreenDriver.h"
#include "platform/Gate.h"
#include "platform/Queue.h"
#include "platform/Shell.h"
#include "world/lib/Layout.h"

namespace {

class Recorder : public QObject, public MakeDmgDelegate {
 public:
  explicit Recorder(MakeDmg* engine) : engine_(engine) {}
  QList<float> progress;
  QStringList texts;
  int failures = 0;
  QList<int> errors;
  int begins = 0;
  bool offMain = false;
  bool answerBegin = true;
  QStringList files;

  void makeDmgFailWithError(int error) override {
    offMain |= !platform::isMainThread();
    errors << error;
    ++failures;
  }
  void beginToCopyDmg() override {
    offMain |= !platform::isMainThread();
    ++begins;
    if (answerBegin) engine_->doCopyFilesToDmgWithDmg(files);
  }
  void copyFileToDmgWithFileName(const QString& text, float value) override {
    offMain |= !platform::isMainThread();
    texts << text;
    progress << value;
  }
  bool ended() const { return failures > 0 || (!progress.isEmpty() && progress.last() >= 100); }
  int hundreds() const { return int(std::count_if(progress.begin(), progress.end(), [](float p) { return p >= 100; })); }

 private:
  MakeDmg* engine_;
};

class ImageEngine : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(world.ok()) << qPrintable(world.error());
    engine.setMakeDmgDelegate(&recorder);
  }
  void TearDown() override {
    platform::gates::releaseAll();
    knob(world::knob::kHoldTools, QStringList{});
    engine.stopMakeDmg();
    waitUntil([&] { return !engine.isRunning(); }, 30000);
    platform::waitForGlobalQueue();
    QCoreApplication::processEvents();
  }
  void knob(const QString& name, const QVariant& value) {
    ASSERT_TRUE(world::writeKnob(world.layout(), name, value));
  }
  void write(const QString& macPath, const QByteArray& data = "x") {
    QDir().mkpath(QFileInfo(world.host(macPath)).path());
    QFile f(world.host(macPath));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << qPrintable(macPath);
    f.write(data);
  }
  // Waits until the job has ended and what its workers posted to the main
  // thread has run: a late report has then arrived, or never will.
  void settle() {
    ASSERT_TRUE(waitUntil([&] { return !engine.isRunning(); }, 30000));
    ASSERT_TRUE(ScreenDriver::settle());
  }
  // Lists the files of an image by attaching it, then detaches it again.
  QStringList imageContents(const QString& image) {
    const int rc = platform::runShell(platform::shellLine("/usr/bin/hdiutil", {"attach", image}));
    EXPECT_EQ(rc, 0);
    QStringList files;
    const QString root = world.host("/Volumes/QuorvanDiskCloneDmg");
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) files << it.next().mid(root.size() + 1);
    files.sort();
    platform::runShell(platform::shellLine("/usr/sbin/diskutil", {"eject", "/Volumes/QuorvanDiskCloneDmg"}));
    return files;
  }

  TestWorld world{TestWorld::demo()};
  MakeDmg engine;
  Recorder recorder{&engine};
};

FileNodePtr node(const QString& path, bool dir, int state = FileNode::Selected) {
  FileNodePtr n = FileNode::initWithPath(path, path.mid(path.lastIndexOf('/') + 1), dir);
  n->setState(state);
  return n;
}

TEST(ImageEngineRules, SizeTextAndMountOutput) {
  EXPECT_EQ(MakeDmg::imageSizeText(0), "50000000");
  EXPECT_EQ(MakeDmg::imageSizeText(-1), "50000000");
  EXPECT_EQ(MakeDmg::imageSizeText(1234), "50001234");
  const auto [mount, device] = MakeDmg::mountFromHdiutilOutput(
      "/dev/disk6          \tGUID_partition_scheme          \t\n"
      "/dev/disk6s1        \tEFI                            \t\n"
      "/dev/disk6s2        \tApple_HFS                      \t/Volumes/QuorvanDiskCloneDmg 1\n");
  EXPECT_EQ(mount, "/Volumes/QuorvanDiskCloneDmg 1");
  EXPECT_EQ(device, "disk6s2");
  EXPECT_TRUE(MakeDmg::mountFromHdiutilOutput("hdiutil: attach failed\n").first.isEmpty());
}

TEST_F(ImageEngine, ImageHoldsTheChosenFilesAfterEject) {
  write("/Volumes/Data/pick/one.txt", "1");
  write("/Volumes/Data/pick/sub/two.txt", "22");
  write("/Volumes/Data/three $(x) 'q'.txt", "333");
  recorder.files = {"/Volumes/Data/pick", "/Volumes/Data/three $(x) 'q'.txt", "/Users/alex/Documents"};
  engine.makeTmpDmgWithPath("/Volumes/USB Stick", "QuorvanDiskClone(1)", 10000);
  ASSERT_TRUE(waitUntil([&] { return recorder.ended(); }, 60000));
  settle();

  EXPECT_FALSE(recorder.offMain);
  EXPECT_EQ(recorder.failures, 0);
  EXPECT_EQ(recorder.begins, 1);
  EXPECT_EQ(recorder.progress, (QList<float>{20, 20, 33, 66, 100}));
  EXPECT_EQ(recorder.hundreds(), 1);
  // Ejected, and the scratch folder is gone.
  EXPECT_FALSE(QFileInfo::exists(world.host("/Volumes/QuorvanDiskCloneDmg")));
  EXPECT_FALSE(QFileInfo::exists(world.host(MakeDmg::kScratchFolder)));
  const QString image = "/Volumes/USB Stick/QuorvanDiskClone(1).dmg";
  ASSERT_TRUE(QFileInfo::exists(world.host(image)));
  const QStringList files = imageContents(image);
  for (const char* f : {"pick/one.txt", "pick/sub/two.txt", "three $(x) 'q'.txt", "Documents"})
    EXPECT_TRUE(files.contains(f)) << f << " in " << qPrintable(files.join(", "));
}

TEST_F(ImageEngine, TenItemsReportTheirShareFromTwenty) {
  for (int i = 0; i < 10; ++i) {
    write(QString("/Volumes/Data/ten/f%1").arg(i));
    recorder.files << QString("/Volumes/Data/ten/f%1").arg(i);
  }
  engine.makeTmpDmgWithPath("/Volumes/Data", "QuorvanDiskClone(10)", 0);
  ASSERT_TRUE(waitUntil([&] { return recorder.ended(); }, 60000));
  settle();
  EXPECT_EQ(recorder.progress, (QList<float>{20, 20, 20, 20, 30, 40, 50, 60, 70, 80, 90, 100}));
}

TEST_F(ImageEngine, TwoItemsOfOneNameFailAndLeaveNoImage) {
  write("/Volumes/Data/a/same.txt", "a");
  write("/Volumes/Data/b/same.txt", "b");
  recorder.files = {"/Volumes/Data/a/same.txt", "/Volumes/Data/b/same.txt"};
  engine.makeTmpDmgWithPath("/Volumes/Data", "QuorvanDiskClone(dup)", 2);
  ASSERT_TRUE(waitUntil([&] { return recorder.ended(); }, 60000));
  settle();
  EXPECT_EQ(recorder.failures, 1);
  EXPECT_EQ(recorder.hundreds(), 0);
  EXPECT_FALSE(QFileInfo::exists(world.host("/Volumes/Data/QuorvanDiskClone(dup).dmg")));
  EXPECT_FALSE(QFileInfo::exists(world.host("/Volumes/QuorvanDiskCloneDmg")));
  EXPECT_FALSE(engine.isRunning());
}

TEST_F(ImageEngine, RefusesWhenAnotherVolumeHasTheImageName) {
  // An earlier image still attached takes the name; the new job must not fill or eject it.
  ASSERT_EQ(platform::runShell(platform::shellLine(
                "/usr/bin/hdiutil", {"create", "/Volumes/Data/old.dmg", "-volname", "QuorvanDiskCloneDmg", "-size",
                                     "60000000", "-fs", "HFS+", "-format", "UDRW", "-srcfolder", "/Users/alex/Music"})),
            0);
  ASSERT_EQ(platform::runShell(platform::shellLine("/usr/bin/hdiutil", {"attach", "/Volumes/Data/old.dmg"})), 0);
  write("/Volumes/QuorvanDiskCloneDmg/mine.txt");
  write("/Volumes/Data/x.txt");
  recorder.files = {"/Volumes/Data/x.txt"};
  engine.makeTmpDmgWithPath("/Volumes/Data", "QuorvanDiskClone(busy)", 1);
  ASSERT_TRUE(waitUntil([&] { return recorder.ended(); }, 60000));
  settle();
  EXPECT_EQ(recorder.failures, 1);
  EXPECT_EQ(recorder.begins, 0);
  EXPECT_TRUE(QFileInfo::exists(world.host("/Volumes/QuorvanDiskCloneDmg/mine.txt")));
  EXPECT_FALSE(QFileInfo::exists(world.host("/Volumes/Data/QuorvanDiskClone(busy).dmg")));
}

TEST_F(ImageEngine, FailingCreateAndAnExistingImageFileAreFailures) {
  write("/Volumes/Data/x.txt");
  recorder.files = {"/Volumes/Data/x.txt"};
  write("/Volumes/Data/QuorvanDiskClone(old).dmg", "precious");
  engine.makeTmpDmgWithPath("/Volumes/Data", "QuorvanDiskClone(old)", 1);
  ASSERT_TRUE(waitUntil([&] { return recorder.ended(); }, 60000));
  settle();
  EXPECT_EQ(recorder.failures, 1);
  QFile old(world.host("/Volumes/Data/QuorvanDiskClone(old).dmg"));
  ASSERT_TRUE(old.open(QIODevice::ReadOnly));
  EXPECT_EQ(old.readAll(), "precious");

  knob(world::knob::kFailTools, QStringList{"hdiutil create"});
  engine.makeTmpDmgWithPath("/Volumes/Data", "QuorvanDiskClone(fail)", 1);
  ASSERT_TRUE(waitUntil([&] { return recorder.failures == 2; }, 60000));
  settle();
  EXPECT_EQ(recorder.hundreds(), 0);
  EXPECT_FALSE(QFileInfo::exists(world.host("/Volumes/Data/QuorvanDiskClone(fail).dmg")));
}

TEST_F(ImageEngine, RootDestinationUsesItsOwnWorldWritableFolder) {
  write("/Volumes/Data/x.txt");
  recorder.files = {"/Volumes/Data/x.txt"};
  engine.makeTmpDmgWithPath("/", "QuorvanDiskClone(root)", 1);
  ASSERT_TRUE(waitUntil([&] { return recorder.ended(); }, 60000));
  settle();
  EXPECT_EQ(recorder.failures, 0);
  EXPECT_TRUE(QFileInfo::exists(world.host("/QuorvanDiskClone_dmg/QuorvanDiskClone(root).dmg")));
  EXPECT_TRUE(QFileInfo(world.host("/QuorvanDiskClone_dmg")).permissions() & QFileDevice::WriteOther);
}

TEST_F(ImageEngine, CancelWhileMountedRemovesTheImageAndSaysNothingMore) {
  write("/Volumes/Data/x.txt");
  recorder.answerBegin = false;
  engine.makeTmpDmgWithPath("/Volumes/Data", "QuorvanDiskClone(stop)", 1);
  ASSERT_TRUE(waitUntil([&] { return recorder.begins == 1; }, 60000));
  const int reports = recorder.progress.size();
  engine.setIsCancelCopy(true);
  engine.stopMakeDmg();
  ASSERT_TRUE(waitUntil([&] { return !engine.isRunning(); }, 30000));
  engine.doCopyFilesToDmgWithDmg({"/Volumes/Data/x.txt"});  // too late: ignored
  settle();
  EXPECT_EQ(recorder.progress.size(), reports);
  EXPECT_EQ(recorder.failures, 0);
  EXPECT_FALSE(QFileInfo::exists(world.host("/Volumes/QuorvanDiskCloneDmg")));
  EXPECT_FALSE(QFileInfo::exists(world.host("/Volumes/Data/QuorvanDiskClone(stop).dmg")));
}

TEST_F(ImageEngine, CancelDuringCreate) {
  // hdiutil create is held in the world until the cancel has stopped it: the job
  // can only end by stopping the tool.
  knob(world::knob::kHoldTools, QStringList{"hdiutil create"});
  write("/Volumes/Data/x.txt");
  recorder.files = {"/Volumes/Data/x.txt"};
  engine.makeTmpDmgWithPath("/Volumes/Data", "QuorvanDiskClone(early)", 1);
  const QString held = world::heldFile(world.layout(), "hdiutil", "create");
  ASSERT_TRUE(waitUntil([&] { return QFileInfo::exists(held); }, 30000));
  engine.setIsCancelCopy(true);
  engine.stopMakeDmg();
  ASSERT_TRUE(waitUntil([&] { return !engine.isRunning(); }, 30000));
  EXPECT_TRUE(waitUntil([&] { return !QFileInfo::exists(held); }, 30000)) << "hdiutil create was not stopped";
  settle();
  EXPECT_EQ(recorder.begins, 0);
  EXPECT_EQ(recorder.hundreds(), 0);
  EXPECT_FALSE(QFileInfo::exists(world.host("/Volumes/Data/QuorvanDiskClone(early).dmg")));
}

TEST_F(ImageEngine, AnEjectThatFailsIsRetriedByForceAndOtherwiseIsNoSuccess) {
  struct Case {
    const char* what;
    QStringList failing;
    bool finished;
  };
  const Case cases[] = {
      {"the forced detach finishes it", {"diskutil eject"}, true},
      {"neither way", {"diskutil eject", "hdiutil detach"}, false},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    recorder.progress.clear();
    recorder.failures = 0;
    recorder.errors.clear();
    knob(world::knob::kFailTools, c.failing);
    write("/Volumes/Data/e/kept.txt", "k");
    recorder.files = {"/Volumes/Data/e/kept.txt"};
    const QString name = QString("QuorvanDiskClone(eject%1)").arg(++n);
    engine.makeTmpDmgWithPath("/Volumes/Data", name, 1);
    ASSERT_TRUE(waitUntil([&] { return recorder.ended(); }, 60000));
    settle();
    knob(world::knob::kFailTools, QStringList{});
    if (c.finished) {
      EXPECT_EQ(recorder.failures, 0);
      EXPECT_EQ(recorder.hundreds(), 1);
      EXPECT_FALSE(QFileInfo::exists(world.host("/Volumes/QuorvanDiskCloneDmg")));
      EXPECT_EQ(imageContents("/Volumes/Data/" + name + ".dmg"), QStringList{"kept.txt"});
    } else {
      EXPECT_EQ(recorder.errors, QList<int>{MakeDmgDelegate::kImageNotFinished});
      EXPECT_EQ(recorder.hundreds(), 0);
      EXPECT_FALSE(engine.isRunning());
      platform::runShell(platform::shellLine("/usr/sbin/diskutil", {"eject", "/Volumes/QuorvanDiskCloneDmg"}));
    }
  }
}

// A scratch folder found in "/tmp" that is not our own empty folder would put
// someone else's files into the image.
TEST_F(ImageEngine, AScratchFolderThatIsNotOursIsNotUsedAsFound) {
  const QString scratch = world.host(MakeDmg::kScratchFolder);
  const QString elsewhere = world.host("/Users/alex/elsewhere");
  struct Case {
    const char* what;
    std::function<void()> plant;
  };
  const auto plantedFolder = [&] {
    QDir().mkpath(scratch);
    write(QString(MakeDmg::kScratchFolder) + "/planted.txt", "theirs");
  };
  const Case cases[] = {
      {"another user's", [&] {
         plantedFolder();
         ASSERT_EQ(::chown(QFile::encodeName(scratch).constData(), 65534, 65534), 0);
         ::chmod(QFile::encodeName(scratch).constData(), 0700);
       }},
      {"writable by all", [&] {
         plantedFolder();
         ::chmod(QFile::encodeName(scratch).constData(), 0777);
       }},
      {"a link", [&] {
         write("/Users/alex/elsewhere/planted.txt", "theirs");
         ASSERT_TRUE(QFile::link(elsewhere, scratch));
       }},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (::geteuid() != 0 && n == 0) {
      ++n;
      continue;  // only root can hand a folder to another user
    }
    recorder.progress.clear();
    QDir().mkpath(QFileInfo(scratch).path());
    c.plant();
    write("/Volumes/Data/s/mine.txt", "m");
    recorder.files = {"/Volumes/Data/s/mine.txt"};
    const QString name = QString("QuorvanDiskClone(scratch%1)").arg(++n);
    engine.makeTmpDmgWithPath("/Volumes/Data", name, 1);
    ASSERT_TRUE(waitUntil([&] { return recorder.ended(); }, 60000));
    settle();
    EXPECT_EQ(recorder.failures, 0);
    EXPECT_EQ(imageContents("/Volumes/Data/" + name + ".dmg"), QStringList{"mine.txt"});
    // What a link led to is left alone.
    if (QFileInfo::exists(elsewhere)) EXPECT_TRUE(QFileInfo::exists(elsewhere + "/planted.txt"));
  }
}

TEST_F(ImageEngine, DestroyedDuringCreateWaitsForItsWorker) {
  // Run under ASan/TSan: the worker must not touch the engine once it is gone.
  write("/Volumes/Data/x.txt");
  auto* doomed = new MakeDmg;
  Recorder late(doomed);
  doomed->setMakeDmgDelegate(&late);
  platform::gates::arm("makeDmg.creating");
  doomed->makeTmpDmgWithPath("/Volumes/Data", "QuorvanDiskClone(gone)", 1);
  ASSERT_TRUE(platform::gates::waitReached("makeDmg.creating", 30000));
  // The destructor blocks this thread, so the worker is let go from another one.
  std::thread releaser([] { platform::gates::release("makeDmg.creating"); });
  delete doomed;
  releaser.join();
  platform::waitForGlobalQueue();
  QCoreApplication::processEvents();
  EXPECT_EQ(late.begins, 0);
  EXPECT_FALSE(QFileInfo::exists(world.host("/Volumes/Data/QuorvanDiskClone(gone).dmg")));
  EXPECT_FALSE(QFileInfo::exists(world.host("/Volumes/QuorvanDiskCloneDmg")));
}

TEST_F(ImageEngine, SecondJobWhileOneRunsIsRefused) {
  write("/Volumes/Data/x.txt");
  recorder.files = {"/Volumes/Data/x.txt"};
  engine.makeTmpDmgWithPath("/Volumes/Data", "QuorvanDiskClone(first)", 1);
  engine.makeTmpDmgWithPath("/Volumes/Data", "QuorvanDiskClone(second)", 1);
  engine.doZipWithPath("/Volumes/Data/second.zip", {node("/Volumes/Data/x.txt", false)});
  ASSERT_TRUE(waitUntil([&] { return recorder.hundreds() == 1; }, 60000));
  settle();
  EXPECT_EQ(recorder.failures, 2);
  EXPECT_TRUE(QFileInfo::exists(world.host("/Volumes/Data/QuorvanDiskClone(first).dmg")));
  EXPECT_FALSE(QFileInfo::exists(world.host("/Volumes/Data/QuorvanDiskClone(second).dmg")));
  EXPECT_FALSE(QFileInfo::exists(world.host("/Volumes/Data/second.zip")));
}

// ---- ZIP ---------------------------------------------------------------------

QStringList zipEntries(const QString& hostArchive) {
  QProcess p;
  p.start("unzip", {"-Z1", hostArchive});
  p.waitForFinished(30000);
  return QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
}

TEST_F(ImageEngine, ZipCountsTheEntriesOfTheSelection) {
  // A chosen folder counts everything below it; a partly chosen one only its chosen
  // items; an unchosen item nothing.
  for (const char* f : {"/Volumes/Data/all/x", "/Volumes/Data/all/sub/y", "/Volumes/Data/some/in",
                        "/Volumes/Data/some/out", "/Volumes/Data/single"})
    write(f);
  FileNodePtr some = node("/Volumes/Data/some", true, FileNode::PartlySelected);
  some->children() << node("/Volumes/Data/some/in", false)
                   << node("/Volumes/Data/some/out", false, FileNode::NotSelected);
  const FileNodeList roots{node("/Volumes/Data/all", true), some, node("/Volumes/Data/single", false),
                           node("/Volumes/Data/some/out", false, FileNode::NotSelected)};
  EXPECT_EQ(engine.getAllFileCount(roots), 5u);  // x, sub, sub/y, in, single
  EXPECT_EQ(engine.selectedPaths(),
            (QStringList{"/Volumes/Data/all", "/Volumes/Data/some/in", "/Volumes/Data/single"}));
  EXPECT_EQ(MakeDmg::getAllFileCountWithPath("/Volumes/Data/missing"), 0u);
}

TEST_F(ImageEngine, ZipKeepsHostileNamesLiterally) {
  const QStringList names = {"a*b", "[x].txt", "x.txt", "quo'te\"$(touch pwned)`id`", "-rf", " lead", "semi;colon"};
  for (const QString& n : names) write("/Volumes/Data/hostile/" + n, n.toUtf8());
  write("/Volumes/Data/hostile/aXb");  // would match a*b as a pattern
  FileNodePtr folder = node("/Volumes/Data/hostile", true, FileNode::PartlySelected);
  for (const QString& n : names) {
    FileNodePtr child = node("/Volumes/Data/hostile/" + n, false);
    folder->children().append(child);
  }
  folder->children().append(node("/Volumes/Data/hostile/aXb", false, FileNode::NotSelected));
  engine.doZipWithPath("/Volumes/USB Stick/out.zip", {folder});
  EXPECT_EQ(engine.selectedPaths().size(), names.size());
  ASSERT_TRUE(waitUntil([&] { return recorder.ended(); }, 60000));
  settle();
  EXPECT_EQ(recorder.failures, 0);
  EXPECT_EQ(recorder.hundreds(), 1);
  for (int i = 0; i + 1 < recorder.progress.size(); ++i) EXPECT_LT(recorder.progress[i], 100);
  QStringList entries = zipEntries(world.host("/Volumes/USB Stick/out.zip"));
  QStringList want;
  for (const QString& n : names) want << "Volumes/Data/hostile/" + n;
  entries.sort();
  want.sort();
  EXPECT_EQ(entries, want);
  EXPECT_FALSE(QFileInfo::exists(world.host("/pwned")));
  EXPECT_FALSE(QFileInfo::exists(world.host("/Volumes/Data/hostile/pwned")));
}

TEST_F(ImageEngine, ZipProgressIsCappedUntilZipEnds) {
  // However zip's output is cut, 100 comes only from zip's end.
  for (int i = 0; i < 3; ++i) write(QString("/Volumes/Data/four/f%1").arg(i));
  engine.doZipWithPath("/Volumes/Data/four.zip", {node("/Volumes/Data/four", true)});
  ASSERT_TRUE(waitUntil([&] { return recorder.ended(); }, 60000));
  settle();
  ASSERT_FALSE(recorder.progress.isEmpty());
  EXPECT_EQ(recorder.progress.last(), 100);
  EXPECT_EQ(recorder.hundreds(), 1);
  for (int i = 0; i + 1 < recorder.progress.size(); ++i) {
    EXPECT_LE(recorder.progress[i], 99);
    if (i > 0) EXPECT_GE(recorder.progress[i], recorder.progress[i - 1]);
  }
  EXPECT_EQ(zipEntries(world.host("/Volumes/Data/four.zip")).size(), 4);
}

// A zip whose output comes in chunks the test cuts: each chunk is one step of
// the entry count, whatever lines it holds, and 100 waits for zip's end.
TEST_F(ImageEngine, ZipChunksStepThePercentageAndOnlyItsEndTellsHundred) {
  for (int i = 0; i < 4; ++i) write(QString("/Volumes/Data/four/f%1").arg(i));
  QTemporaryDir gates;
  ASSERT_TRUE(gates.isValid());
  const QString next = gates.filePath("next"), end = gates.filePath("end");
  for (const QString& fifo : {next, end}) ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  const QString chunk1 = "  adding: four/f0\n  adding: four/f1\n";
  const QString chunk2 = "  adding: four/f2\n  adding: four/f3\n";
  // Only the shell's built-ins: printf, read from a pipe the test opens, and the
  // archive made by a redirection ($2 is its Mac path).
  const QString script = QString("#!/bin/sh\n"
                                 "printf '%1'\n"
                                 "read go < %3\n"
                                 "printf '%2'\n"
                                 "read go < %4\n"
                                 ": > %5\"$2\"\n")
                             .arg(QString(chunk1).replace("\n", "\\n"), QString(chunk2).replace("\n", "\\n"),
                                  platform::shellQuote(next), platform::shellQuote(end),
                                  platform::shellQuote(world.root()));
  {
    QFile zip(world.host("/usr/bin/zip"));
    ASSERT_TRUE(zip.remove());
    ASSERT_TRUE(zip.open(QIODevice::WriteOnly));
    zip.write(script.toUtf8());
    zip.close();
    ASSERT_TRUE(zip.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
  }
  // Lets the stand-in past one `read`, once it waits there.
  const auto release = [](const QString& fifo) {
    int fd = -1;
    const bool opened = waitUntil([&] {
      fd = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
      return fd >= 0;
    }, 30000);
    if (opened) {
      EXPECT_EQ(::write(fd, "\n", 1), 1);
      ::close(fd);
    }
    return opened;
  };

  engine.doZipWithPath("/Volumes/Data/four.zip", {node("/Volumes/Data/four", true)});
  ASSERT_TRUE(waitUntil([&] { return recorder.progress.size() == 1; }, 30000));
  EXPECT_EQ(recorder.progress, QList<float>{25});
  ASSERT_TRUE(release(next));
  ASSERT_TRUE(waitUntil([&] { return recorder.progress.size() == 2; }, 30000));
  EXPECT_EQ(recorder.progress, (QList<float>{25, 50}));
  EXPECT_TRUE(engine.isRunning());
  ASSERT_TRUE(release(end));
  ASSERT_TRUE(waitUntil([&] { return recorder.ended(); }, 30000));
  settle();
  EXPECT_EQ(recorder.failures, 0);
  EXPECT_EQ(recorder.progress, (QList<float>{25, 50, 100}));
  EXPECT_EQ(recorder.texts, (QStringList{chunk1, chunk2, QString()}));
  EXPECT_TRUE(QFileInfo(world.host("/Volumes/Data/four.zip")).isFile());
}

TEST_F(ImageEngine, ZipOfOnlyEmptyFoldersDoesNotDivideByZero) {
  QDir().mkpath(world.host("/Volumes/Data/empty"));
  engine.doZipWithPath("/Volumes/Data/empty.zip", {node("/Volumes/Data/empty", true)});
  ASSERT_TRUE(waitUntil([&] { return recorder.ended(); }, 60000));
  settle();
  EXPECT_EQ(recorder.failures, 0);
  EXPECT_EQ(recorder.progress.last(), 100);
}

TEST_F(ImageEngine, ZipFailuresAreFailuresAndExistingArchivesStay) {
  write("/Volumes/Data/kept.zip", "not mine");
  engine.doZipWithPath("/Volumes/Data/kept.zip", {node("/Volumes/Data/Meeting $(date) `notes`.txt", false)});
  ASSERT_TRUE(waitUntil([&] { return recorder.failures == 1; }, 30000));
  QFile kept(world.host("/Volumes/Data/kept.zip"));
  ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
  EXPECT_EQ(kept.readAll(), "not mine");

  // Nothing zip can read: zip fails, no archive is left and no 100 is told.
  engine.doZipWithPath("/Volumes/Data/none.zip", {node("/Volumes/Data/does-not-exist", false)});
  ASSERT_TRUE(waitUntil([&] { return recorder.failures == 2; }, 30000));
  settle();
  EXPECT_EQ(recorder.hundreds(), 0);
  EXPECT_FALSE(QFileInfo::exists(world.host("/Volumes/Data/none.zip")));
}

TEST_F(ImageEngine, CancelledZipStopsAndRemovesItsArchive) {
  // Enough incompressible data that zip is still working when the cancel comes.
  QByteArray noise(8 * 1024 * 1024, '\0');
  for (int i = 0; i < 12; ++i) {
    QRandomGenerator::global()->fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
    write(QString("/Volumes/Data/big/n%1").arg(i), noise);
  }
  engine.doZipWithPath("/Volumes/Data/big.zip", {node("/Volumes/Data/big", true)});
  ASSERT_TRUE(waitUntil([&] { return !recorder.progress.isEmpty(); }, 30000));
  engine.setIsCancelCopy(true);
  engine.stopMakeDmg();
  const int reports = recorder.progress.size();
  ASSERT_TRUE(waitUntil([&] { return !engine.isRunning(); }, 30000));
  settle();
  EXPECT_EQ(recorder.progress.size(), reports);
  EXPECT_EQ(recorder.hundreds(), 0);
  EXPECT_EQ(recorder.failures, 0);
  EXPECT_FALSE(QFileInfo::exists(world.host("/Volumes/Data/big.zip")));
  QStringList leftovers = QDir(world.host("/Volumes/Data")).entryList({"zi*"}, QDir::Files);
  EXPECT_TRUE(leftovers.isEmpty()) << qPrintable(leftovers.join(", "));
}

}  // namespace
