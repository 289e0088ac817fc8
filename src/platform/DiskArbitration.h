#pragma once
// DiskArbitration: disks by BSD name, by volume path and by IOKit media, and
// their descriptions with the DA keys. In a world the answers come from the
// world's disk database; outside one there is no session (DASessionCreate gives
// nothing), as on a system without disk arbitration.
#include "platform/IOKitMedia.h"

#include <QString>
#include <QVariantMap>
#include <functional>
#include <memory>

namespace platform {

inline constexpr const char* kDADiskDescriptionMediaBSDNameKey = "DAMediaBSDName";
inline constexpr const char* kDADiskDescriptionMediaContentKey = "DAMediaContent";
inline constexpr const char* kDADiskDescriptionMediaEjectableKey = "DAMediaEjectable";
inline constexpr const char* kDADiskDescriptionMediaKindKey = "DAMediaKind";
inline constexpr const char* kDADiskDescriptionMediaLeafKey = "DAMediaLeaf";
inline constexpr const char* kDADiskDescriptionMediaNameKey = "DAMediaName";
inline constexpr const char* kDADiskDescriptionMediaPathKey = "DAMediaPath";
inline constexpr const char* kDADiskDescriptionMediaRemovableKey = "DAMediaRemovable";
inline constexpr const char* kDADiskDescriptionMediaSizeKey = "DAMediaSize";
inline constexpr const char* kDADiskDescriptionMediaTypeKey = "DAMediaType";
inline constexpr const char* kDADiskDescriptionMediaUUIDKey = "DAMediaUUID";
inline constexpr const char* kDADiskDescriptionMediaWholeKey = "DAMediaWhole";
inline constexpr const char* kDADiskDescriptionMediaWritableKey = "DAMediaWritable";
inline constexpr const char* kDADiskDescriptionMediaBlockSizeKey = "DAMediaBlockSize";
inline constexpr const char* kDADiskDescriptionVolumeKindKey = "DAVolumeKind";
inline constexpr const char* kDADiskDescriptionVolumeMountableKey = "DAVolumeMountable";
inline constexpr const char* kDADiskDescriptionVolumeNameKey = "DAVolumeName";
inline constexpr const char* kDADiskDescriptionVolumeNetworkKey = "DAVolumeNetwork";
// A QUrl (file URL of the mount point, ending in "/"), present while mounted.
inline constexpr const char* kDADiskDescriptionVolumePathKey = "DAVolumePath";
inline constexpr const char* kDADiskDescriptionVolumeTypeKey = "DAVolumeType";
inline constexpr const char* kDADiskDescriptionVolumeUUIDKey = "DAVolumeUUID";
inline constexpr const char* kDADiskDescriptionDeviceInternalKey = "DADeviceInternal";
inline constexpr const char* kDADiskDescriptionDeviceModelKey = "DADeviceModel";
inline constexpr const char* kDADiskDescriptionDevicePathKey = "DADevicePath";
inline constexpr const char* kDADiskDescriptionDeviceProtocolKey = "DADeviceProtocol";
inline constexpr const char* kDADiskDescriptionDeviceRevisionKey = "DADeviceRevision";
inline constexpr const char* kDADiskDescriptionDeviceUnitKey = "DADeviceUnit";
inline constexpr const char* kDADiskDescriptionDeviceVendorKey = "DADeviceVendor";
inline constexpr const char* kDADiskDescriptionBusNameKey = "DABusName";
inline constexpr const char* kDADiskDescriptionBusPathKey = "DABusPath";

struct DASession;
struct DADisk {
  QString bsdName;
};
using DASessionRef = std::shared_ptr<DASession>;
using DADiskRef = std::shared_ptr<const DADisk>;

// Nothing outside a world.
DASessionRef DASessionCreate();
// The disk of a BSD name ("disk3s2", also "/dev/disk3s2"); nothing when unknown.
DADiskRef DADiskCreateFromBSDName(const DASessionRef& session, const QString& bsdName);
// The disk whose volume holds the Mac path (as statfs would find it: a folder in
// /Volumes that is no mount point belongs to the startup volume, and
// "/Volumes/Macintosh HD" leads to "/"); nothing for a path that does not exist.
DADiskRef DADiskCreateFromVolumePath(const DASessionRef& session, const QString& macPath);
DADiskRef DADiskCreateFromIOMedia(const DASessionRef& session, const io_service_t& media);
// The description; empty when the disk has gone.
QVariantMap DADiskCopyDescription(const DADiskRef& disk);
// The whole disk of a partition (itself for a whole disk); nothing when gone.
DADiskRef DADiskCopyWholeDisk(const DADiskRef& disk);
QString DADiskGetBSDName(const DADiskRef& disk);

// Disks that appear or disappear (a disk plugged in or out, a partition made or
// removed). In a world they follow its disk database, as `qdc-world attach` and
// `detach` change it; a session tells changes from the moment it is scheduled.
using DADiskCallback = std::function<void(const DADiskRef& disk)>;
void DARegisterDiskAppearedCallback(const DASessionRef& session, DADiskCallback callback);
void DARegisterDiskDisappearedCallback(const DASessionRef& session, DADiskCallback callback);
// Callbacks then run on the calling thread's event loop, until unscheduled.
void DASessionScheduleWithRunLoop(const DASessionRef& session);
void DASessionUnscheduleFromRunLoop(const DASessionRef& session);

}  // namespace platform
