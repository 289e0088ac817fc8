// createinstallmedia of the simulated Mac, installed inside each installer
// application (Contents/Resources). `--volume V --nointeraction` erases V as Mac
// OS Extended (Journaled) named "Install macOS <release>", copies the installer
// onto it and prints what that release's tool prints, paced by the world's knob.
// Failures on the knob "createinstallmedia erase" / "createinstallmedia copy".
// SIGTERM ends it at once; it starts no child process.
#include "platform/plist/PropertyList.h"
#include "world/lib/Build.h"
#include "world/programs/common/Tool.h"

#include <QDir>
#include <QFileInfo>

#include <unistd.h>

using namespace world;
using tool::fail;
using tool::out;

namespace {

Layout gWorld;

enum class Family { HighSierra, Classic, BigSur, Monterey, Modern, Tahoe };

struct Release {
  QString bundleId;
  QString name;  // "Ventura"
  Family family;
};

const QList<Release>& releases() {
  static const QList<Release> list{
      {"com.apple.InstallAssistant.macOSTahoe", "Tahoe", Family::Tahoe},
      {"com.apple.InstallAssistant.macOSSequoia", "Sequoia", Family::Modern},
      {"com.apple.InstallAssistant.macOSSonoma", "Sonoma", Family::Modern},
      {"com.apple.InstallAssistant.macOSVentura", "Ventura", Family::Modern},
      {"com.apple.InstallAssistant.macOSMonterey", "Monterey", Family::Monterey},
      {"com.apple.InstallAssistant.macOSBigSur", "Big Sur", Family::BigSur},
      {"com.apple.InstallAssistant.Catalina", "Catalina", Family::Classic},
      {"com.apple.InstallAssistant.Mojave", "Mojave", Family::Classic},
      {"com.apple.InstallAssistant.HighSierra", "High Sierra", Family::HighSierra},
  };
  return list;
}

using tool::ended;

void step(double n = 1) { tool::paceOrEnd(gWorld, n); }

void usage() {
  fail("Usage: createinstallmedia --volume <path to volume to convert>\n\n"
       "Arguments\n"
       "--volume, A path to a volume that can be unmounted and erased to create the install media.\n"
       "--nointeraction, Erase the disk pointed to by volume without prompting for confirmation.\n"
       "--downloadassets, Download on-demand assets that may be required for installation.\n",
       1);
}

// Prints "<head>0%... 10%... … 100%<tail>" mark by mark; `at` is called before
// each mark with its percentage and may stop the run.
void percentLine(const QString& head, const QList<int>& marks, const QString& last,
                 const std::function<void(int)>& at) {
  out(head);
  for (int i = 0; i < marks.size(); ++i) {
    at(marks[i]);
    if (i == 0)
      out(QString("%1%...").arg(marks[i]));
    else if (i + 1 == marks.size())
      out(" " + last);
    else
      out(QString(" %1%...").arg(marks[i]));
    step();
  }
  out("\n");
}

}  // namespace

