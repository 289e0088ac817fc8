#include "copy/LComboBox.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include "copy/SelectValueView.h"
#include "platform/NotificationCenter.h"
#include "services/Localization.h"
#include "uikit/AttachedWindow.h"
#include "uikit/ImageButtons.h"
#include "uikit/Layout.h"
#include "uikit/Style.h"

using namespace uikit;

namespace {
const QString kUpdateLanguage = QStringLiteral("UPDATE_LANGUAGE");
}

// ---------------------------------------------------------- LComboBoxSubView

LComboBoxSubView::LComboBoxSubView(QWidget* parent) : QWidget(parent) {}

void LComboBoxSubView::paintEvent(QPaintEvent*) {
  // The field the mode text sits in: a light rounded outline.
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  QPainterPath path;
  path.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
  p.fillPath(path, deviceColor(255, 255, 255, 1));
  p.setPen(QPen(deviceColor(215, 220, 231, 1), 1));
  p.drawPath(path);
}

void LComboBoxSubView::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  if (auto* d = delegate_.get()) d->doSelect();
}

// ------------------------------------------------------------------ LComboBox

LComboBox::LComboBox(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("lComboBox"));
  resize(int(kSize.width), int(kSize.height));
  sub_ = new LComboBoxSubView(this);
  sub_->setGeometry(rect());
  sub_->setDelegate(this);

  iconImageView_ = new NamedImageView(sub_);
  iconImageView_->setAttribute(Qt::WA_TransparentForMouseEvents);
  iconImageView_->setImageNamed(QStringLiteral("ic_filter"));
  setFrame(iconImageView_, NSMakeRect(12, 9, 18, 18));

  strLabel_ = new QLabel(sub_);
  strLabel_->setObjectName(QStringLiteral("lComboBoxLabel"));
  strLabel_->setAttribute(Qt::WA_TransparentForMouseEvents);
  strLabel_->setFont(regularFont(13));
  setTextColor(strLabel_, getColor(58, 58, 58, 1));
  setFrame(strLabel_, NSMakeRect(38, 8, 190, 20));

  searchButton_ = new ImageNameButton(sub_);
  searchButton_->setObjectName(QStringLiteral("lComboBoxSearch"));
  searchButton_->setImageNamed(QStringLiteral("ic_search"));
  setFrame(searchButton_, NSMakeRect(234, 8, 20, 20));
  connect(searchButton_, &QAbstractButton::clicked, this, [this] { searchButtonAction(); });
  searchButton_->hide();

  openButton_ = new TCImageButton(sub_);
  openButton_->setObjectName(QStringLiteral("lComboBoxOpen"));
  openButton_->setImageFromFileNormalName(QStringLiteral("ic_open"), QStringLiteral("ic_open_press"),
                                          QStringLiteral("ic_open_hover"), QStringLiteral("ic_open_disable"));
  setFrame(openButton_, NSMakeRect(268, 10, 16, 16));
  connect(openButton_, &QAbstractButton::clicked, this, [this] {
    if (isCanOpen_) openMenu();
  });

  platform::NotificationCenter::defaultCenter().addObserver(this, kUpdateLanguage,
                                                            [this](const QVariant&) { changeLanageue(); });
  changeLanageue();
  setlComboBoxEnde(false);
}

LComboBox::~LComboBox() { platform::NotificationCenter::defaultCenter().removeObserver(this); }

void LComboBox::changeLanageue() {
  strLabel_->setText(getLocalizedString(aTageIndex_ != 0 ? QStringLiteral("MAKE_DMG_CUSS_copy_some")
                                                         : QStringLiteral("MAKE_DMG_CUSS_copy_all")));
}

void LComboBox::showSelectType(int type) {
  aTageIndex_ = type;
  iconImageView_->setImageNamed(QStringLiteral("ic_filter"));
  strLabel_->setText(getLocalizedString(type != 0 ? QStringLiteral("MAKE_DMG_CUSS_copy_some")
                                                  : QStringLiteral("MAKE_DMG_CUSS_copy_all")));
  searchButton_->setVisible(type != 0);
}

