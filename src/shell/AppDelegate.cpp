#include "shell/AppDelegate.h"

#include "platform/Bundle.h"
#include "platform/Power.h"
#include "platform/Workspace.h"
#include "services/KVPublicUtilities.h"
#include "shell/MainWindowController.h"
#include "shell/Startup.h"

#include <QApplication>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>

void AppDelegate::awakeFromNib() {
  // Any five fonts stand in for the interface's; what matters is that their
  // names are recorded before the first screen reads them.
  // Only a font's name is stored, so the weight travels in the name, as in a
  // PostScript name ("<family> Semibold"); the screens read it back from there.
  const QString family = QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
  QFont normal(family), light(family + " Light"), mbold(family + " Medium"),
      sbold(family + " Semibold"), bold(family + " Bold");
  KVPublicUtilities::writRegularFont(normal);
  KVPublicUtilities::writLightFont(light);
  KVPublicUtilities::writMBoldFont(mbold);
  KVPublicUtilities::writSBoldFont(sbold);
  KVPublicUtilities::writBoldFont(bold);
}

bool AppDelegate::checkAppDuplicateAndBringToFrontWithBundle(const QString& bundleIdentifier) {
  auto& workspace = platform::Workspace::shared();
  const qint64 self = platform::Workspace::currentProcessIdentifier();
  bool found = false;
  for (const platform::RunningApplication& app : workspace.runningApplicationsWithBundleIdentifier(bundleIdentifier)) {
    if (app.processIdentifier == self) continue;
    workspace.launchApplication(app.bundlePath);
    found = true;
  }
  return found;
}

void AppDelegate::applicationDidFinishLaunching() {
  platform::ApplicationRegistryLock registering;
  if (checkAppDuplicateAndBringToFrontWithBundle(kAppBundleIdentifier)) {
    // The running instance holds the display awake; this start leaves no assertion behind.
    platform::IOPMAssertionRelease(assertionID);
    std::exit(0);
  }
  platform::Workspace::shared().registerCurrentApplication(
      kAppBundleIdentifier, platform::Bundle::mainBundle().bundlePath(), [this] {
        if (window_) {
          window_->showNormal();
          window_->raise();
          window_->activateWindow();
        }
      });
  // The controller lives until the process ends; nothing keeps it but itself.
  auto* controller = new MainWindowController;
  QWidget* window = controller->window();
  if (QScreen* screen = QGuiApplication::primaryScreen())
    window->move(screen->availableGeometry().center() - window->rect().center());
  window_ = window;
  menu_ = std::make_unique<MainMenu>();
  // Linux has no global menu bar: the bar sits in the main window's title bar.
  menu_->attachToTitleBar(controller->titleBar(), 16);
  window->show();
  setLangauageState();
}
