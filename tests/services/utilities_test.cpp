#include "DarkDesktop.h"
#include "TestWorld.h"
#include "platform/Bundle.h"
#include "platform/UserDefaults.h"
#include "platform/plist/PropertyList.h"
#include "services/Color.h"
#include "services/KVLinkUrl.h"
#include "services/KVPublicUtilities.h"
#include "services/Localization.h"
#include "services/Settings.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <QAbstractButton>
#include <gtest/gtest.h>

TEST(SizeTexts, DecimalUnitsAtTheirBoundaries) {
  struct Case {
    qint64 bytes;
    const char* text;
  };
  const Case cases[] = {
      {0, "0 byte"},          {999, "999 byte"},         {-5, "-5 byte"},
      {1000, "1.00 KB"},      {999999, "1000.00 KB"},    {1000000, "1.00 MB"},
      {1500000, "1.50 MB"},   {999999999, "1000.00 MB"}, {1000000000, "1.00 GB"},
      {999999999999, "1000.00 GB"}, {1000000000000, "1.00 TB"}, {2500000000000, "2.50 TB"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(KVPublicUtilities::longlongConvertVolSpace(c.bytes), c.text) << c.bytes;
    EXPECT_EQ(KVPublicUtilities::longlongDiskSize(c.bytes), c.text) << c.bytes;
  }
  EXPECT_EQ(KVPublicUtilities::convertVolSpace(2000000000000ULL), "2000.00 GB");
  EXPECT_EQ(KVPublicUtilities::convertVolSpace(999ULL), "999 byte");
}

TEST(SystemVersionNumber, MajorTimesHundredPlusMinor) {
  struct Case {
    const char* version;
    int number;
  };
  for (const Case c : {Case{"10.9", 1009}, Case{"10.14.6", 1014}, Case{"10.15", 1015}, Case{"11.2", 1102},
                       Case{"12.6", 1206}, Case{"13.0", 1300}, Case{"14.1", 1401}, Case{"26.0", 2600}}) {
    world::CreateOptions options;
    options.productVersion = c.version;
    TestWorld w(options);
    EXPECT_EQ(KVPublicUtilities::getSystemVersion(), c.number) << c.version;
  }
  TestWorld w;
  QFile::remove(w.host("/System/Library/CoreServices/SystemVersion.plist"));
  EXPECT_EQ(KVPublicUtilities::getSystemVersion(), 1000);
}

TEST(Links, SegmentPerLanguageAndLiteralFill) {
  TestWorld w;
  auto& d = platform::UserDefaults::standard();
  struct Case {
    const char* code;
    const char* segment;
  };
  for (const Case c : {Case{"zh-Hant", "ft"}, Case{"pt-BR", "pt"}, Case{"ja", "jp"}, Case{"de", "de"},
                       Case{"es", "es"}, Case{"fr", "fr"}, Case{"tr", "tr"}, Case{"en", ""},
                       Case{"zh-Hans", ""}}) {
    d.setObject("AppleLanguages", QStringList{c.code});
    EXPECT_EQ(KVPublicUtilities::getlinkLang(), c.segment) << c.code;
    const QString filled = KVPublicUtilities::setLangWithLink("https://x.example/%@help%20page?q=%d");
    const QString expected = QString("https://x.example/%1help%20page?q=%d")
                                 .arg(QString(c.segment).isEmpty() ? "" : QString(c.segment) + "/");
    EXPECT_EQ(filled, expected) << c.code;
  }
}

TEST(Links, GetUrlFallsBackToEnglish) {
  TestWorld w;
  w.copyBundle();
  QVariantMap s = bundleSettings();
  s["en"] = QVariantMap{{"Support", "https://en/support"}, {"OnlyEn", "https://en/only"}};
  s["de"] = QVariantMap{{"Support", "https://de/support"}, {"OnlyEn", ""}};
  s.remove("fr");
  ASSERT_TRUE(plist::writeFile(bundleSettingsPath(), s));
  auto& d = platform::UserDefaults::standard();
  d.setObject("AppleLanguages", QStringList{"de"});
  EXPECT_EQ(KVLinkUrl::GetUrl("Support"), "https://de/support");
  EXPECT_EQ(KVLinkUrl::GetUrl("OnlyEn"), "https://en/only");  // empty in the language table
  EXPECT_TRUE(KVLinkUrl::GetUrl("Nowhere").isNull());
  d.setObject("AppleLanguages", QStringList{"fr"});  // no table at all
  EXPECT_EQ(KVLinkUrl::GetUrl("Support"), "https://en/support");
}

TEST(Localization, LookupFollowsTheSwitch) {
  TestWorld w;
  const QString bundle = w.copyBundle();
  const QString res = bundle + "/Contents/Resources/";
  QDir().mkpath(res + "en.lproj");
  QDir().mkpath(res + "de.lproj");
  plist::writeFile(res + "en.lproj/Localizable.strings", QVariantMap{{"Hello", "Hello"}});
  plist::writeFile(res + "de.lproj/Localizable.strings", QVariantMap{{"Hello", "Hallo"}});
  platform::UserDefaults::standard().setObject("AppleLanguages", QStringList{"en"});
  EXPECT_EQ(getLocalizedString(""), "");
  EXPECT_EQ(getLocalizedString("Hello"), "Hello");
  MainBundle::MainSetLanguage("de");
  EXPECT_EQ(getLocalizedString("Hello"), "Hallo");
  EXPECT_EQ(getLocalizedString("Missing key"), "Missing key");
  MainBundle::MainSetLanguage(QString());  // ignored
  EXPECT_EQ(getLocalizedString("Hello"), "Hallo");
  MainBundle::MainSetLanguage("xx");  // no folder: the ordinary lookup
  EXPECT_EQ(getLocalizedString("Hello"), "Hello");
  MainBundle::MainSetLanguage("../../de");  // never a path
  EXPECT_EQ(platform::Bundle::mainBundle().localizationFolder(), res + "en.lproj");
}

TEST(Alert, MessageIsShownLiterallyAndButtonsAnswerOneAndZero) {
  QMessageBox* alert = KVPublicUtilities::getAlertWithTitle("Title", "100% %@ %d done", "OK", "Cancel");
  EXPECT_EQ(alert->text(), "Title");
  EXPECT_EQ(alert->informativeText(), "100% %@ %d done");
  ASSERT_EQ(alert->buttons().size(), 2);
  for (QAbstractButton* b : alert->buttons()) EXPECT_EQ(b->focusPolicy(), Qt::NoFocus);
  for (const auto& [title, answer] : {std::pair{"OK", 1}, std::pair{"Cancel", 0}}) {
    QAbstractButton* target = nullptr;
    for (QAbstractButton* b : alert->buttons())
      if (b->text() == title) target = b;
    ASSERT_NE(target, nullptr);
    QTimer::singleShot(0, target, &QAbstractButton::click);
    EXPECT_EQ(KVPublicUtilities::runAlert(alert), answer);
  }
  delete alert;
}

// A tool's output is shown as it came: markup in it is text, not formatting.
TEST(Alert, ToolOutputIsPlainText) {
  const QString outputs[] = {"<b>x</b>", "disk2 <i>busy</i> &amp; locked", "a<br>b"};
  for (const QString& output : outputs) {
    std::unique_ptr<QMessageBox> alert(KVPublicUtilities::getAlertWithTitle("<b>Title</b>", output, "OK", ""));
    QList<QLabel*> shown;
    for (QLabel* label : alert->findChildren<QLabel*>())
      if (label->text() == output || label->text() == "<b>Title</b>") shown << label;
    ASSERT_EQ(shown.size(), 2) << qPrintable(output);
    for (QLabel* label : shown) EXPECT_EQ(label->textFormat(), Qt::PlainText) << qPrintable(label->text());
  }
}

TEST(Alert, KeepsTheLightLookOnADarkDesktop) {
  DarkDesktop dark;
  std::unique_ptr<QMessageBox> alert(KVPublicUtilities::getAlertWithTitle("Title", "Text", "OK", "Cancel"));
  alert->show();
  EXPECT_EQ(notLight(alert->palette()), std::string());
  for (QWidget* child : alert->findChildren<QWidget*>())
    EXPECT_EQ(notLight(child->palette()), std::string()) << child->metaObject()->className();
}

TEST(Alert, EscapeAndTheCloseBoxAnswerNeitherButton) {
  struct Case { const char* name; std::function<void(QMessageBox*)> dismiss; } cases[] = {
      {"Escape", [](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); }},
      {"the close box", [](QMessageBox* box) { box->close(); }},
  };
  for (const Case& c : cases) {
    for (const char* second : {"Cancel", ""}) {
      std::unique_ptr<QMessageBox> alert(KVPublicUtilities::getAlertWithTitle("Title", "Text", "OK", second));
      QMessageBox* box = alert.get();
      QTimer::singleShot(0, box, [&c, box] { c.dismiss(box); });
      EXPECT_EQ(KVPublicUtilities::runAlert(box), KVPublicUtilities::kAlertDismissed) << c.name << " / " << second;
    }
  }
}

