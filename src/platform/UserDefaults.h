#pragma once
// NSUserDefaults: one property-list file per user and domain,
// <home>/Library/Preferences/<domain>.plist, looked up in the application's
// domain and then the global domain (".GlobalPreferences"). In a world <home> is
// the user's folder of the simulated Mac ("/Users/<name>", root's
// "/private/var/root"); outside one it is a folder of the host user's config.
#include <QString>
#include <QVariant>

namespace platform {

class UserDefaults {
 public:
  // The process's own defaults: its user (processUserName()), domain
  // "com.quorvan.clone" unless changed with setApplicationDomain.
  static UserDefaults& standard();
  static void setApplicationDomain(const QString& domain);

  // Defaults of another user (the launcher reads the console user's).
  static QVariant valueForUser(const QString& user, const QString& key,
                               const QString& domain = QString());

  QVariant objectForKey(const QString& key) const;
  void setObject(const QString& key, const QVariant& value);
  void removeObject(const QString& key);
  bool synchronize();  // writes the application domain's file atomically

  // Host path of the application domain's file (for tests and diagnostics).
  QString filePath() const;
  // For tests: drop loaded state after QDC_ROOT changed.
  static void resetForTesting();
};

// Host path of <home>/Library/Preferences/<domain>.plist for `user`.
QString preferencesFileForUser(const QString& user, const QString& domain);

// The system's preferred languages (the world's
// /Library/Preferences/.GlobalPreferences.plist "AppleLanguages", or the host's
// locale settings outside a world).
QStringList systemPreferredLanguages();

}  // namespace platform
