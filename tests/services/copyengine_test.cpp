// The size totaller and the copy engine, with the real rsync.
#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QObject>
#include <QTemporaryDir>
#include <atomic>
#include <future>
#include <mutex>
#include <thread>

#include <sys/syscall.h>
#include <unistd.h>

#include "VolumesTestHelpers.h"
#include "platform/Paths.h"
#include "support/TestWorld.h"
#include "platform/Queue.h"
#include "services/DoCopyFiles.h"
#include "services/FileNode.h"
#include "services/GetFilesSize.h"
#include "services/Controller.h"
#include "world/lib/Flags.h"
#include "world/lib/Layout.h"
#include <QProcess>

using namespace volumes_test;

namespace {

struct SizeRecorder : QObject, GetFilesSizeDelegate {
  std::mutex m;
  QList<qint64> totals;
  void allCopyFilesSize(qint64 size) override {
    std::lock_guard<std::mutex> lock(m);
    totals << size;
  }
  QList<qint64> get() {
    std::lock_guard<std::mutex> lock(m);
    return totals;
  }
};

// Everything the engine reports, in arrival order, as text.
struct CopyRecorder : QObject, DoCopyFilesDelegate {
  std::mutex m;
  QStringList events;
  QList<float> progress;
  QString output;
  int errors = 0;
  bool finished = false;
  CopyOutcome outcome = CopyOutcome::AllCopied;
  int afterFinish = 0;
  bool offMainProgress = false;
  std::function<void()> onFirstOutput;

  void note(const QString& e) {
    if (finished) ++afterFinish;
    events << e;
  }
  void topCopyProgress(float p) override {
    std::lock_guard<std::mutex> lock(m);
    if (!platform::isMainThread()) offMainProgress = true;
    progress << p;
    note("progress");
  }
  void topCopyFilePath(const QString& text) override {
    std::function<void()> first;
    {
      std::lock_guard<std::mutex> lock(m);
      if (output.isEmpty()) first = onFirstOutput;
      output += text;
      note("output");
    }
    if (first) first();
  }
  void copyFileError() override {
    std::lock_guard<std::mutex> lock(m);
    ++errors;
    note("error");
  }
  void copyFilesFinished(CopyOutcome o) override {
    std::lock_guard<std::mutex> lock(m);
    note("finished");
    finished = true;
    outcome = o;
  }
  bool isFinished() {
    std::lock_guard<std::mutex> lock(m);
    return finished;
  }
};

// A node for a Mac path, typed and sized from the file system.
FileNodePtr node(const QString& path, int state = FileNode::Selected, FileNode* father = nullptr) {
  const QFileInfo info(platform::hostPath(path));
  FileNodePtr n = FileNode::initWithPath(path, QFileInfo(path).fileName(), info.isDir(), father);
  n->setState(state);
  if (!info.isDir()) n->setSize(quint64(info.size()));
  if (father) father->children().append(n);
  return n;
}

CopyOutcome runCopy(CopyRecorder& rec, const FileNodeList& items, const QString& dest,
                    CopyItems kind = CopyItems::DroppedItems) {
  DoCopyFiles engine;
  engine.setDelegate(&rec);
  engine.doCopyFilesWithArr(items, dest, kind);
  EXPECT_TRUE(waitFor([&] { return rec.isFinished(); }, 60000));
  settle(100);
  EXPECT_EQ(rec.afterFinish, 0);
  return rec.outcome;
}

// Every entry below a Mac folder, relative to it.
QStringList tree(const QString& macRoot) {
  const QString root = platform::hostPath(macRoot);
  QStringList out;
  QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                  QDirIterator::Subdirectories);
  while (it.hasNext()) out << it.next().mid(root.size() + 1);
  out.sort();
  return out;
}

QStringList topEntries(const QString& macFolder) {
  QStringList names = QDir(platform::hostPath(macFolder))
                          .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
  names.sort();
  return names;
}

bool put(const QString& macPath, qint64 bytes, char fill = 'x') {
  return writeFile(platform::hostPath(macPath), bytes, fill);
}

