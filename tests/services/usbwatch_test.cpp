// The USB disk list and a disk plugged in while the list is being read: it
// arrives, and once, whether it is plugged in after the watch began or after
// the whole disks were listed.
#include <gtest/gtest.h>

#include <QProcess>

#include "TestWorld.h"
#include "platform/Gate.h"
#include "platform/Queue.h"
#include "services/KVUSBControl.h"
#include "usb_support.h"
#include "world/lib/Tools.h"

namespace {

using usbtest::listed;

using usbtest::Finish;

}  // namespace

TEST(USBDiskList, ADiskPluggedInWhileListingIsListedOnce) {
  TestWorld w(TestWorld::demo());
  ASSERT_TRUE(w.ok());
  KVUSBControl* usb = KVUSBControl::KVShareInstance();
  Finish finish;
  usb->KVSetDelegateObj(&finish);
  struct Case {
    const char* gate;
    const char* name;
    qsizetype count;  // the stick and the USB drive of the demo world, and each disk plugged in
  };
  const Case cases[] = {
      {"KVUSBControl.watching", "Between", 3},
      {"KVUSBControl.listed", "After", 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.gate);
    const int finishedBefore = finish.finished;
    platform::gates::arm(c.gate);
    platform::dispatchGlobal([usb] { usb->KVEnumUSB(); });
    ASSERT_TRUE(platform::gates::waitReached(c.gate));
    ASSERT_EQ(QProcess::execute(world::defaultToolsDir() + "/qdc-world",
                                {"attach", w.dir(), "--new", "usb", c.name, "16G"}),
              0);
    platform::gates::release(c.gate);
    ASSERT_TRUE(waitUntil([&] { return finish.finished == finishedBefore + 1 && listed().size() >= c.count; },
                          20000))
        << qPrintable(listed().join(","));
    platform::waitForGlobalQueue();
    const QStringList now = listed();
    EXPECT_EQ(now.size(), c.count) << qPrintable(now.join(","));
    EXPECT_EQ(QSet<QString>(now.begin(), now.end()).size(), now.size()) << qPrintable(now.join(","));
  }
  platform::gates::releaseAll();
  usb->KVSetDelegateObj(nullptr);
}
