#pragma once
// The clone screen's own disk work, all of it on worker threads: measuring the
// startup volume, and putting the system's Cryptexes onto the Preboot volume of
// the newly cloned disk.
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <functional>
#include <optional>

// Runs the shell line (made with platform::shellLine) and reads its standard
// output as a property-list dictionary; `outputName` names the per-call file.
std::optional<QVariantMap> ZZDoCommand(const QString& line, const QString& outputName);

// Bytes used on the startup volume; nothing when they cannot be measured.
std::optional<qint64> ZZCheckVolumeIsBootDriveImp();

namespace cloning {

// "diskutil ARGS… -plist"-style answers as dictionaries (nothing when unreadable).
using DiskutilReader = std::function<std::optional<QVariantMap>(const QStringList& args)>;
DiskutilReader diskutilReader();

// Where the new disk's Preboot volume is: the first slice of the disk that is an
// APFS store names the container, whose volume "Preboot" (the last of that name) is it.
struct PrebootPlan {
  enum Kind { Unreadable, NoContainer, NoPreboot, Found } kind = Unreadable;
  QString container;
  QString preboot;  // BSD identifier
  bool operator==(const PrebootPlan&) const = default;
};
PrebootPlan planPrebootRepair(const QString& wholeDisk, const DiskutilReader& diskutil);

// Seam after the Preboot volume mounted and before the copy, where tests hold a repair.
inline constexpr const char* kPrebootRepairGate = "clone.prebootMounted";

enum class PrebootRepairResult {
  Repaired,         // the Cryptexes are on the new disk's Preboot volume
  NothingToRepair,  // the new disk holds no APFS container (not an APFS clone)
  Failed,
};
// Mounts the new disk's Preboot volume, copies the Cryptexes to where it
// mounted, and unmounts it again. `apfsTarget`: the clone was made as APFS, so
// a Preboot volume must be there. Stops between steps once `cancelled` holds.
PrebootRepairResult repairPrebootFile(const QString& wholeDisk, bool apfsTarget,
                                      const std::function<bool()>& cancelled);

}  // namespace cloning
