// The file tree: node paths, the root scan's order and end, folder expansion,
// the tick rules and the system-item list.
#include <gtest/gtest.h>

#include <QDir>
#include <QObject>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <atomic>
#include <condition_variable>
#include <dirent.h>
#include <mutex>

#include "VolumesTestHelpers.h"
#include "support/TestWorld.h"
#include "platform/Bundle.h"
#include "platform/Paths.h"
#include "services/Controller.h"
#include "services/EumeRoot.h"
#include "services/FileNode.h"
#include "services/SystemFolder.h"

using namespace volumes_test;

namespace {

struct Recorder : QObject, ControllerDelegate {
  int reloads = 0, buttons = 0, endScanFiles_ = 0, copyFileScanFiles_ = 0;
  void reloadTreeList() override { ++reloads; }
  void changeSelectAllButtonState() override { ++buttons; }
  void endScanFiles() override { ++endScanFiles_; }
  void copyFileScanFiles() override { ++copyFileScanFiles_; }
};

// Names of a folder in the order the file system lists them.
QStringList listingOrder(const QString& folder) {
  QStringList names;
  DIR* dir = opendir(folder.toUtf8().constData());
  while (struct dirent* e = readdir(dir)) {
    const QString n = QString::fromUtf8(e->d_name);
    if (n != "." && n != "..") names << n;
  }
  closedir(dir);
  return names;
}

// The order the root list must have: every entry put in one by one, files
// before the first node not larger than themselves, folders at the end.
QStringList expectedRootOrder(const QString& folder) {
  QList<QPair<QString, qint64>> list;  // size -1 marks a folder (size 0 in the list)
  for (const QString& n : listingOrder(folder)) {
    if (EumeRoot::isSkippedName(n.toUtf8().constData())) continue;
    const QFileInfo info(folder + "/" + n);
    if (info.isDir()) {
      list.append({n, -1});
      continue;
    }
    qsizetype i = 0;
    while (i < list.size() && qMax<qint64>(list[i].second, 0) > info.size()) ++i;
    list.insert(i, {n, info.size()});
  }
  QStringList names;
  for (const auto& e : list) names << e.first;
  return names;
}

QStringList names(const FileNodeList& list) {
  QStringList out;
  for (const FileNodePtr& n : list) out << n->name();
  return out;
}

FileNodeListRef scan(Controller& c, const QString& root, bool copyAll = true, bool copyFiles = true) {
  auto list = std::make_shared<FileNodeList>();
  c.eumeAllRootFileNodeWithRootArr(list, root, copyAll, copyFiles);
  EXPECT_TRUE(waitFor([&] { return c.isScanFinished(); }));
  return list;
}

}  // namespace

TEST(FileNodeTest, PathsFollowTheFatherAndSurviveIt) {
  FileNodePtr root = FileNode::initWithPath("/Volumes/Data/Docs", "Docs", true);
  FileNodePtr child = FileNode::initWithPath("/Volumes/Data/Docs/a.txt", "a.txt", false, root.data());
  FileNodePtr grand = FileNode::initWithPath("/Volumes/Data/Docs/a.txt/x", "x", false, child.data());
  root->children().append(child);
  child->children().append(grand);
  EXPECT_EQ(child->path(), "/Volumes/Data/Docs/a.txt");
  EXPECT_EQ(grand->path(), "/Volumes/Data/Docs/a.txt/x");
  EXPECT_EQ(child->state(), FileNode::Selected);
  EXPECT_EQ(child->size(), 0u);
  EXPECT_EQ(child->displayName(), "a.txt");

  // A child whose path is not the father's path + name keeps its own.
  FileNodePtr self = FileNode::initWithPath("/Volumes/Data/Docs", "Docs", false, root.data());
  EXPECT_EQ(self->path(), "/Volumes/Data/Docs");
  FileNodePtr underSlash = FileNode::initWithPath("/", "/", true);
  FileNodePtr app = FileNode::initWithPath("/Applications", "Applications", true, underSlash.data());
  EXPECT_EQ(app->path(), "/Applications");

  // A child still held elsewhere keeps its full path when its father goes.
  root.reset();
  EXPECT_EQ(child->father(), nullptr);
  EXPECT_EQ(child->path(), "/Volumes/Data/Docs/a.txt");
  EXPECT_EQ(grand->path(), "/Volumes/Data/Docs/a.txt/x");

  FileNodePtr other = FileNode::initWithPath("/Other", "Other", true);
  child->setFather(other.data());
  EXPECT_EQ(child->path(), "/Volumes/Data/Docs/a.txt");
  FileNodePtr utf = FileNode::initWithPath("/V/é 文件", "é 文件", false);
  EXPECT_EQ(utf->name(), "é 文件");
  EXPECT_EQ(utf->displayName(), "é 文件");
}

