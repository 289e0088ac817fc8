#pragma once
// The clone screen's decisions, kept apart from its widgets: what a step or a
// percent mark shows, which text an error code gets, whether the destination
// is big enough, whether Full Disk Access is granted, and whether the Preboot
// volume of the new disk is repaired after the copy.
#include <QString>
#include <QVariantMap>
#include <optional>

namespace cloning {

// What the working pane shows for an engine step: the bar in percent, and,
// when set, the step of the step bar and the phase picture.
struct StepShow {
  int percent = 0;
  int stepBar = 0;  // 0: unchanged
  QString image;    // empty: unchanged
  bool operator==(const StepShow&) const = default;
};
StepShow progressForStep(int step);

// The bar for asr's percent mark `tag` (1..10) of pass 1 (38..65) or 2 (68..95).
int percentForTag(int tag, int pass);

// The text key for an engine report's error `code`; empty when the code is no
// error. A cancel the user confirmed wins over the code.
QString errorTextKeyForProgress(int code, bool userCancel);
// The text key for a start the engine refused with `code`; empty for a start.
QString errorTextKeyForStart(int code);

// Bytes used on the startup volume, from "diskutil info -plist /": below
// 10.15 TotalSize - FreeSpace, else APFSContainerSize - APFSContainerFree.
// Nothing when the record is missing or does not hold a usable figure.
std::optional<qint64> usedBytesOfStartupVolume(const std::optional<QVariantMap>& info, int systemVersion);

enum class SpaceVerdict {
  Pending,      // one of the two sizes is not known yet
  Fits,         // the destination disk is at least as big as the used bytes
  TooSmall,
  UsedUnknown,  // the used bytes could not be measured: no clone
};
// `usedSize` -1 while the probe runs; `probeFailed` once it could not measure.
SpaceVerdict spaceCheck(qint64 usedSize, bool probeFailed, qint64 freeSize);

// Full Disk Access, told by the Safari folder of the home folder: 2 granted
// (listed), 1 refused (there but not listable), 0 missing.
int authorizationStatusFor(bool exists, bool listed);
// The folder probed for Full Disk Access in `home`.
QString fullDiskAccessProbePath(const QString& home);
// The probe itself, in the running system.
int getAuthorizationStatus();

bool isAppleChipBrand(const QString& cpuBrand);
// The Preboot repair runs on Apple-chip Macs and from 13.0 on.
bool prebootRepairRuns(bool appleChip, int systemVersion);

}  // namespace cloning

// YES when the processor's brand names Apple. Asked once per system (world).
bool has_m1_chip();