// The copy engine runs the world's rsync on Mac paths: a world per test.
class DoCopyFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(world_.ok()) << world_.error().toStdString();
    QDir().mkpath(platform::hostPath(kSrc));
    QDir().mkpath(platform::hostPath(kDest));
  }
  // A fresh destination folder on the destination volume.
  QString freshDest(const QString& name) {
    const QString d = kDest + "/" + name;
    QDir().mkpath(platform::hostPath(d));
    return d;
  }
  const QString kSrc = "/Users/alex/src";
  const QString kDest = "/Volumes/USB Stick";
  TestWorld world_{TestWorld::demo()};
};

}  // namespace

TEST(GetFilesSizeTest, SumsTickedItemsOnce) {
  QTemporaryDir dir;
  const QString u = dir.path() + "/U";
  ASSERT_TRUE(writeFile(u + "/small", 100));
  ASSERT_TRUE(writeFile(u + "/folder/a", 600));
  ASSERT_TRUE(writeFile(u + "/folder/deeper/.hidden", 400));  // hidden items count
  ASSERT_TRUE(writeFile(u + "/unticked", 5000));
  ASSERT_TRUE(writeFile(dir.path() + "/big", 70000));
  QFile::link(u + "/folder", u + "/folder/deeper/loop");  // a link counts as itself, never followed
  const qint64 linkSize = QFileInfo(u + "/folder/deeper/loop").symLinkTarget().toUtf8().size();

  FileNodePtr top = node(u, FileNode::PartlySelected);
  node(u + "/small", FileNode::Selected, top.data());
  node(u + "/folder", FileNode::Selected, top.data());
  node(u + "/unticked", FileNode::NotSelected, top.data());
  struct Case {
    const char* name;
    FileNodeList list;
    qint64 total;
  };
  // A file's size is the one the scan stored, not what the disk says now.
  FileNodePtr stored = node(dir.path() + "/big");
  stored->setSize(1234);
  // A folder that went away after the scan: the folder walk finds nothing.
  FileNodePtr gone = FileNode::initWithPath(dir.path() + "/gone", "gone", true, nullptr);
  gone->setState(FileNode::Selected);
  const QList<Case> cases = {
      {"partly ticked folder", {top}, 1100 + linkSize},
      {"ticked file uses its stored size", {stored}, 1234},
      {"unticked adds nothing", {node(dir.path() + "/big", FileNode::NotSelected)}, 0},
      {"missing folder counts 0", {gone}, 0},
      {"empty list", {}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SizeRecorder rec;
    {
      auto totaller = GetFilesSize::create();
      totaller->setDelegate(&rec);
      totaller->getAllFilesSizeWithArr(c.list);
    }  // dropped at once: the walk keeps it alive
    ASSERT_TRUE(waitFor([&] { return !rec.get().isEmpty(); }));
    settle(50);
    EXPECT_EQ(rec.get(), QList<qint64>{c.total});
  }
}

// The kernel's state of one of this process's threads is "S": it sleeps on a wait.
bool threadSleeps(pid_t thread) {
  QFile stat(QString("/proc/self/task/%1/stat").arg(thread));
  if (!stat.open(QIODevice::ReadOnly)) return false;
  const QByteArray line = stat.readAll();
  const qsizetype end = line.lastIndexOf(')');
  return end >= 0 && line.size() > end + 2 && line.at(end + 2) == 'S';
}

// Holds its first report until the test lets it go, then writes into itself.
// Every report is counted where the count outlives the receiver, so one that
// reaches it after its end shows.
struct HeldSizeReceiver : QObject, GetFilesSizeDelegate {
  std::promise<void> entered;
  std::shared_future<void> go;
  std::atomic<bool>* gone = nullptr;
  std::atomic<bool>* goneDuringReport = nullptr;
  std::atomic<int>* reports = nullptr;
  QString seen;
  ~HeldSizeReceiver() override {
    stopReports();
    *gone = true;
  }
  void allCopyFilesSize(qint64 size) override {
    if (reports->fetch_add(1) > 0) return;
    // Nothing of the receiver is read once it is let go unless it is still there,
    // so a receiver freed too early fails the test instead of crashing it.
    const std::shared_future<void> letGo = go;
    std::atomic<bool>* const destroyed = gone;
    std::atomic<bool>* const destroyedDuringReport = goneDuringReport;
    entered.set_value();
    letGo.wait();
    *destroyedDuringReport = destroyed->load();
    if (!*destroyedDuringReport) seen = QString::number(size);
  }
};

TEST(GetFilesSizeTest, AReceiverDestroyedDuringItsReportOutlivesTheReport) {
  QTemporaryDir dir;
  for (int i = 0; i < 200; ++i) ASSERT_TRUE(writeFile(dir.path() + QString("/tree/d%1/f").arg(i % 20) + QString::number(i), 10));
  std::promise<void> letGo;
  std::atomic<bool> gone{false}, goneDuringReport{false};
  std::atomic<int> reports{0};
  auto* receiver = new HeldSizeReceiver;
  receiver->go = letGo.get_future().share();
  receiver->gone = &gone;
  receiver->goneDuringReport = &goneDuringReport;
  receiver->reports = &reports;
  const std::shared_ptr<ReportReceiver::Life> life = receiver->life();
  std::future<void> entered = receiver->entered.get_future();
  auto totaller = GetFilesSize::create();
  totaller->setDelegate(receiver);
  totaller->getAllFilesSizeWithArr({node(dir.path() + "/tree")});
  ASSERT_EQ(entered.wait_for(std::chrono::seconds(20)), std::future_status::ready);

  // The screen goes away while the worker is inside its report. Its report is
  // let go once the destruction has begun (the receiver refuses reports from
  // then on), and it must find the receiver still there.
  std::atomic<pid_t> destroyerId{0};
  std::thread destroyer([receiver, &destroyerId] {
    destroyerId = pid_t(::syscall(SYS_gettid));
    delete receiver;
  });
  ASSERT_TRUE(waitFor([&] {
    std::lock_guard<std::mutex> lock(life->m);
    return !life->alive;
  }));
  // Past that point the destruction either waits for the report (the thread
  // sleeps) or runs to its end; only then is the report let go.
  ASSERT_TRUE(waitFor([&] { return gone.load() || threadSleeps(destroyerId); }));
  letGo.set_value();
  destroyer.join();
  platform::waitForGlobalQueue();  // the report has returned
  EXPECT_FALSE(goneDuringReport.load()) << "destroyed while its report was still running";
  EXPECT_TRUE(gone.load());

  // Gone now: the engine holds no receiver, and a later total reports to nobody.
  EXPECT_EQ(totaller->delegate(), nullptr);
  totaller->getAllFilesSizeWithArr({node(dir.path() + "/tree")});
  platform::waitForGlobalQueue();
  EXPECT_EQ(reports.load(), 1) << "a later total reached the destroyed receiver";

  // A receiver replaced before the total starts hears nothing of it; the one
  // that replaced it hears the total once.
  SizeRecorder replaced, current;
  totaller->setDelegate(&replaced);
  totaller->setDelegate(&current);
  totaller->getAllFilesSizeWithArr({node(dir.path() + "/tree")});
  EXPECT_TRUE(waitFor([&] { return !current.get().isEmpty(); }));
  platform::waitForGlobalQueue();
  EXPECT_EQ(current.get().size(), 1);
  EXPECT_TRUE(replaced.get().isEmpty());
}

TEST(GetFilesSizeTest, OtherVolumesAreNotPartOfTheStartupVolume) {
  TestWorld world;
  ASSERT_TRUE(world.ok()) << world.error().toStdString();
  auto total = [](const FileNodeList& list) {
    SizeRecorder rec;
    auto totaller = GetFilesSize::create();
    totaller->setDelegate(&rec);
    totaller->getAllFilesSizeWithArr(list);
    EXPECT_TRUE(waitFor([&] { return !rec.get().isEmpty(); }));
    return rec.get().value(0, -1);
  };
  const qint64 before = total({node("/")});
  ASSERT_GT(before, 0);
  // Bytes on other volumes (and a stray folder in /Volumes) leave the startup
  // volume's total as it was; bytes of its own grow it.
  ASSERT_TRUE(writeFile(world.host("/Volumes/Stray/big"), 1000000));
  ASSERT_TRUE(writeFile(world.host("/System/Volumes/Data/big"), 2000000));
  ASSERT_TRUE(writeFile(world.host("/Users/alex/own"), 100));
  FileNodePtr volumes = node("/Volumes", FileNode::PartlySelected);
  node("/Volumes/Stray", FileNode::Selected, volumes.data());
  struct Case {
    const char* name;
    FileNodeList list;
    qint64 total;
  };
  const QList<Case> cases = {
      {"the whole startup volume", {node("/")}, before + 100},
      {"the volumes folder", {node("/Volumes")}, 0},
      {"the system's volumes folder", {node("/System/Volumes")}, 0},
      {"a folder below it, named", {node("/Volumes/Stray")}, 1000000},
      {"a folder below it, ticked inside", {volumes}, 1000000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(total(c.list), c.total);
  }
  EXPECT_LT(total({node("/System")}), 2000000);  // its Volumes folder is left out
}

TEST_F(DoCopyFilesTest, ProgressSeries) {
  // Unticked items run no rsync but still report their step.
  struct Case {
    int items;
    QList<float> expected;
  };
  QList<float> twentyFive = {5};
  for (int j = 0; j < 25; ++j) twentyFive << float(qMax(((j + 1) * 100) / 25, 5));
  const QList<Case> cases = {
      {4, {5, 25, 50, 75, 100}}, {3, {5, 33, 66, 100}}, {1, {5, 100}}, {25, twentyFive}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.items);
    FileNodeList items;
    for (int i = 0; i < c.items; ++i) items << node(kSrc + QString("/n%1").arg(i), FileNode::NotSelected);
    CopyRecorder rec;
    runCopy(rec, items, kDest);
    EXPECT_EQ(rec.progress, c.expected);
    EXPECT_FALSE(rec.offMainProgress);
  }
  EXPECT_EQ(twentyFive.mid(0, 5), (QList<float>{5, 5, 8, 12, 16}));
}

TEST_F(DoCopyFilesTest, LayoutOfCopiedItems) {
  const QString s = kSrc;
  ASSERT_TRUE(put(s + "/file.txt", 10, 'a'));
  ASSERT_TRUE(put(s + "/Whole/inner/deep.txt", 20, 'b'));
  ASSERT_TRUE(put(s + "/U/S.txt", 30, 'c'));
  ASSERT_TRUE(put(s + "/U/skip.txt", 30, 'd'));
  ASSERT_TRUE(put(s + "/U/V/v.txt", 40, 'e'));
  ASSERT_TRUE(put(s + "/U/V/W/w.txt", 50, 'f'));
  ASSERT_TRUE(put(s + "/U/V/W/not.txt", 50, 'g'));

  FileNodePtr u = node(s + "/U", FileNode::PartlySelected);
  node(s + "/U/S.txt", FileNode::Selected, u.data());
  node(s + "/U/skip.txt", FileNode::NotSelected, u.data());
  FileNodePtr v = node(s + "/U/V", FileNode::PartlySelected, u.data());
  node(s + "/U/V/v.txt", FileNode::Selected, v.data());
  FileNodePtr w = node(s + "/U/V/W", FileNode::PartlySelected, v.data());
  node(s + "/U/V/W/w.txt", FileNode::Selected, w.data());
  node(s + "/U/V/W/not.txt", FileNode::NotSelected, w.data());

  const QString dest = freshDest("layout");
  CopyRecorder rec;
  EXPECT_EQ(runCopy(rec, {node(s + "/file.txt"), node(s + "/Whole"), u}, dest), CopyOutcome::AllCopied);
  EXPECT_EQ(tree(dest), (QStringList{"S.txt", "V", "V/W", "V/W/w.txt", "V/v.txt", "Whole", "Whole/inner",
                                     "Whole/inner/deep.txt", "file.txt"}));
  EXPECT_EQ(readAll(platform::hostPath(dest + "/Whole/inner/deep.txt")), QByteArray(20, 'b'));
  EXPECT_EQ(readAll(platform::hostPath(dest + "/V/W/w.txt")), QByteArray(50, 'f'));
  EXPECT_TRUE(rec.output.contains("Whole/inner/deep.txt"));  // rsync -av lists what it copies
  EXPECT_FALSE(rec.output.contains(world_.root()));          // in Mac terms
  EXPECT_EQ(rec.progress, (QList<float>{5, 33, 66, 100}));
  EXPECT_EQ(rec.events.last(), "finished");
}

TEST_F(DoCopyFilesTest, TopLevelRulesFollowWhereTheItemsCameFrom) {
  ASSERT_TRUE(put(kSrc + "/.secret", 3));
  ASSERT_TRUE(put(kSrc + "/usr/bin/tool", 3));
  ASSERT_TRUE(put(kSrc + "/Library/x", 3));
  ASSERT_TRUE(put(kSrc + "/flagged/x", 3));
  ASSERT_TRUE(put(kSrc + "/plain", 3));
  ASSERT_TRUE(world::setHiddenFlag(world_.layout(), kSrc + "/flagged", true));
  const FileNodeList items = {node(kSrc + "/.secret"), node(kSrc + "/usr"), node(kSrc + "/Library"),
                              node(kSrc + "/flagged"), node(kSrc + "/plain")};
  struct Case {
    CopyItems kind;
    QStringList top;
  };
  // A listing and a browser selection leave the hidden roots out (the user
  // could not tick them); what the user dropped is copied as dropped.
  const QList<Case> cases = {{CopyItems::CopyAllListing, {"plain"}},
                             {CopyItems::BrowserSelection, {"plain"}},
                             {CopyItems::DroppedItems, {".secret", "Library", "flagged", "plain", "usr"}}};
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.kind));
    const QString dest = freshDest(QString("hidden%1").arg(n++));
    CopyRecorder rec;
    EXPECT_EQ(runCopy(rec, items, dest, c.kind), CopyOutcome::AllCopied);
    EXPECT_EQ(topEntries(dest), c.top);
    EXPECT_EQ(rec.progress, (QList<float>{5, 20, 40, 60, 80, 100}));
  }
  // The Finder-info attribute hides as well; an empty path never.
  ASSERT_TRUE(world::setExtendedAttribute(world_.layout(), kSrc + "/plain", world::kFinderInfoAttribute,
                                          QByteArray(32, 0)));
  EXPECT_TRUE(DoCopyFiles::isHiddenAtPath(kSrc + "/plain"));
  EXPECT_TRUE(DoCopyFiles::isHiddenAtPath("/private"));
  EXPECT_FALSE(DoCopyFiles::isHiddenAtPath(""));
  EXPECT_FALSE(DoCopyFiles::isHiddenAtPath("/Users"));
}

