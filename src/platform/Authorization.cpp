#include "platform/Authorization.h"

#include "platform/Paths.h"
#include "world/lib/Layout.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <cstring>
#include <unistd.h>

namespace platform {

struct AuthorizationOpaqueRef {
  bool admin = false;  // holds "system.privilege.admin"
};

namespace {

bool asksForAdmin(const AuthorizationRights* rights) {
  if (!rights) return false;
  for (uint32_t i = 0; i < rights->count; ++i) {
    const char* name = rights->items[i].name;
    if (name && std::strcmp(name, kAuthorizationRightExecute) == 0) return true;
  }
  return false;
}

bool validSet(const AuthorizationRights* rights) {
  if (!rights) return true;
  if (rights->count > 0 && !rights->items) return false;
  for (uint32_t i = 0; i < rights->count; ++i)
    if (!rights->items[i].name) return false;
  return true;
}

// The world's answer to a request that needs the administrator's password.
OSStatus worldDecision(const world::Layout& layout) {
  const QString answer =
      world::readKnob(layout, world::knob::kAuthorization, QStringLiteral("grant")).toString();
  if (answer == QLatin1String("grant")) return errAuthorizationSuccess;
  if (answer == QLatin1String("cancel")) return errAuthorizationCanceled;
  return errAuthorizationDenied;
}

QProcessEnvironment privilegedEnvironment() {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  if (inWorld()) {
    env.insert(QStringLiteral("QDC_PROCESS_USER"), QStringLiteral("root"));
    env.insert(QStringLiteral("QDC_ROOT"), systemRoot());
  }
  return env;
}

OSStatus startDetached(const QString& program, const QStringList& args,
                       const QProcessEnvironment& env) {
  QProcess process;
  process.setProgram(program);
  process.setArguments(args);
  process.setProcessEnvironment(env);
  process.setStandardInputFile(QProcess::nullDevice());
  return process.startDetached() ? errAuthorizationSuccess : errAuthorizationToolExecuteFailure;
}

}  // namespace

OSStatus AuthorizationCreate(const AuthorizationRights* rights, const void* environment,
                             AuthorizationFlags flags, AuthorizationRef* authorization) {
  if (!authorization) return errAuthorizationInvalidRef;
  if (!validSet(rights)) return errAuthorizationInvalidSet;
  *authorization = new AuthorizationOpaqueRef;
  if (rights && rights->count > 0) {
    OSStatus status = AuthorizationCopyRights(*authorization, rights, environment, flags, nullptr);
    if (status != errAuthorizationSuccess) {
      delete *authorization;
      *authorization = nullptr;
      return status;
    }
  }
  return errAuthorizationSuccess;
}

OSStatus AuthorizationCopyRights(AuthorizationRef authorization, const AuthorizationRights* rights,
                                 const void*, AuthorizationFlags flags,
                                 AuthorizationRights** authorizedRights) {
  if (!authorization) return errAuthorizationInvalidRef;
  if (!validSet(rights)) return errAuthorizationInvalidSet;
  if (authorizedRights) *authorizedRights = nullptr;
  if (!asksForAdmin(rights) || authorization->admin) return errAuthorizationSuccess;
  if (!(flags & kAuthorizationFlagExtendRights)) return errAuthorizationDenied;

  if (auto layout = world::Layout::current()) {
    if (!(flags & kAuthorizationFlagInteractionAllowed)) return errAuthorizationDenied;
    OSStatus status = worldDecision(*layout);
    authorization->admin = status == errAuthorizationSuccess;
    return status;
  }
  // Outside a world polkit asks for the password when the program is started
  // (pkexec cannot hold a right for later), so the right is granted here
  // provisionally when it can be asked for at all.
  if (geteuid() == 0 || !QStandardPaths::findExecutable(QStringLiteral("pkexec")).isEmpty()) {
    authorization->admin = true;
    return errAuthorizationSuccess;
  }
  return errAuthorizationDenied;
}

OSStatus AuthorizationExecuteWithPrivileges(AuthorizationRef authorization, const char* pathToTool,
                                            AuthorizationFlags, char* const* arguments,
                                            FILE** communicationsPipe) {
  if (!authorization) return errAuthorizationInvalidRef;
  if (!pathToTool || communicationsPipe) return errAuthorizationInternal;
  if (!authorization->admin) {
    AuthorizationItem item{kAuthorizationRightExecute, 0, nullptr, 0};
    AuthorizationRights rights{1, &item};
    OSStatus status = AuthorizationCopyRights(
        authorization, &rights, nullptr,
        kAuthorizationFlagInteractionAllowed | kAuthorizationFlagExtendRights, nullptr);
    if (status != errAuthorizationSuccess) return status;
  }

  const QString program = QString::fromLocal8Bit(pathToTool);
  QStringList args;
  for (char* const* arg = arguments; arg && *arg; ++arg) args << QString::fromLocal8Bit(*arg);
  const QFileInfo info(program);
  if (!info.isFile() || !info.isExecutable()) return errAuthorizationToolExecuteFailure;

  const QProcessEnvironment env = privilegedEnvironment();
  if (inWorld() || geteuid() == 0) return startDetached(program, args, env);

  PrivilegedCommand command = pkexecCommand(program, args, env);
  if (command.program.isEmpty()) return errAuthorizationToolExecuteFailure;
  return startDetached(command.program, command.arguments, env);
}

OSStatus AuthorizationFree(AuthorizationRef authorization, AuthorizationFlags) {
  if (!authorization) return errAuthorizationInvalidRef;
  delete authorization;
  return errAuthorizationSuccess;
}

PrivilegedCommand pkexecCommand(const QString& program, const QStringList& arguments,
                                const QProcessEnvironment& environment) {
  const QString pkexec = QStandardPaths::findExecutable(QStringLiteral("pkexec"));
  const QString envTool = QStandardPaths::findExecutable(QStringLiteral("env"));
  if (pkexec.isEmpty() || envTool.isEmpty()) return {};

  QStringList handedOn;
  static const char* const kKept[] = {"DISPLAY",         "WAYLAND_DISPLAY", "XDG_RUNTIME_DIR",
                                      "XDG_SESSION_TYPE", "QT_QPA_PLATFORM", "LANG",
                                      "LC_ALL",          "LANGUAGE"};
  for (const char* name : kKept) {
    const QString key = QString::fromLatin1(name);
    if (environment.contains(key)) handedOn << key + '=' + environment.value(key);
  }
  QString xauthority = environment.value(QStringLiteral("XAUTHORITY"));
  if (xauthority.isEmpty() && environment.contains(QStringLiteral("DISPLAY"))) {
    const QString fallback = environment.value(QStringLiteral("HOME"), QDir::homePath()) +
                             QStringLiteral("/.Xauthority");
    if (QFileInfo::exists(fallback)) xauthority = fallback;
  }
  if (!xauthority.isEmpty()) handedOn << QStringLiteral("XAUTHORITY=") + xauthority;

  // sh -c '"$0" "$@"; exit $?' keeps the shell alive as pkexec's parent: a
  // command run as the last one of -c could otherwise replace the shell.
  PrivilegedCommand command;
  command.program = QStringLiteral("/bin/sh");
  command.arguments << QStringLiteral("-c") << QStringLiteral("\"$0\" \"$@\"; exit $?") << pkexec
                    << envTool << handedOn << program << arguments;
  return command;
}

}  // namespace platform
