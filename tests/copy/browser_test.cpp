// The file browser on a small folder of a world: ticks and Done wait for the
// listing, the header check box, bundles, and what reaches the screen.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QTest>
#include <QTimer>
#include <functional>

#include "copy/DiskListWC.h"
#include "platform/Gate.h"
#include "platform/Queue.h"
#include "support/DarkDesktop.h"
#include "support/TestWorld.h"
#include "support/WindowSystem.h"
#include "uikit/ModalSession.h"
#include "uikit/ImageButtons.h"
#include "uikit/TCImageWindow.h"
#include "uikit/TCWindowButton.h"
#include "world/lib/Layout.h"

namespace {

const QString kFolder = "/Volumes/USB Stick/Pick";

struct Screen : DiskListWCDelegate {
  int reports = 0;
  FileNodeList roots;
  quint64 size = 0;
  void closeWindowWithSelect(const FileNodeList& r, quint64 s) override {
    ++reports;
    roots = r;
    size = s;
  }
};

void writeFile(const QString& host, int bytes) {
  QFile f(host);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(QByteArray(bytes, 'x'));
}

FileNode* rootNamed(ListFileViewController* vc, const QString& name) {
  for (const FileNodePtr& n : *vc->rootNodeArr())
    if (n->name() == name) return n.data();
  return nullptr;
}

// A real click in the middle of a node's cell in `column`.
void clickCell(ListFileViewController* vc, FileNode* node, int column) {
  NewOutlineView* outline = vc->outlineView();
  const QModelIndex idx = vc->model()->indexOf(node, column);
  ASSERT_TRUE(idx.isValid());
  outline->scrollTo(idx);
  QTest::mouseClick(outline->viewport(), Qt::LeftButton, {}, outline->visualRect(idx).center());
}

class Browser : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(world.ok()) << qPrintable(world.error());
    const QString dir = world.host(kFolder);
    ASSERT_TRUE(QDir().mkpath(dir + "/Album/Inner"));
    ASSERT_TRUE(QDir().mkpath(dir + "/Tool.app/Contents"));
    ASSERT_TRUE(QDir().mkpath(dir + "/Kit.framework/Versions"));
    ASSERT_TRUE(QDir().mkpath(dir + "/Empty"));
    writeFile(dir + "/a.txt", 1000);
    writeFile(dir + "/b.txt", 200);
    writeFile(dir + "/Album/c.jpg", 3000);
    writeFile(dir + "/Album/Inner/d.jpg", 40);
    wc.setDelegate(&screen);
    wc.window()->show();
    vc = wc.listFileVC();
  }
  void TearDown() override {
    platform::gates::releaseAll();
    platform::waitForGlobalQueue();
    QCoreApplication::processEvents();
  }
  bool listed() {
    return waitUntil([&] { return !vc->isScan(); });
  }

  TestWorld world{TestWorld::demo()};
  Screen screen;
  DiskListWC wc;
  ListFileViewController* vc = nullptr;
};

}  // namespace

TEST_F(Browser, TicksAndDoneWaitUntilTheListingEnds) {
  platform::gates::arm("EumeRoot.beforeEnd");
  wc.showDetailWithPath(kFolder);
  ASSERT_TRUE(platform::gates::waitReached("EumeRoot.beforeEnd"));
  // Every node is in the list, yet the listing has not ended.
  ASSERT_TRUE(waitUntil([&] { return vc->rootNodeArr()->size() == 6; }));
  vc->reloadTreeList();
  ASSERT_EQ(vc->model()->rowCount(), 6);
  EXPECT_TRUE(vc->isScan());
  EXPECT_FALSE(vc->doneButton()->buttonEnabled());
  EXPECT_FALSE(vc->refeshButton()->buttonEnabled());
  FileNode* a = rootNamed(vc, "a.txt");
  clickCell(vc, a, browser::CheckBox);
  EXPECT_EQ(a->state(), FileNode::Selected);
  QTest::mouseClick(vc->selectAllButton(), Qt::LeftButton);
  EXPECT_EQ(a->state(), FileNode::Selected);
  QTest::mouseClick(vc->doneButton(), Qt::LeftButton);
  EXPECT_FALSE(vc->isTotalling());

  platform::gates::release("EumeRoot.beforeEnd");
  ASSERT_TRUE(listed());
  EXPECT_TRUE(vc->doneButton()->buttonEnabled());
  EXPECT_TRUE(vc->refeshButton()->buttonEnabled());
  clickCell(vc, a, browser::CheckBox);
  EXPECT_EQ(a->state(), FileNode::NotSelected);
}

