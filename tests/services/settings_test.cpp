#include "TestWorld.h"
#include "platform/Bundle.h"
#include "platform/plist/PropertyList.h"
#include "services/Settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <sys/stat.h>

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
}
