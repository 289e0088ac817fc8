#pragma once
// What `diskutil info -plist` and `diskutil list -plist` print, built from the
// disk database, with the keys and values a Mac's diskutil gives.
#include "world/lib/Disks.h"

#include <QVariantMap>

namespace world {

QVariantMap infoDictionary(const DiskDatabase& db, const Media& m);
// The whole listing, or only the whole disk `disk` (BSD name) and its slices.
QVariantMap listDictionary(const DiskDatabase& db, const QString& disk = QString());

// Registry name and model of a whole disk (IORegistryEntryName / DADeviceModel).
QString registryName(const DiskDatabase& db, const Media& m);
QString contentTypeName(const Media& m);  // "Content" as diskutil prints it

inline constexpr const char* kApfsVolumeContent = "41504653-0000-11AA-AA11-00306543ECAC";
inline constexpr const char* kApfsContainerContent = "EF57347C-0000-11AA-AA11-00306543ECAC";
inline constexpr const char* kApfsVolumeContentName = kApfsVolumeContent;

}  // namespace world
