#include "shell/Startup.h"

#include "platform/Bundle.h"
#include "platform/Jobs.h"
#include "platform/Power.h"
#include "platform/SystemLog.h"
#include "platform/Workspace.h"
#include "services/KVPublicUtilities.h"
#include "services/Localization.h"
#include "services/Settings.h"
#include "shell/AppDelegate.h"
#include "shell/MyNSApplication.h"

#include <QDir>
#include <QFileInfo>

uint32_t assertionID = 0;

bool PreventSleep() {
  const bool ok = platform::IOPMAssertionCreateWithName("PreventUserIdleDisplaySleep", 255,
                                                        "PreventUserIdleDisplaySleep", &assertionID);
  if (ok) SystemLog("prevent sleep!");
  return ok;
}

void setCurLanguage(const char* code) {
  QString language = QString::fromLatin1(code ? code : "");
  if (language.endsWith("-JP")) language.chop(3);
  // The code names a folder of the bundle: nothing but letters, digits, hyphens.
  if (!MainBundle::isValidLanguageCode(language)) language = "en";
  applyLanguageCode(language);
}

QString GetLoaderLanguage(const QString& code) {
  const QString stored = KVPublicUtilities::getLangauage();
  const QVariantMap table = mainLanguageTable();
  if (!stored.isEmpty()) {
    const QString chosen = table.value(stored).toString();
    SystemLog("GetLoaderLanguage 1==== : %s", qPrintable(chosen));
    return chosen.isEmpty() ? QStringLiteral("en") : chosen;
  }
  QString normal = code;
  if (normal.size() >= 4 && (normal.endsWith("-CN") || normal.endsWith("-JP") || normal.endsWith("-US")))
    normal.chop(3);
  if (normal == "zh-HK" || normal == "zh-MO" || normal == "zh-TW" || normal == "zh-Hant-TW") normal = "zh-Hant";
  if (normal == "pt") normal = "pt-BR";
  SystemLog("GetLoaderLanguage 2==== : %s", qPrintable(normal));
  const QString name = languageNameForCode(table, normal);
  if (name.isEmpty()) return "en";
  SystemLog("GetLoaderLanguage 3==== : %s", qPrintable(normal));
  KVPublicUtilities::setLangauage(name);
  applyLanguageCode(normal);
  return normal;
}

QString launcherBundlePath() {
  QDir dir(platform::Bundle::mainBundle().bundlePath());
  for (int i = 0; i < 3; ++i) dir.setPath(QFileInfo(dir.absolutePath()).absolutePath());
  return dir.absolutePath();
}

bool ZZManRunLoader() { return platform::Workspace::shared().launchApplication(launcherBundlePath()); }

int runStartSequence(const QStringList& arguments, const std::function<bool()>& runLoader) {
  QVCopyInfoPlistPath();
  if (!arguments.isEmpty()) {
    QString language = arguments.first();
    SystemLog("strCurLan0 ==== : %s", qPrintable(language));
    if (language.endsWith(kLoaderFlag)) {
      SystemLog("strCurLan1 ==== : %s", qPrintable(language));
      language.remove(kLoaderFlag);
      setCurLanguage(GetLoaderLanguage(language).toLatin1().constData());
    } else if (!language.isEmpty()) {
      SystemLog("strCurLan2 ==== : %s", qPrintable(language));
      setCurLanguage(language.toLatin1().constData());
    }
  } else if (runLoader && runLoader()) {
    return 0;
  }
  PreventSleep();
  return -1;
}

int qdcMain(int argc, char** argv) {
  QStringList arguments;
  for (int i = 1; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  const int early = runStartSequence(arguments);
  if (early >= 0) return early;

  MyNSApplication app(argc, argv);
  AppDelegate delegate;
  delegate.awakeFromNib();
  delegate.applicationDidFinishLaunching();
  const int status = app.exec();
  // However the loop ended: no job outlives the application object.
  platform::endRunningJobs();
  platform::IOPMAssertionRelease(assertionID);
  return status;
}
