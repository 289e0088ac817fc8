#include "shell/MainWindowController.h"

#include <QCoreApplication>
#include <QGraphicsOpacityEffect>
#include <QTimer>

#include "platform/Jobs.h"
#include "platform/NotificationCenter.h"
#include "services/Color.h"
#include "services/KVPublicUtilities.h"
#include "services/Localization.h"
#include "shell/MainWindowLayout.h"
#include "shell/WindowSetup.h"
#include "uikit/Style.h"
#include "uikit/TCWindowButton.h"

using namespace uikit;

namespace {

struct TabSpec {
  double y;
  const char* image;
};
constexpr TabSpec kTabs[5] = {
    {588, "icon_disk"}, {440, "icon_os"}, {384, "icon_image"}, {328, "ic_image"}, {272, "icon_manager"},
};

// A screen's view fills its tab's container.
void fillContainer(QWidget* container, QWidget* view) {
  view->setParent(container);
  view->setGeometry(container->rect());
  view->show();
}

}  // namespace

const TabPositions& tabPositions(int tab) {
  // Buttons above the panel step down from 592 by 56, those below it from the
  // panel's y minus 52; -1 marks the selected tab's hidden button.
  static const TabPositions kTable[5] = {
      {492, {-1, 440, 384, 328, 272}},
      {436, {592, -1, 384, 328, 272}},
      {380, {592, 536, -1, 328, 272}},
      {324, {592, 536, 480, -1, 272}},
      {266, {592, 536, 480, 424, -1}},
  };
  return kTable[tab];
}

MainWindowController::MainWindowController(MainWindowScreens screens, QObject* parent)
    : QObject(parent), screens_(std::move(screens)) {
  if (!screens_.diskCopy) screens_.diskCopy = [] { return new DiskCopyViewController; };
  if (!screens_.dmg) screens_.dmg = [] { return new DmgViewController; };
  if (!screens_.repairDisk) screens_.repairDisk = [] { return new RepairDiskViewController; };
  if (!screens_.bootable) screens_.bootable = [] { return new SelectDrivceViewController; };
  if (!screens_.installer) screens_.installer = [] { return new InstallerViewController; };
}

MainWindowController::~MainWindowController() {
  platform::NotificationCenter::defaultCenter().removeObserver(this);
  delete aWindow;
}

TCImageWindow* MainWindowController::window() {
  if (!aWindow) {
    // The system's font list takes milliseconds to load: it loads while the
    // first widgets are made, not when the first text is measured.
    uikit::FontWarmup fonts;
    aWindow = shell::newFixedWindow(kMainWindowFrameSize);
    awakeFromNib();
    windowDidLoad();
    aWindow->installEventFilter(this);
  }
  return aWindow;
}

bool MainWindowController::eventFilter(QObject* watched, QEvent* event) {
  // After this paint, not before it: the loads' results are applied on this thread.
  if (watched == aWindow && event->type() == QEvent::Paint) {
    aWindow->removeEventFilter(this);
    QTimer::singleShot(0, this, [this] { startScreensLoading(); });
  }
  return QObject::eventFilter(watched, event);
}

void MainWindowController::startScreensLoading() {
  screensLoading_ = true;
  repairDiskVC->loadData();
  installerVC->loadData();
}

void MainWindowController::awakeFromNib() { shell::setWhiteGround(aWindow); }

void MainWindowController::windowDidLoad() {
  aWindow->setDelegate(this);
  titleBarView = aWindow->titleBarView();
  shell::placeTitleBar(aWindow, 48, 16, -3);

  // The title bar's lower edge: a one-pixel rule.
  auto* line = new QWidget(titleBarView);
  line->setAutoFillBackground(true);
  QPalette linePalette = line->palette();
  linePalette.setColor(QPalette::Window, deviceColor(230, 230, 235));
  line->setPalette(linePalette);
  line->setFixedHeight(1);
  setFrame(line, NSMakeRect(0, 0, kMainWindowFrameSize.width, 1));

  canChangeTab_ = true;
  addWindowTitle();
  addBaseView();
  addDmgView();
  addDiskToolView();
  addBootableView();
  addInstallerView();

  platform::NotificationCenter::defaultCenter().addObserver(
      this, QStringLiteral("UPDATE_LANGUAGE"), [this](const QVariant&) { changeLanageue(); });
  changeLanageue();

  shell::routeCloseButton(aWindow, this, [this] { closeWindow(); });
}