TEST_F(Browser, AnEmptyFolderEndsItsListing) {
  wc.showDetailWithPath(kFolder + "/Empty");
  ASSERT_TRUE(listed());
  EXPECT_EQ(vc->model()->rowCount(), 0);
  EXPECT_TRUE(vc->doneButton()->buttonEnabled());
  EXPECT_EQ(vc->selectAllButSt(), 0);
  EXPECT_EQ(vc->selectAllImage(), "checkbox_unsel");
}

TEST_F(Browser, HeaderFollowsTheRoots) {
  wc.showDetailWithPath(kFolder);
  ASSERT_TRUE(listed());
  EXPECT_EQ(vc->selectAllImage(), "checkbox_sel");
  const FileNodeList roots = *vc->rootNodeArr();
  // Unticking one of several: some; every one: none; the header box: all again.
  clickCell(vc, roots.first().data(), browser::CheckBox);
  EXPECT_EQ(vc->selectAllImage(), "checkbox_halfsel");
  for (const FileNodePtr& r : roots.mid(1)) clickCell(vc, r.data(), browser::CheckBox);
  EXPECT_EQ(vc->selectAllImage(), "checkbox_unsel");
  QTest::mouseClick(vc->selectAllButton(), Qt::LeftButton);
  EXPECT_EQ(vc->selectAllImage(), "checkbox_sel");
  for (const FileNodePtr& r : roots) EXPECT_EQ(r->state(), FileNode::Selected) << qPrintable(r->name());

  struct Case {
    QList<int> states;
    int header;
  };
  const Case cases[] = {{{}, 0}, {{1, 1}, 1}, {{1, 0}, 2}, {{0, 2}, 2}, {{0, 0}, 0}, {{2}, 2}};
  for (const Case& c : cases) {
    FileNodeList list;
    for (int s : c.states) {
      list << FileNode::initWithPath("/x", "x", false);
      list.last()->setState(s);
    }
    EXPECT_EQ(browser::headerState(list), c.header) << c.states.size();
  }
}

TEST_F(Browser, BundlesAreNotExpandableAndAFolderListsOnDemand) {
  wc.showDetailWithPath(kFolder);
  ASSERT_TRUE(listed());
  struct Case {
    const char* name;
    bool expandable;
  };
  for (const Case& c : {Case{"Tool.app", false}, Case{"Kit.framework", false}, Case{"Album", true},
                        Case{"a.txt", false}}) {
    FileNode* n = rootNamed(vc, c.name);
    ASSERT_NE(n, nullptr) << c.name;
    EXPECT_EQ(vc->model()->hasChildren(vc->model()->indexOf(n)), c.expandable) << c.name;
  }
  FileNode* album = rootNamed(vc, "Album");
  clickCell(vc, album, browser::CheckBox);  // unticked before it is listed
  vc->outlineView()->expand(vc->model()->indexOf(album));
  ASSERT_EQ(album->children().size(), 2);
  EXPECT_EQ(vc->model()->rowCount(vc->model()->indexOf(album)), 2);
  for (const FileNodePtr& c : album->children()) EXPECT_EQ(c->state(), FileNode::NotSelected);
  // Ticking one child makes the folder partly ticked.
  clickCell(vc, album->children().first().data(), browser::CheckBox);
  EXPECT_EQ(album->state(), FileNode::PartlySelected);
  // Ticking a partly ticked folder ticks it wholly.
  clickCell(vc, album, browser::CheckBox);
  EXPECT_EQ(album->state(), FileNode::Selected);
  for (const FileNodePtr& c : album->children()) EXPECT_EQ(c->state(), FileNode::Selected);
}

// The node at a path below the listed folder ("Album/Inner/d.jpg").
FileNode* nodeAt(ListFileViewController* vc, const QString& relative) {
  const QStringList parts = relative.split('/');
  FileNode* node = rootNamed(vc, parts.first());
  for (const QString& part : parts.mid(1)) {
    FileNode* next = nullptr;
    for (const FileNodePtr& c : node ? node->children() : FileNodeList())
      if (c->name() == part) next = c.data();
    node = next;
  }
  return node;
}