TEST_F(DoCopyFilesTest, FailuresAreReportedInTheOutcome) {
  ASSERT_TRUE(put(kSrc + "/ok", 5));
  // A partly ticked folder whose ticked items lie one and two levels down.
  ASSERT_TRUE(put(kSrc + "/U/a", 5));
  ASSERT_TRUE(put(kSrc + "/U/V/b", 5));
  FileNodePtr partly = node(kSrc + "/U", FileNode::PartlySelected);
  node(kSrc + "/U/a", FileNode::Selected, partly.data());
  FileNodePtr v = node(kSrc + "/U/V", FileNode::PartlySelected, partly.data());
  node(kSrc + "/U/V/b", FileNode::Selected, v.data());
  struct Case {
    const char* name;
    FileNodeList items;
    bool destinationExists;
    CopyOutcome outcome;
    int errors;
    QList<float> progress;
  };
  const QList<Case> cases = {
      {"one item fails", {node(kSrc + "/ok"), node(kSrc + "/missing")}, true, CopyOutcome::SomeFailed, 0,
       {5, 50, 100}},
      {"every item fails", {node(kSrc + "/missing")}, true, CopyOutcome::Failed, 0, {5, 100}},
      {"destination missing", {node(kSrc + "/ok"), node(kSrc + "/ok")}, false, CopyOutcome::Failed, 2,
       {5, 50, 100}},
      {"empty list", {}, true, CopyOutcome::Failed, 0, {}},
      // Nothing copied is never a success, however the run got there.
      {"every item unticked", {node(kSrc + "/ok", FileNode::NotSelected)}, true, CopyOutcome::Failed, 0,
       {5, 100}},
      {"only the other volumes ticked", {node("/Volumes"), node("/System/Volumes")}, true,
       CopyOutcome::Failed, 0, {5, 50, 100}},
      // Its folders are not made again where the destination was.
      {"destination missing below a partly ticked folder", {partly}, false, CopyOutcome::Failed, 2,
       {5, 100}},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QString target = kDest + QString("/into%1").arg(n++);
    if (c.destinationExists) QDir().mkpath(platform::hostPath(target));
    CopyRecorder rec;
    EXPECT_EQ(runCopy(rec, c.items, target), c.outcome);
    EXPECT_EQ(rec.errors, c.errors);
    EXPECT_EQ(rec.progress, c.progress);
    EXPECT_EQ(QFileInfo::exists(platform::hostPath(target)), c.destinationExists);
  }
  // A copy-all listing whose every item is hidden copies nothing.
  {
    const QString target = freshDest("allHidden");
    ASSERT_TRUE(put(kSrc + "/.hidden", 3));
    CopyRecorder rec;
    EXPECT_EQ(runCopy(rec, {node(kSrc + "/.hidden")}, target, CopyItems::CopyAllListing), CopyOutcome::Failed);
    EXPECT_TRUE(topEntries(target).isEmpty());
  }
  // A read-only destination volume: rsync fails, and so does the copy.
  CopyRecorder rec;
  EXPECT_EQ(runCopy(rec, {node(kSrc + "/ok")}, "/Volumes/Windows Backup"), CopyOutcome::Failed);
}

