#pragma once
#include <QString>

namespace platform {

// The console user (SCDynamicStoreCopyConsoleUser): the world's console user, or
// outside a world the user who started us through pkexec/sudo, else our own.
// "" when there is none.
QString consoleUserName();
// NSUserName(): the user the process runs as ("root" once started with rights).
QString processUserName();
// The home folder (Mac path) of a user: "/Users/<name>", root's "/private/var/root".
QString homeFolderForUser(const QString& user);

// Gestalt replacement: ProductVersion of /System/Library/CoreServices/SystemVersion.plist.
// false when it cannot be read.
bool systemVersion(int* major, int* minor, int* bugFix);

// sysctl machdep.cpu.brand_string.
QString cpuBrandString();

}  // namespace platform
