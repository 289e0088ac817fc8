#include "services/KVPublicUtilities.h"

#include "services/Appearance.h"

#include "platform/SystemInfo.h"
#include "platform/SystemLog.h"
#include "platform/UserDefaults.h"
#include "services/Settings.h"
#include "services/WindowActivation.h"

#include <QAbstractButton>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPushButton>
#include <memory>
#include <QTimer>
#include <mutex>

namespace {

std::mutex g_probeMutex;
QUrl g_probeUrl("https://www.wikipedia.org/");

QString sizeText(double bytes, bool terabytes) {
  // Divide in double precision, show the quotient narrowed to single precision.
  auto shown = [](double q) { return double(float(q)); };
  if (bytes <= 999) return QString::asprintf("%.0f byte", shown(bytes));
  if (bytes < 1e6) return QString::asprintf("%0.2f KB", shown(bytes / 1e3));
  if (bytes < 1e9) return QString::asprintf("%0.2f MB", shown(bytes / 1e6));
  if (!terabytes || bytes < 1e12) return QString::asprintf("%0.2f GB", shown(bytes / 1e9));
  return QString::asprintf("%0.2f TB", shown(bytes / 1e12));
}

// Qt would click the alternate (reject-role) button on Escape or on the close
// box; an alternate can be the destructive choice, so both end the alert with
// no button clicked instead.
class Alert : public QMessageBox {
 protected:
  void keyPressEvent(QKeyEvent* event) override {
    if (event->matches(QKeySequence::Cancel)) {
      reject();
      return;
    }
    QMessageBox::keyPressEvent(event);
  }
  void closeEvent(QCloseEvent* event) override { QDialog::closeEvent(event); }
};

}  // namespace

QString KVPublicUtilities::longlongConvertVolSpace(qint64 bytes) { return sizeText(double(bytes), true); }
QString KVPublicUtilities::longlongDiskSize(qint64 bytes) { return sizeText(double(bytes), true); }
QString KVPublicUtilities::convertVolSpace(quint64 bytes) { return sizeText(double(bytes), false); }

void KVPublicUtilities::getSystemVersionMajor(int* major, int* minor, int* bugFix) {
  int a = 10, b = 0, c = 0;
  if (!platform::systemVersion(&a, &b, &c)) {
    SystemLog("Unable to obtain system version: %ld", -1L);
    a = 10, b = 0, c = 0;
  }
  if (major) *major = a;
  if (minor) *minor = b;
  if (bugFix) *bugFix = c;
}

int KVPublicUtilities::getSystemVersion() {
  int major = 10, minor = 0;
  getSystemVersionMajor(&major, &minor, nullptr);
  const QString text = QString::asprintf("%u", unsigned(major)) +
                       QString::asprintf(minor < 10 ? "0%u" : "%u", unsigned(minor));
  return text.toInt();
}

void KVPublicUtilities::setNetworkProbeURL(const QUrl& url) {
  std::lock_guard lock(g_probeMutex);
  g_probeUrl = url;
}

bool KVPublicUtilities::isCanBeUseNetWork() {
  QUrl url;
  {
    std::lock_guard lock(g_probeMutex);
    url = g_probeUrl;
  }
  QNetworkAccessManager manager;
  QNetworkRequest request(url);
  request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
  request.setTransferTimeout(5000);
  QNetworkReply* reply = manager.get(request);
  QEventLoop loop;
  QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
  QTimer::singleShot(5000, &loop, &QEventLoop::quit);
  loop.exec();
  // Any answer counts, an HTTP error page too: the network carried it. A
  // server that accepts and stays silent leaves the reply unfinished.
  const bool answered =
      reply->isFinished() && (reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid() ||
                              !reply->readAll().isEmpty());
  reply->abort();
  reply->deleteLater();
  return answered;
}

