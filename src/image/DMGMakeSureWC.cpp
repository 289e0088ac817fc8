#include "image/DMGMakeSureWC.h"

#include <QPainter>

#include "services/Localization.h"
#include "uikit/Geometry.h"
#include "uikit/Style.h"
#include "uikit/Widgets.h"

using namespace uikit;

namespace {

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

DMGMakeSureWC::DMGMakeSureWC(const QSize& size, QWidget* parent)
    : PanelView(QStringLiteral("DMGMakeSureWC"), size, new Card, {kCardWidth, kCardHeight}, QColor(0, 0, 0, 60),
                parent) {
  QWidget* card = box();
  titleLabel_ = named(label(card, sBoldFont(18), getColor(39, 38, 40, 1), NSMakeRect(30, 150, kCardWidth - 60, 30)),
                      QStringLiteral("dmgSureTitle"));
  nodeLabel_ = named(wrappingLabel(card, systemFont(13), getColor(98, 98, 98, 1), NSMakeRect(40, 80, kCardWidth - 80, 60),
                                   Qt::AlignHCenter | Qt::AlignTop),
                     QStringLiteral("dmgSureNode"));
  cancelButton_ = button(card, QStringLiteral("btn_pop_sec"), NSMakeRect(kCardWidth / 2 - 130, 28, 120, 36),
                         QStringLiteral("dmgSureCancel"));
  doneButton_ = button(card, QStringLiteral("btn_pop_pri"), NSMakeRect(kCardWidth / 2 + 10, 28, 120, 36),
                       QStringLiteral("dmgSureDone"));
  connect(cancelButton_, &QAbstractButton::clicked, this, [this] { cancelButtonAction(); });
  connect(doneButton_, &QAbstractButton::clicked, this, [this] { doneButtonAction(); });
  awakeFromNib();
}

void DMGMakeSureWC::awakeFromNib() {
  titleLabel_->setText(getLocalizedString("MAKE_DMG_Create_Title"));
  nodeLabel_->setText(getLocalizedString("MAKE_DMG_Create_Node"));
  cancelButton_->setTextWithName(getLocalizedString("COMM_CANCEL"));
  doneButton_->setTextWithName(getLocalizedString("MAKE_DMG_Create_Image"));
}

void DMGMakeSureWC::cancelButtonAction() { closeWindow(); }

void DMGMakeSureWC::doneButtonAction() {
  // The window goes later (deleteLater), so the panel outlives this call.
  closeWindow();
  if (DMGMakeSureWCDelegate* target = delegate_.get()) target->beginToMakeDMGorZIP();
}