TEST_F(Browser, SelectAllReachesWhatIsListedBelowExpandedRootsOnly) {
  wc.showDetailWithPath(kFolder);
  ASSERT_TRUE(listed());
  // Album open with its folder Inner listed but closed again.
  vc->outlineView()->expand(vc->model()->indexOf(rootNamed(vc, "Album")));
  ASSERT_NE(nodeAt(vc, "Album/Inner"), nullptr);
  vc->outlineView()->expand(vc->model()->indexOf(nodeAt(vc, "Album/Inner")));
  ASSERT_NE(nodeAt(vc, "Album/Inner/d.jpg"), nullptr);
  vc->outlineView()->collapse(vc->model()->indexOf(nodeAt(vc, "Album/Inner")));

  // The same tree shown again as an earlier selection, in a browser of its own.
  DiskListWC again;
  Screen second;
  again.setDelegate(&second);
  again.window()->show();
  ListFileViewController* shown = again.listFileVC();
  shown->setArrForListWithArr(browser::copyTree(*vc->rootNodeArr()), kFolder);

  const QStringList below = {"Album/c.jpg", "Album/Inner", "Album/Inner/d.jpg"};
  struct Case {
    const char* name;
    ListFileViewController* list;
  };
  for (const Case& c : {Case{"listing", vc}, Case{"earlier selection", shown}}) {
    SCOPED_TRACE(c.name);
    ListFileViewController* list = c.list;
    ASSERT_TRUE(nodeAt(list, "Album")->isExpand());
    ASSERT_EQ(list->selectAllImage(), "checkbox_sel");
    // Everything ticked: the header clears the roots and, through the open
    // Album, every node listed below it, closed Inner's child too.
    QTest::mouseClick(list->selectAllButton(), Qt::LeftButton);
    EXPECT_EQ(list->selectAllImage(), "checkbox_unsel");
    EXPECT_EQ(list->selectAllButSt(), 0);
    for (const FileNodePtr& r : *list->rootNodeArr())
      EXPECT_EQ(r->state(), FileNode::NotSelected) << qPrintable(r->name());
    for (const QString& path : below) EXPECT_EQ(nodeAt(list, path)->state(), FileNode::NotSelected) << qPrintable(path);

    // Album closed: the header ticks the roots and leaves what lies below Album.
    list->outlineView()->collapse(list->model()->indexOf(nodeAt(list, "Album")));
    QTest::mouseClick(list->selectAllButton(), Qt::LeftButton);
    EXPECT_EQ(list->selectAllImage(), "checkbox_sel");
    EXPECT_EQ(list->selectAllButSt(), 1);
    for (const FileNodePtr& r : *list->rootNodeArr())
      EXPECT_EQ(r->state(), FileNode::Selected) << qPrintable(r->name());
    for (const QString& path : below) EXPECT_EQ(nodeAt(list, path)->state(), FileNode::NotSelected) << qPrintable(path);
  }
}

TEST_F(Browser, DoneHandsBackTheTickedRootsAndTheirSize) {
  wc.showDetailWithPath(kFolder);
  ASSERT_TRUE(listed());
  for (const FileNodePtr& r : *vc->rootNodeArr())
    if (r->name() != "a.txt" && r->name() != "Album") clickCell(vc, r.data(), browser::CheckBox);
  QTest::mouseClick(vc->doneButton(), Qt::LeftButton);
  ASSERT_TRUE(waitUntil([&] { return screen.reports == 1; }));
  EXPECT_EQ(screen.size, quint64(1000 + 3000 + 40));
  EXPECT_EQ(screen.roots.size(), 6);
  ASSERT_TRUE(waitUntil([&] { return !wc.window()->isVisible(); }));
}

TEST_F(Browser, CancelAndRefreshLeaveTheScreensSelection) {
  wc.showDetailWithPath(kFolder);
  ASSERT_TRUE(listed());
  QTest::mouseClick(vc->doneButton(), Qt::LeftButton);
  ASSERT_TRUE(waitUntil([&] { return screen.reports == 1; }));
  const FileNodeList earlier = screen.roots;  // what the screen keeps
  FileNode* b = nullptr;
  for (const FileNodePtr& r : earlier)
    if (r->name() == "b.txt") b = r.data();
  ASSERT_NE(b, nullptr);
  b->setState(FileNode::NotSelected);

  for (const char* leave : {"cancel", "refresh"}) {
    DiskListWC again;
    Screen second;
    again.setDelegate(&second);
    again.window()->show();
    ListFileViewController* list = again.listFileVC();
    list->setArrForListWithArr(earlier, kFolder);
    FileNode* a = rootNamed(list, "a.txt");
    ASSERT_NE(a, nullptr);
    clickCell(list, a, browser::CheckBox);
    clickCell(list, rootNamed(list, "b.txt"), browser::CheckBox);
    EXPECT_EQ(a->state(), FileNode::NotSelected) << leave;
    if (QString(leave) == "refresh") {
      QTest::mouseClick(list->refeshButton(), Qt::LeftButton);
      ASSERT_TRUE(waitUntil([&] { return !list->isScan(); }));
    } else {
      QTest::mouseClick(list->cancelButton(), Qt::LeftButton);
      EXPECT_FALSE(again.window()->isVisible());
    }
    EXPECT_EQ(second.reports, 0) << leave;
    for (const FileNodePtr& r : earlier)
      EXPECT_EQ(r->state(), r->name() == "b.txt" ? FileNode::NotSelected : FileNode::Selected)
          << leave << " " << qPrintable(r->name());
  }
}

