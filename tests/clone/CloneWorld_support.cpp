#include "CloneWorld_support.h"

#include <QDir>
#include <QFileInfo>

#include "TestWorld.h"
#include "clone/CloneDiskWork.h"
#include "clone/KVBootable.h"
#include "platform/Shell.h"

namespace clonetest {

int run(const QString& tool, const QStringList& args) {
  return platform::runShell(platform::shellLine(tool, args), "/dev/null");
}

namespace {
std::optional<QVariantMap> info(const QString& target) {
  return cloning::diskutilReader()({"info", "-plist", target});
}
}  // namespace

QString volumeOnDiskHolding(const TestWorld& w, const QString& disk, const QString& relative) {
  for (const QString& name : QDir(w.host("/Volumes")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
    const QString mount = "/Volumes/" + name;
    if (QFileInfo(w.host(mount)).isSymLink()) continue;
    const auto i = info(mount);
    if (!i || i->value("MountPoint").toString() != mount) continue;
    if (!KVBootable::wholeDisksOfVolume(*i).contains(disk)) continue;
    if (QFileInfo::exists(w.host(mount + "/" + relative))) return mount;
  }
  return QString();
}

QString prebootOf(const QString& disk) {
  const cloning::PrebootPlan plan = cloning::planPrebootRepair(disk, cloning::diskutilReader());
  return plan.kind == cloning::PrebootPlan::Found ? plan.preboot : QString();
}

bool prebootHoldsCryptexes(const TestWorld& w, const QString& preboot) {
  if (preboot.isEmpty() || run("/usr/sbin/diskutil", {"mount", "/dev/" + preboot}) != 0) return false;
  const auto i = info("/dev/" + preboot);
  const QString mount = i ? i->value("MountPoint").toString() : QString();
  const bool there = !mount.isEmpty() &&
                     QFileInfo::exists(w.host(mount + "/Cryptexes/App/System/Library/Frameworks/Safari.txt"));
  run("/usr/sbin/diskutil", {"unmount", "/dev/" + preboot});
  return there;
}

}  // namespace clonetest