QMessageBox* KVPublicUtilities::getAlertWithTitle(const QString& title, const QString& message,
                                                  const QString& defaultButton,
                                                  const QString& alternateButton) {
  auto* alert = new Alert;
  appearance::forceLightAppearance(alert);
  alert->setTextFormat(Qt::PlainText);
  alert->setText(title);
  alert->setInformativeText(message);
  // The informative label has its own format: a tool's output shows literally.
  if (auto* info = alert->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel")))
    info->setTextFormat(Qt::PlainText);
  QPushButton* def = alert->addButton(defaultButton, QMessageBox::AcceptRole);
  alert->setDefaultButton(def);
  def->setFocusPolicy(Qt::NoFocus);
  def->setProperty("qdcAlertAnswer", 1);
  // An alert that only informs has its one button.
  if (!alternateButton.isEmpty()) {
    QPushButton* alt = alert->addButton(alternateButton, QMessageBox::RejectRole);
    alt->setFocusPolicy(Qt::NoFocus);
    alt->setProperty("qdcAlertAnswer", 0);
  }
  return alert;
}

namespace {
QList<int>& nextAnswers() {
  static QList<int> answers;
  return answers;
}
QStringList& answered() {
  static QStringList list;
  return list;
}
}  // namespace

void KVPublicUtilities::setNextAnswer(int answer) { nextAnswers().append(answer); }
QStringList KVPublicUtilities::answeredAlerts() { return answered(); }
void KVPublicUtilities::clearAnsweredAlerts() {
  answered().clear();
  nextAnswers().clear();
}

int KVPublicUtilities::askAlert(const QString& title, const QString& message, const QString& defaultButton,
                                const QString& alternateButton) {
  const std::unique_ptr<QMessageBox> alert(getAlertWithTitle(title, message, defaultButton, alternateButton));
  return runAlert(alert.get());
}

int KVPublicUtilities::runAlert(QMessageBox* alert) {
  if (!alert) return 0;
  if (!nextAnswers().isEmpty()) {
    answered().append(alert->text() + "\n" + alert->informativeText());
    return nextAnswers().takeFirst();
  }
  {
    ReturnActivation activation;
    alert->exec();
  }
  QAbstractButton* clicked = alert->clickedButton();
  return clicked ? clicked->property("qdcAlertAnswer").toInt() : kAlertDismissed;
}

QString KVPublicUtilities::getLangauage() { return bundleSettings().value("CurLanguage").toString(); }

void KVPublicUtilities::setLangauage(const QString& name) { writeBundleSettingsValue("CurLanguage", name); }

QString KVPublicUtilities::getLangSort() {
  const QVariant langs = platform::UserDefaults::standard().objectForKey("AppleLanguages");
  const QStringList list = langs.toStringList();
  return list.isEmpty() ? QString() : list.first();
}

QString KVPublicUtilities::getlinkLang() {
  const QString code = getLangSort();
  if (code == "zh-Hant") return "ft";
  if (code == "pt-BR") return "pt";
  if (code == "ja") return "jp";
  if (code == "de" || code == "es" || code == "fr" || code == "tr") return code;
  return QString();
}

QString KVPublicUtilities::setLangWithLink(const QString& pattern) {
  const QString segment = getlinkLang();
  QString out = pattern;
  const int at = out.indexOf("%@");
  // Replaced literally: an address is never a format ("%" in it stays).
  if (at >= 0) out.replace(at, 2, segment.isEmpty() ? QString() : segment + "/");
  return out;
}

void KVPublicUtilities::writeFont(const QString& key, const QFont& font) {
  auto settings = readUserSettings();
  if (!settings) return;
  settings->insert(key, font.family());
  writeUserSettings(*settings);
}

QString KVPublicUtilities::readFont(const QString& key) {
  return readUserSettings().value_or(QVariantMap()).value(key).toString();
}

void KVPublicUtilities::writRegularFont(const QFont& f) { writeFont("FontRegular", f); }
void KVPublicUtilities::writLightFont(const QFont& f) { writeFont("FontLight", f); }
void KVPublicUtilities::writMBoldFont(const QFont& f) { writeFont("FontMBold", f); }
void KVPublicUtilities::writSBoldFont(const QFont& f) { writeFont("FontSBold", f); }
void KVPublicUtilities::writBoldFont(const QFont& f) { writeFont("FontBold", f); }
QString KVPublicUtilities::getRegularFontName() { return readFont("FontRegular"); }
QString KVPublicUtilities::getLightFontName() { return readFont("FontLight"); }
QString KVPublicUtilities::getMBoldFontName() { return readFont("FontMBold"); }
QString KVPublicUtilities::getSBoldFontName() { return readFont("FontSBold"); }
QString KVPublicUtilities::getBoldFontName() { return readFont("FontBold"); }

void KVPublicUtilities::writeFileWithTab(const QString&) {}
