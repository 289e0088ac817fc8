#include "launcher/RunScript.h"

#include "platform/Authorization.h"
#include "platform/Bundle.h"
#include "platform/SystemInfo.h"
#include "platform/SystemLog.h"
#include "platform/UserDefaults.h"

#include <QByteArray>
#include <QVariant>

using namespace platform;

QString mainProgramPathInBundle(const QString& launcherBundlePath) {
  return launcherBundlePath +
         QStringLiteral("/Contents/MacOS/Quorvan Disk Clone.app/Contents/MacOS/Quorvan Disk Clone");
}

QString RunScript::languageForMainProgram(const QStringList& userLanguages,
                                          const QStringList& systemLanguages) {
  if (userLanguages.isEmpty()) {
    const QString first = systemLanguages.value(0);
    SystemLog("currentLanguage ==== : %s", qPrintable(first));
    return first;
  }
  QString language = userLanguages.first();
  SystemLog("curLan ==== : %s", qPrintable(language));

  QString result = QStringLiteral("en");
  if (language.size() >= 4 &&
      (language.endsWith(QLatin1String("-CN")) || language.endsWith(QLatin1String("-JP")) ||
       language.endsWith(QLatin1String("-US")))) {
    language.chop(3);
    result = language;
  }
  static const QStringList kTraditional = {"zh-HK", "zh-MO", "zh-TW", "zh-Hant-TW"};
  if (language.contains(QLatin1String("zh-Hant")) || kTraditional.contains(language))
    result = QStringLiteral("zh-Hant");
  if (language == QLatin1String("pt")) return QStringLiteral("pt-BR");
  return result;
}

QString RunScript::GetCurrentLanaguage() {
  // The launcher runs as the user; what the user prefers lives in the console
  // user's defaults (the global domain, as NSUserDefaults falls back to it).
  const QString user = consoleUserName().isEmpty() ? processUserName() : consoleUserName();
  const QStringList recorded =
      UserDefaults::valueForUser(user, QStringLiteral("AppleLanguages"),
                                 platform::Bundle::mainBundle().bundleIdentifier())
          .toStringList();
  return languageForMainProgram(recorded, systemPreferredLanguages());
}

int RunScript::RunTool(const QString& path) {
  AuthorizationRef authorization = nullptr;
  OSStatus status = AuthorizationCreate(nullptr, nullptr, kAuthorizationFlagDefaults, &authorization);
  if (status != errAuthorizationSuccess) return status;

  AuthorizationItem right{kAuthorizationRightExecute, 0, nullptr, 0};
  AuthorizationRights rights{1, &right};
  const AuthorizationFlags flags = kAuthorizationFlagInteractionAllowed |
                                   kAuthorizationFlagExtendRights | kAuthorizationFlagPreAuthorize;
  status = AuthorizationCopyRights(authorization, &rights, nullptr, flags, nullptr);
  if (status != errAuthorizationSuccess) {
    AuthorizationFree(authorization, kAuthorizationFlagDefaults);
    return status;
  }

  // The language is handed on as ASCII; anything else could not be a code.
  QByteArray argument = (GetCurrentLanaguage() + QLatin1String(kLoaderFlag)).toLatin1();
  QByteArray tool = path.toLocal8Bit();
  char* arguments[] = {argument.data(), nullptr};
  status = AuthorizationExecuteWithPrivileges(authorization, tool.constData(),
                                              kAuthorizationFlagDefaults, arguments, nullptr);
  AuthorizationFree(authorization, kAuthorizationFlagDefaults);
  return status;
}