TEST(EumeRootTest, RootOrderIsFilesBySizeThenFoldersInListingOrder) {
  // The cases of the order rule, each as a folder layout: size -1 is a folder.
  struct Case {
    const char* name;
    QList<QPair<QString, qint64>> entries;
  };
  QList<Case> cases = {
      {"equal sizes", {{"e1", 7}, {"e2", 7}, {"e3", 7}, {"e4", 7}}},
      {"empty files before folders", {{"F", -1}, {"z1", 0}, {"z2", 0}, {"G", -1}}},
      {"skip list", {{".DS_Store", 3}, {".Trashes", -1}, {".fseventsd", -1}, {".hidden", 2}, {"keep", 1}}},
  };
  // Many entries: the scan hands them over in several batches.
  Case many{"many", {}};
  QRandomGenerator rng(42);
  for (int i = 0; i < 5000; ++i)
    many.entries.append({QString("n%1").arg(i), i % 97 == 0 ? -1 : qint64(rng.bounded(20))});
  cases.append(many);

  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QTemporaryDir dir;
    for (const auto& [name, size] : c.entries) {
      if (size < 0)
        QDir(dir.path()).mkdir(name);
      else
        ASSERT_TRUE(writeFile(dir.path() + "/" + name, size));
    }
    Controller controller;
    Recorder rec;
    controller.setADelegate(&rec);
    FileNodeListRef list = scan(controller, dir.path());
    EXPECT_EQ(names(*list), expectedRootOrder(dir.path()));
    for (const FileNodePtr& n : *list) {
      EXPECT_EQ(n->path(), dir.path() + "/" + n->name());
      EXPECT_EQ(n->father(), nullptr);
      EXPECT_EQ(n->state(), FileNode::Selected);
      if (!n->isDirectory()) EXPECT_EQ(n->size(), quint64(QFileInfo(n->path()).size()));
    }
    EXPECT_EQ(rec.copyFileScanFiles_, 1);
    EXPECT_FLOAT_EQ(controller.getProgress(), 100.0f);
  }
}

TEST(EumeRootTest, EqualSizedFilesComeLaterListedFirstThenFolders) {
  QTemporaryDir dir;
  ASSERT_TRUE(writeFile(dir.path() + "/p", 5));
  QDir(dir.path()).mkdir("A");
  ASSERT_TRUE(writeFile(dir.path() + "/q", 10));
  QDir(dir.path()).mkdir("B");
  ASSERT_TRUE(writeFile(dir.path() + "/r", 10));
  Controller controller;
  FileNodeListRef list = scan(controller, dir.path());
  const QStringList order = listingOrder(dir.path());
  const bool qFirstListed = order.indexOf("q") < order.indexOf("r");
  const QStringList folders = order.indexOf("A") < order.indexOf("B") ? QStringList{"A", "B"}
                                                                       : QStringList{"B", "A"};
  QStringList expected = qFirstListed ? QStringList{"r", "q"} : QStringList{"q", "r"};
  expected << "p" << folders;
  EXPECT_EQ(names(*list), expected);
}

