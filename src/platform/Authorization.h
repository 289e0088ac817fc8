#pragma once
// Security Authorization Services: the administrator right and starting a program
// with it.
//
// In a world the decision comes from the world's knob "authorization" ("grant",
// "deny" or "cancel"; grant when unset), and a granted program runs as the
// simulated root: it is started with QDC_PROCESS_USER=root and QDC_ROOT kept.
// Outside a world the right is obtained when the program is started, through
// pkexec (polkit shows the password dialog); a process that already runs as root
// starts the program directly.
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace platform {

using OSStatus = int32_t;
using AuthorizationFlags = uint32_t;

inline constexpr OSStatus errAuthorizationSuccess = 0;
inline constexpr OSStatus errAuthorizationInvalidSet = -60001;
inline constexpr OSStatus errAuthorizationInvalidRef = -60002;
inline constexpr OSStatus errAuthorizationDenied = -60005;
inline constexpr OSStatus errAuthorizationCanceled = -60006;
inline constexpr OSStatus errAuthorizationInternal = -60008;
inline constexpr OSStatus errAuthorizationToolExecuteFailure = -60031;

inline constexpr AuthorizationFlags kAuthorizationFlagDefaults = 0;
inline constexpr AuthorizationFlags kAuthorizationFlagInteractionAllowed = 1u << 0;
inline constexpr AuthorizationFlags kAuthorizationFlagExtendRights = 1u << 1;
inline constexpr AuthorizationFlags kAuthorizationFlagPartialRights = 1u << 2;
inline constexpr AuthorizationFlags kAuthorizationFlagDestroyRights = 1u << 3;
inline constexpr AuthorizationFlags kAuthorizationFlagPreAuthorize = 1u << 4;

inline constexpr const char* kAuthorizationRightExecute = "system.privilege.admin";

struct AuthorizationItem {
  const char* name = nullptr;
  size_t valueLength = 0;
  void* value = nullptr;
  uint32_t flags = 0;
};

struct AuthorizationRights {
  uint32_t count = 0;
  AuthorizationItem* items = nullptr;
};

struct AuthorizationOpaqueRef;
using AuthorizationRef = AuthorizationOpaqueRef*;

// A new authorisation holding `rights` (may be null: no rights yet).
OSStatus AuthorizationCreate(const AuthorizationRights* rights, const void* environment,
                             AuthorizationFlags flags, AuthorizationRef* authorization);
// Asks for `rights`; with kAuthorizationFlagExtendRights and interaction allowed
// the user is asked. `authorizedRights` is not filled (pass null).
OSStatus AuthorizationCopyRights(AuthorizationRef authorization, const AuthorizationRights* rights,
                                 const void* environment, AuthorizationFlags flags,
                                 AuthorizationRights** authorizedRights);
// Starts `pathToTool` (host path) with `arguments` (null-terminated) as root,
// without waiting for it. `communicationsPipe` is not supported and must be null.
OSStatus AuthorizationExecuteWithPrivileges(AuthorizationRef authorization, const char* pathToTool,
                                            AuthorizationFlags options, char* const* arguments,
                                            FILE** communicationsPipe);
OSStatus AuthorizationFree(AuthorizationRef authorization, AuthorizationFlags flags);

// Outside a world: the command that starts `program` through pkexec. pkexec
// drops the caller's environment, so the display variables the program needs to
// open its window are handed on through env(1). The shell stays as pkexec's
// parent while pkexec runs (pkexec refuses an orphan), so the caller may exit.
struct PrivilegedCommand {
  QString program;      // what is started detached
  QStringList arguments;
};
PrivilegedCommand pkexecCommand(const QString& program, const QStringList& arguments,
                                const QProcessEnvironment& environment);

}  // namespace platform
