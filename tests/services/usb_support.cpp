#include "usb_support.h"

#include <QVariant>

namespace usbtest {

QStringList listed() {
  QStringList names;
  for (const QVariant& v : KVUSBControl::KVShareInstance()->KVGetUSBList())
    names << v.toMap().value("KVUSBBsdName").toString();
  names.sort();
  return names;
}

}  // namespace usbtest
