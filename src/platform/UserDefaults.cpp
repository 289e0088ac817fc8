#include "platform/UserDefaults.h"

#include "platform/Paths.h"
#include "platform/SystemInfo.h"
#include "platform/plist/PropertyList.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <mutex>

namespace platform {
namespace {

const char* kGlobalDomain = ".GlobalPreferences";

std::mutex g_mutex;
QString g_domain = "com.quorvan.clone";
bool g_loaded = false;
bool g_changed = false;  // values set since the file was last read or written
QVariantMap g_values;

void loadLocked() {
  if (g_loaded) return;
  g_values = plist::readDictionary(preferencesFileForUser(processUserName(), g_domain))
                 .value_or(QVariantMap());
  g_loaded = true;
}

}  // namespace

QString preferencesFileForUser(const QString& user, const QString& domain) {
  if (inWorld())
    return hostPath(homeFolderForUser(user) + "/Library/Preferences/" + domain + ".plist");
  return homeFolderForUser(user) + "/.config/quorvan-defaults/" + domain + ".plist";
}

UserDefaults& UserDefaults::standard() {
  static UserDefaults* defaults = new UserDefaults;
  return *defaults;
}

void UserDefaults::setApplicationDomain(const QString& domain) {
  std::lock_guard lock(g_mutex);
  g_domain = domain;
  g_loaded = false;
  g_changed = false;
}

QVariant UserDefaults::valueForUser(const QString& user, const QString& key, const QString& domain) {
  if (!domain.isEmpty()) {
    auto app = plist::readDictionary(preferencesFileForUser(user, domain));
    if (app && app->contains(key)) return app->value(key);
  }
  auto global = plist::readDictionary(preferencesFileForUser(user, kGlobalDomain));
  return global ? global->value(key) : QVariant();
}

QVariant UserDefaults::objectForKey(const QString& key) const {
  {
    std::lock_guard lock(g_mutex);
    loadLocked();
    if (g_values.contains(key)) return g_values.value(key);
  }
  return valueForUser(processUserName(), key);
}

void UserDefaults::setObject(const QString& key, const QVariant& value) {
  std::lock_guard lock(g_mutex);
  loadLocked();
  auto it = g_values.constFind(key);
  if (it != g_values.constEnd() && *it == value) return;
  g_values.insert(key, value);
  g_changed = true;
}

void UserDefaults::removeObject(const QString& key) {
  std::lock_guard lock(g_mutex);
  loadLocked();
  if (g_values.remove(key) > 0) g_changed = true;
}

// Writes only what changed: the program's start sets the language every time,
// and rewriting an unchanged file costs a flush to the disk.
bool UserDefaults::synchronize() {
  std::lock_guard lock(g_mutex);
  loadLocked();
  if (!g_changed) return true;
  const QString path = preferencesFileForUser(processUserName(), g_domain);
  QDir().mkpath(QFileInfo(path).absolutePath());
  if (!plist::writeFile(path, g_values)) return false;
  g_changed = false;
  return true;
}

QString UserDefaults::filePath() const {
  std::lock_guard lock(g_mutex);
  return preferencesFileForUser(processUserName(), g_domain);
}

void UserDefaults::resetForTesting() {
  std::lock_guard lock(g_mutex);
  g_loaded = false;
  g_changed = false;
  g_values.clear();
}

QStringList systemPreferredLanguages() {
  if (inWorld()) {
    auto global = plist::readDictionary(hostPath("/Library/Preferences/.GlobalPreferences.plist"));
    return global ? global->value("AppleLanguages").toStringList() : QStringList();
  }
  return QLocale::system().uiLanguages();
}

}  // namespace platform
