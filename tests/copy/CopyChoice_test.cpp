// The copy screen's choice rules, without a window: one table of what a user
// does and what the page then allows and says.
#include <gtest/gtest.h>

#include <functional>

#include "copy/CopyChoice.h"

using namespace copyscreen;

namespace {

constexpr qint64 GB = 1000LL * 1000 * 1000;

VolumeObjPtr volume(const QString& name, const QString& path, const QString& type, qint64 total, qint64 free) {
  auto v = std::make_shared<VolumeObj>();
  v->volumeName = name;
  v->volumePath = path;
  v->volumeMountPoint = path;
  v->volumeType = type;
  v->volumeTotalSizeNum = total;
  v->volumeFreeSizeNum = free;
  return v;
}

const VolumeObjPtr kStartup = volume("Macintosh HD", "/", "apfs", 500 * GB, 300 * GB);  // 200 GB used
const VolumeObjPtr kSmall = volume("Small", "/Volumes/Small", "hfs", 10 * GB, 9 * GB);  // 1 GB used
const VolumeObjPtr kStick = volume("USB Stick", "/Volumes/USB Stick", "hfs", 32 * GB, 20 * GB);
const VolumeObjPtr kExact = volume("Exact", "/Volumes/Exact", "hfs", 2 * GB, 1 * GB);  // free = kSmall's used
const VolumeObjPtr kFull = volume("Full", "/Volumes/Full", "hfs", 2 * GB, 0);
const VolumeObjPtr kNtfs = volume("Windows Backup", "/Volumes/Windows Backup", "NTFS", 1000 * GB, 100 * GB);

FileNodePtr item(const QString& path, int state = FileNode::Selected) {
  FileNodePtr n = FileNode::initWithPath(path, path.section('/', -1), true);
  n->setState(state);
  return n;
}

FileNodeList rootsOf(std::initializer_list<int> states) {
  FileNodeList roots;
  int i = 0;
  for (int s : states) roots << item(QStringLiteral("/Users/alex/f%1").arg(i++), s);
  return roots;
}

struct Expect {
  bool copy;
  bool combo;
  int mode;
  bool sourceError;
  bool destinationError;
  const char* callout;  // "" none; else key and side
  int side;
  SourceShows shows;
  int copyArr;  // roots to copy; -1: the whole volume
  bool destinationShowsAdd = false;
};

struct Case {
  const char* name;
  std::function<MaybeCallout(CopyChoice&)> steps;  // answers the last step's callout
  Expect expect;
};

}  // namespace

