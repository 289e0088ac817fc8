#include "clone/CloneScreenRules.h"

#include <QDir>
#include <mutex>
#include <pwd.h>
#include <unistd.h>

#include "platform/Paths.h"
#include "platform/Privacy.h"
#include "platform/SystemInfo.h"

namespace cloning {

StepShow progressForStep(int step) {
  switch (step) {
    case 1: return {5, 2, QStringLiteral("erase")};
    case 2: return {10, 0, {}};
    case 3: return {15, 0, {}};
    case 4: return {20, 0, {}};
    case 5: return {30, 3, QStringLiteral("copy")};
    case 8: return {100, 0, {}};
    default: return {0, 0, {}};
  }
}

int percentForTag(int tag, int pass) { return tag * 3 + (pass == 1 ? 35 : 65); }

QString errorTextKeyForProgress(int code, bool userCancel) {
  if (code >= 0) return QString();
  if (userCancel) return QStringLiteral("BOOTABLE_CLONE_STOP_Node");
  switch (code) {
    case -3: return QStringLiteral("BOOTABLE_CLONE_error_2");
    case -4: return QStringLiteral("BOOTABLE_CLONE_error_3");
    case -5: return QStringLiteral("BOOTABLE_CLONE_error_4");
    case -1:
    case -2:
    case -6:
    case -7: return QStringLiteral("BOOTABLE_CLONE_error_1");
    // A job that was stopped before asr ran (a stop that did not come from this
    // screen, such as the one at quit); every closing report must end the pane.
    case -8: return QStringLiteral("BOOTABLE_CLONE_STOP_Node");
    default: return QStringLiteral("BOOTABLE_CLONE_error_1");
  }
}

QString errorTextKeyForStart(int code) {
  if (code >= 0) return QString();
  return code == -3 ? QStringLiteral("BOOTABLE_CLONE_error_2") : QStringLiteral("BOOTABLE_CLONE_error_5");
}

namespace {

std::optional<qint64> bytes(const QVariantMap& info, const char* key) {
  const QVariant value = info.value(QLatin1String(key));
  bool ok = false;
  const qint64 n = value.toLongLong(&ok);
  if (!value.isValid() || !ok || n < 0) return std::nullopt;
  return n;
}

}  // namespace

std::optional<qint64> usedBytesOfStartupVolume(const std::optional<QVariantMap>& info, int systemVersion) {
  if (!info) return std::nullopt;
  const bool apfs = systemVersion >= 1015;
  const std::optional<qint64> total = bytes(*info, apfs ? "APFSContainerSize" : "TotalSize");
  const std::optional<qint64> free = bytes(*info, apfs ? "APFSContainerFree" : "FreeSpace");
  if (!total || !free || *total <= 0 || *free > *total) return std::nullopt;
  return *total - *free;
}

SpaceVerdict spaceCheck(qint64 usedSize, bool probeFailed, qint64 freeSize) {
  if (probeFailed) return SpaceVerdict::UsedUnknown;
  if (usedSize == -1 || freeSize == -1) return SpaceVerdict::Pending;
  return freeSize < usedSize ? SpaceVerdict::TooSmall : SpaceVerdict::Fits;
}

int authorizationStatusFor(bool exists, bool listed) {
  if (!exists) return 0;
  return listed ? 2 : 1;
}

QString fullDiskAccessProbePath(const QString& home) {
  return QDir::cleanPath(home + QStringLiteral("/Library/Safari"));
}

namespace {

QString homeDirectory() {
  // A sandboxed process's own home is its container; the account's home is the
  // one that holds Safari's folder.
  if (qEnvironmentVariableIsSet("APP_SANDBOX_CONTAINER_ID")) {
    if (const passwd* pw = ::getpwuid(::getuid()))
      return platform::homeFolderForUser(QString::fromLocal8Bit(pw->pw_name));
  }
  return platform::homeFolderForUser(platform::processUserName());
}

}  // namespace

int getAuthorizationStatus() {
  const QString path = fullDiskAccessProbePath(homeDirectory());
  const bool exists = platform::fileExistsAtPath(path);
  const bool listed = platform::contentsOfDirectoryAtPath(path).has_value();
  return authorizationStatusFor(exists, listed);
}

bool isAppleChipBrand(const QString& cpuBrand) { return cpuBrand.contains(QLatin1String("Apple")); }

bool prebootRepairRuns(bool appleChip, int systemVersion) { return appleChip || systemVersion >= 1300; }

}  // namespace cloning

bool has_m1_chip() {
  // The processor does not change while the program runs; a test's world may.
  static std::mutex mutex;
  static QString askedFor;
  static bool answer = false;
  static bool asked = false;
  std::lock_guard lock(mutex);
  const QString system = platform::systemRoot();
  if (!asked || askedFor != system) {
    answer = cloning::isAppleChipBrand(platform::cpuBrandString());
    askedFor = system;
    asked = true;
  }
  return answer;
}
