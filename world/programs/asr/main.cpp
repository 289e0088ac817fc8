// asr of the simulated Mac: `asr restore --source / --target VOLUME --erase`
// really copies the startup volume (without /Volumes and /System/Volumes/*) onto
// the target volume, with the Mac tool's prompt and its phase and percent
// output, each mark written on its own so a reader sees it as one chunk.
#include "world/lib/Build.h"
#include "world/lib/DiskInfo.h"
#include "world/programs/common/Tool.h"

#include <QDir>
#include <QFileInfo>

#include <unistd.h>

using namespace world;
using tool::fail;
using tool::out;

namespace {

Layout gWorld;

using tool::ended;

void step(double paceSteps = 1) { tool::paceOrEnd(gWorld, paceSteps); }

void usage() {
  fail("Usage: asr restore --source <source> --target <target> [--erase] [--noprompt] [--noverify]\n"
       "       asr help | version",
       1);
}

// Prints the ten marks of a pass; `upTo` says how far the work has got (0-100).
class Marks {
 public:
  void advance(int upTo) {
    while (next_ <= 100 && next_ <= upTo) {
      out("....");
      step(0.5);
      out(QString::number(next_));
      step(0.5);
      next_ += 10;
    }
  }
  bool done() const { return next_ > 100; }

 private:
  int next_ = 10;
};

QString readAnswer() {
  QByteArray line;
  char c;
  for (;;) {
    const ssize_t n = ::read(0, &c, 1);
    if (n == 1) {
      if (c == '\n') break;
      line += c;
      continue;
    }
    if (n < 0 && errno == EINTR) {
      if (tool::terminated()) ended();
      continue;
    }
    break;  // end of input
  }
  return QString::fromUtf8(line).trimmed();
}

}  // namespace

