#pragma once
// The main window: the custom title bar, the five-tab sidebar and one container
// per tool screen. Sidebar tabs: 0 copy, 1 clone, 2 image, 3 installer, 4 disk
// manager. The copy, clone, image and installer screens lock the sidebar
// through canChangeTab while they work.
#include <QLabel>
#include <QObject>
#include <QPointer>
#include <QQueue>
#include <QVariantAnimation>
#include <functional>

#include "clone/SelectDrivceViewController.h"
#include "copy/DiskCopyViewController.h"
#include "disktool/RepairDiskViewController.h"
#include "image/DmgViewController.h"
#include "installer/InstallerViewController.h"
#include "shell/LeftButton.h"
#include "shell/LeftSelView.h"
#include "uikit/TCImageWindow.h"

// How the five screens are made; the defaults make the real ones.
struct MainWindowScreens {
  std::function<DiskCopyViewController*()> diskCopy;
  std::function<DmgViewController*()> dmg;
  std::function<RepairDiskViewController*()> repairDisk;
  std::function<SelectDrivceViewController*()> bootable;
  std::function<InstallerViewController*()> installer;
};

class MainWindowController : public QObject,
                             public DmgVCDelegate,
                             public DiskCopyVCDelegate,
                             public SelectDrivceViewControllerDelegate,
                             public TCImageWindowDelegate,
                             public InstallerVCDelegate {
  Q_OBJECT
 public:
  explicit MainWindowController(MainWindowScreens screens = {}, QObject* parent = nullptr);
  ~MainWindowController() override;

  // Loads the window on first use (awakeFromNib, then windowDidLoad).
  TCImageWindow* window();
  // Whether the screens have begun loading their lists (the disk manager's
  // scan, the installer's disks and apps): once the window has first painted,
  // so that no screen's loading delays that paint.
  bool screensLoading() const { return screensLoading_; }

  void canChangeTab(bool canChange) override;
  void tcimageWindowBecomeKeyWindow() override;

  void TopCloneButtonAction();
  void BootableButtonAction();
  void TopDmgButtonAction();
  void installerButtonAction();
  void TopDiskToolButtonAction();
  void setTabTage(unsigned tab);
  void changeLanageue();
  // Ends the process with status 0; no screen is asked first.
  void closeWindow();

  // Read access for the application and tests.
  bool tabsUnlocked() const { return canChangeTab_; }
  bool isAnimating() const { return animation_ && animation_->state() == QAbstractAnimation::Running; }
  int selectedTab() const { return selectedTab_; }
  int seleViewYValue() const { return seleViewY; }
  LeftButton* tabButton(int tab) const;
  QWidget* container(int tab) const;
  LeftSelView* panel() const { return selectView; }
  QLabel* title() const { return titleLabel; }
  QWidget* titleBar() const { return titleBarView; }
  DiskCopyViewController* copyScreen() const { return diskCopyVC; }
  DmgViewController* imageScreen() const { return dmgVC; }
  RepairDiskViewController* diskToolScreen() const { return repairDiskVC; }
  SelectDrivceViewController* cloneScreen() const { return bootableVC; }
  InstallerViewController* installerScreen() const { return installerVC; }

  static constexpr double kPanelHeight = 136;

 private:
  void awakeFromNib();
  void windowDidLoad();
  void addBaseView();
  void addDmgView();
  void addDiskToolView();
  void addBootableView();
  void addInstallerView();
  // The title, the sidebar and the screens' containers, in these steps:
  void addWindowTitle();
  void addTitleLabel();
  void addSidebarBackground();
  void addScreenContainers();
  void addTabButtons();
  void addSelectView();
  void chooseTab(int tab);
  void chooseNextPendingTab();
  bool eventFilter(QObject* watched, QEvent* event) override;
  void startScreensLoading();

  MainWindowScreens screens_;
  TCImageWindow* aWindow = nullptr;
  QLabel* titleLabel = nullptr;
  QPointer<QWidget> titleBarView;
  DiskCopyViewController* diskCopyVC = nullptr;
  DmgViewController* dmgVC = nullptr;
  RepairDiskViewController* repairDiskVC = nullptr;
  SelectDrivceViewController* bootableVC = nullptr;
  InstallerViewController* installerVC = nullptr;
  QWidget* dmgView = nullptr;
  QWidget* diskCopyView = nullptr;
  QWidget* diskTool = nullptr;
  QWidget* bootableView = nullptr;
  QWidget* installerView = nullptr;
  LeftButton* tab_diskclone = nullptr;
  LeftButton* tab_createImage = nullptr;
  LeftButton* tab_disktool = nullptr;
  LeftButton* tab_bootable = nullptr;
  LeftButton* tab_installer = nullptr;
  LeftSelView* selectView = nullptr;
  LeftBgView* leftBgView = nullptr;
  int seleViewY = 0;
  bool canChangeTab_ = false;
  bool screensLoading_ = false;
  int selectedTab_ = 0;
  QPointer<QVariantAnimation> animation_;
  QQueue<int> pendingTabs_;  // tab clicks that came while the panel moved
};
