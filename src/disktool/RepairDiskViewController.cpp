#include "disktool/RepairDiskViewController.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QTimer>
#include <QUrl>

#include "platform/Bundle.h"
#include "platform/NotificationCenter.h"
#include "platform/Queue.h"
#include "platform/Workspace.h"
#include "services/KVLinkUrl.h"
#include "services/KVPublicUtilities.h"
#include "services/Localization.h"
#include "services/WatchMountUnmount.h"
#include "uikit/ImageButtons.h"
#include "uikit/Style.h"

using diskmanager::FormatOutcome;

namespace {

constexpr double kScreenWidth = 888;
constexpr double kScreenHeight = 652;
constexpr double kCellHeight = 84;

QRect cellFrame(double x, double y, double w, double h, double parentHeight = kCellHeight) {
  return uikit::toQt(uikit::NSMakeRect(x, y, w, h), parentHeight);
}

// The round "?" of the help button.
class HelpButton : public QAbstractButton {
 public:
  using QAbstractButton::QAbstractButton;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(1, 1, -1, -1);
    p.setPen(QPen(underMouse() ? getColor(75, 159, 255, 1) : getColor(150, 150, 155, 1), 1.4));
    p.drawEllipse(r);
    p.setFont(uikit::boldSystemFont(13));
    p.drawText(r, Qt::AlignCenter, QStringLiteral("?"));
  }
  void enterEvent(QEnterEvent* e) override { QAbstractButton::enterEvent(e); update(); }
  void leaveEvent(QEvent* e) override { QAbstractButton::leaveEvent(e); update(); }
};

// The subviews of a row cell, by their identifiers; made once per cell.
void makeCellSubviews(RepairDiskTableCellView* cell, RepairDiskViewController* owner) {
  auto* select = new QLabel(cell);
  select->setObjectName(QStringLiteral("select"));
  select->setScaledContents(true);
  select->setGeometry(cellFrame(0, 6, 810, 72));
  select->setAttribute(Qt::WA_TransparentForMouseEvents);
  auto* icon = new QLabel(cell);
  icon->setObjectName(QStringLiteral("icon"));
  icon->setScaledContents(true);
  icon->setGeometry(cellFrame(20, 18, 48, 48));
  icon->setAttribute(Qt::WA_TransparentForMouseEvents);

  const QColor dark = getColor(58, 58, 58, 1), grey = getColor(128, 128, 133, 1);
  makeTextField(cell, QStringLiteral("name"), uikit::sBoldFont(14), dark)->setGeometry(cellFrame(84, 46, 330, 22));
  makeTextField(cell, QStringLiteral("type"), uikit::regularFont(12), grey)->setGeometry(cellFrame(84, 14, 120, 18));
  makeTextField(cell, QStringLiteral("size"), uikit::regularFont(12), grey)->setGeometry(cellFrame(214, 14, 200, 18));
  makeTextField(cell, QStringLiteral("Tip"), uikit::sBoldFont(14), getColor(200, 200, 204, 1))
      ->setGeometry(cellFrame(14, 8, 400, 24, 40));
  auto* pro = new WipeDiskProView(cell);
  pro->setObjectName(QStringLiteral("pro"));
  pro->setGeometry(cellFrame(84, 36, 330, 4));

  auto* edit = new TextFiledBgView(cell);
  edit->setObjectName(QStringLiteral("editname"));
  edit->setGeometry(cellFrame(84, 42, 330, 28));
  QLineEdit* field = makeEditField(edit, QStringLiteral("editnameField"), QRect(8, 2, 314, 24));
  QObject::connect(field, &QLineEdit::textEdited, owner, &RepairDiskViewController::controlTextDidChange);

  struct ButtonSpec {
    const char* id;
    double x;
    void (RepairDiskViewController::*action)();
  };
  const ButtonSpec buttons[] = {
      {"save", 520, &RepairDiskViewController::saveButtonAction},
      {"rename", 520, &RepairDiskViewController::renameButtonAction},
      {"format", 612, &RepairDiskViewController::formatButtonAction},
      {"eject", 704, &RepairDiskViewController::ejectButtonAction},
  };
  for (const ButtonSpec& b : buttons) {
    auto* button = new TextImageButton(cell);
    button->setObjectName(QString::fromLatin1(b.id));
    button->setImageFromFileNormalName(QStringLiteral("btn_rename"), QStringLiteral("btn_rename_press"),
                                       QStringLiteral("btn_rename_hover"), QStringLiteral("btn_rename_disable"));
    button->setGeometry(cellFrame(b.x, 28, 80, 28));
    QObject::connect(button, &QAbstractButton::clicked, owner, b.action);
  }
}

