#pragma once
// The installer-media screen: step 1 picks an installer application (found on
// the machine, added from a bundle, or fetched from the store through the version
// picker), step 2 a removable disk; Create writes the installer on the progress
// page. The main window is its delegate.
// The methods the main window calls are virtual so that its tests can record them.
#include <QLabel>
#include <QPointer>
#include <QScrollArea>
#include <QWidget>
#include <memory>

#include "installer/InstallerViews.h"
#include "installer/MacOSInatallerProgressViewController.h"
#include "installer/MacOSInstallerRecords.h"
#include "uikit/AttachedWindow.h"
#include "uikit/Delegate.h"
#include "uikit/DropDown.h"

namespace platform {
class VolumeWatch;
}
class LinkTitleButton;
class TextImageButton;

// Sent by the screen to lock (NO) and unlock (YES) the main window's sidebar.
class InstallerVCDelegate {
 public:
  virtual ~InstallerVCDelegate() = default;
  virtual void canChangeTab(bool canChange) { (void)canChange; }
};

class InstallerViewController : public QWidget,
                                public MacOSInatallerProgressVCDelegate,
                                public SelectOSFileVCDelegate,
                                public InstallerComboBoxDelegate,
                                public RAttachedWindowDelegate {
  Q_OBJECT
 public:
  explicit InstallerViewController(QWidget* parent = nullptr);
  ~InstallerViewController() override;

  QWidget* view() { return this; }
  virtual void setDelegate(InstallerVCDelegate* delegate);
  InstallerVCDelegate* delegate() const;
  // Forwards the flag to the delegate.
  virtual void canChangeTab(bool canChange);

  // MacOSInatallerProgressVCDelegate
  void backToMainView() override;
  void canChangeTag() override;
  void creationEnded() override;
  // SelectOSFileVCDelegate
  void mouseEixtView(bool exited) override;
  void selectFormatbyType(int index) override;
  // InstallerComboBoxDelegate
  void showSelectAllVC() override;
  // RAttachedWindowDelegate
  void closeMattachedWindow() override;

  // The disks and the downloaded installers, looked for on workers; the main
  // window asks once it has painted.
  virtual void loadData();
  void changeCreatButState();
  void refreshDiskInfo();
  void changeLanageue();
  void comboBoxSelectionChanged(const QString& text);

  // The add chooser's next answer, a Mac path ("" = the user cancels), for tests.
  static void setNextChosenPath(const QString& macPath);
  // Whether the item at a Mac path may be chosen in the add chooser: a bundle
  // of a known installer, or a plain folder to look into.
  static bool checkBundleWith(const QString& macPath);

  const QList<MacOSInstallerAppInfoPtr>& addedApps() const { return arrAddApps; }
  const QList<MacOSInstallerDiskInfoPtr>& diskInfos() const { return arrDiskInfos; }
  MacOSInstallerAppInfoPtr chosenApp() const { return appInfo; }
  MacOSInstallerDiskInfoPtr chosenDisk() const { return diskInfo; }
  MacOSInatallerProgressViewController* progressController() const { return progressVC; }

 private:
  void buildLayout();
  void refrshDownloadApp();
  void applyFoundApps(const QList<MacOSInstallerAppInfoPtr>& found);
  void applyDiskInfo(const QList<MacOSInstallerDiskInfoPtr>& disks);
  void addAppClick();
  void addApp(const MacOSInstallerAppInfoPtr& app);
  void showAppList();
  void reselectButAction();
  void setReSelectButStyle();
  void beginMakeMacOSInstaller();
  void continueMakeMacOSInstaller();
  // What the next disk list applied goes on with.
  enum class AfterDiskList { Nothing, ContinueCreate };
  void runAfterDiskList(AfterDiskList action);
  bool awaitingDiskList() const { return afterDiskList_ != AfterDiskList::Nothing; }
  void reloadAppList();
  void reloadDiskList();
  void chooseApp(int row);
  void chooseDisk(const MacOSInstallerDiskInfoPtr& disk);

  QList<MacOSInstallerAppInfoPtr> arrAddApps;
  QList<MacOSInstallerDiskInfoPtr> arrDiskInfos;
  MacOSInstallerAppInfoPtr appInfo;
  MacOSInstallerDiskInfoPtr diskInfo;
  int selectedAppRow = -1;
  quint64 diskRefresh_ = 0;  // only the newest disk scan is applied
  AfterDiskList afterDiskList_ = AfterDiskList::Nothing;
  quint64 appRefresh_ = 0;

  QWidget *baseView = nullptr, *progressView = nullptr, *diskListView = nullptr, *selectAppView = nullptr,
          *appInfoListView = nullptr, *noDiskView = nullptr, *selectOSView = nullptr;
  QWidget *appListContent = nullptr, *diskListContent = nullptr;
  QScrollArea *diskListScrollView = nullptr, *appListScrollView = nullptr;
  QLabel *noDiskNodeLabel = nullptr, *noAppLabel = nullptr;
  TextImageButton *addBut = nullptr, *refrshBut = nullptr, *createBut = nullptr;
  QLabel *titleLabel = nullptr, *nodeLabel = nullptr, *setp_1_title = nullptr, *setp_2_title = nullptr,
         *option_1_title = nullptr, *option_1_node = nullptr, *option_1_2_node = nullptr,
         *option_1_error = nullptr, *option_2_title = nullptr, *option_2_node = nullptr;
  LinkTitleButton* reDownLoadBut = nullptr;
  InstallerComboBox* lComboBox = nullptr;
  uikit::DropDown* sortDropDown = new uikit::DropDown(this);
  MacOSInatallerProgressViewController* progressVC = nullptr;
  std::unique_ptr<platform::VolumeWatch> volumeWatch_;
  uikit::WeakDelegate<InstallerVCDelegate> delegate_;
};
