#include "services/Localization.h"

#include "platform/Bundle.h"
#include "platform/UserDefaults.h"
#include "services/Settings.h"

#include <QFileInfo>
#include <QRegularExpression>

bool MainBundle::isValidLanguageCode(const QString& code) {
  static const QRegularExpression valid("^[A-Za-z0-9-]+$");
  return valid.match(code).hasMatch();
}

void MainBundle::MainSetLanguage(const QString& code) {
  if (code.isNull()) return;
  const QString safe = isValidLanguageCode(code) ? code : QStringLiteral("en");
  platform::Bundle& bundle = platform::Bundle::mainBundle();
  const QString folder = bundle.resourcePath() + "/" + safe + ".lproj";
  bundle.setLocalizationFolder(QFileInfo(folder).isDir() ? folder : QString());
}

QString MainBundle::localizedStringForKey(const QString& key, const QString& value, const QString& table) {
  return platform::Bundle::mainBundle().localizedStringForKey(key, value, table);
}

QString getLocalizedString(const QString& key) {
  if (key.isEmpty()) return QString("");
  return MainBundle::localizedStringForKey(key, QString(), QString());
}

QVariantMap mainLanguageTable() { return bundleSettings().value(QStringLiteral("mainlanguage")).toMap(); }

QString languageNameForCode(const QVariantMap& table, const QString& code) {
  for (auto it = table.cbegin(); it != table.cend(); ++it)
    if (it.value().toString() == code) return it.key();
  return QString();
}

void applyLanguageCode(const QString& code) {
  platform::UserDefaults& defaults = platform::UserDefaults::standard();
  defaults.setObject(QStringLiteral("AppleLanguages"), QStringList{code});
  defaults.synchronize();
  MainBundle::MainSetLanguage(code);
}