QString usedAndTotal(const VolumeObj& v) {
  return QStringLiteral("%1/%2").arg(
      KVPublicUtilities::longlongConvertVolSpace(v.volumeTotalSizeNum - v.volumeFreeSizeNum), v.volumeTotalSize);
}

}  // namespace

RepairDiskViewController::RepairDiskViewController(QWidget* parent) : QWidget(parent) { buildLayout(); }

RepairDiskViewController::~RepairDiskViewController() {
  platform::NotificationCenter::defaultCenter().removeObserver(this);
}

void RepairDiskViewController::buildLayout() {
  setObjectName(QStringLiteral("RepairDiskViewController"));
  resize(int(kScreenWidth), int(kScreenHeight));
  auto frame = [](double x, double y, double w, double h) {
    return uikit::toQt(uikit::NSMakeRect(x, y, w, h), kScreenHeight);
  };
  auto* bg = new RepaorTableBGView(this);
  bg->setObjectName(QStringLiteral("RepaorTableBGView"));
  bg->setGeometry(frame(20, 20, 848, 580));
  parTableView = new CustomTableView(this);
  parTableView->setObjectName(QStringLiteral("parTableView"));
  parTableView->setGeometry(frame(28, 26, 832, 568));
  parTableView->setSource(this);
  connect(parTableView, &CustomTableView::rowClicked, this, [this](int row) { shouldSelectRow(row); });

  auto* help = new HelpButton(this);
  help->setObjectName(QStringLiteral("helpButton"));
  help->setGeometry(frame(840, 612, 24, 24));
  connect(help, &QAbstractButton::clicked, this, &RepairDiskViewController::helpButtonAction);

  loadProView = new QWidget(this);
  loadProView->setObjectName(QStringLiteral("loadProView"));
  loadProView->setGeometry(frame(20, 20, 848, 580));
  loadProView->setAttribute(Qt::WA_StyledBackground);
  loadProView->setStyleSheet(QStringLiteral("#loadProView { background: rgba(40,40,44,150); border-radius: 10px; }"));
  loadLabel = makeTextField(loadProView, QStringLiteral("loadLabel"), uikit::sBoldFont(15), Qt::white);
  loadLabel->setAlignment(Qt::AlignCenter);
  loadLabel->setGeometry(0, 0, loadProView->width(), loadProView->height());
  loadProView->hide();
}

void RepairDiskViewController::loadData() {
  formatend = true;
  isRenameEdit = false;
  isScanV = false;
  if (allVolumeArr.isEmpty()) getallVolumes();
  if (!watchMu) watchMu = new WatchMountUnmount(this);
  auto& center = platform::NotificationCenter::defaultCenter();
  center.addObserver(this, QLatin1String(MCVolumeMountNotification), [this](const QVariant&) { getallVolumes(); });
  center.addObserver(this, QLatin1String(MCVolumeUnmountNotification), [this](const QVariant&) { getallVolumes(); });
  center.addObserver(this, QStringLiteral("UPDATE_LANGUAGE"), [this](const QVariant&) { changeLanageue(); });
  changeLanageue();
}

void RepairDiskViewController::changeLanageue() {
  loadLabel->setText(getLocalizedString(QStringLiteral("DISK_MANAGE_LOAD")));
  reloadData();
}

void RepairDiskViewController::reloadData() { parTableView->reloadData(); }

