// The copy screen's pictures: the choice page with the picker open, the file
// browser, the confirmation, the progress, the success and the failure pane.
#include <QAbstractItemModel>
#include <QTest>
#include <QTreeView>

#include "Shots.h"
#include "copy/DiskCopyViewController.h"
#include "platform/Gate.h"
#include "shell/MainWindowController.h"

namespace {

const QDateTime kNow(QDate(2026, 12, 10), QTime(16, 5, 9));

bool pick(ScreenDriver& d, int box, const QString& volume) {
  return d.click(QString("selectDiskBut%1").arg(box)) && d.click("diskRow:" + volume, 20000) &&
         d.waitHidden("diskRow:" + volume);
}

}  // namespace

QDC_SHOTS("copy") {
  ScreenDriver d;
  d.main().copyScreen()->setClock([n = 0]() mutable { return kNow.addSecs(n++); });
  pick(d, 1, "Macintosh HD");
  d.click("selectDiskBut2");
  d.waitShown("diskRow:USB Stick", 20000);
  shots::save(d, outDir, "copy-choice");
  d.click("diskRow:USB Stick");
  d.waitHidden("diskRow:USB Stick");

  // The browser, listed, with one folder ticked; then Done.
  d.click("lComboBoxOpen");
  d.click("copyModeSome");
  d.when(
      [&] {
        QWidget* refresh = d.find("listRefresh");
        return refresh && refresh->isVisible() && refresh->isEnabled();
      },
      [&] {
        ScreenDriver::click(d.find("listSelectAll"));
        auto* tree = d.find<QTreeView>("listOutline");
        QAbstractItemModel* m = tree->model();
        for (int r = 0; r < m->rowCount(); ++r)
          if (m->data(m->index(r, 1)).toString() == "Users")
            ScreenDriver::click(tree->viewport(), tree->visualRect(m->index(r, 0)).center());
        shots::save(d, outDir, "copy-browser");
        ScreenDriver::click(d.find("listDone"));
      },
      30000);
  d.click("lComboBoxSearch");
  d.waitHidden("DiskListWC");

  d.click("copyButton");
  d.waitShown("copyMakeSureDone");
  shots::save(d, outDir, "copy-confirm");

  platform::gates::arm("DoCopyFiles.item");
  d.click("copyMakeSureDone");
  platform::gates::waitReached("DoCopyFiles.item");
  shots::save(d, outDir, "copy-progress");
  platform::gates::release("DoCopyFiles.item");
  d.waitShown("copySuccessPane", 60000);
  shots::save(d, outDir, "copy-success");

  d.click("copyDoneButton");
  pick(d, 1, "Data");
  pick(d, 2, "USB Stick");
  d.worldCommand("fail", {"rsync"});
  d.click("copyButton");
  d.click("copyMakeSureDone");
  d.waitShown("copyFailPane", 60000);
  shots::save(d, outDir, "copy-failure");
}