void LComboBox::changeSelectType(int type) {
  showSelectType(type);
  if (type == 0)
    if (auto* d = delegate_.get()) d->changeSelectCopyType();
}

void LComboBox::setlComboBoxEnde(bool enabled) {
  isCanOpen_ = enabled;
  openButton_->setButtonEnabled(enabled);
}

void LComboBox::doSelect() {
  if (isCanOpen_) openMenu();
}

void LComboBox::openMenu() {
  if (auto* d = delegate_.get()) d->showSelectAllVC();
}

void LComboBox::searchButtonAction() {
  if (auto* d = delegate_.get()) d->doShowSearchView();
}

void LComboBox::setStrLabelValue(const QString& text) {
  iconImageView_->setImageNamed(QStringLiteral("ic_filter"));
  strLabel_->setText(text);
  searchButton_->hide();
  isCanOpen_ = false;
  openButton_->setImageFromFileNormalName(QStringLiteral("ic_open"), QStringLiteral("ic_open_press"),
                                          QStringLiteral("ic_open_hover"), QStringLiteral("ic_open_disable"));
  openButton_->setButtonEnabled(false);
}

// --------------------------------------------------------- SelectAllFilePopVC

SelectAllFilePopVC::SelectAllFilePopVC(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("SelectAllFilePopVC"));
  resize(int(kSize.width), int(kSize.height));
  auto makeRow = [this](int tag, const NSRect& frame, const char* name, QLabel** label) {
    auto* row = new SortSelectBgView(this);
    row->setObjectName(QString::fromLatin1(name));
    row->setTag(tag);
    row->setDelegate(this);
    setFrame(row, frame);
    auto* l = new QLabel(row);
    l->setAttribute(Qt::WA_TransparentForMouseEvents);
    l->setFont(regularFont(13));
    setTextColor(l, getColor(58, 58, 58, 1));
    l->setGeometry(16, 0, int(frame.w()) - 24, int(frame.h()));
    *label = l;
    return row;
  };
  view_1_ = makeRow(0, NSMakeRect(6, 42, kSize.width - 12, 34), "copyModeAll", &label_1_);
  view_2_ = makeRow(1, NSMakeRect(6, 4, kSize.width - 12, 34), "copyModeSome", &label_2_);
  changeLanageue();
}

SelectAllFilePopVC::~SelectAllFilePopVC() = default;

void SelectAllFilePopVC::changeLanageue() {
  label_1_->setText(getLocalizedString(QStringLiteral("MAKE_DMG_CUSS_copy_all")));
  label_2_->setText(getLocalizedString(QStringLiteral("MAKE_DMG_CUSS_copy_some")));
}

void SelectAllFilePopVC::enterEvent(QEnterEvent*) {
  if (auto* d = delegate_.get()) d->mouseEixtView(false);
}

void SelectAllFilePopVC::leaveEvent(QEvent*) {
  if (auto* d = delegate_.get()) d->mouseEixtView(true);
}

void SelectAllFilePopVC::mouseInView(bool inside, int tag) {
  if (!inside) {
    setTextColor(label_1_, getColor(58, 58, 58, 1));
    setTextColor(label_2_, getColor(58, 58, 58, 1));
    return;
  }
  if (tag == 0) setTextColor(label_1_, getColor(255, 255, 255, 1));
  if (tag == 1) setTextColor(label_2_, getColor(255, 255, 255, 1));
}

void SelectAllFilePopVC::selectSortType(SortSelectBgView* row) {
  if (!row) return;
  if (auto* d = delegate_.get()) d->selectFormatbyType(row->identifier().toInt());
}

RAttachedWindow* showCopyModeList(uikit::DropDown* dropDown, QWidget* mainWindow, SelectAllFilePopVC* list) {
  return dropDown->open(mainWindow, list, kDropDownPointCopy);
}
