#include "clone/ClonePanels.h"

#include <QAbstractButton>
#include <QApplication>
#include <QResizeEvent>
#include <QUrl>

#include "copy/SelectValueView.h"
#include "platform/Bundle.h"
#include "platform/NotificationCenter.h"
#include "platform/Workspace.h"
#include "services/KVPublicUtilities.h"
#include "services/Localization.h"
#include "uikit/Layout.h"
#include "uikit/ModalSession.h"
#include "uikit/Style.h"
#include "uikit/TCWindowButton.h"
#include "uikit/Widgets.h"

using namespace uikit;

// ------------------------------------------------------------------ panels

ClonePanelView::ClonePanelView(const QString& objectName, QWidget* parent)
    : PanelView(objectName, kMainWindowSize, new WbgView, {kBoxWidth, kBoxHeight}, Qt::transparent, parent) {}

CloneConfirmPanel::CloneConfirmPanel(const QString& objectName, const QString& nodeKey, const QString& doneKey,
                                     QWidget* parent)
    : ClonePanelView(objectName, parent) {
  QWidget* b = box();
  titleBarView = new QWidget(b);
  setFrame(titleBarView, NSMakeRect(6, kBoxHeight - 52, kBoxWidth - 12, 40));
  titleLabel = wrappingLabel(titleBarView, sBoldFont(16), getColor(39, 38, 40, 1), NSMakeRect(24, 6, kBoxWidth - 60, 24),
                            Qt::AlignLeft | Qt::AlignVCenter);
  nodeLabel = wrappingLabel(b, regularFont(13), getColor(99, 100, 104, 1), NSMakeRect(30, 78, kBoxWidth - 60, 92),
                           Qt::AlignLeft | Qt::AlignTop);
  cancelButton = new TextImageButton(b);
  cancelButton->setObjectName(objectName + QStringLiteral(".cancelButton"));
  setFrame(cancelButton, NSMakeRect(kBoxWidth - 290, 26, 120, 36));
  doneButton = new TextImageButton(b);
  doneButton->setObjectName(objectName + QStringLiteral(".doneButton"));
  setFrame(doneButton, NSMakeRect(kBoxWidth - 150, 26, 120, 36));

  titleLabel->setText(getLocalizedString(QStringLiteral("MAKE_DMG_Create_Title")));
  nodeLabel->setText(getLocalizedString(nodeKey));
  setButtonFamily(cancelButton, QStringLiteral("btn_pop_sec"));
  cancelButton->setTextWithName(getLocalizedString(QStringLiteral("COMM_CANCEL")));
  setButtonFamily(doneButton, QStringLiteral("btn_pop_pri"));
  doneButton->setTextWithName(getLocalizedString(doneKey));
  connect(cancelButton, &QAbstractButton::clicked, this, [this] { cancelButtonAction(); });
  connect(doneButton, &QAbstractButton::clicked, this, [this] { doneButtonAction(); });
}

MakeSureToCloneSystemVC::MakeSureToCloneSystemVC(QWidget* parent)
    : CloneConfirmPanel(QStringLiteral("MakeSureToCloneSystemVC"), QStringLiteral("BOOTABLE_TIP_W_NODE"),
                        QStringLiteral("BOOTABLE_CLONE_NOW"), parent) {}

void MakeSureToCloneSystemVC::cancelButtonAction() { closeWindow(); }

void MakeSureToCloneSystemVC::doneButtonAction() {
  closeWindow();
  if (auto* d = delegate_.get()) d->beginToCopySystem();
}

MakeSureCancelCloneSystemVC::MakeSureCancelCloneSystemVC(QWidget* parent)
    : CloneConfirmPanel(QStringLiteral("MakeSureCancelCloneSystemVC"), QStringLiteral("BOOTABLE_TIP_Cancel_NODE"),
                        QStringLiteral("COMM_Continue"), parent) {}

void MakeSureCancelCloneSystemVC::cancelButtonAction() {
  closeWindow();
  if (auto* d = delegate_.get()) d->cancelToCopySystem();
}

void MakeSureCancelCloneSystemVC::doneButtonAction() { closeWindow(); }

