#include "platform/Bundle.h"

#include "platform/SystemLog.h"
#include "platform/UserDefaults.h"
#include "platform/plist/PropertyList.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QSet>
#include <QSvgRenderer>
#include <QThread>

namespace platform {
namespace {

std::mutex g_mainMutex;
std::unique_ptr<Bundle> g_main;

QString defaultMainBundlePath() {
  // <X>.app/Contents/MacOS/<exe>: the bundle is two folders above the executable.
  // Before the application object exists (start-up hands over to the launcher
  // without one) the executable's own path still tells where we are.
  const QString exeDir = QCoreApplication::instance()
                             ? QCoreApplication::applicationDirPath()
                             : QFileInfo(QFileInfo("/proc/self/exe").canonicalFilePath()).absolutePath();
  QDir dir(exeDir);
  if (dir.dirName() == "MacOS" && dir.cdUp() && dir.dirName() == "Contents" && dir.cdUp())
    return dir.absolutePath();
#ifdef QDC_BUILD_APP_BUNDLE
  // Test and helper programs of the build use the built application bundle.
  return QStringLiteral(QDC_BUILD_APP_BUNDLE);
#else
  return exeDir;
#endif
}

}  // namespace

Bundle::Bundle(const QString& bundlePath) : path_(QDir(bundlePath).absolutePath()) {}

Bundle& Bundle::mainBundle() {
  std::lock_guard lock(g_mainMutex);
  if (!g_main) g_main = std::make_unique<Bundle>(defaultMainBundlePath());
  return *g_main;
}

void Bundle::setMainBundlePath(const QString& bundlePath) {
  std::lock_guard lock(g_mainMutex);
  g_main = std::make_unique<Bundle>(bundlePath);
}

QVariantMap Bundle::infoDictionary() const {
  return plist::readDictionary(path_ + "/Contents/Info.plist").value_or(QVariantMap());
}

QString Bundle::executablePath() const {
  QString exe = infoDictionary().value("CFBundleExecutable").toString();
  if (exe.isEmpty()) exe = QFileInfo(path_).completeBaseName();
  return path_ + "/Contents/MacOS/" + exe;
}

QString Bundle::resourcePath() const { return path_ + "/Contents/Resources"; }

QString Bundle::bundleIdentifier() const {
  return infoDictionary().value("CFBundleIdentifier").toString();
}

QString Bundle::pathForResource(const QString& name, const QString& type) const {
  if (name.isEmpty()) return QString();
  const QString path = resourcePath() + "/" + name + (type.isEmpty() ? "" : "." + type);
  return QFileInfo::exists(path) ? path : QString();
}

QVariantMap Bundle::tableFor(const QString& folder, const QString& table) const {
  const QString file = folder + "/" + (table.isEmpty() ? QStringLiteral("Localizable") : table) + ".strings";
  auto it = tables_.find(file);
  if (it != tables_.end()) return *it;
  QVariantMap map = plist::readDictionary(file).value_or(QVariantMap());
  tables_.insert(file, map);
  return map;
}

QString Bundle::localizedStringForKey(const QString& key, const QString& value,
                                      const QString& table) const {
  std::lock_guard lock(mutex_);
  QString folder = lproj_;
  if (folder.isEmpty()) {
    // The ordinary lookup: the first preferred language the bundle has, else "en".
    const QStringList langs = UserDefaults::standard().objectForKey("AppleLanguages").toStringList();
    folder = resourcePath() + "/en.lproj";
    for (const QString& l : langs) {
      if (QFileInfo(resourcePath() + "/" + l + ".lproj").isDir()) {
        folder = resourcePath() + "/" + l + ".lproj";
        break;
      }
    }
  }
  const QVariantMap map = tableFor(folder, table);
  auto it = map.constFind(key);
  if (it != map.constEnd()) return it->toString();
  // Every key in use belongs in every table: say so once per key.
  static QSet<QString> reported;
  if (!reported.contains(folder + key)) {
    reported.insert(folder + key);
    SystemLog("text key \"%s\" is missing in %s", qPrintable(key), qPrintable(folder));
  }
  return value.isEmpty() ? key : value;
}

void Bundle::setLocalizationFolder(const QString& lprojHostPath) {
  std::lock_guard lock(mutex_);
  lproj_ = lprojHostPath;
}

QString Bundle::localizationFolder() const {
  std::lock_guard lock(mutex_);
  return lproj_;
}

// The bundle's images do not change while we run: each name is looked up once.
QString Bundle::imagePath(const QString& name) const {
  if (name.isEmpty()) return QString();
  {
    std::lock_guard lock(mutex_);
    auto it = imagePaths_.constFind(name);
    if (it != imagePaths_.constEnd()) return *it;
  }
  QString found;
  for (const char* ext : {"svg", "png"}) {
    const QString p = resourcePath() + "/" + name + "." + ext;
    if (QFileInfo::exists(p)) {
      found = p;
      break;
    }
  }
  std::lock_guard lock(mutex_);
  imagePaths_.insert(name, found);
  return found;
}

QPixmap Bundle::imageNamed(const QString& name, const QSize& size) const {
  const QString path = imagePath(name);
  if (path.isEmpty()) return QPixmap();
  // Screens ask for the same picture at the same size again and again (every
  // row of a table); each is drawn once. Pixmaps belong to the GUI thread.
  const bool guiThread = QCoreApplication::instance() && QThread::currentThread() == qApp->thread();
  const QString key = path + QLatin1Char('@') + QString::number(size.width()) + 'x' + QString::number(size.height());
  if (guiThread) {
    auto it = pixmaps_.constFind(key);
    if (it != pixmaps_.constEnd()) return *it;
  }
  QPixmap pixmap;
  if (path.endsWith(".svg")) {
    QSvgRenderer renderer(path);
    if (!renderer.isValid()) return QPixmap();
    const QSize target = size.isValid() ? size : renderer.defaultSize();
    pixmap = QPixmap(target);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderer.render(&painter);
  } else {
    pixmap = QPixmap(path);
    if (size.isValid()) pixmap = pixmap.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  }
  if (guiThread && !pixmap.isNull()) pixmaps_.insert(key, pixmap);
  return pixmap;
}

}  // namespace platform
