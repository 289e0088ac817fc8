#pragma once
#include <QFont>
#include <QString>
#include <QStringList>
#include <QUrl>

class QMessageBox;

class KVPublicUtilities {
 public:
  // Size texts in decimal units ("%.0f byte", "%0.2f KB" … "%0.2f TB").
  static QString longlongConvertVolSpace(qint64 bytes);
  static QString longlongDiskSize(qint64 bytes);
  static QString convertVolSpace(quint64 bytes);  // no terabyte step

  // Major * 100 + minor (10.14 -> 1014, 13.0 -> 1300); 1000 when unknown.
  static int getSystemVersion();
  static void getSystemVersionMajor(int* major, int* minor, int* bugFix);

  // Whether a public web site answers within 5 seconds (blocks the caller).
  static bool isCanBeUseNetWork();
  static void setNetworkProbeURL(const QUrl& url);  // tests point it at loopback

  // A two-button alert, not yet shown: title as the message, message as the
  // informative text (shown literally). runAlert answers 1 for the default
  // button, 0 for the alternate and kAlertDismissed when the alert was closed
  // or left with Escape, so a dismissal never stands for either button.
  static constexpr int kAlertDismissed = -1;
  static QMessageBox* getAlertWithTitle(const QString& title, const QString& message,
                                        const QString& defaultButton, const QString& alternateButton);
  static int runAlert(QMessageBox* alert);
  // Makes, runs and releases an alert; an empty `alternateButton` shows one button.
  static int askAlert(const QString& title, const QString& message, const QString& defaultButton,
                      const QString& alternateButton = QString());
  // Tests answer the coming alerts without showing them, in the order set; each
  // alert answered that way is recorded as its title, a newline, its message.
  static void setNextAnswer(int answer);
  static QStringList answeredAlerts();
  static void clearAnsweredAlerts();

  // "CurLanguage" of the bundle's settings file.
  static QString getLangauage();
  static void setLangauage(const QString& name);
  // The first entry of the user default "AppleLanguages".
  static QString getLangSort();
  static QString getlinkLang();
  // Fills the pattern's one "%@" with the link segment and "/", or with nothing.
  static QString setLangWithLink(const QString& pattern);

  static void writRegularFont(const QFont& font);
  static void writLightFont(const QFont& font);
  static void writMBoldFont(const QFont& font);
  static void writSBoldFont(const QFont& font);
  static void writBoldFont(const QFont& font);
  static QString getRegularFontName();
  static QString getLightFontName();
  static QString getMBoldFontName();
  static QString getSBoldFontName();
  static QString getBoldFontName();

  // Trace hook of the copy and clone work: records nothing.
  static void writeFileWithTab(const QString& text);

 private:
  static void writeFont(const QString& key, const QFont& font);
  static QString readFont(const QString& key);
};