TEST(CopyChoiceTest, RulesOfTheChoicePage) {
  using S = SourceShows;
  const QList<Case> cases = {
      {"source, then a destination with room",
       [](CopyChoice& c) { c.chooseSource(kSmall); return c.chooseDestination(kStick, true); },
       {true, true, 0, false, false, "", 0, S::Volume, -1}},
      {"destination first, then the source",
       [](CopyChoice& c) { c.chooseDestination(kStick, true); return c.chooseSource(kSmall); },
       {true, true, 0, false, false, "", 0, S::Volume, -1}},
      {"the source's volume as destination",
       [](CopyChoice& c) { c.chooseSource(kSmall); return c.chooseDestination(kSmall, true); },
       {false, true, 0, false, true, "MAKE_DMG_error_same_drice", CalloutRight, S::Volume, -1}},
      {"the destination's volume as source",
       [](CopyChoice& c) { c.chooseDestination(kStick, true); return c.chooseSource(kStick); },
       {false, false, 0, true, false, "MAKE_DMG_error_same_drice", CalloutLeft, S::Volume, -1}},
      {"read-only NTFS destination",
       [](CopyChoice& c) { c.chooseSource(kSmall); return c.chooseDestination(kNtfs, false); },
       {false, true, 0, false, true, "DISK_COPY_NTFS", CalloutRight, S::Volume, -1}},
      {"writable NTFS destination",
       [](CopyChoice& c) { c.chooseSource(kSmall); return c.chooseDestination(kNtfs, true); },
       {true, true, 0, false, false, "", 0, S::Volume, -1}},
      {"need equal to the free space",
       [](CopyChoice& c) { c.chooseSource(kSmall); return c.chooseDestination(kExact, true); },
       {true, true, 0, false, false, "", 0, S::Volume, -1}},
      {"need above the free space",
       [](CopyChoice& c) { c.chooseSource(kStartup); return c.chooseDestination(kStick, true); },
       {false, false, 1, false, true, "MAKE_DMG_error_no_space", CalloutRight, S::Volume, -1}},
      {"a smaller source after a refused one",
       [](CopyChoice& c) {
         c.chooseSource(kStartup);
         c.chooseDestination(kStick, true);
         return c.chooseSource(kSmall);
       },
       {true, true, 0, false, false, "", 0, S::Volume, -1}},
      {"a larger source after an accepted one",
       [](CopyChoice& c) {
         c.chooseDestination(kStick, true);
         c.chooseSource(kSmall);
         return c.chooseSource(kStartup);
       },
       {false, false, 1, false, true, "MAKE_DMG_error_no_space", CalloutRight, S::Volume, -1}},
      {"a size not known yet refuses nothing",
       [](CopyChoice& c) { return c.chooseDestination(kStick, true); },
       {false, false, 0, false, false, "", 0, S::Nothing, -1}},
      {"a browser selection above the free space",
       [](CopyChoice& c) {
         c.chooseSource(kStartup);
         c.chooseDestination(kStick, true);
         return c.browserResult(rootsOf({1, 0, 2}), 30 * GB);
       },
       {false, false, 1, false, true, "MAKE_DMG_error_no_space", CalloutRight, S::Selection, 3, true}},
      {"a smaller source after a refused browser selection",
       [](CopyChoice& c) {
         c.chooseSource(kStartup);
         c.chooseDestination(kStick, true);
         c.browserResult(rootsOf({1, 0, 2}), 30 * GB);
         return c.chooseSource(kSmall);
       },
       {true, true, 0, false, false, "", 0, S::Volume, -1}},
      {"a browser selection that fits",
       [](CopyChoice& c) {
         c.chooseSource(kStartup);
         c.chooseDestination(kStick, true);
         return c.browserResult(rootsOf({1, 0, 2}), 20 * GB);
       },
       {true, false, 1, false, false, "", 0, S::Selection, 3}},
      {"every root ticked shows the volume",
       [](CopyChoice& c) {
         c.chooseSource(kSmall);
         c.chooseDestination(kStick, true);
         return c.browserResult(rootsOf({1, 2}), 1 * GB);
       },
       {true, true, 0, false, false, "", 0, S::Volume, 2}},
      {"copy all after a browser selection drops it",
       [](CopyChoice& c) {
         c.chooseSource(kStartup);
         c.chooseDestination(kStick, true);
         c.browserResult(rootsOf({1, 0}), 1 * GB);
         return c.selectCopyMode(0);
       },
       {false, false, 1, false, true, "MAKE_DMG_error_no_space", CalloutRight, S::Volume, -1}},
      {"drop, then a destination",
       [](CopyChoice& c) { c.drop(rootsOf({1, 1})); return c.chooseDestination(kStick, true); },
       {true, true, 0, false, false, "", 0, S::Dropped, 2}},
      {"drop while a destination is chosen",
       [](CopyChoice& c) { c.chooseDestination(kStick, true); return c.drop(rootsOf({1})); },
       {true, true, 0, false, false, "", 0, S::Dropped, 1}},
      {"a dropped set is not sized, so a full destination takes it",
       [](CopyChoice& c) { c.drop(rootsOf({1})); return c.chooseDestination(kFull, true); },
       {true, true, 0, false, false, "", 0, S::Dropped, 1}},
      {"copy all keeps a dropped set",
       [](CopyChoice& c) {
         c.drop(rootsOf({1, 1}));
         c.chooseDestination(kStick, true);
         return c.selectCopyMode(0);
       },
       {true, true, 0, false, false, "", 0, S::Dropped, 2}},
      {"a dropped item from outside the Mac",
       [](CopyChoice& c) {
         c.chooseSource(kSmall);
         c.chooseDestination(kStick, true);
         return c.drop({item("/Users/alex/a"), FileNode::initWithPath(QString(), "outside", false)});
       },
       {true, true, 0, false, false, "DISK_COPY_Drop_outside", CalloutLeft, S::Volume, -1}},
      {"clearing the destination",
       [](CopyChoice& c) {
         c.chooseSource(kSmall);
         c.chooseDestination(kStick, true);
         c.clearDestination();
         return MaybeCallout();
       },
       {false, true, 0, false, false, "", 0, S::Volume, -1}},
      {"clearing the source",
       [](CopyChoice& c) {
         c.chooseSource(kSmall);
         c.chooseDestination(kStick, true);
         c.browserResult(rootsOf({1, 0}), 1);
         c.clearSource();
         return MaybeCallout();
       },
       {false, false, 0, false, false, "", 0, S::Nothing, -1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CopyChoice choice;
    const MaybeCallout said = c.steps(choice);
    const Expect& e = c.expect;
    EXPECT_EQ(choice.copyButtonEnabled, e.copy);
    EXPECT_EQ(choice.comboEnabled, e.combo);
    EXPECT_EQ(choice.comboMode, e.mode);
    EXPECT_EQ(choice.sourceError, e.sourceError);
    EXPECT_EQ(choice.destinationError, e.destinationError);
    EXPECT_EQ(choice.sourceShows, e.shows);
    EXPECT_EQ(choice.copyArr ? int(choice.copyArr->size()) : -1, e.copyArr);
    EXPECT_EQ(choice.destinationShowsAdd, e.destinationShowsAdd);
    if (*e.callout) {
      ASSERT_TRUE(said.has_value());
      EXPECT_EQ(said->key, QString::fromLatin1(e.callout));
      EXPECT_EQ(said->side, e.side);
    } else {
      EXPECT_FALSE(said.has_value()) << said->key.toStdString();
    }
  }
}

TEST(CopyChoiceTest, RefusedChoicesKeepTheOtherSide) {
  CopyChoice choice;
  choice.chooseSource(kSmall);
  choice.chooseDestination(kSmall, true);
  EXPECT_EQ(choice.fromeVolume, kSmall);
  EXPECT_EQ(choice.toVolume, nullptr);
  EXPECT_EQ(choice.shownDestination, kSmall);  // the box still names what was refused
  EXPECT_EQ(choice.freeSize, -1);

  CopyChoice other;
  other.chooseDestination(kStick, true);
  other.chooseSource(kStick);
  EXPECT_EQ(other.toVolume, kStick);
  EXPECT_EQ(other.fromeVolume, nullptr);
  EXPECT_EQ(other.usedSize, -1);
}

TEST(CopyChoiceTest, TheCopyButtonRefusesWhatCannotBeCopiedAsChosen) {
  auto partlyWith = [](const QString& path, const QString& child) {
    FileNodePtr top = item(path, FileNode::PartlySelected);
    FileNodePtr c = FileNode::initWithPath(path + "/" + child, child, true, top.data());
    top->children() << c;
    return top;
  };
  const FileNodeList systemRowsOnly = {item("/usr"), item("/private"), item("/Users", FileNode::NotSelected)};
  const FileNodeList clashing = {partlyWith("/Users/alex", "Documents"), partlyWith("/Users/sam", "Documents")};
  const Callout nothing{"DISK_COPY_NO_Select", CalloutLeft};
  struct Case {
    const char* name;
    FileNodeList roots;
    CopyItems items;
    MaybeCallout refusal;
  };
  const QList<Case> cases = {
      {"empty list (an empty volume, or a drop of .DS_Store alone)", {}, CopyItems::CopyAllListing, nothing},
      {"every root unticked", rootsOf({0, 0}), CopyItems::BrowserSelection, nothing},
      {"one root partly ticked", rootsOf({0, 2}), CopyItems::BrowserSelection, std::nullopt},
      {"one root ticked", rootsOf({1}), CopyItems::BrowserSelection, std::nullopt},
      // Rows the user could not tick are no selection; dropped, they are.
      {"only system rows left ticked", systemRowsOnly, CopyItems::BrowserSelection, nothing},
      {"the same items dropped", systemRowsOnly, CopyItems::DroppedItems, std::nullopt},
      {"two ticked children of one name", clashing, CopyItems::BrowserSelection,
       Callout{"DISK_COPY_same_name", CalloutLeft, "Documents"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(CopyChoice::refusalToCopy(c.roots, c.items), c.refusal);
  }
}
