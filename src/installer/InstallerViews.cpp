#include "installer/InstallerViews.h"

#include <QMouseEvent>
#include <QPainter>

#include "services/KVPublicUtilities.h"
#include "uikit/Backgrounds.h"
#include "uikit/Style.h"

using namespace uikit;

namespace {
// Fills a y-up rectangle of the widget being painted.
void fillRounded(QWidget* w, const NSRect& r, double radius, const QColor& c) {
  QPainter p(w);
  p.setRenderHint(QPainter::Antialiasing);
  uikit::fillRounded(p, toQtF(r, w->height()), radius, c);
}

constexpr int kRows = 9;
constexpr double kRowHeight = 26;
constexpr double kListWidth = 300;
}  // namespace

QLabel* installerLabel(QWidget* parent, const char* name, const NSRect& frame, double size, bool bold,
                       const QColor& color) {
  auto* l = new QLabel(parent);
  l->setObjectName(name);
  l->setFont(bold ? sBoldFont(size) : regularFont(size));
  setTextColor(l, color);
  setFrame(l, frame);
  return l;
}

QWidget* installerBox(QWidget* parent, const char* name, const NSRect& frame) {
  auto* w = new QWidget(parent);
  w->setObjectName(name);
  setFrame(w, frame);
  return w;
}

void MainBgView::paintEvent(QPaintEvent*) {
  fillRounded(this, NSMakeRect(56, 80, 810, 473), 8, deviceColor(250, 250, 251));
}

void SelectListBgView::SetListSelect(bool selected) {
  isSelect = selected;
  update();
}

void SelectListBgView::paintEvent(QPaintEvent*) {
  if (!isSelect) return;
  const QColor fill = KVPublicUtilities::getSystemVersion() <= 1300 ? deviceColor(236, 238, 242)
                                                                   : deviceColor(245, 247, 249);
  fillRounded(this, NSMakeRect(0, 0, 348, 55), 8, fill);
}

// ---- picker -----------------------------------------------------------------

void InstallerComboBoxSubView::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  if (InstallerComboBoxSubViewDelegate* d = delegate_.get()) d->doSelect();
}

void InstallerComboBoxSubView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(deviceColor(214, 218, 226), 1));
  p.setBrush(deviceColor(255, 255, 255));
  p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
}

InstallerComboBox::InstallerComboBox(QWidget* parent) : InstallerComboBoxSubView(parent) {
  setObjectName("lComboBox");
  setDelegate(this);
  setFixedSize(300, 36);
  iconImageView = new QLabel(this);
  setFrame(iconImageView, NSMakeRect(10, 9, 18, 18));
  strLabel = new QLabel(this);
  strLabel->setObjectName("lComboBoxLabel");
  strLabel->setFont(regularFont(13));
  setTextColor(strLabel, deviceColor(58, 58, 58));
  setFrame(strLabel, NSMakeRect(36, 8, 220, 20));
  openButton = new TCImageButton(this);
  openButton->setObjectName("lComboBoxOpen");
  setFrame(openButton, NSMakeRect(272, 10, 16, 16));
  connect(openButton, &QAbstractButton::clicked, this, [this] { openMenu(); });
}

QString InstallerComboBox::labelForIndex(int index) {
  static const char* const kLabels[kRows] = {"Select macOS installer", "macOS Sequoia", "macOS Sonoma",
                                             "macOS Ventura",          "macOS Monterey", "macOS Big Sur",
                                             "macOS Catalina",         "macOS Mojave",  "macOS High Sierra"};
  return index >= 0 && index < kRows ? QString::fromLatin1(kLabels[index]) : QString();
}

void InstallerComboBox::setStrLabelValue(const QString& text) {
  iconImageView->setPixmap(Image::named("ic_filter").pixmap(18));
  strLabel->setText(text);
  isCanOpen = true;
  openButton->setImageFromFileNormalName("ic_open", "ic_open_press", "ic_open_hover", "ic_open_disable");
  openButton->setButtonEnabled(true);
}

void InstallerComboBox::setlComboBoxEnde(bool enabled) {
  isCanOpen = enabled;
  openButton->setButtonEnabled(enabled);
}

void InstallerComboBox::changeSelectType(int index) {
  if (index < 0 || index >= kRows) return;
  strLabel->setText(labelForIndex(index));
}

void InstallerComboBox::doSelect() {
  if (isCanOpen) openMenu();
}

void InstallerComboBox::openMenu() {
  if (InstallerComboBoxDelegate* d = lconboBoxDelegate.get()) d->showSelectAllVC();
}

// ---- drop-down --------------------------------------------------------------

SelectOSFilePopVC::SelectOSFilePopVC(QWidget* parent) : QWidget(parent) {
  setObjectName("selectOSFileVC");
  const double height = kRows * kRowHeight + 8;
  resize(int(kListWidth), int(height));
  setMouseTracking(true);
  for (int row = 0; row < kRows; ++row) {
    auto* view = new SortSelectBgView(this);
    view->setObjectName(QStringLiteral("osRow_%1").arg(row));
    view->setTag(row);
    view->setDelegate(this);
    setFrame(view, NSMakeRect(4, height - 4 - (row + 1) * kRowHeight, kListWidth - 8, kRowHeight));
    auto* label = new QLabel(InstallerComboBox::labelForIndex(row), view);
    label->setFont(regularFont(13));
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    setTextColor(label, deviceColor(58, 58, 58));
    setFrame(label, NSMakeRect(12, 3, kListWidth - 32, 20));
    views.append(view);
    labels.append(label);
  }
}

void SelectOSFilePopVC::enterEvent(QEnterEvent*) {
  if (SelectOSFileVCDelegate* d = delegate.get()) d->mouseEixtView(false);
}

void SelectOSFilePopVC::leaveEvent(QEvent*) {
  if (SelectOSFileVCDelegate* d = delegate.get()) d->mouseEixtView(true);
}

void SelectOSFilePopVC::mouseInView(bool inside, int tag) {
  for (int row = 0; row < labels.size(); ++row)
    setTextColor(labels[row], inside && row == tag ? deviceColor(255, 255, 255) : deviceColor(58, 58, 58));
}

void SelectOSFilePopVC::selectSortType(SortSelectBgView* row) {
  if (SelectOSFileVCDelegate* d = delegate.get(); row && d) d->selectFormatbyType(row->identifier().toInt());
}
