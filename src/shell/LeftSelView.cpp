#include "shell/LeftSelView.h"

#include <QPainter>
#include <QPainterPath>

#include "platform/Bundle.h"
#include "platform/NotificationCenter.h"
#include "services/KVPublicUtilities.h"
#include "services/Localization.h"
#include "uikit/Style.h"

using namespace uikit;

namespace {

struct PanelEntry {
  const char* icon;
  const char* nameKey;
  const char* nodeKey;
};
constexpr PanelEntry kPanel[] = {
    {"icon_disk_b", "MAIN_LETF_DISK_COPY", "MAIN_LETF_DISK_COPY_NODE"},
    {"icon_os_b", "MAIN_LETF_OS_CLONE", "MAIN_LETF_OS_CLONE_NODE"},
    {"icon_image_b", "MAIN_LETF_DISK_IMAGE", "MAIN_LETF_DISK_IMAGE_NODE"},
    {"ic_macos_b", "MAIN_LETF_MAKE_INSTALLER", "MAIN_LETF_MAKE_INSTALLER_NODE"},
    {"icon_manager_b", "MAIN_LETF_DISK_MANAGER", "MAIN_LETF_DISK_MANAGER_NODE"},
};

const NSRect kIconFrame = NSMakeRect(20, 74, 40, 40);
const NSRect kNameFrame = NSMakeRect(72, 85, 220, 22);
const NSRect kNodeFrame = NSMakeRect(20, 5, 190, 64);

QLabel* makeLabel(QWidget* parent, const QColor& color) {
  auto* label = new QLabel(parent);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setWordWrap(true);
  setTextColor(label, color);
  return label;
}

void roundedFill(QWidget* widget, const QRectF& rect, double radius, const QColor& color) {
  QPainter painter(widget);
  painter.setRenderHint(QPainter::Antialiasing);
  QPainterPath path;
  path.addRoundedRect(rect, radius, radius);
  painter.fillPath(path, color);
}

}  // namespace

LeftSelView::LeftSelView(QWidget* parent) : QWidget(parent) {}

void LeftSelView::initView() {
  if (nameLabel) return;
  iconImage = new QLabel(this);
  iconImage->setScaledContents(true);
  nameLabel = makeLabel(this, Qt::white);
  nameLabel->setFont(sBoldFont(18));
  QColor dim(Qt::white);
  dim.setAlphaF(0.8f);
  nodeLabel = makeLabel(this, dim);
  nodeLabel->setFont(regularFont(14));
  layoutLabels();
  setSelectTag(0);
  platform::NotificationCenter::defaultCenter().addObserver(
      this, QStringLiteral("UPDATE_LANGUAGE"), [this](const QVariant&) { changeLanageue(); });
}

void LeftSelView::changeLanageue() { setSelectTag(aTag); }

void LeftSelView::setSelectTag(int tag) {
  // An unknown tag changes nothing, the stored one included, so that a later
  // language change still re-reads the panel that shows.
  if (tag < 0 || tag > 4) return;
  aTag = tag;
  if (!nameLabel) return;
  const PanelEntry& entry = kPanel[tag];
  iconName_ = QString::fromLatin1(entry.icon);
  iconImage->setPixmap(platform::Bundle::mainBundle().imageNamed(iconName_, QSize(80, 80)));
  nameLabel->setText(getLocalizedString(QString::fromLatin1(entry.nameKey)));
  nodeLabel->setText(getLocalizedString(QString::fromLatin1(entry.nodeKey)));
  // Only the disk manager's long name needs a smaller font in some languages;
  // every other panel returns to the size it was created with.
  double size = 18;
  if (tag == 4) {
    const QString language = KVPublicUtilities::getLangSort();
    if (language == QLatin1String("de") || language == QLatin1String("pt-BR"))
      size = 15;
    else if (language == QLatin1String("fr"))
      size = 14;
  }
  nameLabel->setFont(sBoldFont(size));
}

void LeftSelView::layoutLabels() {
  // AppKit keeps subviews fixed to the bottom-left corner while the panel grows.
  if (!nameLabel) return;
  setFrame(iconImage, kIconFrame);
  setFrame(nameLabel, kNameFrame);
  setFrame(nodeLabel, kNodeFrame);
}

void LeftSelView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  layoutLabels();
}

void LeftSelView::paintEvent(QPaintEvent*) {
  roundedFill(this, QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 8, deviceColor(68, 72, 83));
}

void LeftBgView::paintEvent(QPaintEvent*) {
  roundedFill(this, QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 9, deviceColor(225, 231, 239));
}
