#include "TestWorld.h"

#include "platform/Bundle.h"
#include "platform/Paths.h"
#include "platform/UserDefaults.h"
#include "services/Settings.h"
#include "services/Localization.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QThread>

void resetPlatformCaches() {
  platform::resetPathsForTesting();
  platform::UserDefaults::resetForTesting();
  resetSettingsForTesting();
  platform::Bundle::setMainBundlePath(QStringLiteral(QDC_BUILD_APP_BUNDLE));
}

TestWorld::TestWorld(const world::CreateOptions& options) {
  hadRoot_ = qEnvironmentVariableIsSet("QDC_ROOT");
  oldRoot_ = qgetenv("QDC_ROOT");
  ok_ = temp_.isValid() && world::createWorld(dir(), options, &error_);
  qputenv("QDC_ROOT", QFile::encodeName(root()));
  resetPlatformCaches();
}

TestWorld::~TestWorld() {
  if (hadRoot_)
    qputenv("QDC_ROOT", oldRoot_);
  else
    qunsetenv("QDC_ROOT");
  resetPlatformCaches();
}

world::CreateOptions TestWorld::demo() {
  world::CreateOptions options;
  options.demo = true;
  return options;
}

QString TestWorld::host(const QString& macPath) const { return root() + macPath; }

bool copyTree(const QString& from, const QString& to) {
  QDir().mkpath(to);
  QDirIterator it(from, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                  QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString path = it.next();
    const QString target = to + path.mid(from.size());
    const QFileInfo info = it.fileInfo();
    if (info.isSymLink()) {
      QFile::link(info.symLinkTarget(), target);
    } else if (info.isDir()) {
      QDir().mkpath(target);
    } else {
      QDir().mkpath(QFileInfo(target).absolutePath());
      if (!QFile::copy(path, target)) return false;
      QFile(target).setPermissions(QFile(path).permissions());
    }
  }
  return true;
}

QString TestWorld::copyBundle() {
  const QString target = temp_.path() + "/bundle/Quorvan Disk Clone.app";
  copyTree(QStringLiteral(QDC_BUILD_APP_BUNDLE), target);
  // A run of the program writes its choices into the built bundle's settings;
  // a test starts from the settings file as shipped.
  const QString settings = target + "/Contents/Resources/PrivateData.plist";
  QFile::remove(settings);
  QFile::copy(QStringLiteral(QDC_SOURCE_DIR) + "/resources/PrivateData.plist", settings);
  QFile(settings).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                                 QFileDevice::ReadOther);
  platform::Bundle::setMainBundlePath(target);
  return target;
}

bool waitUntil(const std::function<bool()>& condition, int timeoutMs) {
  QDeadlineTimer deadline(timeoutMs);
  while (!condition()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(2);
  }
  return true;
}
