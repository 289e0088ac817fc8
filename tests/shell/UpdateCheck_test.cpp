#include "shell/UpdateCheck.h"

#include "platform/plist/PropertyList.h"
#include "shell/LoopbackHttpServer_support.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFontDatabase>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>
#include <atomic>
#include <thread>

using namespace update;

namespace {

TEST(UpdateCheck, VersionCheckValues) {
  struct Case { const char* what; QVariant value; qint64 expected; };
  const Case cases[] = {
      {"integer", QVariant(12), 12},
      {"64-bit", QVariant(qint64(5000000000)), 5000000000},
      {"text holding a number", QVariant(QString("7")), 7},
      {"text with spaces", QVariant(QString(" 8 ")), 8},
      {"text without a number", QVariant(QString("new")), 0},
      {"missing", QVariant(), 0},
      {"a dictionary", QVariant(QVariantMap{{"a", 1}}), 0},
  };
  for (const Case& c : cases) EXPECT_EQ(versionCheckValue(c.value), c.expected) << c.what;
}

TEST(UpdateCheck, ComparesRemoteWithLocal) {
  struct Case { const char* what; std::optional<QVariantMap> remote; bool update; };
  const Case cases[] = {
      {"equal is up to date", QVariantMap{{"VersionCheck", 10}}, false},
      {"one more is an update", QVariantMap{{"VersionCheck", 11}}, true},
      {"text one more", QVariantMap{{"VersionCheck", QString("11")}}, true},
      {"older remote", QVariantMap{{"VersionCheck", 9}}, false},
      {"no key counts as 0", QVariantMap{{"Version", "2.0"}}, false},
      {"no description counts as 0", std::nullopt, false},
  };
  for (const Case& c : cases) EXPECT_EQ(isUpdateAvailable(10, c.remote), c.update) << c.what;
}

TEST(UpdateCheck, ChoosesNotesOfTheInterfaceLanguageElseEnglish) {
  const QVariantMap en{{"1", "Faster copies"}};
  const QVariantMap ja{{"1", "高速化"}};
  const QVariantMap both{{"Localization", QVariantMap{{"en", en}, {"ja", ja}}}};
  const QVariantMap englishOnly{{"Localization", QVariantMap{{"en", en}}}};
  EXPECT_EQ(notesForLanguage(both, "ja"), ja);
  EXPECT_EQ(notesForLanguage(englishOnly, "de"), en);
  EXPECT_TRUE(notesForLanguage(QVariantMap{{"Localization", QVariantMap{{"fr", ja}}}}, "de").isEmpty());
  EXPECT_TRUE(notesForLanguage(QVariantMap{}, "en").isEmpty());
}

TEST(UpdateCheck, SortsKeysAsPlainText) {
  QVariantMap notes;
  for (int i = 1; i <= 12; ++i) notes.insert(QString::number(i), QString("note %1").arg(i));
  EXPECT_EQ(sortedNoteKeys(notes), (QStringList{"1", "10", "11", "12", "2", "3", "4", "5", "6",
                                                "7", "8", "9"}));
}

TEST(UpdateCheck, LaysRowsOutFromTheTop) {
  const QVariantMap three{{"1", "a"}, {"2", "b"}, {"3", "c"}};
  NotesLayout layout = layoutNotes(three, [](const QString&) { return 15.0; });
  EXPECT_EQ(layout.documentHeight, 121);
  ASSERT_EQ(layout.rows.size(), 3);
  EXPECT_EQ(layout.rows[0].frame, QRectF(10, 96, 400, 25));
  EXPECT_EQ(layout.rows[1].frame, QRectF(10, 71, 400, 25));
  EXPECT_EQ(layout.rows[2].frame, QRectF(10, 46, 400, 25));
  EXPECT_EQ(layout.rows[0].shown, "1. a");
  EXPECT_EQ(layout.rows[0].text, "a");

  // Wrapped notes grow their rows and the document beyond its minimum.
  const QVariantMap tall{{"1", "long"}, {"2", "short"}, {"3", "long"}};
  layout = layoutNotes(tall, [](const QString& t) { return t == "long" ? 60.0 : 12.0; });
  EXPECT_EQ(layout.documentHeight, 145);
  EXPECT_EQ(layout.rows[0].frame, QRectF(10, 85, 400, 60));
  EXPECT_EQ(layout.rows[1].frame, QRectF(10, 60, 400, 25));
  EXPECT_EQ(layout.rows[2].frame, QRectF(10, 0, 400, 60));

  EXPECT_EQ(layoutNotes({}, [](const QString&) { return 0.0; }).documentHeight, 121);
}

TEST(UpdateCheck, MeasuresWrappedText) {
  const QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  const double one = heightForStringDrawing("word", font, 400);
  const double many = heightForStringDrawing(QString("word ").repeated(200), font, 400);
  EXPECT_GT(one, 0);
  EXPECT_GT(many, one * 5);
}

std::optional<QVariantMap> readOnWorker(const QUrl& url) {
  // The check reads on its own thread while the main thread keeps serving.
  std::optional<QVariantMap> result;
  std::atomic<bool> done{false};
  std::thread worker([&] {
    result = dictionaryWithContentsOfURL(url, 5000);
    done = true;
  });
  QEventLoop loop;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] { if (done) loop.quit(); });
  poll.start(5);
  loop.exec();
  worker.join();
  return result;
}

TEST(UpdateCheck, ReadsTheDescriptionOverHttp) {
  LoopbackHttpServer server;
  const QVariantMap description{{"VersionCheck", 11}, {"Version", "2.1"}};
  server.serve("/update.plist", 200, plist::toXml(description));
  server.serve("/broken.plist", 200, "<html>not a property list</html>");
  server.serve("/missing.plist", 404, plist::toXml(description));

  EXPECT_EQ(readOnWorker(server.url("/update.plist")), description);
  EXPECT_EQ(server.requestCount("/update.plist"), 1);
  EXPECT_EQ(readOnWorker(server.url("/broken.plist")), std::nullopt);
  EXPECT_EQ(readOnWorker(server.url("/missing.plist")), std::nullopt);

  const QUrl closed = server.url("/update.plist");
  server.close();
  EXPECT_EQ(readOnWorker(closed), std::nullopt);
}

TEST(UpdateCheck, ReadsAFileUrl) {
  QTemporaryDir dir;
  const QVariantMap description{{"VersionCheck", 3}};
  ASSERT_TRUE(plist::writeFile(dir.filePath("d.plist"), description));
  EXPECT_EQ(dictionaryWithContentsOfURL(QUrl::fromLocalFile(dir.filePath("d.plist"))), description);
  EXPECT_EQ(dictionaryWithContentsOfURL(QUrl::fromLocalFile(dir.filePath("none.plist"))),
            std::nullopt);
}

}  // namespace
