// Every text key the code looks up has a translated entry in all eight string
// tables of the built bundle, and every image the code names exists in it.
#include "platform/plist/PropertyList.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <gtest/gtest.h>

namespace {

const QStringList kLanguages = {"en", "ja", "de", "fr", "es", "pt-BR", "zh-Hant", "tr"};
const QString kResources = QStringLiteral(QDC_BUILD_APP_BUNDLE) + "/Contents/Resources";

QSet<QString> literalsIn(const QRegularExpression& call) {
  QSet<QString> found;
  QDirIterator it(QStringLiteral(QDC_SOURCE_DIR) + "/src", {"*.cpp", "*.h"}, QDir::Files,
                  QDirIterator::Subdirectories);
  while (it.hasNext()) {
    QFile f(it.next());
    if (!f.open(QIODevice::ReadOnly)) continue;
    const QString text = QString::fromUtf8(f.readAll());
    for (auto m = call.globalMatch(text); m.hasNext();) found.insert(m.next().captured(1));
  }
  return found;
}

}  // namespace

TEST(BundleResources, EveryKeyInUseIsInEveryTable) {
  const QSet<QString> keys = literalsIn(QRegularExpression(R"re(getLocalizedString\(\s*(?:QStringLiteral\()?\s*"([^"]+)")re"));
  ASSERT_FALSE(keys.isEmpty());
  QMap<QString, QVariantMap> tables;
  for (const QString& code : kLanguages) {
    auto table = plist::readDictionary(kResources + "/" + code + ".lproj/Localizable.strings");
    ASSERT_TRUE(table.has_value()) << code.toStdString();
    tables.insert(code, *table);
  }
  for (const QString& key : keys) {
    for (const QString& code : kLanguages) {
      EXPECT_FALSE(tables[code].value(key).toString().isEmpty())
          << "\"" << key.toStdString() << "\" missing in " << code.toStdString();
    }
  }
}

TEST(BundleResources, TablesHoldTheSameKeysAndAreTranslated) {
  const QVariantMap en = plist::readDictionary(kResources + "/en.lproj/Localizable.strings").value_or(QVariantMap());
  ASSERT_FALSE(en.isEmpty());
  static const QRegularExpression words("[A-Za-z]{3,}.*\\s+.*[A-Za-z]{3,}");
  QMap<QString, QVariantMap> tables;
  for (const QString& code : kLanguages) {
    const QVariantMap table = plist::readDictionary(kResources + "/" + code + ".lproj/Localizable.strings").value_or(QVariantMap());
    tables.insert(code, table);
    EXPECT_EQ(QSet<QString>(table.keyBegin(), table.keyEnd()), QSet<QString>(en.keyBegin(), en.keyEnd()))
        << code.toStdString();
  }
  // A sentence that reads the same in all eight languages was not translated.
  for (auto it = en.cbegin(); it != en.cend(); ++it) {
    const QString english = it.value().toString();
    if (!words.match(english).hasMatch() || english.contains("Quorvan")) continue;
    bool differs = false;
    for (const QString& code : kLanguages.mid(1))
      if (tables[code].value(it.key()).toString() != english) differs = true;
    EXPECT_TRUE(differs) << "\"" << it.key().toStdString() << "\" is English in every table";
  }
}

TEST(BundleResources, EveryNamedImageExists) {
  const QSet<QString> names = literalsIn(QRegularExpression(R"re([Ii]mageNamed\(\s*(?:QStringLiteral\()?\s*"([^"]+)")re"));
  for (const QString& name : names) {
    EXPECT_TRUE(QFile::exists(kResources + "/" + name + ".svg") || QFile::exists(kResources + "/" + name + ".png"))
        << name.toStdString();
  }
}