TEST(NetworkProbe, AnswersWhetherDataCameBack) {
  // What a loopback server answers each request with; empty: it accepts and
  // never answers.
  struct Case {
    const char* name;
    QByteArray answer;
    bool usable;
  };
  const Case cases[] = {
      {"a page", "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\nok", true},
      {"an error page", "HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\nConnection: close\r\n\r\nnot found", true},
      {"an error without a body", "HTTP/1.1 503 Unavailable\r\nContent-Length: 0\r\nConnection: close\r\n\r\n", true},
      {"a server that never answers", "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
    QObject::connect(&server, &QTcpServer::newConnection, [&] {
      QTcpSocket* s = server.nextPendingConnection();
      QObject::connect(s, &QTcpSocket::readyRead, s, [s, &c] {
        s->readAll();
        if (c.answer.isEmpty()) return;
        s->write(c.answer);
        s->disconnectFromHost();
      });
    });
    KVPublicUtilities::setNetworkProbeURL(QUrl(QString("http://127.0.0.1:%1/").arg(server.serverPort())));
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(KVPublicUtilities::isCanBeUseNetWork(), c.usable);
    EXPECT_LT(clock.elapsed(), 6500);  // five seconds and some slack
  }
  // Nobody listening.
  quint16 port = 0;
  {
    QTcpServer gone;
    ASSERT_TRUE(gone.listen(QHostAddress::LocalHost));
    port = gone.serverPort();
  }
  KVPublicUtilities::setNetworkProbeURL(QUrl(QString("http://127.0.0.1:%1/").arg(port)));
  EXPECT_FALSE(KVPublicUtilities::isCanBeUseNetWork());
}

TEST(Color, ComponentsOverTwoFiftyFive) {
  const QColor c = getColor(74, 158, 255, 0.5);
  EXPECT_NEAR(c.redF(), 74 / 255.0, 1e-4);
  EXPECT_NEAR(c.greenF(), 158 / 255.0, 1e-4);
  EXPECT_NEAR(c.blueF(), 1.0, 1e-4);
  EXPECT_NEAR(c.alphaF(), 0.5, 1e-4);
}