int main(int argc, char** argv) {
  tool::installSignalHandlers();
  gWorld = tool::requireWorld("createinstallmedia");
  const QStringList args = tool::arguments(argc, argv);
  QString volume;
  bool interactive = true;
  for (int i = 0; i < args.size(); ++i) {
    if (args[i] == "--volume" && i + 1 < args.size())
      volume = args[++i];
    else if (args[i] == "--nointeraction")
      interactive = false;
    else if (args[i] == "--downloadassets")
      continue;
    else if (args[i] == "--applicationpath" && i + 1 < args.size())
      ++i;
    else
      usage();
  }
  if (volume.isEmpty()) usage();

  // The installer application this copy of the tool lies in.
  const QString self = QString::fromLocal8Bit(qgetenv("QDC_TOOL_SELF"));
  const QString appHost = QDir::cleanPath(QFileInfo(self).absolutePath() + "/../..");
  const auto info = plist::readDictionary(appHost + "/Contents/Info.plist");
  const QString bundleId = info ? info->value("CFBundleIdentifier").toString() : QString();
  const Release* release = nullptr;
  for (const Release& r : releases())
    if (r.bundleId == bundleId) release = &r;
  if (!release) fail("The bundle at " + tool::macPath(gWorld, appHost) + " does not appear to be a valid OS installer application.", 1);
  const QString newName = "Install macOS " + release->name;

  DiskDatabase db(gWorld);
  if (!db.load()) fail(volume + " is not a valid volume mount point.", 1);
  const QString clean = QDir::cleanPath(volume);
  const Media* target = nullptr;
  for (const Media& m : db.media())
    if (m.hasFileSystem() && m.mounted() && m.mountPoint == clean) target = &m;
  if (!target || clean == "/") fail(volume + " is not a valid volume mount point.", 1);
  if (db.holdsStartup(*target)) fail(volume + " is on the startup disk and cannot be erased.", 1);
  const qint64 needed = folderBytes(appHost);
  if (db.capacity(*target) < needed)
    fail(QString("%1 is not large enough for install media. An additional %2 is needed.")
             .arg(volume, tool::sizeText(needed - db.capacity(*target))),
         1);
  if (interactive) {
    out("Ready to start.\nTo continue we need to erase the volume at " + volume +
        ".\nIf you wish to continue type (Y) then press return: ");
    char c = 0;
    if (::read(0, &c, 1) != 1 || (c != 'Y' && c != 'y')) fail("\nUser cancelled.", 1);
  }
  const QString targetId = target->id;

  // Erasing: the volume becomes Mac OS Extended (Journaled) with the installer's name.
  QString mountPoint;
  const bool eraseFails = toolShouldFail(gWorld, "createinstallmedia", "erase") ||
                          toolShouldFail(gWorld, "createinstallmedia");
  const QString eraseHead = release->family == Family::HighSierra ? "Erasing Disk: " : "Erasing disk: ";
  const QString eraseLast = release->family == Family::HighSierra ? "100%..." : "100%";
  QString volumeId = targetId;
  percentLine(eraseHead, {0, 10, 20, 30, 100}, eraseLast, [&](int p) {
    if (p == 20 && eraseFails) {
      out("\n");
      fail("An error occurred erasing the disk.", 1);
    }
    if (p != 30) return;
    QString error;
    const bool ok = DiskDatabase(gWorld).modify([&](DiskDatabase& d) {
      Media* v = d.find(targetId);
      if (!v) return false;
      if (v->kind == MediaKind::Volume) {
        // An APFS volume: its container's store becomes the partition again.
        const Media* c = d.find(v->parent);
        const QString store = c ? c->physicalStore : QString();
        for (Media* cv : volumesOnDisk(d, c ? c->id : QString())) {
          d.unmountVolume(*cv, &error, true);
          QDir(gWorld.volumesStore() + "/" + cv->volumeUUID).removeRecursively();
        }
        if (c) d.removeMediaTree(c->id);
        v = d.find(store);
        if (!v) return false;
        volumeId = store;
      }
      if (!d.eraseVolume(*v, *personalityNamed("Journaled HFS+"), newName, &error)) return false;
      mountPoint = v->mountPoint;
      return true;
    });
    if (!ok) {
      out("\n");
      fail("An error occurred erasing the disk.", 1);
    }
  });
  const QString dest = tool::hostPath(gWorld, mountPoint);
  const bool copyFails = toolShouldFail(gWorld, "createinstallmedia", "copy");

  auto makeBootable = [&]() {
    out("Making disk bootable...\n");
    QDir().mkpath(dest + "/System/Library/CoreServices");
    QFile boot(dest + "/System/Library/CoreServices/boot.efi");
    if (boot.open(QIODevice::WriteOnly)) boot.write(QByteArray(8192, 'e'));
    plist::writeFile(dest + "/.IAPhysicalMedia",
                     QVariantMap{{"AppName", newName + ".app"}, {"ProductBuildVersion", "22G90"}});
    step(2);
  };
  auto copyBootFiles = [&]() {
    out("Copying boot files...\n");
    QDir().mkpath(dest + "/Library/Preferences/SystemConfiguration");
    plist::writeFile(dest + "/Library/Preferences/SystemConfiguration/com.apple.Boot.plist",
                     QVariantMap{{"Kernel Flags", "root-dmg=file:///Install%20macOS.app"}});
    step(2);
  };
  // Copies the application in ten steps of its bytes, printing the marks.
  auto copyApp = [&](const QString& head) {
    const QString appDest = dest + "/" + newName + ".app";
    QString error;
    if (head.isEmpty()) {  // a release that copies without marks
      if (!tool::copyTree(appHost, appDest, {}, [](qint64) { return !tool::terminated(); }, &error) || copyFails) {
        if (tool::terminated()) ended();
        fail("The copy of the installer app failed.", 1);
      }
      step(2);
      return;
    }
    qint64 total = std::max<qint64>(1, needed);
    int shown = 0;
    out(head);
    out("0%...");
    step();
    const bool ok = tool::copyTree(appHost, appDest, {}, [&](qint64 done) {
      const int reached = int(done * 100 / total) / 10 * 10;
      while (shown + 10 <= std::min(90, reached)) {
        shown += 10;
        if (copyFails && shown == 30) return false;
        out(QString(" %1%...").arg(shown));
        step();
      }
      return !tool::terminated();
    }, &error);
    if (tool::terminated()) ended();
    while (ok && shown < 90) {
      shown += 10;
      if (copyFails && shown == 30) break;
      out(QString(" %1%...").arg(shown));
      step();
    }
    if (!ok || copyFails) {
      out("\n");
      fail("The copy of the installer app failed.", 1);
    }
    out(release->family == Family::Tahoe ? " 100%\n" : " 100%...\n");
    step();
  };
  auto available = [&]() { out("Install media now available at \"" + mountPoint + "\"\n"); };

  switch (release->family) {
    case Family::HighSierra:
      out("Copying installer files to disk...\n");
      step();
      copyApp(QString());
      out("Copy complete.\n");
      makeBootable();
      copyBootFiles();
      out("Copy complete.\nDone.\n");
      break;
    case Family::Classic:
      copyApp("Copying to disk: ");
      makeBootable();
      copyBootFiles();
      available();
      break;
    case Family::BigSur:
      copyApp("Copying to disk: ");
      makeBootable();
      available();
      break;
    case Family::Monterey:
      makeBootable();
      copyApp("Copying to disk: ");
      available();
      break;
    case Family::Modern:
    case Family::Tahoe:
      out("Copying essential files...\n");
      step(2);
      out("Copying the macOS RecoveryOS...\n");
      step(2);
      makeBootable();
      copyApp("Copying to disk: ");
      available();
      break;
  }
  return 0;
}