// Items that would take one name at the top of the copy are refused before
// anything is copied; inside the new folder nothing lands on a file either.
TEST_F(DoCopyFilesTest, NothingLandsOnAnotherItem) {
  ASSERT_TRUE(put(kSrc + "/A/notes/a.txt", 4, 'a'));
  ASSERT_TRUE(put(kSrc + "/B/Notes/b.txt", 4, 'b'));
  ASSERT_TRUE(put(kSrc + "/B/other", 4));
  auto partlyWith = [&](const QString& folder, const QStringList& ticked) {
    FileNodePtr top = node(kSrc + "/" + folder, FileNode::PartlySelected);
    for (const QString& name : ticked) node(kSrc + "/" + folder + "/" + name, FileNode::Selected, top.data());
    return top;
  };
  struct Case {
    const char* name;
    FileNodeList items;
    CopyItems kind;
    QString clash;
  };
  const QList<Case> cases = {
      {"two partly ticked folders, children of one name (case aside)",
       {partlyWith("A", {"notes"}), partlyWith("B", {"Notes", "other"})}, CopyItems::BrowserSelection, "Notes"},
      {"a ticked root and a child of a partly ticked one", {node(kSrc + "/A/notes"), partlyWith("B", {"Notes"})},
       CopyItems::BrowserSelection, "Notes"},
      {"two dropped items of one name", {node(kSrc + "/A/notes"), node(kSrc + "/B/Notes")},
       CopyItems::DroppedItems, "Notes"},
      {"an unticked one does not clash", {partlyWith("A", {"notes"}), node(kSrc + "/B/Notes", FileNode::NotSelected)},
       CopyItems::BrowserSelection, ""},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(DoCopyFiles::clashingName(c.items, c.kind), c.clash);
    if (c.clash.isEmpty()) continue;
    const QString dest = freshDest(QString("clash%1").arg(n++));
    CopyRecorder rec;
    EXPECT_EQ(runCopy(rec, c.items, dest, c.kind), CopyOutcome::Failed);
    EXPECT_TRUE(topEntries(dest).isEmpty());
    EXPECT_TRUE(rec.progress.isEmpty());
  }
  // The one intended merge: a listing's "/System" entries join the top.
  EXPECT_EQ(DoCopyFiles::clashingName({node("/Applications"), node("/System")}, CopyItems::CopyAllListing), "");

  // A file stands where a partly ticked folder must be made: that item fails,
  // the file keeps its content, the others arrive.
  FileNodePtr u = partlyWith("B", {"other"});
  FileNodePtr notes = node(kSrc + "/B/Notes", FileNode::PartlySelected, u.data());
  node(kSrc + "/B/Notes/b.txt", FileNode::Selected, notes.data());
  const QString dest = freshDest("fileInTheWay");
  ASSERT_TRUE(put(dest + "/Notes", 3, 'z'));
  CopyRecorder rec;
  EXPECT_EQ(runCopy(rec, {node(kSrc + "/A"), u}, dest, CopyItems::BrowserSelection), CopyOutcome::SomeFailed);
  EXPECT_EQ(readAll(platform::hostPath(dest + "/Notes")), QByteArray(3, 'z'));
  EXPECT_TRUE(QFileInfo::exists(platform::hostPath(dest + "/other")));
  EXPECT_TRUE(QFileInfo::exists(platform::hostPath(dest + "/A/notes/a.txt")));
}

