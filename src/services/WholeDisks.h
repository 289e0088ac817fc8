#pragma once
// Which whole disks hold a volume, from its "diskutil info -plist" dictionary.
// The clone engine and the volume picker both keep the startup disk out with it.
#include <QString>
#include <QStringList>
#include <QVariantMap>

// "disk3s2" from "/dev/disk3s2"; anything else unchanged.
QString diskIdentifier(QString device);

// The volume's own whole disk, its APFS container's and the container's
// physical stores', each once, in that order.
QStringList wholeDisksOfVolume(const QVariantMap& info);