void RepairDiskViewController::selectRow(int row) {
  selectIndex = row;
  parTableView->setSelectNum(row);
  selectVolume = allSortVolumeArr.volumeAt(row);
}

void RepairDiskViewController::normalSelectCell() {
  isRenameEdit = false;
  if (allSortVolumeArr.firstSelectableRow() == 1) selectRow(1);
  reloadData();
}

// ---- scan -------------------------------------------------------------------

void RepairDiskViewController::getallVolumes() {
  if (isScanV) {
    // The running scan may have listed /Volumes before this change: run once more after it.
    rescanAsked_ = true;
    return;
  }
  isScanV = true;
  if (formatend) {
    loadProView->show();
    loadProView->raise();
  }
  selectVolume = nullptr;
  selectIndex = 0;
  parTableView->setSelectNum(0);
  reloadData();
  QPointer<RepairDiskViewController> self(this);
  platform::dispatchGlobal([self] {
    // Each scan builds its own list; the screen takes it on the main thread.
    QList<VolumeObjPtr> found = diskmanager::scanVolumes();
    platform::dispatchMain([self, found] {
      if (self) self->scanEnded(found);
    });
  });
}

void RepairDiskViewController::scanEnded(const QList<VolumeObjPtr>& found) {
  loadProView->hide();
  allVolumeArr = found;
  allSortVolumeArr = diskmanager::buildRows(found);
  inRowCount = allSortVolumeArr.inRowCount;
  isRenameEdit = false;
  isScanV = false;
  if (allSortVolumeArr.firstSelectableRow() == 1) selectRow(1);
  reloadData();
  if (rescanAsked_) {
    rescanAsked_ = false;
    getallVolumes();
  }
}

// ---- table ------------------------------------------------------------------

int RepairDiskViewController::numberOfRowsInTableView() { return allSortVolumeArr.count(); }

int RepairDiskViewController::heightOfRow(int row) { return allSortVolumeArr.height(row); }

bool RepairDiskViewController::shouldSelectRow(int row) {
  if (allSortVolumeArr.isHeading(row) || !allSortVolumeArr.volumeAt(row)) return false;
  isRenameEdit = false;
  selectRow(row);
  reloadData();
  return true;
}

