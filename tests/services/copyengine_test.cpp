// The size totaller and the copy engine, with the real rsync.
#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QObject>
#include <QTemporaryDir>
#include <mutex>

#include "VolumesTestHelpers.h"
#include "platform/Queue.h"
#include "services/DoCopyFiles.h"
#include "services/FileNode.h"
#include "services/GetFilesSize.h"

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

FileNodePtr node(const QString& path, int state = FileNode::Selected, FileNode* father = nullptr) {
  const QFileInfo info(path);
  FileNodePtr n = FileNode::initWithPath(path, info.fileName(), info.isDir(), father);
  n->setState(state);
  if (!info.isDir()) n->setSize(quint64(info.size()));
  if (father) father->children().append(n);
  return n;
}

CopyOutcome runCopy(CopyRecorder& rec, const FileNodeList& items, const QString& dest,
                    CopyItems kind = CopyItems::ChosenItems) {
  DoCopyFiles engine;
  engine.setDelegate(&rec);
  engine.doCopyFilesWithArr(items, dest, kind);
  EXPECT_TRUE(waitFor([&] { return rec.isFinished(); }, 60000));
  settle(100);
  EXPECT_EQ(rec.afterFinish, 0);
  return rec.outcome;
}

QStringList tree(const QString& root) {
  QStringList out;
  QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
  while (it.hasNext()) out << it.next().mid(root.size() + 1);
  out.sort();
  return out;
}

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
  const QList<Case> cases = {
      {"partly ticked folder", {top}, 1100 + linkSize},
      {"ticked file uses its stored size", {node(dir.path() + "/big")}, 70000},
      {"unticked adds nothing", {node(dir.path() + "/big", FileNode::NotSelected)}, 0},
      {"missing folder counts 0", {node(dir.path() + "/gone")}, 0},
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

TEST(DoCopyFilesTest, ProgressSeries) {
  // Unticked items run no rsync but still report their step.
  struct Case {
    int items;
    QList<float> expected;
  };
  QList<float> twentyFive = {5.0f};
  for (int j = 0; j < 25; ++j) twentyFive << float(qMax(((j + 1) * 100) / 25, 5) < 6 ? 5 : ((j + 1) * 100) / 25);
  const QList<Case> cases = {
      {4, {5, 25, 50, 75, 100}}, {3, {5, 33, 66, 100}}, {1, {5, 100}}, {25, twentyFive}};
  QTemporaryDir dest;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.items);
    FileNodeList items;
    for (int i = 0; i < c.items; ++i) items << node(dest.path() + QString("/n%1").arg(i), FileNode::NotSelected);
    CopyRecorder rec;
    EXPECT_EQ(runCopy(rec, items, dest.path()), CopyOutcome::AllCopied);
    EXPECT_EQ(rec.progress, c.expected);
    EXPECT_FALSE(rec.offMainProgress);
  }
  EXPECT_EQ(twentyFive.mid(0, 4), (QList<float>{5, 5, 8, 12}));
}