TEST_F(DoCopyFilesTest, DestinationVanishingMidCopy) {
  // The first item is large enough to be still running when its first output arrives.
  for (int i = 0; i < 3000; ++i) ASSERT_TRUE(put(kSrc + QString("/item0/f%1").arg(i), 2000));
  for (int i = 1; i < 3; ++i) ASSERT_TRUE(put(kSrc + QString("/item%1/f").arg(i), 10));
  // The volume holding the destination goes (moved away at once: a removal would
  // race with rsync still writing, and rsync would make a missing last folder again).
  const QString volume = platform::hostPath(kDest);
  const QString target = freshDest("into");
  CopyRecorder rec;
  rec.onFirstOutput = [volume] { QDir().rename(volume, volume + "-gone"); };
  const CopyOutcome outcome =
      runCopy(rec, {node(kSrc + "/item0"), node(kSrc + "/item1"), node(kSrc + "/item2")}, target);
  EXPECT_NE(outcome, CopyOutcome::AllCopied);
  EXPECT_EQ(rec.errors, 2);  // one per item that found no destination
  EXPECT_EQ(rec.progress.last(), 100.0f);
}

TEST_F(DoCopyFilesTest, CancelStopsRsyncAndLeavesTheSource) {
  const QString big = kSrc + "/many";
  for (int i = 0; i < 4000; ++i) ASSERT_TRUE(put(big + QString("/d%1/file%2.txt").arg(i % 40).arg(i), 2000));
  const QStringList before = tree(kSrc);
  const QString dest = freshDest("cancel");
  DoCopyFiles engine;
  CopyRecorder rec;
  rec.onFirstOutput = [&engine] { engine.setIsCancel(true); };
  engine.setDelegate(&rec);
  engine.doCopyFilesWithArr({node(big), node(kSrc + "/never")}, dest, CopyItems::DroppedItems);
  ASSERT_TRUE(waitFor([&] { return rec.isFinished(); }, 60000));
  settle(300);
  EXPECT_EQ(rec.outcome, CopyOutcome::Cancelled);
  EXPECT_EQ(rec.afterFinish, 0);
  EXPECT_EQ(rec.progress, QList<float>{5});  // nothing after the cancel
  EXPECT_TRUE(engine.isCancel());
  EXPECT_EQ(tree(kSrc), before);
  EXPECT_LT(tree(dest).size(), before.size() - 1);  // stopped before the end
  // No rsync of ours is left running.
  QProcess ps;
  ps.start("pgrep", {"-f", "rsync -av " + platform::hostPath(big)});
  ps.waitForFinished();
  EXPECT_TRUE(ps.readAllStandardOutput().trimmed().isEmpty());
}