void RepairDiskViewController::fillViewForRow(RepairDiskTableCellView* cell, int row) {
  if (!cell->findChild<QWidget*>(QStringLiteral("name"))) makeCellSubviews(cell, this);
  cell->row = row;
  const QList<QWidget*> subviews = cell->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
  auto* tip = cell->findChild<QLabel*>(QStringLiteral("Tip"));
  if (allSortVolumeArr.isHeading(row)) {
    for (QWidget* w : subviews) w->hide();
    tip->setText(getLocalizedString(row == 0 ? QStringLiteral("DISK_MANAGE_Internal")
                                             : QStringLiteral("DISK_MANAGE_External")));
    tip->show();
    cell->isStr = true;
    cell->isSelect = false;
    cell->update();
    return;
  }
  const VolumeObjPtr v = allSortVolumeArr.volumeAt(row);
  if (!v) return;
  const bool selected = row == selectIndex;
  const bool renaming = selected && isRenameEdit;
  cell->isStr = false;
  cell->isSelect = selected;
  cell->update();
  const platform::Bundle& bundle = platform::Bundle::mainBundle();

  auto* select = cell->findChild<QLabel*>(QStringLiteral("select"));
  select->setPixmap(selected ? bundle.imageNamed(QStringLiteral("diskManagerSelectCell"), QSize(1620, 144))
                             : bundle.imageNamed(QStringLiteral("disk_bg"), QSize(1620, 144)));
  select->show();
  auto* icon = cell->findChild<QLabel*>(QStringLiteral("icon"));
  if (v->bCanEject)
    icon->setPixmap(bundle.imageNamed(QStringLiteral("ic_usb_main"), QSize(96, 96)));
  else if (v->volumeMountPoint == QLatin1String("/"))
    icon->setPixmap(bundle.imageNamed(QStringLiteral("ic_os_main_b"), QSize(96, 96)));
  else
    icon->setPixmap(bundle.imageNamed(QStringLiteral("ic_disk_main"), QSize(96, 96)));
  icon->show();

  struct ButtonState {
    const char* id;
    const char* title;
    bool shown;
  };
  const ButtonState buttons[] = {
      {"save", "Diskmanager_btn_save", renaming},
      {"rename", "Diskmanager_btn_rename", !isRenameEdit},
      {"format", "Diskmanager_btn_format", !isRenameEdit && v->volumeMountPoint != QLatin1String("/")},
      {"eject", "Diskmanager_btn_eject", !isRenameEdit && v->bCanEject},
  };
  for (const ButtonState& b : buttons) {
    auto* button = cell->findChild<TextImageButton*>(QString::fromLatin1(b.id));
    button->setButtonEnabled(true);
    button->setTextWithName(getLocalizedString(QString::fromLatin1(b.title)));
    button->setVisible(selected && b.shown);
  }

  auto* name = cell->findChild<QLabel*>(QStringLiteral("name"));
  name->setText(v->volumeName);
  name->setToolTip(v->volumeName);
  name->setVisible(!renaming);
  auto* type = cell->findChild<QLabel*>(QStringLiteral("type"));
  type->setText(v->diskType);
  type->setToolTip(v->diskType);
  type->show();
  auto* size = cell->findChild<QLabel*>(QStringLiteral("size"));
  size->setText(usedAndTotal(*v));
  size->setToolTip(size->text());
  size->show();
  tip->hide();
  auto* edit = cell->findChild<QWidget*>(QStringLiteral("editname"));
  auto* field = edit->findChild<QLineEdit*>(QStringLiteral("editnameField"));
  if (!edit->isVisible() || !renaming) field->setText(v->volumeName);
  edit->setVisible(renaming);
  if (renaming) field->setFocus();
  auto* pro = cell->findChild<WipeDiskProView*>(QStringLiteral("pro"));
  pro->show();
  pro->changeProgressValue(diskmanager::usagePercent(v->volumeTotalSizeNum, v->volumeFreeSizeNum));
}

// ---- rename and eject -----------------------------------------------------------

void RepairDiskViewController::renameButtonAction() {
  editStr.clear();
  isRenameEdit = true;
  reloadData();
}

void RepairDiskViewController::saveButtonAction() {
  const VolumeObjPtr v = selectVolume;
  const std::optional<QString> name = v ? diskmanager::renameName(v->diskType, editStr) : std::nullopt;
  bool failed = false;
  if (name) {
    if (diskmanager::renameVolume(v->diskUUID, *name)) {
      // Records are shared and not changed once made: the renamed volume gets a new one.
      auto renamed = std::make_shared<VolumeObj>(*v);
      renamed->volumeName = *name;
      for (VolumeObjPtr& r : allVolumeArr)
        if (r == v) r = renamed;
      for (diskmanager::Row& r : allSortVolumeArr.rows)
        if (r.volume == v) r.volume = renamed;
      if (selectVolume == v) selectVolume = renamed;
    } else {
      failed = true;
    }
  }
  editStr.clear();
  isRenameEdit = false;
  reloadData();
  if (failed) showFailure(getLocalizedString(QStringLiteral("Diskmanager_rename_failed")));
}

void RepairDiskViewController::ejectButtonAction() {
  // The record is taken here, on the main thread, before any rescan can replace it.
  const QString uuid = selectVolume ? selectVolume->diskUUID : QString();
  if (uuid.isEmpty()) return;
  QPointer<RepairDiskViewController> self(this);
  platform::dispatchGlobal([self, uuid] {
    const bool ok = diskmanager::ejectVolume(uuid);
    platform::dispatchMain([self, ok] {
      if (!self) return;
      self->reloadData();
      if (!ok) self->showFailure(getLocalizedString(QStringLiteral("Diskmanager_eject_failed")));
    });
  });
}

