#pragma once
#include <QString>
#include <QVariantMap>

// The text of `key` in the current language; the empty text for no key, the
// key itself when the table lacks it.
QString getLocalizedString(const QString& key);

// The run-time language switch of the main bundle.
class MainBundle {
 public:
  // Switches text lookup to <code>.lproj for the rest of the run; a null code is
  // ignored, a code without a folder falls back to the ordinary lookup. A code
  // that is not made of letters, digits and hyphens is taken as "en", since it
  // becomes a folder name.
  static void MainSetLanguage(const QString& code);
  static QString localizedStringForKey(const QString& key, const QString& value, const QString& table);
  static bool isValidLanguageCode(const QString& code);
};

// The "mainlanguage" table (language name -> code) of the bundle's settings file.
QVariantMap mainLanguageTable();
// The table's name for `code`, the first in name order; "" when no name has it.
QString languageNameForCode(const QVariantMap& table, const QString& code);
// Puts `code` in force for this run and the next: the one-element user default
// "AppleLanguages", synchronized, and the bundle's text lookup.
void applyLanguageCode(const QString& code);
