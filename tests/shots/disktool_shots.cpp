// The disk manager's pictures: the table, rename, the format panel with its
// drop-down, the progress and completion panels, and a failed format.
#include "Shots.h"

#include "disktool/RepairDiskViewController.h"
#include "platform/Gate.h"
#include "shell/MainWindowController.h"

#include <QTest>

namespace {

RepairDiskViewController* screen(ScreenDriver& d) { return d.main().diskToolScreen(); }

// Shows the tab and waits for a finished scan that lists `name`.
bool showTable(ScreenDriver& d, const QString& name) {
  if (!d.chooseTab(4)) return false;
  return waitUntil([&] {
    const auto& rows = screen(d)->rows();
    if (screen(d)->isScanning()) return false;
    for (int r = 0; r < rows.count(); ++r)
      if (auto v = rows.volumeAt(r); v && v->volumeName == name) return true;
    return false;
  });
}

bool selectVolume(ScreenDriver& d, const QString& name) {
  const auto& rows = screen(d)->rows();
  for (int r = 0; r < rows.count(); ++r)
    if (auto v = rows.volumeAt(r); v && v->volumeName == name)
      return ScreenDriver::click(screen(d)->cellAt(r), QPoint(300, 20)) &&
             waitUntil([&] { return screen(d)->selectedRow() == r; });
  return false;
}

}  // namespace

QDC_SHOTS("disk-manager") {
  {
    ScreenDriver d;
    showTable(d, "USB Stick");
    selectVolume(d, "USB Stick");
    shots::save(d, outDir, "disk-manager-table");
    d.click("rename");
    d.type("editnameField", "Holiday Photos");
    shots::save(d, outDir, "disk-manager-rename");
  }
  {
    ScreenDriver d;
    showTable(d, "USB Stick");
    selectVolume(d, "USB Stick");
    d.click("format");
    d.waitShown("MakeSureFormatViewController");
    d.click("typeSelectBut");
    d.waitShown("FormatTypeViewController");
    shots::save(d, outDir, "disk-manager-format");
    d.click("view_2");
    d.waitHidden("FormatTypeViewController");
    // Held before the erase, so the progress panel can be seen.
    platform::gates::arm(diskmanager::kFormatGate);
    d.click("okButton");
    d.waitShown("FormatingViewController");
    shots::save(d, outDir, "disk-manager-formatting");
    platform::gates::releaseAll();
    d.waitShown("FormatEndViewController", 30000);
    shots::save(d, outDir, "disk-manager-complete");
  }
  {
    ScreenDriver d;
    d.worldCommand("fail", {"diskutil", "eraseVolume"});
    showTable(d, "SD CARD");
    selectVolume(d, "SD CARD");
    d.click("format");
    d.click("okButton");
    d.waitShown("FormatEndViewController", 30000);
    shots::save(d, outDir, "disk-manager-failure");
  }
}
