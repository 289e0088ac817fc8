// docs/screens/clone-*.png: the OS clone screen from choosing the disk to its results.
#include "Shots.h"

#include "clone/ClonePanels.h"
#include "clone/SelectDrivceViewController.h"
#include "shell/MainWindowController.h"
#include "uikit/ProgressBars.h"
#include "world/lib/Layout.h"

namespace {

const QString kStick = "diskRow:SanDisk Ultra Media";

bool ready(ScreenDriver& d) {
  if (!d.chooseTab(1)) return false;
  SelectDrivceViewController* screen = d.main().cloneScreen();
  return waitUntil([screen] { return screen->usedSize() > 0; }, 20000);
}

bool chooseStick(ScreenDriver& d) { return d.click("selectDiskBut2") && d.click(kStick, 20000); }

bool ended(ScreenDriver& d) { return d.isShown("sussView") || d.isShown("failView"); }

}  // namespace

QDC_SHOTS("clone") {
  {
    ScreenDriver d;
    if (!ready(d) || !d.click("selectDiskBut2") || !d.waitShown(kStick, 20000)) return;
    shots::save(d, outDir, "clone-choice");
    if (!d.click(kStick) || !d.click("cloneButton") || !d.waitShown("MakeSureToCloneSystemVC.doneButton")) return;
    shots::save(d, outDir, "clone-confirm");
    world::writeKnob(d.world().layout(), world::knob::kPace, 0.3);
    if (!d.click("MakeSureToCloneSystemVC.doneButton")) return;
    waitUntil([&] { return d.find<StripedProgressBar>("iProgreeBar")->floatValue() >= 0.45; }, 120000);
    shots::save(d, outDir, "clone-progress");
    world::writeKnob(d.world().layout(), world::knob::kPace, world::kDefaultPace);
    waitUntil([&] { return ended(d); }, 120000);
    shots::save(d, outDir, "clone-success");
  }
  {
    ScreenDriver d;
    world::writeKnob(d.world().layout(), world::knob::kFailTools, QStringList{"asr"});
    if (!ready(d) || !chooseStick(d) || !d.click("cloneButton") || !d.click("MakeSureToCloneSystemVC.doneButton")) return;
    waitUntil([&] { return ended(d); }, 120000);
    shots::save(d, outDir, "clone-failure");
  }
  {
    ScreenDriver d;
    world::writeKnob(d.world().layout(), world::knob::kFullDiskAccess, false);
    if (!ready(d) || !chooseStick(d) || !d.click("cloneButton")) return;
    bool saved = false;
    d.when([&] { return d.isShown("FullDiskAccessViewController.openBtn"); },
           [&] {
             shots::save(d, outDir, "clone-fda");
             saved = true;
             if (auto* w = ScreenDriver::topWindow("FullDiskAccessViewController")) w->close();
           });
    if (d.click("MakeSureToCloneSystemVC.doneButton")) waitUntil([&] { return saved; }, 20000);
  }
}
