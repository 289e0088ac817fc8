#include "image/DmgRules.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "TestWorld.h"

using dmg::Choice;
using dmg::Kind;

namespace {

TEST(DmgOutput, FolderNameAndLinkByDestinationSystemAndKind) {
  const QDateTime at(QDate(2026, 3, 7), QTime(9, 5, 2));
  const QString name = dmg::createName(at);
  EXPECT_EQ(name, "QuorvanDiskClone(2026-03-07 09:05:02)");

  struct Case {
    QString destination;
    Kind kind;
    int version;
    QString folder, file, open;
  };
  const Case cases[] = {
      {"/Volumes/Data", Kind::Image, 1015, "/Volumes/Data", "/Volumes/Data/" + name + ".dmg", "/Volumes/Data"},
      {"/Volumes/Data", Kind::Zip, 1014, "/Volumes/Data", "/Volumes/Data/" + name + ".zip", "/Volumes/Data"},
      // The startup volume: the console user's Desktop from 10.15 on …
      {"/", Kind::Image, 1015, "/Users/alex/Desktop", "/Users/alex/Desktop/" + name + ".dmg", "/Users/alex/Desktop"},
      {"/", Kind::Zip, 1300, "/Users/alex/Desktop", "/Users/alex/Desktop/" + name + ".zip", "/Users/alex/Desktop"},
      // … before it the root, where an image goes into the engine's own folder.
      {"/", Kind::Image, 1014, "/", "/QuorvanDiskClone_dmg/" + name + ".dmg", "/QuorvanDiskClone_dmg"},
      {"/", Kind::Zip, 1014, "/", "/" + name + ".zip", "/"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(qPrintable(c.destination + " " + QString::number(c.version)));
    const dmg::Output out = dmg::outputFor(c.destination, c.kind, name, c.version, "alex");
    EXPECT_EQ(out.folder, c.folder);
    EXPECT_EQ(out.file, c.file);
    EXPECT_EQ(out.openFolder, c.open);
  }
}

TEST(DmgZipText, OnlyTheLineAfterTheFirstBreakOfAnAddingChunk) {
  struct Case {
    QString in, out;
  };
  const Case cases[] = {
      {"  adding: a/b (deflated 40%)\n  adding: a/c (stored 0%)\n", "  adding: a/c (stored 0%)\n"},
      {"  adding: a/b (stored 0%)\nrest", "rest"},
      {"  adding: a/b (deflated 12%)", "  adding: a/b (deflated 12%)"},  // no break: as it came
      {"zip warning: name not matched\nnext", "zip warning: name not matched\nnext"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(dmg::trimZipOutput(c.in), c.out) << qPrintable(c.in);
}

VolumeObjPtr volume(const QString& path, qint64 total, qint64 free) {
  auto v = std::make_shared<VolumeObj>();
  v->volumePath = v->volumeMountPoint = path;
  v->volumeName = path.mid(path.lastIndexOf('/') + 1);
  v->volumeTotalSizeNum = total;
  v->volumeFreeSizeNum = free;
  return v;
}

struct Expect {
  bool clone, comboEnabled, sourceError, destinationError;
  int comboType;
  QString bubble;  // key, or empty
  int side;
};

void check(const Choice& c, const std::optional<Choice::Bubble>& bubble, const Expect& e) {
  EXPECT_EQ(c.cloneEnabled(), e.clone);
  EXPECT_EQ(c.comboEnabled(), e.comboEnabled);
  EXPECT_EQ(c.sourceError(), e.sourceError);
  EXPECT_EQ(c.destinationError(), e.destinationError);
  EXPECT_EQ(c.comboType(), e.comboType);
  EXPECT_EQ(bubble ? bubble->key : QString(), e.bubble);
  if (bubble) EXPECT_EQ(bubble->side, e.side);
}

TEST(DmgChoice, SameVolumeFromEitherSideWithTwoRecordsOfOnePath) {
  // Two picker openings give two records of one volume.
  {
    Choice c;
    c.chooseSource(volume("/Volumes/USB Stick", 1000, 400));
    const auto b = c.chooseDestination(volume("/Volumes/USB Stick", 1000, 400));
    check(c, b, {false, true, false, true, 0, "MAKE_DMG_error_same_drice", 1});
    EXPECT_FALSE(c.destination());
    EXPECT_TRUE(c.shownDestination());  // the box keeps the refused volume, marked
    EXPECT_TRUE(c.source());
  }
  {
    Choice c;
    c.chooseDestination(volume("/Volumes/Data", 1000, 900));
    const auto b = c.chooseSource(volume("/Volumes/Data", 1000, 900));
    check(c, b, {false, false, true, false, 0, "MAKE_DMG_error_same_drice", 0});
    EXPECT_FALSE(c.source());
    EXPECT_EQ(c.usedSize(), -1);
  }
}

TEST(DmgChoice, SpaceRules) {
  struct Case {
    const char* what;
    qint64 sourceTotal, sourceFree, destinationFree;
    Expect expect;
  };
  const Case cases[] = {
      {"need equal to free passes", 1000, 400, 600, {true, true, false, false, 0, "", 0}},
      {"need above free", 1000, 400, 599, {false, false, false, true, 1, "MAKE_DMG_error_no_space", 1}},
      {"plenty", 1000, 900, 5000, {true, true, false, false, 0, "", 0}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    Choice c;
    c.chooseSource(volume("/Volumes/A", k.sourceTotal, k.sourceFree));
    const auto b = c.chooseDestination(volume("/Volumes/B", 10000, k.destinationFree));
    check(c, b, k.expect);
  }
}

TEST(DmgChoice, UnknownSizesLeaveTheButtonOff) {
  Choice source;
  check(source, source.chooseSource(volume("/Volumes/A", 1000, 400)), {false, true, false, false, 0, "", 0});
  Choice destination;
  check(destination, destination.chooseDestination(volume("/Volumes/B", 1000, 400)),
        {false, false, false, false, 0, "", 0});
}

TEST(DmgChoice, DropThenDestinationAndDestinationThenDrop) {
  Choice c;
  check(c, c.drop(0), {false, true, false, false, 0, "", 0});
  EXPECT_TRUE(c.comboShown());
  check(c, c.chooseDestination(volume("/Volumes/B", 1000, 0)), {true, true, false, false, 0, "", 0});
  EXPECT_EQ(dmg::sizeFrom(c.selectFilesSize(), c.isDragValue(), c.comboType()), dmg::SizeFrom::Total);

  Choice d;
  d.chooseDestination(volume("/Volumes/B", 1000, 10));
  check(d, d.drop(10), {true, true, false, false, 0, "", 0});
}

TEST(DmgChoice, ADropReplacesTheChosenVolumeInTheSpaceCheck) {
  // A large source that does not fit, then a drop: the dropped total decides.
  struct Case {
    const char* what;
    qint64 dropped;
    Expect expect;
  };
  const Case cases[] = {
      {"a set that fits", 400, {true, true, false, false, 0, "", 0}},
      {"exactly the free room", 500, {true, true, false, false, 0, "", 0}},
      {"a set that does not fit", 501, {false, false, false, true, 0, "MAKE_DMG_error_no_space", 1}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    Choice c;
    c.chooseSource(volume("/Volumes/A", 100000, 100));
    c.chooseDestination(volume("/Volumes/B", 10000, 500));
    ASSERT_FALSE(c.cloneEnabled());
    check(c, c.drop(k.dropped), k.expect);
    EXPECT_FALSE(c.source());
    EXPECT_EQ(c.usedSize(), -1);
    EXPECT_EQ(c.droppedBytes(), k.dropped);
  }
}

TEST(DmgChoice, BrowserSelectionThenCopyAllPacksEverything) {
  Choice c;
  c.chooseSource(volume("/Volumes/A", 1000, 400));  // 600 used
  c.chooseDestination(volume("/Volumes/B", 10000, 500));  // too small for all
  EXPECT_FALSE(c.cloneEnabled());
  EXPECT_EQ(c.comboType(), 1);
  EXPECT_FALSE(c.destinationShowsAdd());
  c.browserResult(300, 1, 4);
  EXPECT_TRUE(c.cloneEnabled());
  EXPECT_TRUE(c.hasSelection());
  EXPECT_TRUE(c.selectionIsPartial());
  EXPECT_EQ(dmg::sizeFrom(c.selectFilesSize(), c.isDragValue(), c.comboType()), dmg::SizeFrom::Known);

  // Copy all again: the ticked set and its size are gone, the volume's used bytes count.
  const auto b = c.chooseCopyType(0);
  EXPECT_FALSE(c.hasSelection());
  EXPECT_EQ(c.selectFilesSize(), -1);
  check(c, b, {false, false, false, true, 1, "MAKE_DMG_error_no_space", 1});

  Choice dropped;
  dropped.drop(1);
  dropped.chooseCopyType(0);
  EXPECT_TRUE(dropped.hasSelection());
  EXPECT_TRUE(dropped.isDragValue());
}

TEST(DmgChoice, SizeSourceByModeNotByLabel) {
  struct Case {
    qint64 selected;
    bool dropped;
    int type;
    dmg::SizeFrom from;
  };
  const Case cases[] = {
      {-1, false, 0, dmg::SizeFrom::SourceUsedBytes},  // copy all of a volume
      {-1, true, 0, dmg::SizeFrom::Total},             // a drop is totalled, whatever the mode shows
      {-1, false, 1, dmg::SizeFrom::Total},            // copy some without a browser result
      {0, false, 1, dmg::SizeFrom::Known},
      {77, true, 0, dmg::SizeFrom::Known},
  };
  for (const Case& c : cases) EXPECT_EQ(dmg::sizeFrom(c.selected, c.dropped, c.type), c.from);
}

class DmgPacking : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(world.ok()) << qPrintable(world.error());
    for (const char* dir : {"/System/Library/Core", "/System/Volumes/Data", "/Volumes/Data/a",
                            "/Applications/Tool.app", "/Library/Fonts"})
      QDir().mkpath(world.host(dir));
    QFile f(world.host("/System/readme.txt"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("hello");
  }
  FileNodePtr node(const QString& path, bool dir, int state, const FileNodeList& children = {}) {
    FileNodePtr n = FileNode::initWithPath(path, path.mid(path.lastIndexOf('/') + 1), dir);
    n->setState(state);
    n->setChildren(children);
    return n;
  }
  TestWorld world;
};

TEST_F(DmgPacking, SelectionToPackedPaths) {
  struct Case {
    const char* what;
    FileNodeList roots;
    Kind kind;
    QStringList sources, targets;
    QString error;
    dmg::PackPlace place = {};
  };
  const int S = FileNode::Selected, P = FileNode::PartlySelected, N = FileNode::NotSelected;
  const dmg::PackPlace startupOntoData{true, "/Volumes/Data"};
  const Case cases[] = {
      {"partial folders recurse, flat in the image",
       {node("/Users/alex", true, P,
             {node("/Users/alex/Documents", true, S), node("/Users/alex/Music", true, N),
              node("/Users/alex/Pictures", true, P, {node("/Users/alex/Pictures/a.jpg", false, S)})}),
        node("/Applications", true, N)},
       Kind::Image,
       {"/Users/alex/Documents", "/Users/alex/Pictures/a.jpg"},
       {"Documents", "a.jpg"},
       ""},
      {"copy all of the startup volume: /Volumes out, /System by its other entries",
       {node("/Applications", true, S), node("/Library", true, S), node("/System", true, S),
        node("/Volumes", true, S)},
       Kind::Image,
       {"/Applications", "/Library", "/System/Applications", "/System/Library", "/System/readme.txt"},
       {"Applications", "Library", "System/Applications", "System/Library", "System/readme.txt"},
       ""},
      {"a ticked /System inside a partial root",
       {node("/", true, P, {node("/System", true, S), node("/Users", true, N)})}, Kind::Zip,
       {"/System/Applications", "/System/Library", "/System/readme.txt"},
       {"System/Applications", "System/Library", "System/readme.txt"}, ""},
      {"items on other volumes stay", {node("/Volumes/Data/a", true, S)}, Kind::Image,
       {"/Volumes/Data/a"}, {"a"}, ""},
      {"same last name refused for an image",
       {node("/Library/Fonts", true, S), node("/Users/alex/Library", true, P, {node("/Users/alex/Library/Fonts", true, S)})},
       Kind::Image, {}, {}, "MAKE_DMG_error_same_name"},
      {"same last name is fine in an archive",
       {node("/Library/Fonts", true, S), node("/Users/alex/Fonts", true, S)}, Kind::Zip,
       {"/Library/Fonts", "/Users/alex/Fonts"}, {"Fonts", "Fonts"}, ""},
      {"a dropped item from outside", {node("/Volumes/Data/a", true, S), node("", false, S)}, Kind::Zip, {}, {},
       "MAKE_DMG_error_outside"},
      {"nothing ticked", {node("/Library", true, N)}, Kind::Image, {}, {}, "MAKE_DMG_no_select_file"},
      {"only /Volumes ticked", {node("/Volumes", true, S)}, Kind::Zip, {}, {}, "MAKE_DMG_no_select_file"},
      {"from the startup volume nothing under a partly ticked /Volumes: the link back to / and the destination",
       {node("/Applications", true, S),
        node("/Volumes", true, P,
             {node("/Volumes/Macintosh HD", true, S),
              node("/Volumes/Data", true, P, {node("/Volumes/Data/a", true, S)})})},
       Kind::Zip, {"/Applications"}, {"Applications"}, "", startupOntoData},
      {"from the startup volume nothing under a partly ticked /System/Volumes",
       {node("/System", true, P,
             {node("/System/Library", true, S),
              node("/System/Volumes", true, P, {node("/System/Volumes/Data", true, S)})})},
       Kind::Image, {"/System/Library"}, {"Library"}, "", startupOntoData},
      {"only the startup volume's link back to / ticked",
       {node("/Volumes", true, P, {node("/Volumes/Macintosh HD", true, S)})}, Kind::Zip, {}, {},
       "MAKE_DMG_no_select_file", startupOntoData},
      {"a dropped destination volume stays out, the other items go",
       {node("/Volumes/Data", true, S), node("/Volumes/USB Stick/x", false, S)}, Kind::Image,
       {"/Volumes/USB Stick/x"}, {"x"}, "", {false, "/Volumes/Data"}},
      // The system rows stay in state 1 in the browser; only what the user could tick goes.
      {"a startup-volume browser selection: one ticked folder, the system rows left as they were",
       {node("/Applications", true, N), node("/Library", true, S), node("/System", true, S),
        node("/Users", true, S), node("/usr", true, S), node("/.hidden", false, S)},
       Kind::Zip, {"/Users"}, {"Users"}, "", {true, "/Volumes/Data", true}},
      {"a hidden child of a partly ticked browser root is packed",
       {node("/Users", true, P, {node("/Users/.profile", false, S)})}, Kind::Zip,
       {"/Users/.profile"}, {".profile"}, "", {true, "/Volumes/Data", true}},
      {"names that differ only in case clash in an image",
       {node("/Volumes/Data/Notes", true, S), node("/Volumes/Data/x/notes", true, S)}, Kind::Image, {}, {},
       "MAKE_DMG_error_same_name"},
      {"a dropped folder that holds the destination folder goes by its other entries",
       {node("/Users/alex", true, S)}, Kind::Zip,
       {"/Users/alex/Documents", "/Users/alex/Downloads", "/Users/alex/Library"},
       {"alex/Documents", "alex/Downloads", "alex/Library"}, "", {false, "/Users/alex/Desktop"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const dmg::Packed p = dmg::packedPaths(c.roots, c.kind, c.place);
    EXPECT_EQ(p.sources, c.sources);
    EXPECT_EQ(p.targets, c.targets);
    EXPECT_EQ(p.errorKey, c.error);
  }
}

TEST_F(DmgPacking, TheStartupVolumeItselfLeavesBothVolumesFoldersOut) {
  // Its copy all onto another volume, "/" dropped for an archive in "/" itself,
  // and its link in /Volumes dropped, which zip would otherwise follow round.
  ASSERT_TRUE(QFileInfo(world.host("/Volumes/Macintosh HD")).isSymLink());
  const struct {
    const char* root;
    dmg::PackPlace place;
    QString top;
  } cases[] = {{"/", {true, "/Volumes/Data"}, ""},
               {"/", {false, "/"}, ""},
               {"/Volumes/Macintosh HD", {false, "/Volumes/Data"}, "Macintosh HD/"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.root + (" into " + c.place.destinationFolder).toStdString());
    const dmg::PackPlace& place = c.place;
    const dmg::Packed p = dmg::packedPaths({node(c.root, true, FileNode::Selected)}, Kind::Image, place);
    EXPECT_TRUE(p.errorKey.isEmpty()) << qPrintable(p.errorKey);
    for (const QString& want : {"/Applications", "/System/Library", "/Users", "/tmp"})
      EXPECT_TRUE(p.sources.contains(want)) << qPrintable(want);
    for (const QString& path : p.sources) {
      EXPECT_FALSE(path == "/Volumes" || path == "/System/Volumes" || path == "/" || path == "/System") << qPrintable(path);
    }
    const qsizetype library = p.sources.indexOf("/System/Library");
    ASSERT_GE(library, 0);
    EXPECT_EQ(p.targets.at(library), c.top + "System/Library");
  }
}

TEST_F(DmgPacking, ArchiveRootsCarryTheFolderFlag) {
  const FileNodeList nodes = dmg::nodesFor({"/System/Library", "/System/readme.txt"});
  ASSERT_EQ(nodes.size(), 2);
  EXPECT_TRUE(nodes[0]->isDirectory());
  EXPECT_FALSE(nodes[1]->isDirectory());
  EXPECT_EQ(nodes[1]->state(), FileNode::Selected);
  EXPECT_EQ(nodes[1]->path(), "/System/readme.txt");
  EXPECT_EQ(nodes[1]->size(), 5u);
}

TEST_F(DmgPacking, ADroppedSetCountsItsFilesButNotWhatLinksLeadTo) {
  for (const auto& [path, data] : {std::pair{"/Volumes/Data/a/one", "123"}, std::pair{"/Volumes/Data/a/sub/two", "4567"}}) {
    QDir().mkpath(QFileInfo(world.host(path)).path());
    QFile f(world.host(path));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
  }
  // A link inside the dropped folder to a large file elsewhere adds nothing.
  ASSERT_TRUE(QFile::link(world.host("/System/readme.txt"), world.host("/Volumes/Data/a/link")));
  FileNodePtr file = node("/System/readme.txt", false, FileNode::Selected);
  file->setSize(5);
  EXPECT_EQ(dmg::droppedBytes({node("/Volumes/Data/a", true, FileNode::Selected), file}), 3 + 4 + 5);
  EXPECT_EQ(dmg::droppedBytes({}), 0);
}

}  // namespace
