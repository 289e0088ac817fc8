// hdiutil of the simulated Mac: disk images are real files that hold their
// volume's name, file system, capacity and files. create makes one, attach
// (mount) shows its volume under /Volumes with a VolumeUUID, detach (or diskutil
// eject) writes the files back, resize changes the capacity.
#include "world/lib/Build.h"
#include "world/lib/ImageFile.h"
#include "world/programs/common/Tool.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

using namespace world;
using tool::fail;
using tool::out;

namespace {

Layout gWorld;

void usage() {
  fail("Usage: hdiutil <verb> <options>\n"
       "<verb> is one of the following:\n"
       "attach\ncreate\ndetach\neject\nmount\nresize\ninfo\nimageinfo",
       1);
}

// mkfile(8) sizes: a plain number of bytes, or ??b (512-byte blocks), ??k, ??m, ??g, ??t.
qint64 parseSize(const QString& text, bool* ok) {
  QString t = text.trimmed().toLower();
  qint64 factor = 1;
  if (t.endsWith('b')) factor = 512;
  else if (t.endsWith('k')) factor = 1024;
  else if (t.endsWith('m')) factor = 1024LL * 1024;
  else if (t.endsWith('g')) factor = 1024LL * 1024 * 1024;
  else if (t.endsWith('t')) factor = 1024LL * 1024 * 1024 * 1024;
  if (factor != 1 || t.endsWith('b')) t.chop(1);
  const double v = t.toDouble(ok);
  return *ok && v > 0 ? qint64(v * double(factor)) : 0;
}

void failIfKnob(const QString& verb) {
  if (toolShouldFail(gWorld, "hdiutil", verb))
    fail(QString("hdiutil: %1 failed - Input/output error").arg(verb), 1);
}

const Media* attachedDisk(const DiskDatabase& db, const QString& imageHost) {
  const QString c = QFileInfo(imageHost).canonicalFilePath();
  for (const Media& m : db.media())
    if (!m.imagePath.isEmpty() && QFileInfo(m.imagePath).canonicalFilePath() == c) return &m;
  return nullptr;
}

void printAttach(const DiskDatabase& db, const QString& wholeId) {
  const Media* w = db.find(wholeId);
  if (!w) return;
  out(QString("/dev/%1          \t%2\t\n").arg(w->id, w->content.leftJustified(31)));
  for (const Media* p : db.children(wholeId))
    out(QString("/dev/%1        \t%2\t%3\n")
            .arg(p->id, p->content.leftJustified(31), p->mounted() ? p->mountPoint : QString()));
}

bool writableAt(const QString& macPath) {
  DiskDatabase db(gWorld);
  if (!db.load()) return true;
  const Media* v = db.volumeForPath(QFileInfo(macPath).path());
  if (!v) return true;
  if (v->startup) return !(macPath.startsWith("/System/") && !macPath.startsWith("/System/Volumes/"));
  return db.writable(*v);
}

int cmdCreate(const QStringList& args) {
  QString path, volname = "untitled", fs = "HFS+", format = "UDRW", src;
  qint64 size = 0;
  bool overwrite = false;
  for (int i = 0; i < args.size(); ++i) {
    const QString a = args[i];
    auto value = [&]() -> QString {
      if (i + 1 >= args.size()) usage();
      return args[++i];
    };
    if (a == "-volname") volname = value();
    else if (a == "-size") {
      bool ok = false;
      const QString s = value();
      size = parseSize(s, &ok);
      if (!ok) fail(QString("hdiutil: create: invalid size \"%1\"").arg(s), 1);
    } else if (a == "-megabytes") size = value().toLongLong() * 1024 * 1024;
    else if (a == "-fs") fs = value();
    else if (a == "-format") format = value();
    else if (a == "-srcfolder" || a == "-srcdir") src = value();
    else if (a == "-type" || a == "-layout" || a == "-fsargs" || a == "-volsize" || a == "-uid" || a == "-gid" ||
             a == "-mode" || a == "-attach" || a == "-encryption")
      value();
    else if (a == "-ov") overwrite = true;
    else if (a == "-quiet" || a == "-verbose" || a == "-debug" || a == "-puppetstrings" || a == "-nospotlight")
      continue;
    else if (a.startsWith('-')) fail(QString("hdiutil: create: unknown option \"%1\"").arg(a), 1);
    else path = a;
  }
  if (path.isEmpty()) fail("hdiutil: create: no image path given", 1);
  failIfKnob("create");
  if (!path.startsWith('/')) path = QDir::cleanPath(tool::macPath(gWorld, QDir::currentPath()) + "/" + path);
  const QString suffix = QFileInfo(path).suffix().toLower();
  if (suffix != "dmg" && suffix != "sparseimage" && suffix != "sparsebundle" && suffix != "cdr") path += ".dmg";
  auto p = personalityNamed(fs);
  if (!p) fail(QString("hdiutil: create failed - unknown file system \"%1\"").arg(fs), 1);
  const QString host = tool::hostPath(gWorld, path);
  if (!QFileInfo(QFileInfo(host).path()).isDir()) fail("hdiutil: create failed - No such file or directory", 1);
  if (QFileInfo::exists(host) && !overwrite) fail("hdiutil: create failed - File exists", 1);
  if (!writableAt(path)) fail("hdiutil: create failed - Read-only file system", 1);
  QString srcHost;
  qint64 content = 0;
  if (!src.isEmpty()) {
    srcHost = tool::hostPath(gWorld, src);
    if (!QFileInfo(srcHost).isDir()) fail("hdiutil: create failed - No such file or directory", 1);
    content = folderBytes(srcHost);
  }
  if (size == 0) size = std::max<qint64>(content + content / 4 + 1048576, 4 * 1048576);
  if (content > size) fail("hdiutil: create failed - No space left on device", 1);
  {
    DiskDatabase db(gWorld);
    db.load();
    if (const Media* v = db.volumeForPath(QFileInfo(path).path()); v && db.freeBytes(*v) < content)
      fail("hdiutil: create failed - No space left on device", 1);
  }
  out("....");
  tool::holdIfAsked(gWorld, "hdiutil", "create");
  tool::paceOrEnd(gWorld, 2);
  ImageHeader h;
  h.volumeName = volname;
  h.personality = p->name;
  h.format = format;
  h.capacity = size;
  h.volumeUUID = newUuid();
  QString error;
  if (!writeImage(host, h, srcHost, &error)) {
    out("\n");
    fail("hdiutil: create failed - " + error, 1);
  }
  out(".\ncreated: " + path + "\n");
  return 0;
}

int cmdAttach(const QStringList& args) {
  QString path, mountRoot;
  bool readOnly = false;
  for (int i = 0; i < args.size(); ++i) {
    const QString a = args[i];
    if (a == "-readonly") readOnly = true;
    else if (a == "-mountroot" || a == "-mountpoint") {
      if (i + 1 < args.size()) mountRoot = args[++i];
    } else if (a.startsWith('-')) continue;  // -nobrowse, -noverify, -noautoopen, -quiet, -plist
    else path = a;
  }
  if (path.isEmpty()) fail("hdiutil: attach: no image given", 1);
  failIfKnob("attach");
  if (!path.startsWith('/')) path = QDir::cleanPath(tool::macPath(gWorld, QDir::currentPath()) + "/" + path);
  const QString host = tool::hostPath(gWorld, path);
  if (!QFileInfo(host).isFile()) fail("hdiutil: attach failed - No such file or directory", 1);
  auto h = readImageHeader(host);
  if (!h) fail("hdiutil: attach failed - image not recognized", 1);
  QString error, wholeId;
  const bool ok = DiskDatabase(gWorld).modify([&](DiskDatabase& db) {
    if (const Media* w = attachedDisk(db, host)) {
      wholeId = w->id;
      for (Media* v : volumesOnDisk(db, wholeId))
        if (v->content != "EFI" && !db.mountVolume(*v, &error)) return false;
      return true;
    }
    DiskSpec spec{"Disk Image", false, true, true, false, true, !(readOnly || h->format == "UDZO" || h->format == "UDRO"),
                  "Apple UDIF read-write Media", h->capacity + kEfiSize + 1048576, host};
    VolumeSpec vs{h->personality.isEmpty() ? QString("Journaled HFS+") : h->personality, h->volumeName, false};
    vs.volumeUUID = h->volumeUUID.isEmpty() ? newUuid() : h->volumeUUID;
    wholeId = addDisk(db, spec, "GUID_partition_scheme", {vs}, &error);
    if (wholeId.isEmpty()) return false;
    for (Media* v : volumesOnDisk(db, wholeId)) {
      if (v->content == "EFI") continue;
      if (v->kind == MediaKind::Partition) v->size = h->capacity;
      if (!extractImage(host, db.contentDir(*v), &error)) return false;
      if (!db.mountVolume(*v, &error)) return false;
    }
    return true;
  });
  if (!ok) fail("hdiutil: attach failed - " + (error.isEmpty() ? QString("Input/output error") : error), 1);
  DiskDatabase db(gWorld);
  db.load();
  printAttach(db, wholeId);
  return 0;
}

int cmdDetach(const QStringList& args) {
  QString target;
  for (const QString& a : args)
    if (!a.startsWith('-')) target = a;
  if (target.isEmpty()) fail("hdiutil: detach: no device given", 1);
  failIfKnob("detach");
  QString error, wholeId;
  const bool ok = DiskDatabase(gWorld).modify([&](DiskDatabase& db) {
    const Media* m = db.resolve(target);
    const Media* w = m ? db.physicalDisk(*m) : nullptr;
    if (!w || w->imagePath.isEmpty()) {
      error = "hdiutil: detach failed - No such file or directory";
      return false;
    }
    wholeId = w->id;
    const QString imagePath = w->imagePath;
    for (Media* v : volumesOnDisk(db, wholeId)) {
      if (v->content == "EFI") continue;
      ImageHeader h;
      if (auto old = readImageHeader(imagePath)) h = *old;
      h.volumeName = v->volumeName;
      h.personality = v->personality;
      h.volumeUUID = v->volumeUUID;
      if (!writeImage(imagePath, h, db.contentDir(*v), &error)) return false;
      db.unmountVolume(*v, &error, true);
      QDir(gWorld.volumesStore() + "/" + v->volumeUUID).removeRecursively();
    }
    db.removeMediaTree(wholeId);
    return true;
  });
  if (!ok) fail(error, 1);
  out(QString("\"%1\" ejected.\n").arg(wholeId));
  return 0;
}

int cmdResize(const QStringList& args) {
  QString path, sizeText;
  for (int i = 0; i < args.size(); ++i) {
    if (args[i] == "-size" && i + 1 < args.size()) sizeText = args[++i];
    else if (!args[i].startsWith('-')) path = args[i];
  }
  if (path.isEmpty() || sizeText.isEmpty()) fail("hdiutil: resize: usage: hdiutil resize -size <size> <image>", 1);
  failIfKnob("resize");
  bool ok = false;
  const qint64 size = parseSize(sizeText, &ok);
  if (!ok) fail(QString("hdiutil: resize: invalid size \"%1\"").arg(sizeText), 1);
  const QString host = tool::hostPath(gWorld, path.startsWith('/') ? path : "/" + path);
  auto h = readImageHeader(host);
  if (!h) fail("hdiutil: resize: failed. image not recognized", 1);
  DiskDatabase db(gWorld);
  db.load();
  if (attachedDisk(db, host)) fail("hdiutil: resize: failed. Resource temporarily unavailable (35)", 1);
  QTemporaryDir tmp(gWorld.state() + "/resize-XXXXXX");
  QString error;
  if (!extractImage(host, tmp.path(), &error)) fail("hdiutil: resize: failed. " + error, 1);
  if (folderBytes(tmp.path()) > size) fail("hdiutil: resize: failed. File system is too small for its content", 1);
  h->capacity = size;
  if (!writeImage(host, *h, tmp.path(), &error)) fail("hdiutil: resize: failed. " + error, 1);
  return 0;
}

int cmdInfo() {
  DiskDatabase db(gWorld);
  db.load();
  out("framework       : 671.100.2\ndriver          : 671.100.2\n");
  for (const Media& m : db.media()) {
    if (m.imagePath.isEmpty()) continue;
    out("================================================\n");
    out("image-path      : " + tool::macPath(gWorld, m.imagePath) + "\n");
    printAttach(db, m.id);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  tool::installSignalHandlers();
  gWorld = tool::requireWorld("hdiutil");
  QStringList args = tool::arguments(argc, argv);
  if (args.isEmpty()) usage();
  const QString verb = args.takeFirst();
  if (verb == "create") return cmdCreate(args);
  if (verb == "attach" || verb == "mount") return cmdAttach(args);
  if (verb == "detach" || verb == "eject") return cmdDetach(args);
  if (verb == "resize") return cmdResize(args);
  if (verb == "info") return cmdInfo();
  fail(QString("hdiutil: %1: unknown verb").arg(verb), 1);
}
