#pragma once
// NSWorkspace and NSRunningApplication. In a world every open is recorded in the
// world's state (tests read it); URLs and documents are handed to xdg-open only
// outside a world.
#include <QList>
#include <QString>
#include <QUrl>
#include <functional>

namespace platform {

struct RunningApplication {
  qint64 processIdentifier = 0;
  QString bundleIdentifier;
  QString bundlePath;  // host path of the .app
};

class Workspace {
 public:
  static Workspace& shared();

  bool openURL(const QUrl& url);
  bool openFile(const QString& macPath);
  // Shows the item at the Mac path selected in the file viewer (NSWorkspace
  // selectFile:inFileViewerRootedAtPath:). A world records it as "reveal";
  // outside one the desktop's file manager shows it, else its folder is opened.
  bool selectFile(const QString& macPath);
  // Opens an application bundle (host path): brings a running instance of that
  // bundle to the front, else runs its executable detached. YES when it worked.
  bool launchApplication(const QString& bundlePath);

  // Registers this process as running `bundle` (identifier and path), so
  // runningApplications finds it and launchApplication can bring it to the front.
  // `activate` is called on the main thread when another process asks.
  void registerCurrentApplication(const QString& bundleIdentifier, const QString& bundlePath,
                                  std::function<void()> activate);
  QList<RunningApplication> runningApplicationsWithBundleIdentifier(const QString& identifier) const;
  static qint64 currentProcessIdentifier();
};

// Held while a start looks for a running instance and registers itself, so two
// starts close together cannot both find none and both stay.
class ApplicationRegistryLock {
 public:
  ApplicationRegistryLock();
  ~ApplicationRegistryLock();
  ApplicationRegistryLock(const ApplicationRegistryLock&) = delete;
  ApplicationRegistryLock& operator=(const ApplicationRegistryLock&) = delete;

 private:
  int fd_ = -1;
};

}  // namespace platform