TEST(DoCopyFilesTest, LayoutOfCopiedItems) {
  QTemporaryDir src, dest;
  const QString s = src.path();
  ASSERT_TRUE(writeFile(s + "/file.txt", 10, 'a'));
  ASSERT_TRUE(writeFile(s + "/Whole/inner/deep.txt", 20, 'b'));
  ASSERT_TRUE(writeFile(s + "/U/S.txt", 30, 'c'));
  ASSERT_TRUE(writeFile(s + "/U/skip.txt", 30, 'd'));
  ASSERT_TRUE(writeFile(s + "/U/V/v.txt", 40, 'e'));
  ASSERT_TRUE(writeFile(s + "/U/V/W/w.txt", 50, 'f'));
  ASSERT_TRUE(writeFile(s + "/U/V/W/not.txt", 50, 'g'));

  FileNodePtr u = node(s + "/U", FileNode::PartlySelected);
  node(s + "/U/S.txt", FileNode::Selected, u.data());
  node(s + "/U/skip.txt", FileNode::NotSelected, u.data());
  FileNodePtr v = node(s + "/U/V", FileNode::PartlySelected, u.data());
  node(s + "/U/V/v.txt", FileNode::Selected, v.data());
  FileNodePtr w = node(s + "/U/V/W", FileNode::PartlySelected, v.data());
  node(s + "/U/V/W/w.txt", FileNode::Selected, w.data());
  node(s + "/U/V/W/not.txt", FileNode::NotSelected, w.data());

  CopyRecorder rec;
  EXPECT_EQ(runCopy(rec, {node(s + "/file.txt"), node(s + "/Whole"), u}, dest.path()),
            CopyOutcome::AllCopied);
  EXPECT_EQ(tree(dest.path()), (QStringList{"S.txt", "V", "V/W", "V/W/w.txt", "V/v.txt", "Whole",
                                            "Whole/inner", "Whole/inner/deep.txt", "file.txt"}));
  EXPECT_EQ(readAll(dest.path() + "/Whole/inner/deep.txt"), QByteArray(20, 'b'));
  EXPECT_EQ(readAll(dest.path() + "/V/W/w.txt"), QByteArray(50, 'f'));
  EXPECT_TRUE(rec.output.contains("deep.txt"));  // rsync -av lists what it copies
  EXPECT_EQ(rec.progress, (QList<float>{5, 33, 66, 100}));
  EXPECT_EQ(rec.events.last(), "finished");
}

TEST(DoCopyFilesTest, HiddenRuleOnlyForCopyAllListings) {
  QTemporaryDir src;
  ASSERT_TRUE(writeFile(src.path() + "/.secret", 3));
  ASSERT_TRUE(writeFile(src.path() + "/usr/bin/tool", 3));
  ASSERT_TRUE(writeFile(src.path() + "/Library/x", 3));
  ASSERT_TRUE(writeFile(src.path() + "/plain", 3));
  const FileNodeList items = {node(src.path() + "/.secret"), node(src.path() + "/usr"),
                              node(src.path() + "/Library"), node(src.path() + "/plain")};
  struct Case {
    CopyItems kind;
    QStringList top;
  };
  const QList<Case> cases = {{CopyItems::CopyAllListing, {"plain"}},
                             {CopyItems::ChosenItems, {".secret", "Library", "plain", "usr"}}};
  for (const Case& c : cases) {
    QTemporaryDir dest;
    CopyRecorder rec;
    EXPECT_EQ(runCopy(rec, items, dest.path(), c.kind), CopyOutcome::AllCopied);
    EXPECT_EQ(QDir(dest.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), c.top);
    EXPECT_EQ(rec.progress, (QList<float>{5, 25, 50, 75, 100}));
  }
  EXPECT_TRUE(DoCopyFiles::isHiddenAtPath("/Volumes/X/.fseventsd"));
  EXPECT_TRUE(DoCopyFiles::isHiddenAtPath("/private"));
  EXPECT_FALSE(DoCopyFiles::isHiddenAtPath(""));
  EXPECT_FALSE(DoCopyFiles::isHiddenAtPath("/Volumes/X/Users"));
}

