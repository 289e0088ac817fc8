// qdc-world: makes a simulated Mac and changes it from outside: plugs and
// unplugs disks, sets the knobs that inject faults, marks files hidden.
#include "platform/plist/PropertyList.h"
#include "world/lib/Build.h"
#include "world/lib/Create.h"
#include "world/lib/Flags.h"
#include "world/lib/Layout.h"
#include "world/lib/Tools.h"
#include "world/programs/common/Tool.h"

#include <QDir>
#include <QFileInfo>

using namespace world;
using tool::fail;
using tool::out;

namespace {

const char* kUsage =
    "usage: qdc-world COMMAND DIR [ARGUMENTS]\n"
    "  create DIR [--demo] [--user NAME] [--version X.Y] [--tools FOLDER]\n"
    "  env DIR                               print the export line for QDC_ROOT\n"
    "  disks DIR                             the disks, partitions and volumes\n"
    "  detach DIR diskN                      unplug a whole disk (its files are kept)\n"
    "  attach DIR LABEL                      plug a detached disk in again\n"
    "  attach DIR --new usb|sd NAME SIZE [FILESYSTEM] [--mbr]\n"
    "                                        plug in a new disk (SIZE in bytes or 32G, 512M)\n"
    "  detached DIR                          labels of the unplugged disks\n"
    "  fail DIR TOOL [VERB] | unfail DIR [TOOL [VERB]]\n"
    "  full DIR VOLUME [off] | readonly DIR VOLUME [off]\n"
    "  pace DIR SECONDS | authorization DIR grant|deny|cancel | fda DIR on|off\n"
    "  cpu DIR BRAND | version DIR X.Y[.Z] | user DIR NAME\n"
    "  knob DIR NAME [VALUE…] | knob DIR NAME --unset | knobs DIR\n"
    "  hide DIR MACPATH [off] | finderinfo DIR MACPATH [off]\n"
    "  opened DIR                            what the product opened\n"
    "  openfail DIR SCHEME|* [off]           links of that scheme fail to open\n"
    "  install-tools DIR [FOLDER]            (re)install the stand-ins\n";

Layout open(const QString& dir) {
  const QString abs = QDir(dir).absolutePath();
  Layout l{abs};
  if (!QFileInfo(l.state()).isDir() || !QFileInfo(l.root()).isDir()) fail(dir + ": not a world", 2);
  return l;
}

QVariant parseValue(const QString& s) {
  if (s == "true" || s == "yes" || s == "on") return true;
  if (s == "false" || s == "no" || s == "off") return false;
  bool ok = false;
  const qlonglong i = s.toLongLong(&ok);
  if (ok) return i;
  const double d = s.toDouble(&ok);
  if (ok) return d;
  return s;
}

qint64 parseSize(const QString& s) {
  static const QList<QPair<QString, qint64>> units{{"T", 1000000000000LL}, {"G", 1000000000LL},
                                                   {"M", 1000000LL},         {"K", 1000LL},
                                                   {"B", 1LL}};
  QString t = s.trimmed().toUpper();
  if (t.endsWith("B") && t.size() > 1 && !t.at(t.size() - 2).isDigit()) t.chop(1);
  for (const auto& [u, f] : units)
    if (t.endsWith(u)) return qint64(t.chopped(1).toDouble() * double(f));
  return t.toLongLong();
}

void editList(const Layout& l, const char* name, const QString& entry, bool add) {
  QStringList list = readKnob(l, name).toStringList();
  list.removeAll(entry);
  if (add) list << entry;
  writeKnob(l, name, list.isEmpty() ? QVariant() : QVariant(list));
}

int disks(const Layout& l) {
  DiskDatabase db(l);
  if (!db.load()) fail("no disk database", 1);
  for (const QString& id : db.orderedIds()) {
    const Media* m = db.find(id);
    QString line = QString("%1%2").arg(m->isWhole() ? "" : "  ", id);
    if (m->kind == MediaKind::Whole)
      line += QString("  %1  %2  %3 bytes%4").arg(m->bus, m->mediaName).arg(m->size).arg(
          m->internal ? "  internal" : "  external");
    if (m->kind == MediaKind::Container) line += QString("  APFS container on %1").arg(m->physicalStore);
    if (m->hasFileSystem())
      line += QString("  %1 \"%2\"  %3").arg(m->personality, m->volumeName,
                                            m->mounted() ? m->mountPoint : QString("(not mounted)"));
    else if (!m->isWhole())
      line += "  " + m->content;
    out(line + "\n");
  }
  return 0;
}

int attachNew(const Layout& l, const QStringList& a) {
  // a: --new KIND NAME SIZE [FS] [--mbr]
  if (a.size() < 4) fail(kUsage, 64);
  const QString kind = a[1];
  const QString name = a[2];
  const qint64 size = parseSize(a[3]);
  QString fs = "Journaled HFS+";
  bool mbr = false;
  for (int i = 4; i < a.size(); ++i) {
    if (a[i] == "--mbr")
      mbr = true;
    else
      fs = a[i];
  }
  DiskSpec spec;
  if (kind == "sd") {
    spec.bus = "Secure Digital";
    spec.internal = true;
    spec.mediaName = "APPLE SD Card Reader";
  } else if (kind == "usb") {
    spec.mediaName = "USB Flash Disk";
  } else {
    fail("attach --new: KIND is usb or sd", 64);
  }
  spec.size = size;
  QString error, id;
  const bool ok = DiskDatabase(l).modify([&](DiskDatabase& db) {
    QList<VolumeSpec> volumes;
    if (fs != "none") volumes << VolumeSpec{fs, name};
    id = addDisk(db, spec, mbr ? "FDisk_partition_scheme" : "GUID_partition_scheme", volumes, &error);
    return !id.isEmpty();
  });
  if (!ok) fail(error, 1);
  out(id + "\n");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  QStringList a = tool::arguments(argc, argv);
  if (a.size() < 2) fail(kUsage, 64);
  const QString cmd = a.takeFirst();
  const QString dir = a.takeFirst();
  if (cmd == "create") {
    CreateOptions o;
    for (int i = 0; i < a.size(); ++i) {
      if (a[i] == "--demo")
        o.demo = true;
      else if (a[i] == "--user" && i + 1 < a.size())
        o.consoleUser = a[++i];
      else if (a[i] == "--version" && i + 1 < a.size())
        o.productVersion = a[++i];
      else if (a[i] == "--tools" && i + 1 < a.size())
        o.toolsDir = a[++i];
      else
        fail(kUsage, 64);
    }
    if (o.toolsDir.isEmpty()) {
      // The programs beside this one are the stand-ins of this build.
      o.toolsDir = QFileInfo(QString::fromLocal8Bit(argv[0])).absolutePath();
      if (!QFileInfo(o.toolsDir + "/qdc-diskutil").isExecutable()) o.toolsDir = defaultToolsDir();
    }
    QString error;
    if (!createWorld(dir, o, &error)) fail("qdc-world: " + error, 1);
    out(QDir(dir).absolutePath() + "/root\n");
    return 0;
  }
  const Layout l = open(dir);
  if (cmd == "env") {
    QString r = l.root();
    r.replace("'", "'\\''");
    out("export QDC_ROOT='" + r + "'\n");
  } else if (cmd == "disks") {
    return disks(l);
  } else if (cmd == "detach") {
    if (a.size() != 1) fail(kUsage, 64);
    QString error;
    if (!DiskDatabase(l).modify([&](DiskDatabase& db) { return detachDisk(db, a[0], &error); })) fail(error, 1);
  } else if (cmd == "attach") {
    if (a.isEmpty()) fail(kUsage, 64);
    if (a[0] == "--new") return attachNew(l, a);
    QString error, id;
    if (!DiskDatabase(l).modify([&](DiskDatabase& db) {
          id = attachDisk(db, a[0], &error);
          return !id.isEmpty();
        }))
      fail(error, 1);
    out(id + "\n");
  } else if (cmd == "detached") {
    DiskDatabase db(l);
    db.load();
    for (const QString& label : detachedLabels(db)) out(label + "\n");
  } else if (cmd == "fail" || cmd == "unfail") {
    if (cmd == "unfail" && a.isEmpty()) {
      writeKnob(l, knob::kFailTools, QVariant());
    } else {
      if (a.isEmpty() || a.size() > 2) fail(kUsage, 64);
      editList(l, knob::kFailTools, a.join(' '), cmd == "fail");
    }
  } else if (cmd == "full" || cmd == "readonly") {
    if (a.isEmpty()) fail(kUsage, 64);
    editList(l, cmd == "full" ? knob::kFullVolumes : knob::kReadOnlyVolumes, a[0], !(a.size() > 1 && a[1] == "off"));
  } else if (cmd == "pace") {
    if (a.size() != 1) fail(kUsage, 64);
    writeKnob(l, knob::kPace, a[0].toDouble());
  } else if (cmd == "authorization") {
    if (a.size() != 1 || !QStringList{"grant", "deny", "cancel"}.contains(a[0])) fail(kUsage, 64);
    writeKnob(l, knob::kAuthorization, a[0]);
  } else if (cmd == "fda") {
    if (a.size() != 1) fail(kUsage, 64);
    writeKnob(l, knob::kFullDiskAccess, a[0] == "on" || a[0] == "true" || a[0] == "yes");
  } else if (cmd == "cpu") {
    if (a.size() != 1) fail(kUsage, 64);
    writeKnob(l, knob::kCpuBrand, a[0]);
  } else if (cmd == "user") {
    if (a.size() != 1) fail(kUsage, 64);
    writeKnob(l, knob::kConsoleUser, a[0]);
    QDir().mkpath(l.root() + "/Users/" + a[0] + "/Library/Preferences");
    QDir().mkpath(l.root() + "/Users/" + a[0] + "/Desktop");
  } else if (cmd == "version") {
    if (a.size() != 1) fail(kUsage, 64);
    const QString file = l.root() + "/System/Library/CoreServices/SystemVersion.plist";
    QVariantMap v = plist::readDictionary(file).value_or(QVariantMap{{"ProductName", "macOS"}});
    v["ProductVersion"] = a[0];
    if (!plist::writeFile(file, v)) fail("cannot write " + file, 1);
  } else if (cmd == "knob") {
    if (a.isEmpty()) fail(kUsage, 64);
    const QString name = a.takeFirst();
    if (a.size() == 1 && a[0] == "--unset")
      writeKnob(l, name, QVariant());
    else if (a.isEmpty())
      out(readKnob(l, name).toString() + "\n");
    else if (a.size() == 1)
      writeKnob(l, name, parseValue(a[0]));
    else
      writeKnob(l, name, a);
  } else if (cmd == "knobs") {
    out(QString::fromUtf8(plist::toXml(plist::readDictionary(l.knobsFile()).value_or(QVariantMap()))));
  } else if (cmd == "hide") {
    if (a.isEmpty()) fail(kUsage, 64);
    setHiddenFlag(l, a[0], !(a.size() > 1 && a[1] == "off"));
  } else if (cmd == "finderinfo") {
    if (a.isEmpty()) fail(kUsage, 64);
    if (a.size() > 1 && a[1] == "off")
      removeExtendedAttribute(l, a[0], kFinderInfoAttribute);
    else
      setExtendedAttribute(l, a[0], kFinderInfoAttribute, QByteArray(32, '\0'));
  } else if (cmd == "openfail") {
    if (a.isEmpty()) fail(kUsage, 64);
    editList(l, knob::kFailOpenURL, a[0], !(a.size() > 1 && a[1] == "off"));
  } else if (cmd == "opened") {
    for (const QString& r : openedRecords(l)) out(r + "\n");
  } else if (cmd == "install-tools") {
    const QString tools = a.isEmpty() ? QFileInfo(QString::fromLocal8Bit(argv[0])).absolutePath() : a[0];
    QString error;
    if (!installTools(l, tools, &error)) fail(error, 1);
  } else {
    fail(kUsage, 64);
  }
  return 0;
}