void RepairDiskViewController::helpButtonAction() {
  const QString link = KVPublicUtilities::setLangWithLink(KVLinkUrl::GetUrl(QStringLiteral("Support")));
  if (!link.isEmpty()) platform::Workspace::shared().openURL(QUrl(link));
}

void RepairDiskViewController::showFailure(const QString& text) {
  KVPublicUtilities::askAlert(text, QString(), getLocalizedString(QStringLiteral("COMMNT_OK")));
}

// ---- format -----------------------------------------------------------------------

void RepairDiskViewController::formatButtonAction() {
  if (!formatend) return;
  const VolumeObjPtr v = selectVolume;
  // The startup volume is never offered for erasing.
  if (!v || v->volumeMountPoint == QLatin1String("/")) return;
  formatend = false;
  formatTarget_ = diskmanager::bindFormatTarget(v);
  if (makeSureFormatVC) makeSureFormatVC->closeWindow();
  auto* panel = new MakeSureFormatViewController(mainWindow()->size());
  panel->setDelegate(this);
  makeSureFormatVC = panel;
  panel->setSuperDelegate(uikit::showPanel(mainWindow(), panel->view()));
  panel->setName(v->volumeName, v->diskType);
}

void RepairDiskViewController::cancelFormatVoluem() {
  formatend = true;
  formatTarget_ = {};
}

void RepairDiskViewController::makeSureToFormatSelectVolumeWithName(const QString& name, const QString& type) {
  const diskmanager::FormatTarget target = formatTarget_;
  if (!target.bound) {
    formatend = true;
    return;
  }
  const quint64 job = ++formatJob_;
  formatRunning_ = true;
  QTimer::singleShot(100, this, [this, job] {
    // Work that ended within the delay never leaves a progress panel behind.
    if (formatRunning_ && job == formatJob_) showFormatingView();
  });
  const diskmanager::FormatPlan plan = diskmanager::formatPlan(target.diskType, name, type);
  QPointer<RepairDiskViewController> self(this);
  platform::dispatchGlobal([self, job, target, plan] {
    const FormatOutcome outcome = diskmanager::runFormat(target, plan);
    platform::dispatchMain([self, job, outcome] {
      if (self) self->formatEnded(job, outcome);
    });
  });
}

void RepairDiskViewController::showFormatingView() {
  if (formatingVC) formatingVC->closeWindow();
  auto* panel = new FormatingViewController(mainWindow()->size());
  formatingVC = panel;
  panel->setSuperDelegate(uikit::showPanel(mainWindow(), panel->view()));
}

void RepairDiskViewController::formatEnded(quint64 job, FormatOutcome outcome) {
  if (job != formatJob_ || !formatRunning_) return;
  formatRunning_ = false;
  formatTarget_ = {};
  if (formatingVC) formatingVC->closeWindow();
  getallVolumes();
  QTimer::singleShot(1000, this, [this, outcome] { showFormatEndWindow(outcome); });
}

void RepairDiskViewController::showFormatEndWindow(FormatOutcome outcome) {
  if (formatEndVC) formatEndVC->closeWindow();
  auto* panel = new FormatEndViewController(mainWindow()->size());
  formatEndVC = panel;
  switch (outcome) {
    case FormatOutcome::Done:
      break;
    case FormatOutcome::NothingErasable:
      panel->setFailureText(getLocalizedString(QStringLiteral("Format_failed_startup")));
      break;
    case FormatOutcome::TargetChanged:
      panel->setFailureText(getLocalizedString(QStringLiteral("Format_failed_changed")));
      break;
    case FormatOutcome::RenameFailed:
      panel->setFailureText(getLocalizedString(QStringLiteral("Format_failed_rename")));
      break;
    case FormatOutcome::EraseFailed:
      panel->setFailureText(getLocalizedString(QStringLiteral("Format_failed")));
      break;
  }
  panel->setSuperDelegate(uikit::showPanel(mainWindow(), panel->view()));
  formatend = true;
}
