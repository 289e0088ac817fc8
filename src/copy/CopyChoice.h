#pragma once
// The copy screen's choice rules as a plain model: which source and destination
// are taken, whether the destination has room, what the copy button and the
// copy-mode drop-down allow, and what the screen says when it refuses. The
// screen applies the fields below to its widgets after each call.
#include <QString>
#include <optional>

#include "services/DoCopyFiles.h"
#include "services/FileNode.h"
#include "services/VolumeObj.h"

namespace copyscreen {

enum CalloutSide { CalloutLeft = 0, CalloutRight = 1 };

// An error callout: a text key, beside the source box (left) or the destination box (right).
struct Callout {
  QString key;
  int side = CalloutLeft;
  QString value;  // fills the text's placeholder, when it has one
  bool operator==(const Callout&) const = default;
};
using MaybeCallout = std::optional<Callout>;

enum class SourceShows {
  Nothing,    // the hint
  Volume,     // the volume's name and used size
  Selection,  // "n items" and the ticked bytes
  Dropped,    // "some files", their count
};

class CopyChoice {
 public:
  // `writable`: the volume's path can be written (asked by the screen).
  MaybeCallout chooseSource(const VolumeObjPtr& volume);
  MaybeCallout chooseDestination(const VolumeObjPtr& volume, bool writable);
  void clearSource();
  void clearDestination();
  // Items dropped on the source box. One from outside the simulated Mac (no
  // Mac path) refuses the whole drop and changes nothing.
  MaybeCallout drop(const FileNodeList& nodes);
  // The browser's Done: its roots and the bytes ticked in them.
  MaybeCallout browserResult(const FileNodeList& roots, qint64 bytes);
  // The copy-mode list: 0 copy all, 1 copy some.
  MaybeCallout selectCopyMode(int mode);

  // The copy button's refusal of a root list (a selection, a dropped set or
  // the copy-all listing): nothing in it to copy, or two items that would take
  // one name in the destination (the text names it).
  static MaybeCallout refusalToCopy(const FileNodeList& roots, CopyItems items);

  // The choice.
  VolumeObjPtr fromeVolume;
  VolumeObjPtr toVolume;
  qint64 usedSize = -1;
  qint64 freeSize = -1;
  qint64 selectFilesSize = -1;
  bool isDragValue = false;
  std::optional<FileNodeList> copyArr;  // none: the whole source volume

  // What the page shows.
  VolumeObjPtr shownSource;       // kept on a refused source, so its box still names it
  VolumeObjPtr shownDestination;  // likewise for a refused destination
  SourceShows sourceShows = SourceShows::Nothing;
  int shownCount = 0;  // ticked roots of a selection, or dropped items
  bool copyButtonEnabled = false;
  bool comboEnabled = false;
  bool comboShown = false;
  int comboMode = 0;
  bool sourceError = false;
  bool destinationError = false;
  bool destinationShowsAdd = false;

 private:
  void spaceCheck();
  void selectionCheck();
  void say(const char* key, int side) { said_ = Callout{QString::fromLatin1(key), side}; }
  MaybeCallout take() {
    MaybeCallout c = said_;
    said_.reset();
    return c;
  }
  MaybeCallout said_;
};

}  // namespace copyscreen