int main(int argc, char** argv) {
  tool::installSignalHandlers();
  gWorld = tool::requireWorld("asr");
  QStringList args = tool::arguments(argc, argv);
  if (args.isEmpty()) usage();
  const QString verb = args.takeFirst();
  if (verb == "version" || verb == "--version") {
    out("asr 508.100.1\n");
    return 0;
  }
  if (verb != "restore" && verb != "--restore") usage();
  QString source, target;
  bool erase = false, prompt = true, verify = true;
  for (int i = 0; i < args.size(); ++i) {
    const QString a = args[i];
    const QString o = a.startsWith("--") ? a.mid(2) : (a.startsWith('-') ? a.mid(1) : a);
    if ((o == "source" || o == "s") && i + 1 < args.size())
      source = args[++i];
    else if ((o == "target" || o == "t") && i + 1 < args.size())
      target = args[++i];
    else if (o == "erase")
      erase = true;
    else if (o == "noprompt")
      prompt = false;
    else if (o == "noverify")
      verify = false;
    else if (o == "verbose" || o == "puppetstrings" || o == "noclean")
      continue;
    else
      usage();
  }
  if (source.isEmpty() || target.isEmpty()) usage();

  DiskDatabase db(gWorld);
  if (!db.load()) fail("asr: Couldn't open the disk database", 1);
  out("\tValidating target...");
  step();
  const Media* t = db.resolve(target);
  if (!t || !t->hasFileSystem() || !t->mounted()) {
    out("\n");
    fail("Could not validate target - No such file or directory", 1);
  }
  if (db.holdsStartup(*t)) {
    out("\n");
    fail("Could not validate target - the target is on the startup disk (Resource busy)", 1);
  }
  if (!db.writable(*t)) {
    out("\n");
    fail("Could not validate target - Read-only file system", 1);
  }
  const QString targetId = t->id;
  const QString targetDir = db.contentDir(*t);
  out("done\n");
  out("\tValidating source...");
  step();
  const Media* s = db.resolve(source);
  if (!s || !s->mounted()) {
    out("\n");
    fail("Could not validate source - No such file or directory", 1);
  }
  const bool wholeSystem = s->startup;
  const QString sourceDir = wholeSystem ? gWorld.root() : db.contentDir(*s);
  const QString sourceName = s->volumeName;
  const QStringList skip = wholeSystem ? QStringList{gWorld.root() + "/Volumes", gWorld.root() + "/System/Volumes"}
                                       : QStringList{};
  const qint64 needed = wholeSystem ? db.usedBytes(*s) : folderBytes(sourceDir);
  const qint64 room = db.capacity(*t);
  out("done\n");
  if (!erase) fail("asr: the target must be erased to restore a volume; use --erase", 1);
  if (prompt) {
    out(QString("\tErase contents of /dev/%1 (%2)? [ny]: ").arg(targetId, t->mountPoint));
    const QString answer = readAnswer();
    if (!answer.startsWith('y', Qt::CaseInsensitive)) fail("Could not restore - Operation canceled", 1);
  }
  out("\tValidating sizes...");
  step();
  if (needed > room) {
    out("\n");
    fail(QString("Could not restore - Not enough space on target (needed %1, available %2)").arg(needed).arg(room),
         1);
  }
  out("done\n");

  // Restoring: the target's files are replaced by a copy of the source.
  tool::emptyFolder(targetDir);
  out("\tRestoring  ");
  step();
  Marks restore;
  QString error;
  const bool failHalfway = toolShouldFail(gWorld, "asr");
  const bool copied = tool::copyTree(
      sourceDir, targetDir, skip,
      [&](qint64 done) {
        if (tool::terminated()) return false;
        const int percent = needed > 0 ? int(std::min<qint64>(99, done * 100 / needed)) : 99;
        if (failHalfway && percent >= 30) return false;
        restore.advance(percent / 10 * 10);
        return true;
      },
      &error);
  if (tool::terminated()) ended();
  if (!copied || failHalfway) {
    out("\n");
    fail("Could not restore - Input/output error", 1);
  }
  if (wholeSystem) {
    for (const char* f : {"/Volumes", "/System/Volumes/Data", "/System/Volumes/Preboot", "/System/Volumes/VM"})
      QDir().mkpath(targetDir + QString(f));
  }
  restore.advance(100);
  out("\n");
  if (verify) {
    out("\tVerifying  ");
    step();
    Marks check;
    check.advance(100);
    out("\n");
  }
  // asr closes the pass before it reports the target, so its last mark reaches
  // the reader as a line of its own.
  step(2);
  out(QString("\tRestored target device is /dev/%1.\n").arg(targetId));

  // As on a Mac, the copy takes the source's name and, for an APFS system, the
  // volumes its volume group boots with.
  out("\tRemounting target volume...");
  const bool ok = DiskDatabase(gWorld).modify([&](DiskDatabase& d) {
    Media* v = d.find(targetId);
    if (!v) return false;
    QString e;
    d.unmountVolume(*v, &e, true);
    v->volumeName = sourceName;
    if (wholeSystem && v->kind == MediaKind::Volume) {
      v->role = "System";
      const QString container = v->parent;
      QStringList roles;
      for (const Media* c : d.children(container)) roles << c->role;
      for (const QString role : {"Preboot", "Recovery", "VM"}) {
        if (roles.contains(role)) continue;
        VolumeSpec spec{"APFS", role, false};
        spec.role = role;
        const QString id = addApfsVolume(d, container, spec, &e);
        if (role == "Preboot" && !id.isEmpty()) {
          const Media* pb = d.find(id);
          const QString dir = d.contentDir(*pb);
          QDir().mkpath(dir + "/" + v->volumeUUID + "/System/Library/CoreServices");
          QFile f(dir + "/" + v->volumeUUID + "/System/Library/CoreServices/boot.efi");
          if (f.open(QIODevice::WriteOnly)) f.write(QByteArray(4096, 'b'));
        }
      }
      v = d.find(targetId);
    }
    return d.mountVolume(*v, &e);
  });
  if (!ok) {
    out("\n");
    fail("Could not remount the target volume", 1);
  }
  out("done\n");
  return 0;
}