ErrorWindowController::ErrorWindowController(QWidget* parent)
    : ClonePanelView(QStringLiteral("ErrorWindowController"), parent) {
  QWidget* b = box();
  errorLabel = wrappingLabel(b, regularFont(14), getColor(39, 38, 40, 1), NSMakeRect(30, 80, kBoxWidth - 60, 120),
                            Qt::AlignHCenter | Qt::AlignVCenter);
  errorLabel->setObjectName(QStringLiteral("ErrorWindowController.errorLabel"));
  okButton = new TextImageButton(b);
  okButton->setObjectName(QStringLiteral("ErrorWindowController.okButton"));
  setFrame(okButton, NSMakeRect((kBoxWidth - 120) / 2, 26, 120, 36));
  okButton->setImageFromFileNormalName(QStringLiteral("btn_pop_sec"), QStringLiteral("btn_pop_press"),
                                       QStringLiteral("btn_pop_hover"), QStringLiteral("btn_pop_sec"));
  okButton->setButtonEnabled(true);
  okButton->setTextWithName(getLocalizedString(QStringLiteral("COMM_Done")));
  connect(okButton, &QAbstractButton::clicked, this, [this] { okButtonAction(); });
}

void ErrorWindowController::changeErrorLabelStr(const QString& text) {
  errorLabel->setText(text);
  errorLabel->update();
}

// ------------------------------------------------------------ step indicator

namespace {
// Centres of the four marks of the "step2-N" pictures, in the picture.
constexpr double kStepImageWidth = 520;
constexpr double kStepMarks[4] = {10, 176, 343, 510};
constexpr double kStepImageX = (SetpFViewController::kWidth - kStepImageWidth) / 2;
constexpr double kStepLabelWidth = 150;
}  // namespace

SetpFViewController::SetpFViewController(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("SetpFViewController"));
  resize(int(kWidth), int(kHeight));
  stepImageView = new QLabel(this);
  stepImageView->setScaledContents(true);
  setFrame(stepImageView, NSMakeRect(kStepImageX, 30, kStepImageWidth, 20));
  QLabel** labels[4] = {&step_1_Label, &step_2_Label, &step_3_Label, &step_4_Label};
  for (int i = 0; i < 4; ++i) {
    *labels[i] = wrappingLabel(this, regularFont(12), getColor(161, 159, 160, 1),
                              NSMakeRect(kStepImageX + kStepMarks[i] - kStepLabelWidth / 2, 4, kStepLabelWidth, 18),
                              Qt::AlignHCenter | Qt::AlignVCenter);
    (*labels[i])->setWordWrap(false);
  }
  platform::NotificationCenter::defaultCenter().addObserver(this, QStringLiteral("UPDATE_LANGUAGE"),
                                                            [this](const QVariant&) { changeLanageue(); });
  changeLanageue();
}

void SetpFViewController::changeLanageue() {
  step_1_Label->setText(getLocalizedString(QStringLiteral("Clone_system_Step_1")));
  step_2_Label->setText(getLocalizedString(QStringLiteral("Clone_system_Step_2")));
  step_3_Label->setText(getLocalizedString(QStringLiteral("Clone_system_Step_3")));
  step_4_Label->setText(getLocalizedString(QStringLiteral("Step_Finish")));
  step_4_Label->setFont(KVPublicUtilities::getLangSort() == QLatin1String("fr") ? mBoldFont(12) : regularFont(12));
}

void SetpFViewController::setSetpIn(int step) {
  QLabel* labels[4] = {step_1_Label, step_2_Label, step_3_Label, step_4_Label};
  for (QLabel* l : labels) setTextColor(l, getColor(161, 159, 160, 1));
  QPixmap picture;
  switch (step) {
    case 1: picture = platform::Bundle::mainBundle().imageNamed(QStringLiteral("step2-1")); break;
    case 2: picture = platform::Bundle::mainBundle().imageNamed(QStringLiteral("step2-2")); break;
    case 3: picture = platform::Bundle::mainBundle().imageNamed(QStringLiteral("step2-3")); break;
    case 4: picture = platform::Bundle::mainBundle().imageNamed(QStringLiteral("step2-4")); break;
    default: return;
  }
  setTextColor(labels[step - 1], getColor(39, 38, 40, 1));
  stepImageView->setPixmap(picture);
  shownStep_ = step;
}

// ------------------------------------------------------ Full Disk Access

const char* const FullDiskAccessViewController::kFullDiskAccessSettings =
    "x-apple.systempreferences:com.apple.preference.security?Privacy_AllFiles";

namespace {
constexpr NSSize kAccessWindowSize{560, 400};
constexpr double kAccessTitleBar = kSmallTitleBarHeight;
constexpr double kAccessContentHeight = kAccessWindowSize.height - kAccessTitleBar;
}  // namespace

FullDiskAccessViewController::FullDiskAccessViewController(QObject* parent) : QObject(parent) {}

