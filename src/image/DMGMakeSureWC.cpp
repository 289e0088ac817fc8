#include "image/DMGMakeSureWC.h"

#include <QPainter>

#include "services/Localization.h"
#include "uikit/Geometry.h"
#include "uikit/Style.h"

using namespace uikit;

namespace {

// The dimmed window under the card.
class Shade : public QWidget {
 public:
  using QWidget::QWidget;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), QColor(0, 0, 0, 60));
  }
};

// The panel itself: white, so the screen under it does not show through.
class Card : public QWidget {
 public:
  using QWidget::QWidget;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(deviceColor(220, 224, 232), 1));
    p.setBrush(deviceColor(255, 255, 255));
    p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 10, 10);
  }
};

constexpr double kCardWidth = 460;
constexpr double kCardHeight = 220;

}  // namespace

DMGMakeSureWC::DMGMakeSureWC(const QSize& size, QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("DMGMakeSureWC"));
  resize(size);
  auto* shade = new Shade(this);
  shade->setGeometry(rect());
  auto* card = new Card(this);
  setFrame(card, NSMakeRect((size.width() - kCardWidth) / 2, (size.height() - kCardHeight) / 2, kCardWidth,
                            kCardHeight));

  titleLabel_ = new QLabel(card);
  titleLabel_->setObjectName(QStringLiteral("dmgSureTitle"));
  titleLabel_->setAlignment(Qt::AlignCenter);
  titleLabel_->setFont(sBoldFont(18));
  setTextColor(titleLabel_, getColor(39, 38, 40, 1));
  setFrame(titleLabel_, NSMakeRect(30, 150, kCardWidth - 60, 30));

  nodeLabel_ = new QLabel(card);
  nodeLabel_->setObjectName(QStringLiteral("dmgSureNode"));
  nodeLabel_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  nodeLabel_->setWordWrap(true);
  nodeLabel_->setFont(systemFont(13));
  setTextColor(nodeLabel_, getColor(98, 98, 98, 1));
  setFrame(nodeLabel_, NSMakeRect(40, 80, kCardWidth - 80, 60));

  cancelButton_ = new TextImageButton(card);
  cancelButton_->setObjectName(QStringLiteral("dmgSureCancel"));
  setFrame(cancelButton_, NSMakeRect(kCardWidth / 2 - 130, 28, 120, 36));
  doneButton_ = new TextImageButton(card);
  doneButton_->setObjectName(QStringLiteral("dmgSureDone"));
  setFrame(doneButton_, NSMakeRect(kCardWidth / 2 + 10, 28, 120, 36));
  connect(cancelButton_, &QAbstractButton::clicked, this, [this] { cancelButtonAction(); });
  connect(doneButton_, &QAbstractButton::clicked, this, [this] { doneButtonAction(); });
  awakeFromNib();
}

void DMGMakeSureWC::awakeFromNib() {
  titleLabel_->setText(getLocalizedString("MAKE_DMG_Create_Title"));
  nodeLabel_->setText(getLocalizedString("MAKE_DMG_Create_Node"));
  cancelButton_->setImageFromFileNormalName(QStringLiteral("btn_pop_sec"), QStringLiteral("btn_pop_press"),
                                            QStringLiteral("btn_pop_hover"), QStringLiteral("btn_pop_disable"));
  cancelButton_->setTextWithName(getLocalizedString("COMM_CANCEL"));
  cancelButton_->setButtonEnabled(true);
  doneButton_->setImageFromFileNormalName(QStringLiteral("btn_pop_pri"), QStringLiteral("btn_pop_pri_press"),
                                          QStringLiteral("btn_pop_pri_hover"), QStringLiteral("btn_pop_disable"));
  doneButton_->setTextWithName(getLocalizedString("MAKE_DMG_Create_Image"));
  doneButton_->setButtonEnabled(true);
}

void DMGMakeSureWC::closeWindow() {
  if (AttachedWindow* w = superDelegate_.data()) w->dismiss();
}

void DMGMakeSureWC::cancelButtonAction() { closeWindow(); }

void DMGMakeSureWC::doneButtonAction() {
  // The window goes later (deleteLater), so the panel outlives this call.
  closeWindow();
  if (DMGMakeSureWCDelegate* target = delegate_.get()) target->beginToMakeDMGorZIP();
}