void MainWindowController::addWindowTitle() {
  addTitleLabel();
  addSidebarBackground();
  addScreenContainers();
  addTabButtons();
  addSelectView();
}

void MainWindowController::addTitleLabel() {
  titleLabel = new QLabel(titleBarView);
  titleLabel->setAlignment(Qt::AlignCenter);
  setTextColor(titleLabel, getColor(94, 96, 97, 1));
  titleLabel->setFont(sBoldFont(16));
  titleLabel->setText(QStringLiteral("Quorvan Disk Clone"));
  setFrame(titleLabel, NSMakeRect(420, 14, 300, 20));
}

void MainWindowController::addSidebarBackground() {
  leftBgView = new LeftBgView(aWindow->contentView());
  setFrame(leftBgView, kSidebarFrame);
  leftBgView->lower();
}

void MainWindowController::addScreenContainers() {
  // Made before the tab buttons, so that the sidebar stays above them.
  for (QWidget** slot : {&diskCopyView, &bootableView, &dmgView, &installerView, &diskTool}) {
    *slot = new QWidget(aWindow->contentView());
    setFrame(*slot, kContainerFrame);
    (*slot)->setHidden(*slot != diskCopyView);
  }
}

void MainWindowController::addTabButtons() {
  LeftButton** buttons[5] = {&tab_diskclone, &tab_bootable, &tab_createImage, &tab_installer,
                             &tab_disktool};
  void (MainWindowController::*actions[5])() = {
      &MainWindowController::TopCloneButtonAction, &MainWindowController::BootableButtonAction,
      &MainWindowController::TopDmgButtonAction, &MainWindowController::installerButtonAction,
      &MainWindowController::TopDiskToolButtonAction};
  for (int tab = 0; tab < 5; ++tab) {
    auto* button = new LeftButton(aWindow->contentView());
    setFrame(button, NSMakeRect(20, kTabs[tab].y, 240, 40));
    button->setButtonEnabled(true);
    const QString image = QString::fromLatin1(kTabs[tab].image);
    button->setImageFromFileNormalName(image, image);
    auto action = actions[tab];
    QObject::connect(button, &QAbstractButton::clicked, this, [this, action] { (this->*action)(); });
    *buttons[tab] = button;
  }
  // The copy tab is the one shown at start: its place is the panel's.
  tab_diskclone->setButtonAction(true);
  tab_diskclone->setHidden(true);
}

void MainWindowController::addSelectView() {
  selectView = new LeftSelView(aWindow->contentView());
  setFrame(selectView, NSMakeRect(20, 492, 240, kPanelHeight));
  selectView->initView();
  seleViewY = 492;
}

void MainWindowController::addBaseView() {
  diskCopyVC = screens_.diskCopy();
  fillContainer(diskCopyView, diskCopyVC->view());
  diskCopyVC->setDelegate(this);
}

void MainWindowController::addDmgView() {
  dmgVC = screens_.dmg();
  fillContainer(dmgView, dmgVC->view());
  dmgVC->setDelegate(this);
}

void MainWindowController::addDiskToolView() {
  repairDiskVC = screens_.repairDisk();
  fillContainer(diskTool, repairDiskVC->view());
}

void MainWindowController::addBootableView() {
  bootableVC = screens_.bootable();
  fillContainer(bootableView, bootableVC->view());
  bootableVC->setDelegate(this);
}

void MainWindowController::addInstallerView() {
  installerVC = screens_.installer();
  fillContainer(installerView, installerVC->view());
  installerVC->setDelegate(this);
}

void MainWindowController::canChangeTab(bool canChange) { canChangeTab_ = canChange; }

LeftButton* MainWindowController::tabButton(int tab) const {
  switch (tab) {
    case 0: return tab_diskclone;
    case 1: return tab_bootable;
    case 2: return tab_createImage;
    case 3: return tab_installer;
    case 4: return tab_disktool;
    default: return nullptr;
  }
}

QWidget* MainWindowController::container(int tab) const {
  switch (tab) {
    case 0: return diskCopyView;
    case 1: return bootableView;
    case 2: return dmgView;
    case 3: return installerView;
    case 4: return diskTool;
    default: return nullptr;
  }
}