TEST(DoCopyFilesTest, FailuresAreReportedInTheOutcome) {
  QTemporaryDir src;
  ASSERT_TRUE(writeFile(src.path() + "/ok", 5));
  struct Case {
    const char* name;
    FileNodeList items;
    bool destinationExists;
    CopyOutcome outcome;
    int errors;
    QList<float> progress;
  };
  const QList<Case> cases = {
      {"one item fails", {node(src.path() + "/ok"), node(src.path() + "/missing")}, true,
       CopyOutcome::SomeFailed, 0, {5, 50, 100}},
      {"every item fails", {node(src.path() + "/missing")}, true, CopyOutcome::Failed, 0, {5, 100}},
      {"destination vanished", {node(src.path() + "/ok"), node(src.path() + "/ok")}, false,
       CopyOutcome::Failed, 2, {5, 50, 100}},
      {"empty list", {}, true, CopyOutcome::Failed, 0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QTemporaryDir dest;
    QString target = dest.path() + "/into";
    if (c.destinationExists) QDir().mkpath(target);
    CopyRecorder rec;
    EXPECT_EQ(runCopy(rec, c.items, target), c.outcome);
    EXPECT_EQ(rec.errors, c.errors);
    EXPECT_EQ(rec.progress, c.progress);
    EXPECT_FALSE(QFileInfo::exists(target) && !c.destinationExists);
  }
}

TEST(DoCopyFilesTest, DestinationVanishingMidCopy) {
  QTemporaryDir src, dest;
  // The first item is large enough to be still running when its first output arrives.
  for (int i = 0; i < 3000; ++i) ASSERT_TRUE(writeFile(src.path() + QString("/item0/f%1").arg(i), 2000));
  for (int i = 1; i < 3; ++i) ASSERT_TRUE(writeFile(src.path() + QString("/item%1/f").arg(i), 10));
  // The volume holding the destination goes (moved away at once: a removal would
  // race with rsync still writing; and rsync would make a missing last folder again).
  const QString volume = dest.path() + "/Volume";
  const QString target = volume + "/into";
  QDir().mkpath(target);
  CopyRecorder rec;
  rec.onFirstOutput = [volume] { QDir().rename(volume, volume + "-gone"); };
  const CopyOutcome outcome = runCopy(rec, {node(src.path() + "/item0"), node(src.path() + "/item1"),
                                            node(src.path() + "/item2")},
                                      target);
  EXPECT_NE(outcome, CopyOutcome::AllCopied);
  EXPECT_EQ(rec.errors, 2);  // one per item that found no destination
  EXPECT_EQ(rec.progress.last(), 100.0f);
}

TEST(DoCopyFilesTest, CancelStopsRsyncAndLeavesTheSource) {
  QTemporaryDir src, dest;
  const QString big = src.path() + "/many";
  for (int i = 0; i < 4000; ++i) ASSERT_TRUE(writeFile(big + QString("/d%1/file%2.txt").arg(i % 40).arg(i), 2000));
  const QStringList before = tree(src.path());
  DoCopyFiles engine;
  CopyRecorder rec;
  rec.onFirstOutput = [&engine] { engine.setIsCancel(true); };
  engine.setDelegate(&rec);
  engine.doCopyFilesWithArr({node(big), node(src.path() + "/never")}, dest.path(), CopyItems::ChosenItems);
  ASSERT_TRUE(waitFor([&] { return rec.isFinished(); }, 60000));
  settle(300);
  EXPECT_EQ(rec.outcome, CopyOutcome::Cancelled);
  EXPECT_EQ(rec.afterFinish, 0);
  EXPECT_EQ(rec.progress, QList<float>{5});  // nothing after the cancel
  EXPECT_TRUE(engine.isCancel());
  EXPECT_EQ(tree(src.path()), before);
  EXPECT_LT(tree(dest.path()).size(), before.size() - 1);  // stopped before the end
}

TEST(DoCopyFilesTest, OutputIsDecodedAcrossChunkBoundaries) {
  QTemporaryDir src, dest;
  QStringList names;
  for (int i = 0; i < 3000; ++i) {
    names << QString("文件-é-%1-ü").arg(i);
    ASSERT_TRUE(writeFile(src.path() + "/d/" + names.last(), 1));
  }
  CopyRecorder rec;
  EXPECT_EQ(runCopy(rec, {node(src.path() + "/d")}, dest.path()), CopyOutcome::AllCopied);
  EXPECT_FALSE(rec.output.contains(QChar::ReplacementCharacter));
  for (const QString& n : names) ASSERT_TRUE(rec.output.contains("d/" + n + "\n")) << n.toStdString();
}