TEST_F(DoCopyFilesTest, DroppedEngineStopsAndFallsSilent) {
  const QString big = kSrc + "/many";
  for (int i = 0; i < 4000; ++i) ASSERT_TRUE(put(big + QString("/file%1.txt").arg(i), 2000));
  auto engine = std::make_unique<DoCopyFiles>();
  CopyRecorder rec;
  int eventsWhenDropped = -1;
  rec.onFirstOutput = [&] {
    engine.reset();  // the screen starts another copy, or goes
    eventsWhenDropped = rec.events.size();
  };
  engine->setDelegate(&rec);
  engine->doCopyFilesWithArr({node(big)}, freshDest("dropped"), CopyItems::DroppedItems);
  ASSERT_TRUE(waitFor([&] { return eventsWhenDropped >= 0; }, 60000));
  settle(1500);
  EXPECT_EQ(rec.events.size(), eventsWhenDropped);
  EXPECT_FALSE(rec.isFinished());
  QProcess ps;
  ps.start("pgrep", {"-f", "rsync -av " + platform::hostPath(big)});
  ps.waitForFinished();
  EXPECT_TRUE(ps.readAllStandardOutput().trimmed().isEmpty());
}

TEST_F(DoCopyFilesTest, OutputIsDecodedAcrossChunkBoundaries) {
  QStringList names;
  for (int i = 0; i < 3000; ++i) {
    names << QString("文件-é-%1-ü").arg(i);
    ASSERT_TRUE(put(kSrc + "/d/" + names.last(), 1));
  }
  CopyRecorder rec;
  EXPECT_EQ(runCopy(rec, {node(kSrc + "/d")}, kDest), CopyOutcome::AllCopied);
  EXPECT_FALSE(rec.output.contains(QChar::ReplacementCharacter));
  for (const QString& n : names) ASSERT_TRUE(rec.output.contains("d/" + n + "\n")) << n.toStdString();
}

