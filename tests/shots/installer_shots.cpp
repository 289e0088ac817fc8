// The installer screen's pictures: the selection page, the version drop-down,
// the progress page of a slowed run, and the finished and failed panes.
#include "Shots.h"

#include <QLabel>

#include "installer/InstallerViewController.h"
#include "installer/MacOSInstaller.h"
#include "services/KVPublicUtilities.h"
#include "uikit/ImageButtons.h"

namespace {

bool choose(ScreenDriver& d) {
  return d.click("appRow_0") && d.click("diskRow_disk5") &&
         waitUntil([&] { return d.find<TextImageButton>("createBut")->buttonEnabled(); });
}

bool runEnded(ScreenDriver& d) {
  auto* screen = d.find<InstallerViewController>("installerVC");
  return waitUntil([&] { return !screen->progressController()->jobActive() && !MacOSInstaller::GetInstall()->isRunning(); },
                   60000);
}

}  // namespace

QDC_SHOTS("installer") {
  ScreenDriver d;
  if (!d.chooseTab(3) || !d.waitShown("appRow_1") || !d.waitShown("diskRow_disk5")) return;
  if (!choose(d)) return;
  shots::save(d, outDir, "installer-select");

  // A slow run, shown once its first estimate is in.
  d.worldCommand("pace", {"0.4"});
  if (!choose(d)) return;
  KVPublicUtilities::setNextAnswer(1);
  d.click("createBut");
  auto* clock = d.find<QLabel>("remainTimeLabel");
  auto* page = d.find<InstallerViewController>("installerVC")->progressController();
  if (waitUntil([&] { return page->model().i32CurProgress >= 20 && clock->text().trimmed().size() > 0; }, 120000)) {
    shots::save(d, outDir, "installer-progress");
  }
  KVPublicUtilities::setNextAnswer(0);
  d.click("cancelCreateBut");
  if (d.waitShown("failedView") && runEnded(d)) shots::save(d, outDir, "installer-failed");
  d.click("failedOkBut");

  d.worldCommand("pace", {"0.02"});
  if (!d.waitShown("diskRow_disk5") || !choose(d)) return;
  KVPublicUtilities::setNextAnswer(1);
  d.click("createBut");
  if (d.waitShown("finishedView", 60000) && runEnded(d)) shots::save(d, outDir, "installer-finished");

  // The version drop-down, opened from the picker page.
  d.click("finishOkBut");
  d.click("reDownLoadBut");
  d.click("lComboBoxOpen");
  if (d.waitShown("osRow_8")) shots::save(d, outDir, "installer-versions");
}
