#pragma once
// The disk manager: the mounted volumes in two groups, internal and external,
// with rename, format and eject on the selected row. It has no delegate: the
// main window sends loadData once its window has first painted and
// normalSelectCell whenever its tab is chosen.
// The methods the main window calls are virtual so that its tests can record them.
#include <QLabel>
#include <QPointer>
#include <QWidget>

#include "disktool/DiskManagerDisks.h"
#include "disktool/DiskManagerModel.h"
#include "disktool/DiskManagerViews.h"
#include "disktool/FormatPanels.h"
#include "services/VolumeObj.h"

class WatchMountUnmount;

class RepairDiskViewController : public QWidget, public CustomTableViewSource, public MakeSureFormatVCDelegate {
  Q_OBJECT
 public:
  explicit RepairDiskViewController(QWidget* parent = nullptr);
  ~RepairDiskViewController() override;

  QWidget* view() { return this; }
  virtual void loadData();
  virtual void normalSelectCell();
  void getallVolumes();
  void changeLanageue();

  // Table data source and delegate.
  int numberOfRowsInTableView() override;
  int heightOfRow(int row) override;
  void fillViewForRow(RepairDiskTableCellView* view, int row) override;
  bool shouldSelectRow(int row);
  void controlTextDidChange(const QString& text) { editStr = text; }

  void renameButtonAction();
  void saveButtonAction();
  void formatButtonAction();
  void ejectButtonAction();
  void helpButtonAction();

  void makeSureToFormatSelectVolumeWithName(const QString& name, const QString& type) override;
  void cancelFormatVoluem() override;

  // What the screen shows, for its tests.
  const diskmanager::RowModel& rows() const { return allSortVolumeArr; }
  int selectedRow() const { return selectIndex; }
  VolumeObjPtr selectedVolume() const { return selectVolume; }
  bool isScanning() const { return isScanV; }
  bool isRescanAsked() const { return rescanAsked_; }
  bool isFormatIdle() const { return formatend; }
  CustomTableView* table() const { return parTableView; }
  RepairDiskTableCellView* cellAt(int row) const { return parTableView->cellAt(row); }

 private:
  void buildLayout();
  void scanEnded(const QList<VolumeObjPtr>& found);
  void selectRow(int row);
  void reloadData();
  void showFormatingView();
  void formatEnded(quint64 job, diskmanager::FormatOutcome outcome);
  void showFormatEndWindow(diskmanager::FormatOutcome outcome);
  void showFailure(const QString& text);
  QWidget* mainWindow() const { return window(); }

  int selectIndex = 0;
  QList<VolumeObjPtr> allVolumeArr;
  diskmanager::RowModel allSortVolumeArr;
  CustomTableView* parTableView = nullptr;
  QWidget* loadProView = nullptr;
  VolumeObjPtr selectVolume;
  bool isRenameEdit = false;
  bool isScanV = false;
  bool formatend = true;
  QString editStr;
  int inRowCount = 0;
  WatchMountUnmount* watchMu = nullptr;
  QPointer<MakeSureFormatViewController> makeSureFormatVC;
  QPointer<FormatEndViewController> formatEndVC;
  QPointer<FormatingViewController> formatingVC;
  QLabel* loadLabel = nullptr;

  bool rescanAsked_ = false;  // a scan was asked for while one ran
  diskmanager::FormatTarget formatTarget_;
  quint64 formatJob_ = 0;
  bool formatRunning_ = false;
};
