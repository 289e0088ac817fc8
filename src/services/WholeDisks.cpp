#include "services/WholeDisks.h"

#include <QRegularExpression>

QString diskIdentifier(QString device) {
  if (device.startsWith(QLatin1String("/dev/"))) device = device.mid(5);
  return device;
}

QStringList wholeDisksOfVolume(const QVariantMap& info) {
  static const QRegularExpression disk(QStringLiteral("^(disk[0-9]+)"));
  QStringList out;
  auto add = [&](const QVariant& value) {
    const QRegularExpressionMatch m = disk.match(diskIdentifier(value.toString()));
    if (m.hasMatch() && !out.contains(m.captured(1))) out.append(m.captured(1));
  };
  add(info.value(QStringLiteral("ParentWholeDisk")));
  add(info.value(QStringLiteral("DeviceIdentifier")));
  add(info.value(QStringLiteral("APFSContainerReference")));
  for (const QVariant& store : info.value(QStringLiteral("APFSPhysicalStores")).toList())
    add(store.toMap().value(QStringLiteral("APFSPhysicalStore")));
  return out;
}
