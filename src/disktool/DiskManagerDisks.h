#pragma once
// The disk manager's work on the disks, run on workers: the volume scan and the
// diskutil lines of rename, format and eject. Every line quotes its values and
// every verdict comes from diskutil's exit status.
#include <QList>
#include <QString>
#include <QVariantMap>
#include <optional>

#include "disktool/DiskManagerModel.h"
#include "services/VolumeObj.h"

namespace diskmanager {

// Seam between listing the mounted volumes and describing them.
inline constexpr const char* kDescribeGate = "diskmanager.describe";
// Seam at the start of a format, before the bound volume is described again.
inline constexpr const char* kFormatGate = "diskmanager.format";

// "diskutil info -plist NAME"; nothing for no name, a failed run or no dictionary.
std::optional<QVariantMap> getDisjInfo(const QString& name);

// The mounted volumes of /Volumes, in listing order, as records of the disk
// manager; a volume that cannot be described (gone meanwhile), has no name or
// is "EFI" is left out, and a name and device node already listed is listed once.
QList<VolumeObjPtr> scanVolumes();

bool renameVolume(const QString& diskUUID, const QString& name);
bool ejectVolume(const QString& diskUUID);

// The volume a Format click bound, as plain values copied on the main thread:
// the worker that erases never reads a record the screen holds.
struct FormatTarget {
  bool bound = false;
  QString diskUUID;
  QString deviceNode;
  QString mountPoint;
  QString diskType;
};

FormatTarget bindFormatTarget(const VolumeObjPtr& record);

enum class FormatOutcome {
  Done,
  NothingErasable,  // no volume bound, or the one mounted at "/"
  TargetChanged,   // the device node is gone or carries another volume now
  RenameFailed,    // nothing was erased
  EraseFailed,
};

// Runs a format plan on the bound target (blocks until diskutil has ended).
FormatOutcome runFormat(const FormatTarget& target, const FormatPlan& plan);

}  // namespace diskmanager