TEST(EumeRootTest, InsertionKeepsTheScansOrder) {
  // A scanned root of "big" (10 bytes), "small" (5) and folder "A"; each case
  // inserts one node into a fresh copy of it.
  struct Case {
    const char* name;
    qint64 size;  // -1: a folder
    QStringList order;
  };
  const Case cases[] = {
      {"between two sizes", 7, {"big", "new", "small", "A"}},
      {"before an equal size", 5, {"big", "new", "small", "A"}},
      {"the largest first", 11, {"new", "big", "small", "A"}},
      {"an empty file before the folders", 0, {"big", "small", "new", "A"}},
      {"a folder at the end", -1, {"big", "small", "A", "new"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QTemporaryDir dir;
    ASSERT_TRUE(writeFile(dir.path() + "/big", 10));
    ASSERT_TRUE(writeFile(dir.path() + "/small", 5));
    QDir(dir.path()).mkdir("A");
    EumeRoot root;
    auto list = std::make_shared<FileNodeList>();
    root.eumeAllRootFileNodeWithRootArr(list, dir.path());
    ASSERT_TRUE(waitFor([&] { return root.isScanFinished(); }));
    FileNodePtr node = FileNode::initWithPath(dir.path() + "/new", "new", c.size < 0, nullptr);
    if (c.size >= 0) node->setSize(quint64(c.size));
    root.insertFileInRootArrWithFile(node);
    EXPECT_EQ(names(*list), c.order);
  }
}

TEST(EumeRootTest, EveryScanEndsAndReportsByItsFlags) {
  QTemporaryDir dir;
  ASSERT_TRUE(writeFile(dir.path() + "/single.bin", 42));
  QDir(dir.path()).mkdir("empty");
  struct Case {
    const char* name;
    QString root;
    bool copyAll, copyFiles;
    int nodes, endScanFiles, copyFileScanFiles;
  };
  const QList<Case> cases = {
      {"single file", dir.path() + "/single.bin", true, true, 1, 0, 1},
      {"missing root", dir.path() + "/missing", true, false, 0, 1, 0},
      {"empty folder", dir.path() + "/empty", true, false, 0, 1, 0},
      {"browser scan reports no end call", dir.path(), false, false, 2, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Controller controller;
    Recorder rec;
    controller.setADelegate(&rec);
    FileNodeListRef list = scan(controller, c.root, c.copyAll, c.copyFiles);
    settle(50);
    EXPECT_EQ(list->size(), c.nodes);
    EXPECT_EQ(rec.endScanFiles_, c.endScanFiles);
    EXPECT_EQ(rec.copyFileScanFiles_, c.copyFileScanFiles);
    EXPECT_GE(rec.reloads, 1);  // the browser learns the end through its redraw
  }
  Controller controller;
  FileNodeListRef list = scan(controller, dir.path() + "/single.bin");
  ASSERT_EQ(list->size(), 1);
  EXPECT_EQ((*list)[0]->name(), "single.bin");
  EXPECT_EQ((*list)[0]->size(), 42u);
  EXPECT_FALSE((*list)[0]->isDirectory());
}

TEST(EumeRootTest, SupersededScanIsDropped) {
  QTemporaryDir a, b;
  for (int i = 0; i < 3000; ++i) ASSERT_TRUE(writeFile(a.path() + QString("/f%1").arg(i), i % 10));
  ASSERT_TRUE(writeFile(b.path() + "/only", 1));
  Controller controller;
  Recorder rec;
  controller.setADelegate(&rec);
  auto first = std::make_shared<FileNodeList>();
  auto second = std::make_shared<FileNodeList>();
  controller.eumeAllRootFileNodeWithRootArr(first, a.path(), true, true);
  controller.eumeAllRootFileNodeWithRootArr(second, b.path(), true, true);
  ASSERT_TRUE(waitFor([&] { return controller.isScanFinished(); }));
  settle(300);
  EXPECT_TRUE(first->isEmpty());
  EXPECT_EQ(names(*second), QStringList{"only"});
  EXPECT_EQ(rec.copyFileScanFiles_, 1);
}

namespace {

// A reader that stops at the `gate`-th file until released.
struct GateReader : FileSizeReader {
  explicit GateReader(int gate) : gate(gate) {}
  const int gate;
  std::mutex m;
  std::condition_variable cv;
  bool open = false;
  std::atomic<int> calls{0};
  quint64 sizeOfEntry(int fd, const char* name, const QString& path) override {
    if (++calls == gate) {
      std::unique_lock<std::mutex> lock(m);
      cv.wait(lock, [&] { return open; });
    }
    return FileSizeReader::sizeOfEntry(fd, name, path);
  }
  void release() {
    {
      std::lock_guard<std::mutex> lock(m);
      open = true;
    }
    cv.notify_all();
  }
};

}  // namespace

TEST(EumeRootTest, ProgressCountsNodesMadeOfEntriesListed) {
  QTemporaryDir dir;
  for (int i = 0; i < 200; ++i) ASSERT_TRUE(writeFile(dir.path() + QString("/f%1").arg(i), 1));
  auto reader = std::make_shared<GateReader>(41);
  EumeRoot root;
  EXPECT_FLOAT_EQ(root.getProgress(), 0.0f);
  root.setFileSizeReaderFactory([reader] { return reader; });
  auto list = std::make_shared<FileNodeList>();
  root.eumeAllRootFileNodeWithRootArr(list, dir.path());
  ASSERT_TRUE(waitFor([&] { return reader->calls >= 41; }));
  EXPECT_FLOAT_EQ(root.getProgress(), 20.0f);
  EXPECT_FALSE(root.isScanFinished());
  reader->release();
  ASSERT_TRUE(waitFor([&] { return root.isScanFinished(); }));
  EXPECT_EQ(list->size(), 200);
}

TEST(EumeRootTest, NodesArriveInOrderWhileTheScanRuns) {
  QTemporaryDir dir;
  QRandomGenerator rng(3);
  for (int i = 0; i < 3000; ++i) {
    if (i % 50 == 0)
      QDir(dir.path()).mkdir(QString("d%1").arg(i));
    else
      ASSERT_TRUE(writeFile(dir.path() + QString("/f%1").arg(i), rng.bounded(30)));
  }
  // Held at the last file: what the main thread has by then came in batches.
  auto reader = std::make_shared<GateReader>(3000 - 60);
  EumeRoot root;
  root.setFileSizeReaderFactory([reader] { return reader; });
  auto list = std::make_shared<FileNodeList>();
  root.eumeAllRootFileNodeWithRootArr(list, dir.path());
  ASSERT_TRUE(waitFor([&] { return !list->isEmpty(); }));
  EXPECT_FALSE(root.isScanFinished());
  const FileNodeList partial = *list;
  reader->release();
  ASSERT_TRUE(waitFor([&] { return root.isScanFinished(); }));
  // Each state of the list is already in the final order: files largest first, then folders.
  for (const FileNodeList* seen : {&partial, static_cast<const FileNodeList*>(list.get())}) {
    bool inFolders = false;
    for (qsizetype i = 0; i < seen->size(); ++i) {
      const FileNodePtr& n = (*seen)[i];
      if (n->isDirectory()) inFolders = true;
      EXPECT_FALSE(inFolders && !n->isDirectory()) << n->name().toStdString();
      if (i > 0 && !n->isDirectory()) EXPECT_GE((*seen)[i - 1]->size(), n->size());
    }
  }
  EXPECT_LT(partial.size(), list->size());
  EXPECT_EQ(names(*list), expectedRootOrder(dir.path()));
}

TEST(EumeRootTest, RootOfTheSystemGivesSlashPaths) {
  TestWorld world;
  ASSERT_TRUE(world.ok()) << world.error().toStdString();
  QDir(world.root()).mkpath("Applications");
  QDir(world.root()).mkpath(".fseventsd");
  ASSERT_TRUE(writeFile(world.host("/mach_kernel"), 3));
  Controller controller;
  FileNodeListRef list = scan(controller, "/");
  QStringList paths;
  for (const FileNodePtr& n : *list) paths << n->path();
  EXPECT_EQ(paths.first(), "/mach_kernel");  // the only file with content
  EXPECT_TRUE(paths.contains("/Applications"));
  EXPECT_FALSE(paths.contains("/.fseventsd"));
  for (const QString& p : paths) EXPECT_FALSE(p.startsWith("//")) << p.toStdString();
  EXPECT_EQ(paths.size(), QDir(world.root()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                                      QDir::NoDotAndDotDot).size() - 1);
}

TEST(EumeRootTest, ExpansionListsEverythingAndInheritsState) {
  QTemporaryDir dir;
  const QString folder = dir.path() + "/F";
  ASSERT_TRUE(writeFile(folder + "/.DS_Store", 4));
  ASSERT_TRUE(writeFile(folder + "/a", 9));
  QDir().mkpath(folder + "/sub");
  for (int fatherState : {0, 1, 2}) {
    SCOPED_TRACE(fatherState);
    Controller controller;
    Recorder rec;
    controller.setADelegate(&rec);
    FileNodePtr node = FileNode::initWithPath(folder, "F", true);
    node->setState(fatherState);
    controller.getNodeListWithFaterNode(node.data());
    EXPECT_EQ(rec.reloads, 1);
    ASSERT_EQ(node->children().size(), 3);  // no skip list below the root
    for (const FileNodePtr& child : node->children()) {
      EXPECT_EQ(child->state(), fatherState == 0 ? 0 : 1);
      EXPECT_EQ(child->father(), node.data());
      EXPECT_EQ(child->path(), folder + "/" + child->name());
      if (child->name() == "a") EXPECT_EQ(child->size(), 9u);
      if (child->name() == "sub") EXPECT_TRUE(child->isDirectory());
    }
  }
  // A father that is a file lists itself once; a missing one nothing.
  Controller controller;
  FileNodePtr file = FileNode::initWithPath(folder + "/a", "a", false);
  controller.getNodeListWithFaterNode(file.data());
  ASSERT_EQ(file->children().size(), 1);
  EXPECT_EQ(file->children()[0]->path(), folder + "/a");
  EXPECT_EQ(file->children()[0]->size(), 9u);
  FileNodePtr gone = FileNode::initWithPath(folder + "/gone", "gone", true);
  controller.getNodeListWithFaterNode(gone.data());
  EXPECT_TRUE(gone->children().isEmpty());
}

namespace {

// root{ x(folder){ y(folder){ z(file) } , w(file) } }
struct Tree {
  FileNodePtr root, x, y, z, w;
  Tree() {
    root = FileNode::initWithPath("/r", "r", true);
    x = FileNode::initWithPath("/r/x", "x", true, root.data());
    y = FileNode::initWithPath("/r/x/y", "y", true, x.data());
    z = FileNode::initWithPath("/r/x/y/z", "z", false, y.data());
    w = FileNode::initWithPath("/r/x/w", "w", false, x.data());
    root->children() << x;
    x->children() << y << w;
    y->children() << z;
  }
};

}  // namespace

TEST(ControllerTest, DownwardReachesOnlyThroughExpandedFolders) {
  struct Case {
    const char* name;
    bool rootExpanded, xExpanded;
    int x, y, z, w;
  };
  const QList<Case> cases = {
      {"collapsed root: listed children only", false, false, 0, 1, 1, 1},
      {"expanded root, collapsed x: x's children, not y's", true, false, 0, 0, 1, 0},
      {"all expanded: every listed descendant", true, true, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Tree t;
    t.root->setIsExpand(c.rootExpanded);
    t.x->setIsExpand(c.xExpanded);
    t.y->setIsExpand(true);
    Controller controller;
    Recorder rec;
    controller.setADelegate(&rec);
    controller.changeSelectWithNode(t.root.data(), 0);
    EXPECT_EQ(t.root->state(), 0);
    EXPECT_EQ(t.x->state(), c.x);
    EXPECT_EQ(t.y->state(), c.y);
    EXPECT_EQ(t.z->state(), c.z);
    EXPECT_EQ(t.w->state(), c.w);
    EXPECT_EQ(rec.buttons, rec.reloads);
    EXPECT_GE(rec.reloads, 1);
  }
}

TEST(ControllerTest, UpwardGivesOneTwoOrZeroAndClimbs) {
  struct Case {
    QList<int> children;
    int father;
  };
  const QList<Case> cases = {{{1, 1, 1}, 1}, {{1, 0}, 2}, {{2, 0}, 2}, {{0, 0}, 0}};
  for (const Case& c : cases) {
    FileNodePtr top = FileNode::initWithPath("/t", "t", true);
    FileNodePtr father = FileNode::initWithPath("/t/f", "f", true, top.data());
    top->children() << father;
    for (int i = 0; i < c.children.size(); ++i) {
      FileNodePtr k = FileNode::initWithPath(QString("/t/f/%1").arg(i), QString::number(i), false,
                                             father.data());
      k->setState(c.children[i]);
      father->children() << k;
    }
    Controller controller;
    Recorder rec;
    controller.setADelegate(&rec);
    controller.changeFatherNodeSelectStateWithFileNode(father->children()[0].data(), 0);
    EXPECT_EQ(father->state(), c.father);
    EXPECT_EQ(top->state(), c.father);  // its only child is `father`
    EXPECT_EQ(rec.reloads, 2);                         // one per level
  }
}

TEST(ControllerTest, SelectAllSetsRootsAndExpandedDescendants) {
  Tree t;
  FileNodePtr other = FileNode::initWithPath("/o", "o", false);
  t.root->setIsExpand(true);
  auto roots = std::make_shared<FileNodeList>(FileNodeList{t.root, other});
  Controller controller;
  QTemporaryDir empty;
  controller.eumeAllRootFileNodeWithRootArr(roots, empty.path() + "/none", false, false);
  ASSERT_TRUE(waitFor([&] { return controller.isScanFinished(); }));
  controller.selectAllFileNode(0);
  EXPECT_EQ(t.root->state(), 0);
  EXPECT_EQ(other->state(), 0);
  EXPECT_EQ(t.x->state(), 0);
  EXPECT_EQ(t.y->state(), 0);  // listed child of x, which the expanded root walks
  EXPECT_EQ(t.z->state(), 1);  // below the collapsed x
}

TEST(SystemFolderTest, ExactPathsOnly) {
  QTemporaryDir bundle;
  const QString resources = bundle.path() + "/Contents/Resources";
  QDir().mkpath(resources);
  QFile f(resources + "/SystemFile.plist");
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0"><dict><key>0</key><string>/System</string><key>1</key><string>/Library</string>
<key>5</key><string>/beyond-count</string></dict></plist>)");
  f.close();
  const QString old = platform::Bundle::mainBundle().bundlePath();
  platform::Bundle::setMainBundlePath(bundle.path());
  EXPECT_TRUE(SystemFolder::isSystemFileWithFilePath("/System"));
  EXPECT_TRUE(SystemFolder::isSystemFileWithFilePath("/Library"));
  EXPECT_FALSE(SystemFolder::isSystemFileWithFilePath("/System/"));
  EXPECT_FALSE(SystemFolder::isSystemFileWithFilePath("/System/Library"));
  EXPECT_FALSE(SystemFolder::isSystemFileWithFilePath("/beyond-count"));  // keys run 0…count−1
  FileNodePtr node = FileNode::initWithPath("/System", "System", true);
  EXPECT_TRUE(node->isSystemFile());
  platform::Bundle::setMainBundlePath(old);
}
