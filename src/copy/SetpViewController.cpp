#include "copy/SetpViewController.h"

#include "copy/SelectValueView.h"
#include "platform/NotificationCenter.h"
#include "services/KVPublicUtilities.h"
#include "services/Localization.h"
#include "uikit/Style.h"

using namespace uikit;

namespace {
// The image's three marks sit at x 144, 444 and 744 of the bar.
QLabel* stepLabel(QWidget* parent, Qt::Alignment align) {
  auto* l = new QLabel(parent);
  l->setFont(regularFont(12));
  l->setAlignment(align | Qt::AlignVCenter);
  return l;
}
}  // namespace

SetpViewController::SetpViewController(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("SetpViewController"));
  resize(int(kSize.width), int(kSize.height));
  stepImageView_ = new NamedImageView(this);
  setFrame(stepImageView_, NSMakeRect(124, 28, 640, 24));
  step_1_Label_ = stepLabel(this, Qt::AlignHCenter);
  setFrame(step_1_Label_, NSMakeRect(14, 5, 260, 18));
  step_2_Label_ = stepLabel(this, Qt::AlignLeft);
  step_3_Label_ = stepLabel(this, Qt::AlignHCenter);
  setFrame(step_3_Label_, NSMakeRect(664, 5, 160, 18));
  step_1_Label_->setObjectName(QStringLiteral("step_1_Label"));
  step_2_Label_->setObjectName(QStringLiteral("step_2_Label"));
  step_3_Label_->setObjectName(QStringLiteral("step_3_Label"));
  aIndex_ = 0;
  platform::NotificationCenter::defaultCenter().addObserver(this, QStringLiteral("UPDATE_LANGUAGE"),
                                                            [this](const QVariant&) { changeLanageue(); });
  changeLanageue();
  setSetpIn(0);
}

SetpViewController::~SetpViewController() { platform::NotificationCenter::defaultCenter().removeObserver(this); }

void SetpViewController::setCopyOrDiskImage(int index) {
  aIndex_ = index;
  changeLanageue();
}

void SetpViewController::changeLanageue() {
  const bool image = aIndex_ == 1;
  step_1_Label_->setText(image ? getLocalizedString(QStringLiteral("Clone_system_Step_1"))
                               : getLocalizedString(QStringLiteral("Step_SELECT_SOURCE_DESTINATION")));
  step_2_Label_->setText(image ? getLocalizedString(QStringLiteral("MAKE_DMG_Step_2"))
                               : getLocalizedString(QStringLiteral("FILE_COPY_Step_2")));
  // Left-aligned from its origin, as wide as its text.
  step_2_Label_->adjustSize();
  step_2_Label_->resize(step_2_Label_->width(), 18);
  setFrameOrigin(step_2_Label_, image ? NSMakePoint(390, 5) : NSMakePoint(420, 5));
  step_3_Label_->setText(getLocalizedString(QStringLiteral("Step_Finish")));
  step_3_Label_->setFont(KVPublicUtilities::getLangSort() == QLatin1String("fr") ? mBoldFont(12) : regularFont(12));
}

void SetpViewController::setSetpIn(int step) {
  const QColor grey = getColor(161, 159, 160, 1);
  const QColor dark = getColor(39, 38, 40, 1);
  QLabel* labels[3] = {step_1_Label_, step_2_Label_, step_3_Label_};
  for (QLabel* l : labels) setTextColor(l, grey);
  if (step < 1 || step > 3) return;
  setTextColor(labels[step - 1], dark);
  // "step1-2": the wording's family and the step.
  const QString family = aIndex_ == 1 ? QStringLiteral("step3") : QStringLiteral("step1");
  stepImageView_->setImageNamed(family + QLatin1Char('-') + QString::number(step));
}
