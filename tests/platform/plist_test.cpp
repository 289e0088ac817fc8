#include "platform/plist/PropertyList.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimeZone>
#include <gtest/gtest.h>

#include <sys/stat.h>

TEST(PropertyList, RoundTripsEveryType) {
  const QVariantMap value{
      {"text", QString::fromUtf8("Ünïcödé \"quoted\" <tag> & 'x'")},
      {"int", qint64(-5)},
      {"big", qint64(4000000000000)},
      {"real", 2.5},
      {"yes", true},
      {"no", false},
      {"data", QByteArray("\x00\x01\xff", 3)},
      {"date", QDateTime(QDate(2026, 12, 10), QTime(9, 30, 15), QTimeZone::utc())},
      {"list", QVariantList{1, "two", QVariantList{}}},
      {"dict", QVariantMap{{"nested", QVariantMap{}}}},
  };
  auto back = plist::dictionaryFromData(plist::toXml(value));
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(back->value("text").toString(), value.value("text").toString());
  EXPECT_EQ(back->value("int").toLongLong(), -5);
  EXPECT_EQ(back->value("big").toLongLong(), 4000000000000);
  EXPECT_DOUBLE_EQ(back->value("real").toDouble(), 2.5);
  EXPECT_TRUE(back->value("yes").toBool());
  EXPECT_EQ(back->value("no").typeId(), QMetaType::Bool);
  EXPECT_FALSE(back->value("no").toBool());
  EXPECT_EQ(back->value("data").toByteArray(), QByteArray("\x00\x01\xff", 3));
  EXPECT_EQ(back->value("date").toDateTime(), value.value("date").toDateTime());
  EXPECT_EQ(back->value("list").toList().size(), 3);
  EXPECT_EQ(back->value("list").toList().at(1).toString(), "two");
  EXPECT_TRUE(back->value("dict").toMap().contains("nested"));
}

TEST(PropertyList, WhatIsNotADictionaryGivesNothing) {
  const QByteArray cases[] = {
      QByteArray(),
      QByteArray("Could not find disk: disk9\n"),
      QByteArray("<?xml version=\"1.0\"?><plist version=\"1.0\"><array><string>a</string></array></plist>"),
      QByteArray("<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>a</key>"),  // cut short
      QByteArray("   \n\t"),
  };
  for (const QByteArray& data : cases)
    EXPECT_FALSE(plist::dictionaryFromData(data).has_value()) << data.constData();
}

TEST(PropertyList, AtomicWriteReplacesALinkInsteadOfFollowingIt) {
  QTemporaryDir dir;
  const QString victim = dir.filePath("victim.txt");
  {
    QFile f(victim);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("keep me");
  }
  const QString target = dir.filePath("settings.plist");
  ASSERT_TRUE(QFile::link(victim, target));
  ASSERT_TRUE(plist::writeFile(target, QVariantMap{{"a", 1}}));
  QFile f(victim);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), QByteArray("keep me"));
  EXPECT_FALSE(QFileInfo(target).isSymLink());
  EXPECT_EQ(plist::readDictionary(target)->value("a").toInt(), 1);
  // No temporary file is left behind.
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

TEST(PropertyList, RewriteKeepsTheFileMode) {
  QTemporaryDir dir;
  const QString path = dir.filePath("p.plist");
  ASSERT_TRUE(plist::writeFile(path, QVariantMap{{"a", 1}}));
  ::chmod(QFile::encodeName(path).constData(), 0777);
  ASSERT_TRUE(plist::writeFile(path, QVariantMap{{"a", 2}}));
  struct stat st;
  ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0777u);
}