void MainWindowController::TopCloneButtonAction() { chooseTab(0); }
void MainWindowController::BootableButtonAction() { chooseTab(1); }
void MainWindowController::TopDmgButtonAction() { chooseTab(2); }
void MainWindowController::installerButtonAction() { chooseTab(3); }
void MainWindowController::TopDiskToolButtonAction() { chooseTab(4); }

void MainWindowController::chooseTab(int tab) {
  if (!canChangeTab_) return;
  // The panel's animation blocks: a click that comes while it runs waits
  // for its end and is handled then, in the order the clicks came.
  if (isAnimating()) {
    pendingTabs_.enqueue(tab);
    return;
  }
  if (tab != 0) diskCopyVC->chengeTabCloseNode();
  for (int k = 0; k < 5; ++k) {
    tabButton(k)->setButtonAction(k == tab);
    container(k)->setHidden(k != tab);
    tabButton(k)->setHidden(k == tab);
  }
  selectedTab_ = tab;
  setTabTage(unsigned(tab));
}

void MainWindowController::chooseNextPendingTab() {
  // Once the panel is still, the click held back longest is handled; a click
  // on the tab that is selected by then finds its button gone and does nothing.
  while (!pendingTabs_.isEmpty() && !isAnimating()) {
    const int tab = pendingTabs_.dequeue();
    if (tab != selectedTab_) chooseTab(tab);
  }
}

void MainWindowController::setTabTage(unsigned tab) {
  if (tab <= 4) {
    const TabPositions& positions = tabPositions(int(tab));
    seleViewY = positions.panelY;
    for (int k = 0; k < 5; ++k)
      if (positions.buttonY[k] >= 0) setFrameOrigin(tabButton(k), NSMakePoint(20, positions.buttonY[k]));
    selectView->setSelectTag(int(tab));
  }

  const double y = seleViewY;
  const NSRect start = NSMakeRect(20, y + 160, 230, 0);
  const NSRect end = NSMakeRect(20, y, 230, kPanelHeight);
  auto* effect = new QGraphicsOpacityEffect(selectView);
  effect->setOpacity(0);
  selectView->setGraphicsEffect(effect);
  setFrame(selectView, start);

  if (animation_) animation_->stop();
  auto* animation = new QVariantAnimation(this);
  animation->setStartValue(0.0);
  animation->setEndValue(1.0);
  animation->setDuration(300);
  QObject::connect(animation, &QVariantAnimation::valueChanged, this,
                   [this, start, end, effect](const QVariant& value) {
                     const double t = value.toDouble();
                     setFrame(selectView,
                              NSMakeRect(start.x() + (end.x() - start.x()) * t,
                                         start.y() + (end.y() - start.y()) * t,
                                         start.w() + (end.w() - start.w()) * t,
                                         start.h() + (end.h() - start.h()) * t));
                     effect->setOpacity(t);
                   });
  QObject::connect(animation, &QVariantAnimation::finished, this, [this, end, tab] {
    setFrame(selectView, end);
    selectView->setGraphicsEffect(nullptr);
    if (tab == 4) repairDiskVC->normalSelectCell();
    chooseNextPendingTab();
  });
  animation_ = animation;
  animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void MainWindowController::changeLanageue() {
  tab_diskclone->setTextWithName(getLocalizedString(QStringLiteral("MAIN_LETF_DISK_COPY")));
  tab_bootable->setTextWithName(getLocalizedString(QStringLiteral("MAIN_LETF_OS_CLONE")));
  tab_createImage->setTextWithName(getLocalizedString(QStringLiteral("MAIN_LETF_DISK_IMAGE")));
  tab_installer->setTextWithName(getLocalizedString(QStringLiteral("MAIN_LETF_MAKE_INSTALLER")));
  const QString manager = getLocalizedString(QStringLiteral("MAIN_LETF_DISK_MANAGER"));
  tab_disktool->setTextWithName(manager);
  if (KVPublicUtilities::getLangSort() == QLatin1String("fr")) tab_disktool->setTextWithName(manager, 13);
}

void MainWindowController::tcimageWindowBecomeKeyWindow() {
  diskCopyVC->closeErrorWindow();
  dmgVC->closeErrorWindow();
  bootableVC->closeErrorWindow();
}

void MainWindowController::closeWindow() {
  // Running jobs are stopped as their Cancel does and their child processes
  // waited for while the application still serves the main queue; only then
  // does the run loop end.
  if (aWindow) aWindow->hide();
  platform::endRunningJobs();
  QCoreApplication::exit(0);
}