TEST_F(DoCopyFilesTest, SystemFolderAndTheWholeStartupVolume) {
  // What a copy-all listing of "/" holds, with a "/System" like a Mac's.
  for (const char* name : {"Library", "Cryptexes", "iOSSupport", "DriverKit", "Applications", "Extras"})
    ASSERT_TRUE(put(QString("/System/%1/f").arg(name), 4));
  ASSERT_TRUE(put("/Users/alex/notes.txt", 6));
  Controller controller;
  auto roots = std::make_shared<FileNodeList>();
  controller.eumeAllRootFileNodeWithRootArr(roots, "/", true, true);
  ASSERT_TRUE(waitFor([&] { return controller.isScanFinished(); }));

  const QString dest = freshDest("whole");
  CopyRecorder rec;
  EXPECT_EQ(runCopy(rec, *roots, dest, CopyItems::CopyAllListing), CopyOutcome::AllCopied);
  QStringList top = topEntries(dest);
  EXPECT_FALSE(top.contains("Volumes"));  // would hold the destination itself
  EXPECT_FALSE(top.contains("Library"));  // /Library is a hidden name, /System/Library never copied
  EXPECT_FALSE(top.contains("Cryptexes"));
  EXPECT_FALSE(top.contains("iOSSupport"));
  EXPECT_FALSE(top.contains("DriverKit"));
  EXPECT_FALSE(top.contains("usr"));
  EXPECT_TRUE(top.contains("Extras"));  // an entry of /System, copied into the destination itself
  EXPECT_TRUE(top.contains("Users"));
  EXPECT_EQ(readAll(platform::hostPath(dest + "/Users/alex/notes.txt")), QByteArray(6, 'x'));
  EXPECT_TRUE(QFileInfo::exists(platform::hostPath(dest + "/Applications/f")));  // from /System
  EXPECT_EQ(rec.progress.last(), 100.0f);
  // The screen's tree is left as it was.
  for (const FileNodePtr& n : *roots)
    if (n->path() == "/System") EXPECT_EQ(n->state(), FileNode::Selected);
}

