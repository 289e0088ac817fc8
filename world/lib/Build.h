#pragma once
// Building disks in the database: a whole disk laid out with a partition map
// and volumes, as diskutil eraseDisk, hdiutil attach and the demo world make them.
#include "world/lib/DiskInfo.h"
#include "world/lib/Disks.h"

namespace world {

struct DiskSpec {
  QString bus = "USB";
  bool internal = false;
  bool removable = true;
  bool ejectable = true;
  bool solidState = false;
  bool virtualDisk = false;
  bool writableMedia = true;
  QString mediaName = "Untitled";
  qint64 size = 0;
  QString imagePath;
};

struct VolumeSpec {
  QString personality = "Journaled HFS+";  // any name personalityNamed knows, or "NTFS"
  QString name = "Untitled";
  bool mount = true;
  bool readOnly = false;
  QString fixedMountPoint;
  QString role;
  QString volumeUUID;  // kept when given (a re-attached disk, an image)
};

inline constexpr qint64 kEfiSize = 209715200;

// Adds a whole disk and lays it out; returns its BSD name.
QString addDisk(DiskDatabase& db, const DiskSpec& disk, const QString& scheme,
                const QList<VolumeSpec>& volumes, QString* error = nullptr);
// Replaces the layout of a whole disk: "GUID_partition_scheme" gets an EFI
// partition first; an APFS volume gets a container. Old volumes' files are dropped.
bool partitionDisk(DiskDatabase& db, const QString& wholeId, const QString& scheme,
                   const QList<VolumeSpec>& volumes, QString* error = nullptr);
// Adds a partition of `size` bytes after the others of a whole disk, holding the
// volume `spec` describes; returns its BSD name.
QString addPartition(DiskDatabase& db, const QString& wholeId, const VolumeSpec& spec, qint64 size,
                     QString* error = nullptr);
// Adds an APFS container on `partitionId` with the given volumes; returns its BSD name.
QString addContainer(DiskDatabase& db, const QString& partitionId, const QList<VolumeSpec>& volumes,
                     QString* error = nullptr);
QString addApfsVolume(DiskDatabase& db, const QString& containerId, const VolumeSpec& spec,
                      QString* error = nullptr);

// Every volume of a whole disk, including those in containers on it.
QList<Media*> volumesOnDisk(DiskDatabase& db, const QString& wholeId);

// Detaching keeps a whole disk (with its volumes' files) aside; attaching brings
// it back under fresh BSD names.
bool detachDisk(DiskDatabase& db, const QString& wholeId, QString* error = nullptr);
QString attachDisk(DiskDatabase& db, const QString& label, QString* error = nullptr);
QStringList detachedLabels(const DiskDatabase& db);

}  // namespace world