FullDiskAccessViewController::~FullDiskAccessViewController() {
  platform::NotificationCenter::defaultCenter().removeObserver(this);
  delete aWindow.data();
}

TCImageWindow* FullDiskAccessViewController::window() {
  if (!aWindow) {
    aWindow = new TCImageWindow;
    aWindow->setObjectName(QStringLiteral("FullDiskAccessViewController"));
    aWindow->setWindowTitle(QStringLiteral("Quorvan Disk Clone"));
    aWindow->setFixedSize(int(kAccessWindowSize.width), int(kAccessWindowSize.height));
    aWindow->setContentView(new QWidget);
    windowDidLoad();
  }
  return aWindow;
}

void FullDiskAccessViewController::windowDidLoad() {
  QPalette ground = aWindow->palette();
  ground.setColor(QPalette::Window, Qt::white);
  aWindow->setPalette(ground);
  aWindow->setTitleBarHeight(kAccessTitleBar);
  aWindow->setTrafficLightButtonsLeftMargin(kSmallButtonsLeftMargin);
  aWindow->setTopButtonMoveUp(kSmallButtonsMoveUp);
  aWindow->layoutTrafficLightsAndContent();
  if (TCWindowButton* close = aWindow->standardWindowButton(TCImageWindow::CloseButton)) {
    close->disconnect(aWindow);
    connect(close, &QAbstractButton::clicked, this, [this] { closeWindow(); });
  }

  QWidget* content = aWindow->contentView();
  const double w = kAccessWindowSize.width, h = kAccessContentHeight;
  titleLabel = wrappingLabel(content, sBoldFont(20), getColor(39, 38, 40, 1), NSMakeRect(40, h - 50, w - 80, 30),
                            Qt::AlignHCenter | Qt::AlignVCenter);
  nodelLabel = wrappingLabel(content, regularFont(13), getColor(99, 100, 104, 1), NSMakeRect(40, h - 120, w - 80, 60),
                            Qt::AlignHCenter | Qt::AlignTop);
  nodel_2 = wrappingLabel(content, regularFont(13), getColor(58, 58, 58, 1), NSMakeRect(60, h - 170, w - 120, 40),
                         Qt::AlignLeft | Qt::AlignTop);
  nodel_3 = wrappingLabel(content, regularFont(13), getColor(58, 58, 58, 1), NSMakeRect(60, h - 215, w - 120, 40),
                         Qt::AlignLeft | Qt::AlignTop);
  nodel_4 = wrappingLabel(content, regularFont(13), getColor(58, 58, 58, 1), NSMakeRect(60, h - 260, w - 120, 40),
                         Qt::AlignLeft | Qt::AlignTop);
  openBtn = new TextImageButton(content);
  openBtn->setObjectName(QStringLiteral("FullDiskAccessViewController.openBtn"));
  setFrame(openBtn, NSMakeRect((w - 160) / 2, 30, 160, 40));
  setButtonFamily(openBtn, QStringLiteral("btn_pri"));
  connect(openBtn, &QAbstractButton::clicked, this, [this] { openSetView(); });

  platform::NotificationCenter::defaultCenter().addObserver(this, QStringLiteral("UPDATE_LANGUAGE"),
                                                            [this](const QVariant&) { setLangue(); });
  setLangue();
}

void FullDiskAccessViewController::setLangue() {
  titleLabel->setText(getLocalizedString(QStringLiteral("FullDiskAccess_title")));
  nodelLabel->setText(getLocalizedString(QStringLiteral("FullDiskAccess_node")));
  openBtn->setTextWithName(getLocalizedString(QStringLiteral("FullDiskAccess_1")));
  nodel_2->setText(getLocalizedString(QStringLiteral("FullDiskAccess_2")));
  nodel_3->setText(getLocalizedString(QStringLiteral("FullDiskAccess_3")));
  nodel_4->setText(getLocalizedString(QStringLiteral("FullDiskAccess_4")));
}

int FullDiskAccessViewController::runModal(QWidget* over) {
  TCImageWindow* w = window();
  if (!over) over = QApplication::activeWindow();
  if (over) w->move(over->geometry().center() - QPoint(w->width() / 2, w->height() / 2));
  return runModalForWindow(w);
}

void FullDiskAccessViewController::closeWindow() {
  if (!aWindow) return;
  aWindow->close();
  stopModalForWindow(aWindow);
}

void FullDiskAccessViewController::openSetView() {
  if (KVPublicUtilities::getSystemVersion() >= 1014)
    platform::Workspace::shared().openURL(QUrl(QString::fromLatin1(kFullDiskAccessSettings)));
  closeWindow();
}
