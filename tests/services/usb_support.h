#pragma once
// What the USB disk list tests share: the list's BSD names and a delegate that
// counts the listings it was told of.
#include <QStringList>

#include "services/KVUSBControl.h"

namespace usbtest {

// The BSD names of the disks the service lists now, sorted.
QStringList listed();

struct Finish : KVUSBControlDelegate {
  int finished = 0;
  bool cancel = false;
  void KVEnumUSBFinishImp() override { ++finished; }
  bool KVUserIsCancel() override { return cancel; }
};

}  // namespace usbtest