TEST_F(Browser, EveryClosePathIsRefusedWhileTheTotalRuns) {
  wc.showDetailWithPath(kFolder);
  ASSERT_TRUE(listed());
  TCImageWindow* w = wc.window();
  struct Path {
    const char* what;
    std::function<void()> take;
  } paths[] = {
      {"close button", [&] { w->standardWindowButton(TCImageWindow::CloseButton)->click(); }},
      {"cancel button", [&] { QTest::mouseClick(vc->cancelButton(), Qt::LeftButton); }},
      {"close from the window system", [&] { windowSystemClose(w); }},
  };
  platform::gates::arm("GetFilesSize.beforeReport");
  QObject scope;
  bool totalling = false;
  QStringList refused;
  QTimer::singleShot(0, &scope, [&] {
    QTest::mouseClick(vc->doneButton(), Qt::LeftButton);
    totalling = platform::gates::waitReached("GetFilesSize.beforeReport") && vc->isTotalling();
    for (const Path& path : paths) {
      path.take();
      QCoreApplication::sendPostedEvents();  // what the window queued for itself
      if (w->isVisible() && uikit::isRunningModal(w) && screen.reports == 0) refused << path.what;
    }
    platform::gates::release("GetFilesSize.beforeReport");
  });
  QTimer::singleShot(10000, &scope, [&] { uikit::stopModalForWindow(w, -1); });
  EXPECT_EQ(wc.runModal(), 0);
  EXPECT_TRUE(totalling);
  EXPECT_EQ(refused, (QStringList{"close button", "cancel button", "close from the window system"}));
  EXPECT_EQ(screen.reports, 1) << "the total's end closes the window";
  EXPECT_FALSE(w->isVisible());

  // Once no total runs, a close from the window system is the close button's.
  QTimer::singleShot(0, &scope, [&] { windowSystemClose(w); });
  EXPECT_EQ(wc.runModal(), 0);
  EXPECT_EQ(screen.reports, 1);
  EXPECT_FALSE(w->isVisible());
}

TEST_F(Browser, OpenInFolderRevealsTheItemItself) {
  wc.showDetailWithPath(kFolder);
  ASSERT_TRUE(listed());
  clickCell(vc, rootNamed(vc, "b.txt"), browser::OpenFinder);
  EXPECT_TRUE(world::openedRecords(world.layout()).contains("reveal\t" + kFolder + "/b.txt"))
      << qPrintable(world::openedRecords(world.layout()).join(" | "));
}

TEST(BrowserLook, StaysLightOnADarkDesktop) {
  TestWorld world{TestWorld::demo()};
  ASSERT_TRUE(world.ok());
  DarkDesktop dark;
  DiskListWC wc;
  wc.window()->show();
  ListFileViewController* list = wc.listFileVC();
  list->getRootNodeListWithPath("/Users/alex");
  ASSERT_TRUE(waitUntil([&] { return !list->isScan(); }));
  NewOutlineView* outline = list->outlineView();
  for (QWidget* widget : std::initializer_list<QWidget*>{wc.window(), list, outline, outline->viewport(), outline->header()})
    EXPECT_EQ(notLight(widget->palette()), std::string()) << widget->metaObject()->className();
  // The rows themselves: nothing of the dark theme shows through.
  QImage rows = outline->viewport()->grab().toImage();
  EXPECT_GT(rows.pixelColor(rows.width() - 4, rows.height() - 4).lightnessF(), 0.85);
}

TEST(BrowserLifetime, TheScreenMayDropTheBrowserWhenTheSelectionArrives) {
  TestWorld world{TestWorld::demo()};
  ASSERT_TRUE(world.ok());
  struct Dropper : DiskListWCDelegate {
    std::unique_ptr<DiskListWC> browser;
    FileNodeList roots;
    void closeWindowWithSelect(const FileNodeList& r, quint64) override {
      browser.reset();  // as a screen that keeps only the latest browser
      roots = r;
    }
  } screen;
  screen.browser = std::make_unique<DiskListWC>();
  screen.browser->setDelegate(&screen);
  screen.browser->window()->show();
  ListFileViewController* list = screen.browser->listFileVC();
  list->getRootNodeListWithPath("/Users/alex");
  ASSERT_TRUE(waitUntil([&] { return !list->isScan(); }));
  const qsizetype count = list->rootNodeArr()->size();
  QTest::mouseClick(list->doneButton(), Qt::LeftButton);
  ASSERT_TRUE(waitUntil([&] { return !screen.browser; }));
  EXPECT_EQ(screen.roots.size(), count);
  for (const FileNodePtr& r : screen.roots) EXPECT_FALSE(r->name().isEmpty());
}
