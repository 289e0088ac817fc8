#include "copy/CopyChoice.h"

#include <algorithm>

#include "services/Selection.h"

namespace copyscreen {

namespace {

qint64 usedBytes(const VolumeObj& v) { return v.volumeTotalSizeNum - v.volumeFreeSizeNum; }

bool samePath(const VolumeObjPtr& a, const VolumeObjPtr& b) {
  return a && b && a->volumePath == b->volumePath;
}

}  // namespace

MaybeCallout CopyChoice::chooseSource(const VolumeObjPtr& volume) {
  if (!volume) return std::nullopt;
  fromeVolume = volume;
  shownSource = volume;
  selectFilesSize = -1;
  copyArr.reset();
  isDragValue = false;
  // The new source's size first: the reset to copy all checks the space with it.
  usedSize = usedBytes(*volume);
  comboMode = 0;
  sourceShows = SourceShows::Volume;
  if (samePath(toVolume, volume)) {
    fromeVolume.reset();
    usedSize = -1;
    copyButtonEnabled = false;
    comboEnabled = false;
    comboShown = false;
    sourceError = true;
    say("MAKE_DMG_error_same_drice", CalloutLeft);
    return take();
  }
  sourceError = false;
  comboEnabled = true;
  comboShown = true;
  spaceCheck();
  return take();
}

MaybeCallout CopyChoice::chooseDestination(const VolumeObjPtr& volume, bool writable) {
  if (!volume) return std::nullopt;
  toVolume = volume;
  shownDestination = volume;
  freeSize = volume->volumeFreeSizeNum;
  destinationShowsAdd = false;
  const char* refusal = nullptr;
  if (samePath(fromeVolume, volume))
    refusal = "MAKE_DMG_error_same_drice";
  else if (!writable && volume->volumeType.toLower().contains(QLatin1String("ntfs")))
    refusal = "DISK_COPY_NTFS";
  if (refusal) {
    toVolume.reset();
    freeSize = -1;
    copyButtonEnabled = false;
    destinationError = true;
    if (usedSize != -1) comboEnabled = true;
    say(refusal, CalloutRight);
    return take();
  }
  destinationError = false;
  spaceCheck();
  return take();
}

void CopyChoice::clearSource() {
  copyArr.reset();
  fromeVolume.reset();
  shownSource.reset();
  usedSize = -1;
  selectFilesSize = -1;
  isDragValue = false;
  sourceShows = SourceShows::Nothing;
  shownCount = 0;
  comboMode = 0;
  comboEnabled = false;
  comboShown = false;
  sourceError = false;
  copyButtonEnabled = false;
}

void CopyChoice::clearDestination() {
  toVolume.reset();
  shownDestination.reset();
  freeSize = -1;
  destinationError = false;
  destinationShowsAdd = false;
  if (usedSize != -1) comboEnabled = true;
  copyButtonEnabled = false;
}

MaybeCallout CopyChoice::drop(const FileNodeList& nodes) {
  for (const FileNodePtr& n : nodes) {
    if (!n || n->path().isEmpty()) {
      say("DISK_COPY_Drop_outside", CalloutLeft);
      return take();
    }
  }
  // A dropped set replaces whatever the source was; its bytes are not summed,
  // so only a destination with no room at all refuses it.
  comboMode = 0;
  isDragValue = true;
  copyArr = nodes;
  sourceShows = SourceShows::Dropped;
  shownCount = int(nodes.size());
  comboEnabled = true;
  comboShown = true;
  sourceError = false;
  selectFilesSize = 0;
  spaceCheck();
  return take();
}

MaybeCallout CopyChoice::browserResult(const FileNodeList& roots, qint64 bytes) {
  copyArr = roots;
  // The system rows never count: the copy leaves them out.
  const int ticked = int(chosenBrowserRoots(roots).size());
  if (ticked != roots.size() || isDragValue || !fromeVolume) {
    sourceShows = SourceShows::Selection;
    shownCount = ticked;
  } else {
    sourceShows = SourceShows::Volume;
    usedSize = usedBytes(*fromeVolume);
  }
  sourceError = false;
  comboShown = true;
  selectFilesSize = bytes;
  selectionCheck();
  return take();
}

MaybeCallout CopyChoice::selectCopyMode(int mode) {
  comboMode = mode;
  if (mode != 0) return std::nullopt;
  // "All" means the whole volume again; a dropped set stays what it is.
  if (!isDragValue && copyArr) {
    copyArr.reset();
    selectFilesSize = -1;
    if (fromeVolume) {
      sourceShows = SourceShows::Volume;
      usedSize = usedBytes(*fromeVolume);
    }
  }
  spaceCheck();
  return take();
}

void CopyChoice::spaceCheck() {
  if (usedSize == -1 || freeSize == -1) {
    selectionCheck();
    return;
  }
  const qint64 need = selectFilesSize == -1 ? usedSize : selectFilesSize;
  if (need > freeSize) {
    comboMode = 1;
    comboEnabled = false;
    copyButtonEnabled = false;
    destinationError = true;
    say("MAKE_DMG_error_no_space", CalloutRight);
  } else {
    comboEnabled = true;
    copyButtonEnabled = true;
    destinationError = false;
    destinationShowsAdd = false;
  }
}

void CopyChoice::selectionCheck() {
  if (freeSize == -1 || !toVolume) return;
  if (!isDragValue && usedSize == -1) return;
  if (toVolume->volumeFreeSizeNum < selectFilesSize) {
    comboEnabled = false;
    comboMode = 1;
    destinationShowsAdd = true;
    destinationError = true;
    copyButtonEnabled = false;
    say("MAKE_DMG_error_no_space", CalloutRight);
  } else {
    copyButtonEnabled = true;
    destinationError = false;
    destinationShowsAdd = false;
  }
}

MaybeCallout CopyChoice::refusalToCopy(const FileNodeList& roots, CopyItems items) {
  const FileNodeList chosen = items == CopyItems::BrowserSelection ? chosenBrowserRoots(roots) : roots;
  const bool anyTicked = std::any_of(chosen.cbegin(), chosen.cend(), [](const FileNodePtr& r) {
    return r && r->state() != FileNode::NotSelected;
  });
  if (!anyTicked) return Callout{QStringLiteral("DISK_COPY_NO_Select"), CalloutLeft};
  const QString clash = DoCopyFiles::clashingName(roots, items);
  if (!clash.isEmpty()) return Callout{QStringLiteral("DISK_COPY_same_name"), CalloutLeft, clash};
  return std::nullopt;
}

}  // namespace copyscreen