TEST_F(DoCopyFilesTest, PartlyTickedSystemFolderKeepsTheChoice) {
  for (const char* name : {"Applications", "Extras", "Library", "Volumes"})
    ASSERT_TRUE(put(QString("/System/%1/f").arg(name), 4));
  FileNodePtr system = node("/System", FileNode::PartlySelected);
  node("/System/Applications", FileNode::Selected, system.data());
  node("/System/Extras", FileNode::NotSelected, system.data());
  node("/System/Library", FileNode::Selected, system.data());  // never copied
  node("/System/Volumes", FileNode::Selected, system.data());  // the other volumes
  const QString dest = freshDest("system");
  CopyRecorder rec;
  EXPECT_EQ(runCopy(rec, {system}, dest), CopyOutcome::AllCopied);
  EXPECT_EQ(topEntries(dest), QStringList{"Applications"});
  EXPECT_TRUE(QFileInfo::exists(platform::hostPath(dest + "/Applications/f")));
  EXPECT_EQ(system->children().size(), 4);  // the screen's tree is left as it was
}

TEST_F(DoCopyFilesTest, CopyOntoTheVolumeBeingCopiedLeavesTheCopyOut) {
  // The Desktop fallback: the whole startup volume copied into a folder on itself.
  ASSERT_TRUE(put("/Users/alex/notes.txt", 6));
  ASSERT_TRUE(put("/Users/alex/Desktop/todo.txt", 2));
  const QString dest = "/Users/alex/Desktop/QuorvanDiskClone(1)";
  QDir().mkpath(platform::hostPath(dest));
  Controller controller;
  auto roots = std::make_shared<FileNodeList>();
  controller.eumeAllRootFileNodeWithRootArr(roots, "/", true, true);
  ASSERT_TRUE(waitFor([&] { return controller.isScanFinished(); }));
  CopyRecorder rec;
  EXPECT_EQ(runCopy(rec, *roots, dest, CopyItems::CopyAllListing), CopyOutcome::AllCopied);
  EXPECT_EQ(readAll(platform::hostPath(dest + "/Users/alex/notes.txt")), QByteArray(6, 'x'));
  EXPECT_EQ(readAll(platform::hostPath(dest + "/Users/alex/Desktop/todo.txt")), QByteArray(2, 'x'));
  EXPECT_FALSE(QFileInfo::exists(platform::hostPath(dest + "/Users/alex/Desktop/QuorvanDiskClone(1)")));
  EXPECT_FALSE(QFileInfo::exists(platform::hostPath(dest + "/Volumes")));
}
