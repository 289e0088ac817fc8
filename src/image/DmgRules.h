#pragma once
// The image screen's decisions, kept out of the widgets: where the result goes
// and how it is named, what is packed from a selection, and the choice rules of
// the two boxes and the copy-mode drop-down.
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>

#include "services/FileNode.h"
#include "services/VolumeObj.h"

namespace dmg {

// "QuorvanDiskClone(yyyy-MM-dd HH:mm:ss)" of the moment.
QString createName(const QDateTime& now);

enum class Kind { Image, Zip };

struct Output {
  QString folder;      // handed to the engine (an image's engine turns "/" into its own folder)
  QString file;        // the image or archive that will exist on success
  QString openFolder;  // the folder that really holds it, opened by the result link
};

// The destination volume's path decides: its own top folder, or on the startup
// volume of systems above 1014 the console user's Desktop (the process runs as
// root, whose Desktop the user never sees).
Output outputFor(const QString& destinationPath, Kind kind, const QString& name, int systemVersion,
                 const QString& consoleUser);

// zip prints "  adding: a/b (deflated 40%)" lines; what the user reads is the
// line after the first break of such a chunk.
QString trimZipOutput(const QString& text);

// Two records describe one volume when they name the same path; a picker makes
// new records each time it opens.
bool sameVolume(const VolumeObj* a, const VolumeObj* b);

// What a job packs: each source (a Mac path) with the name it gets inside an
// image. `errorKey` names the refusal text when nothing may start.
struct Packed {
  QStringList sources;
  QStringList targets;  // relative to the image's root
  QString errorKey;
};

// Where a selection comes from and where its result goes.
struct PackPlace {
  bool fromStartupVolume = false;  // roots of the startup volume's browser or listing
  QString destinationFolder;       // the folder the result is written in (Output::openFolder)
  // Roots of the browser: only those the user could tick are packed
  // (chosenBrowserRoots). Dropped items and a copy-all listing are packed as given.
  bool browserSelection = false;
};

// Fully ticked nodes are packed whole, partly ticked folders by their ticked
// children. "/Volumes" and "/System/Volumes" are never packed, and from the
// startup volume nothing below them either: there they hold the other volumes,
// the destination among them, and "/Volumes/Macintosh HD" leads back to "/", so
// the image would be copied into itself and zip would walk every volume and
// back into "/" without end. The destination folder is never packed. A folder
// holding any of these is packed by its other entries (its place kept in the
// image). Two items that would take one name in an image are refused. An item
// without a Mac path (dropped from outside) is refused.
Packed packedPaths(const FileNodeList& roots, Kind kind, const PackPlace& place = {});

// The bytes of a dropped set: files by their node's size, folders by the
// regular files below them (links are not followed).
qint64 droppedBytes(const FileNodeList& nodes);

// Nodes of packed sources (fully selected, files with their size), as the
// archive engine and the totaller take them.
FileNodeList nodesFor(const QStringList& sources);

// How the bytes that size an image are found.
enum class SizeFrom { Known, SourceUsedBytes, Total };
SizeFrom sizeFrom(qint64 selectFilesSize, bool isDragValue, int comboType);

// The screen's choice of source, destination and copy mode.
class Choice {
 public:
  struct Bubble {
    QString key;
    int side = 0;  // 0 beside the source box, 1 beside the destination box
  };

  // A volume chosen in the picker for either box.
  std::optional<Bubble> chooseSource(const VolumeObjPtr& volume);
  std::optional<Bubble> chooseDestination(const VolumeObjPtr& volume);
  void clearSource();
  void clearDestination();
  // Items of `bytes` dropped on the source box: the dropped set is the source
  // from then on, and its total, not the volume chosen before, meets the space check.
  std::optional<Bubble> drop(qint64 bytes);
  // The browser's result: `rootsTouched` of the `rootCount` roots are chosen
  // (ticked, and rows the user could tick).
  void browserResult(qint64 bytes, int rootsTouched, int rootCount);
  // The drop-down's mode chosen by the user: copy all of a volume forgets a
  // browser selection (a dropped set stays).
  std::optional<Bubble> chooseCopyType(int type);

  const VolumeObjPtr& source() const { return source_; }
  // What the boxes show: a refused volume stays in its box, marked.
  const VolumeObjPtr& shownSource() const { return shownSource_; }
  const VolumeObjPtr& shownDestination() const { return shownDestination_; }
  // The destination box's select button shows "add" after a selection that does not fit.
  bool destinationShowsAdd() const { return destinationShowsAdd_; }
  const VolumeObjPtr& destination() const { return destination_; }
  qint64 usedSize() const { return usedSize_; }
  qint64 freeSize() const { return freeSize_; }
  qint64 selectFilesSize() const { return selectFilesSize_; }
  // The dropped set's bytes as measured when it came.
  qint64 droppedBytes() const { return droppedBytes_; }
  bool isDragValue() const { return isDragValue_; }
  // A browser selection (or drop) is held, not the whole source.
  bool hasSelection() const { return hasSelection_; }
  // The box shows the browser's count of chosen roots, not the volume or the drop.
  bool selectionIsPartial() const { return partial_; }
  int comboType() const { return comboType_; }
  bool comboEnabled() const { return comboEnabled_; }
  bool comboShown() const { return source_ || isDragValue_; }
  bool cloneEnabled() const { return cloneEnabled_; }
  bool sourceError() const { return sourceError_; }
  bool destinationError() const { return destinationError_; }

 private:
  std::optional<Bubble> spaceCheck();
  void selectionCheck();

  VolumeObjPtr source_, destination_, shownSource_, shownDestination_;
  bool destinationShowsAdd_ = false;
  qint64 usedSize_ = -1;
  qint64 freeSize_ = -1;
  qint64 selectFilesSize_ = -1;
  qint64 droppedBytes_ = 0;
  bool isDragValue_ = false;
  bool hasSelection_ = false;
  bool partial_ = false;
  int comboType_ = 0;
  bool comboEnabled_ = false;
  bool cloneEnabled_ = false;
  bool sourceError_ = false;
  bool destinationError_ = false;
};

}  // namespace dmg
