#include "TestWorld.h"
#include "platform/Bundle.h"
#include "platform/plist/PropertyList.h"
#include "services/KVPublicUtilities.h"
#include "services/Settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kUserFile = "/Users/alex/Library/Application Support/QuorvanClone/PrivateData.plist";

unsigned modeOf(const QString& path) {
  struct stat st;
  if (::lstat(QFile::encodeName(path).constData(), &st) != 0) return 0;
  return st.st_mode & 07777;
}

void setBundleMarks(qint64 versionCheck, const QVariant& copyInfo) {
  QVariantMap settings = bundleSettings();
  settings["VersionCheck"] = versionCheck;
  if (copyInfo.isValid())
    settings["CopyInfoVersion"] = copyInfo;
  else
    settings.remove("CopyInfoVersion");
  ASSERT_TRUE(plist::writeFile(bundleSettingsPath(), settings));
}

void plantUserFile(const TestWorld& w, qint64 versionCheck, const QVariant& copyInfo) {
  QDir().mkpath(QFileInfo(w.host(kUserFile)).absolutePath());
  QVariantMap user{{"VersionCheck", versionCheck}, {"Marker", "user's own"}};
  if (copyInfo.isValid()) user["CopyInfoVersion"] = copyInfo;
  ASSERT_TRUE(plist::writeFile(w.host(kUserFile), user));
}

}  // namespace

TEST(Settings, PathsFollowTheConsoleUserAndCompany) {
  TestWorld w;
  w.copyBundle();
  EXPECT_EQ(QVGetCurrentUserName(), "alex");
  EXPECT_EQ(GetCompanyName(), "QuorvanClone");
  EXPECT_EQ(QVGetInfoPlistPath(), kUserFile);
  QVariantMap s = bundleSettings();
  s["CompanyName"] = "";
  plist::writeFile(bundleSettingsPath(), s);
  EXPECT_EQ(GetCompanyName(), "QuorvanClone");
  QFile::remove(bundleSettingsPath());
  EXPECT_EQ(GetCompanyName(), "QuorvanClone");
}

TEST(Settings, PerUserFileInstallRule) {
  struct Case {
    const char* what;
    bool present;
    qint64 userVersion;
    QVariant userCopyInfo;
    qint64 bundleVersion;
    QVariant bundleCopyInfo;
    bool replaced;
  };
  const Case cases[] = {
      {"missing: installed", false, 0, {}, 3, "b", true},
      {"same version: left", true, 3, "a", 3, "b", false},
      {"newer version: left", true, 4, "a", 3, "b", false},
      {"older, other copy mark: replaced", true, 2, "a", 3, "b", true},
      {"older, same copy mark: left", true, 2, "b", 3, "b", false},
      {"older, both marks absent: left", true, 2, {}, 3, {}, false},
      {"older, one mark absent: replaced", true, 2, {}, 3, "b", true},
  };
  for (const Case& c : cases) {
    TestWorld w;
    w.copyBundle();
    setBundleMarks(c.bundleVersion, c.bundleCopyInfo);
    if (c.present) plantUserFile(w, c.userVersion, c.userCopyInfo);
    QVCopyInfoPlistPath();
    auto user = plist::readDictionary(w.host(kUserFile));
    ASSERT_TRUE(user.has_value()) << c.what;
    EXPECT_EQ(user->contains("mainlanguage"), c.replaced) << c.what;
    EXPECT_EQ(user->value("Marker").toString() == "user's own", !c.replaced) << c.what;
    if (c.replaced) {
      EXPECT_EQ(modeOf(w.host(kUserFile)), 0777u) << c.what;
      EXPECT_EQ(modeOf(QFileInfo(w.host(kUserFile)).absolutePath()), 0777u) << c.what;
    }
  }
}

