// The disk-image and ZIP screen's pictures for the README.
#include "Shots.h"

#include "copy/DiskListWC.h"
#include "platform/Gate.h"

namespace {

bool choose(ScreenDriver& d, int box, const QString& volume) {
  return d.click(QStringLiteral("selectDiskBut%1").arg(box)) && d.click("diskRow:" + volume, 20000);
}

}  // namespace

QDC_SHOTS("image") {
  ScreenDriver d;
  d.chooseTab(2);
  choose(d, 1, "USB Stick");
  choose(d, 2, "Data");
  shots::save(d, outDir, "image-choice");

  d.click("lComboBoxOpen");
  d.waitShown("copyModeSome");
  shots::save(d, outDir, "image-copy-mode");
  d.click("copyModeSome");

  d.when(
      [&] {
        auto* done = d.find("listDone");
        return done && done->isVisible() && done->isEnabled();
      },
      [&] {
        shots::save(d, outDir, "image-browser");
        d.click("listCancel");
      },
      20000);
  d.click("lComboBoxSearch");

  d.click("dmgCreateButton");
  d.waitShown("dmgSureDone");
  shots::save(d, outDir, "image-confirmation");

  platform::gates::arm("makeDmg.copyItem");
  d.click("dmgSureDone");
  platform::gates::waitReached("makeDmg.copyItem", 30000);
  shots::save(d, outDir, "image-progress");
  platform::gates::release("makeDmg.copyItem");
  d.waitShown("dmgSuccessView", 60000);
  shots::save(d, outDir, "image-success");
  d.click("dmgSuccessDone");

  choose(d, 1, "USB Stick");
  choose(d, 2, "Data");
  d.worldCommand("fail", {"hdiutil", "create"});
  d.click("dmgCreateButton");
  d.click("dmgSureDone");
  d.waitShown("dmgFailView", 60000);
  shots::save(d, outDir, "image-failure");
}
