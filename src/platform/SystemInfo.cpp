#include "platform/SystemInfo.h"

#include "platform/Paths.h"
#include "platform/plist/PropertyList.h"
#include "world/lib/Layout.h"

#include <QFile>
#include <QStringList>

#include <pwd.h>
#include <unistd.h>

namespace platform {
namespace {

QString userOfUid(uid_t uid) {
  if (const passwd* pw = ::getpwuid(uid)) return QString::fromLocal8Bit(pw->pw_name);
  return QString();
}

}  // namespace

QString consoleUserName() {
  if (auto world = world::Layout::current())
    return world::readKnob(*world, world::knob::kConsoleUser).toString();
  // Started with rights through pkexec or sudo: the console user is who asked.
  bool ok = false;
  const uid_t pkexecUid = qEnvironmentVariableIntValue("PKEXEC_UID", &ok);
  if (ok) return userOfUid(pkexecUid);
  const QString sudoUser = qEnvironmentVariable("SUDO_USER");
  if (!sudoUser.isEmpty()) return sudoUser;
  return userOfUid(::getuid());
}

QString processUserName() {
  const QString asUser = qEnvironmentVariable("QDC_PROCESS_USER");
  if (inWorld()) return asUser.isEmpty() ? consoleUserName() : asUser;
  return userOfUid(::geteuid());
}

QString homeFolderForUser(const QString& user) {
  if (inWorld() || user.isEmpty()) return user == "root" ? "/private/var/root" : "/Users/" + user;
  if (const passwd* pw = ::getpwnam(user.toLocal8Bit().constData()))
    return QString::fromLocal8Bit(pw->pw_dir);
  return "/Users/" + user;
}

bool systemVersion(int* major, int* minor, int* bugFix) {
  auto info = plist::readDictionary(hostPath("/System/Library/CoreServices/SystemVersion.plist"));
  if (!info) return false;
  const QStringList parts = info->value("ProductVersion").toString().split('.');
  bool ok = false;
  const int maj = parts.value(0).toInt(&ok);
  if (!ok) return false;
  if (major) *major = maj;
  if (minor) *minor = parts.value(1).toInt();
  if (bugFix) *bugFix = parts.value(2).toInt();
  return true;
}

QString cpuBrandString() {
  if (auto world = world::Layout::current())
    return world::readKnob(*world, world::knob::kCpuBrand,
                           "Intel(R) Core(TM) i7-9750H CPU @ 2.60GHz").toString();
  QFile cpuinfo("/proc/cpuinfo");
  if (cpuinfo.open(QIODevice::ReadOnly | QIODevice::Text)) {
    for (const QByteArray& line : cpuinfo.readAll().split('\n')) {
      if (line.startsWith("model name")) {
        const int colon = line.indexOf(':');
        if (colon >= 0) return QString::fromUtf8(line.mid(colon + 1)).trimmed();
      }
    }
  }
  return QString();
}

}  // namespace platform