TEST(Settings, PlantedLinksAreNotFollowed) {
  // The file itself is a link to a file root owns.
  {
    TestWorld w;
    w.copyBundle();
    const QString victim = w.tempPath() + "/victim.plist";
    plist::writeFile(victim, QVariantMap{{"VersionCheck", 0}, {"secret", 1}});
    ::chmod(QFile::encodeName(victim).constData(), 0600);
    QDir().mkpath(QFileInfo(w.host(kUserFile)).absolutePath());
    ASSERT_TRUE(QFile::link(victim, w.host(kUserFile)));
    QVCopyInfoPlistPath();
    EXPECT_EQ(modeOf(victim), 0600u);
    EXPECT_TRUE(plist::readDictionary(victim)->contains("secret"));
    EXPECT_FALSE(QFileInfo(w.host(kUserFile)).isSymLink());
    EXPECT_TRUE(plist::readDictionary(w.host(kUserFile))->contains("mainlanguage"));
  }
  // The company folder is a link to a folder root owns.
  {
    TestWorld w;
    w.copyBundle();
    const QString victimDir = w.tempPath() + "/rootdir";
    QDir().mkpath(victimDir);
    ::chmod(QFile::encodeName(victimDir).constData(), 0700);
    QDir().mkpath(w.host("/Users/alex/Library/Application Support"));
    ASSERT_TRUE(QFile::link(victimDir, w.host("/Users/alex/Library/Application Support/QuorvanClone")));
    QVCopyInfoPlistPath();
    EXPECT_EQ(modeOf(victimDir), 0700u);
    EXPECT_TRUE(QDir(victimDir).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden).isEmpty());
  }
  // The file is a hard link to a file root owns and the copy fails (no bundle
  // file): the mode of root's file stays.
  {
    TestWorld w;
    w.copyBundle();
    const QString victim = w.tempPath() + "/victim.plist";
    plist::writeFile(victim, QVariantMap{{"VersionCheck", -1}, {"CopyInfoVersion", "old"}});
    ::chmod(QFile::encodeName(victim).constData(), 0600);
    QDir().mkpath(QFileInfo(w.host(kUserFile)).absolutePath());
    ASSERT_EQ(::link(QFile::encodeName(victim).constData(), QFile::encodeName(w.host(kUserFile)).constData()), 0);
    ASSERT_TRUE(QFile::remove(bundleSettingsPath()));
    QVCopyInfoPlistPath();
    EXPECT_EQ(modeOf(victim), 0600u);
  }
}

TEST(Settings, FontNamesLiveInThePerUserFileAndNeverGoThroughALink) {
  TestWorld w;
  w.copyBundle();
  using Writer = void (*)(const QFont&);
  using Reader = QString (*)();
  struct Case {
    const char* key;
    Writer write;
    Reader read;
  };
  const Case cases[] = {
      {"FontRegular", KVPublicUtilities::writRegularFont, KVPublicUtilities::getRegularFontName},
      {"FontLight", KVPublicUtilities::writLightFont, KVPublicUtilities::getLightFontName},
      {"FontMBold", KVPublicUtilities::writMBoldFont, KVPublicUtilities::getMBoldFontName},
      {"FontSBold", KVPublicUtilities::writSBoldFont, KVPublicUtilities::getSBoldFontName},
      {"FontBold", KVPublicUtilities::writBoldFont, KVPublicUtilities::getBoldFontName},
  };
  // Before the install there is no file, and a writer does not make one.
  KVPublicUtilities::writRegularFont(QFont("Sans"));
  EXPECT_FALSE(QFileInfo::exists(w.host(kUserFile)));
  EXPECT_EQ(KVPublicUtilities::getRegularFontName(), "");

  QVCopyInfoPlistPath();
  for (const Case& c : cases) {
    const QString family = QString("Family of %1").arg(c.key);
    c.write(QFont(family));
    EXPECT_EQ(c.read(), family) << c.key;
    EXPECT_EQ(plist::readDictionary(w.host(kUserFile))->value(c.key).toString(), family) << c.key;
  }
  EXPECT_EQ(modeOf(w.host(kUserFile)), 0777u);  // still writable by the user's own process

  // The company folder replaced by a link to a folder root owns: nothing there
  // is read or written.
  const QString folder = QFileInfo(w.host(kUserFile)).absolutePath();
  const QString victimDir = w.tempPath() + "/rootdir";
  QDir().mkpath(victimDir);
  const QVariantMap victim{{"FontRegular", "root's"}};
  ASSERT_TRUE(plist::writeFile(victimDir + "/PrivateData.plist", victim));
  ASSERT_TRUE(QDir(folder).removeRecursively());
  ASSERT_TRUE(QFile::link(victimDir, folder));
  EXPECT_EQ(KVPublicUtilities::getRegularFontName(), "");
  KVPublicUtilities::writRegularFont(QFont("Sans"));
  EXPECT_EQ(plist::readDictionary(victimDir + "/PrivateData.plist"), victim);
  EXPECT_EQ(QDir(victimDir).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
            QStringList{"PrivateData.plist"});
}
