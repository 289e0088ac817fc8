// Side-by-side figures for the file tree, the size totaller, the copy engine,
// the file browser, the archive engine, the disk manager's rescan and the main
// window's first paint. Each figure runs our code and its reference alternately,
// several times, in this one process, and compares the medians.
//
//   qdc-bench WORKDIR [figure ...]     figures: scan browser total nodes copy big zip rescan paint
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <malloc.h>
#include <unistd.h>
#include <vector>

#include "copy/DiskListWC.h"
#include "disktool/DiskManagerDisks.h"
#include "platform/Paths.h"
#include "uikit/TCImageWindow.h"
#include "platform/Queue.h"
#include "services/Controller.h"
#include "services/DoCopyFiles.h"
#include "services/EumeRoot.h"
#include "services/FileNode.h"
#include "services/GetFilesSize.h"
#include "image/MakeDmg.h"

namespace {

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// Sleeps in the event loop (no polling, which would take a core from rsync);
// every awaited report arrives as, or is followed by, a main-thread event.
void waitUntil(const std::function<bool()>& done) {
  while (!done()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

double seconds(const std::function<void()>& body) {
  QElapsedTimer t;
  t.start();
  body();
  return double(t.nsecsElapsed()) / 1e9;
}

// A shell line as the reference side runs it; output discarded.
double shell(const QString& line) {
  return seconds([&] {
    QProcess p;
    p.setStandardOutputFile(QProcess::nullDevice());
    p.setStandardErrorFile(QProcess::nullDevice());
    p.start("/bin/sh", {"-c", line});
    p.waitForFinished(-1);
  });
}

QString q(const QString& s) { return "'" + QString(s).replace("'", "'\\''") + "'"; }

void writeSmall(const QByteArray& path, int bytes) {
  static const QByteArray data(1 << 16, 'q');
  const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return;
  if (bytes > 0 && ::write(fd, data.constData(), size_t(bytes)) < 0) perror("write");
  ::close(fd);
}

bool makeFlat(const QString& dir, int files) {
  if (QFileInfo::exists(dir + "/.done")) return true;
  QDir(dir).removeRecursively();
  QDir().mkpath(dir);
  QRandomGenerator rng(7);
  for (int i = 0; i < files; ++i)
    writeSmall(QString("%1/file%2.dat").arg(dir).arg(i).toUtf8(), int(rng.bounded(600)));
  writeSmall((dir + "/.done").toUtf8(), 0);
  return true;
}

// 20,000 folders (20 top folders, each 10 × 100 folders deep two levels) holding 10 files each.
bool makeTree(const QString& dir) {
  if (QFileInfo::exists(dir + "/.done")) return true;
  QDir(dir).removeRecursively();
  QRandomGenerator rng(11);
  int folders = 0;
  for (int a = 0; a < 20; ++a)
    for (int b = 0; b < 10; ++b)
      for (int c = 0; c < 100; ++c) {
        const QString f = QString("%1/top%2/mid%3/leaf%4").arg(dir).arg(a).arg(b).arg(c);
        QDir().mkpath(f);
        ++folders;
        for (int i = 0; i < 10; ++i)
          writeSmall(QString("%1/f%2.txt").arg(f).arg(i).toUtf8(), int(rng.bounded(300)));
      }
  writeSmall((dir + "/.done").toUtf8(), 0);
  return folders > 0;
}

void report(const char* name, double ours, double reference, const char* unit) {
  std::printf("%s: %.4g%s vs %.4g%s = %.2fx\n", name, ours, unit, reference, unit, ours / reference);
  std::fflush(stdout);
}

FileNodeListRef scanRoot(const QString& dir) {
  Controller c;
  auto list = std::make_shared<FileNodeList>();
  c.eumeAllRootFileNodeWithRootArr(list, dir, true, true);
  waitUntil([&] { return c.isScanFinished(); });
  return list;
}

void figureScan(const QString& work, int reps) {
  const QString dir = work + "/flat";
  makeFlat(dir, 100000);
  shell("find " + q(dir) + " -maxdepth 1 -printf '%s\\n'");  // warm the caches
  std::vector<double> ours, ref;
  const QString findLine = "find " + q(dir) + " -maxdepth 1 -printf '%s\\n'";
  for (int i = 0; i < reps; ++i) {
    if (i % 2) ref.push_back(shell(findLine));
    ours.push_back(seconds([&] { scanRoot(dir); }));
    if (i % 2 == 0) ref.push_back(shell(findLine));
  }
  report("scan", median(ours), median(ref), "s");
}

// The file browser lists the flat folder through its real outline (offscreen):
// from the start until the listing has ended with every entry a row of the
// outline's model. Meanwhile a 5 ms timer measures the longest the event loop
// was held; it is set against the 100 ms a user would notice.
void figureBrowser(const QString& work, int reps) {
  const QString dir = work + "/flat";
  makeFlat(dir, 100000);
  const QString findLine = "find " + q(dir) + " -maxdepth 1 -printf '%s\\n'";
  shell(findLine);
  const int entries = int(QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System).size());
  std::vector<double> ours, ref, stalls;
  for (int i = 0; i < reps; ++i) {
    if (i % 2) ref.push_back(shell(findLine));
    DiskListWC browser;
    browser.window()->show();
    QCoreApplication::processEvents();
    ListFileViewController* list = browser.listFileVC();
    QElapsedTimer sinceTick;
    double longest = 0;
    QTimer ticker;
    ticker.setInterval(5);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
      longest = std::max(longest, double(sinceTick.nsecsElapsed()) / 1e6);
      sinceTick.restart();
    });
    ticker.start();
    sinceTick.start();
    ours.push_back(seconds([&] {
      list->getRootNodeListWithPath(dir);
      waitUntil([&] { return !list->isScan() && list->model()->rowCount() == entries; });
    }));
    // The rows on screen are drawn too.
    list->outlineView()->viewport()->repaint();
    QCoreApplication::processEvents();
    longest = std::max(longest, double(sinceTick.nsecsElapsed()) / 1e6);
    stalls.push_back(longest);
    if (i % 2 == 0) ref.push_back(shell(findLine));
  }
  report("browser list", median(ours), median(ref), "s");
  report("browser stall", *std::max_element(stalls.begin(), stalls.end()), 100.0, "ms");
}

struct SizeWaiter : GetFilesSizeDelegate {
  std::atomic<bool> done{false};
  std::atomic<qint64> total{0};
  void allCopyFilesSize(qint64 s) override {  // on the worker: wake the main thread
    total = s;
    platform::dispatchMain([this] { done = true; });
  }
};

void figureTotal(const QString& work, int reps) {
  const QString dir = work + "/tree";
  makeTree(dir);
  FileNodeListRef roots = scanRoot(dir);  // the top folders, ticked
  shell("du -sb " + q(dir));
  std::vector<double> ours, ref;
  for (int i = 0; i < reps; ++i) {
    ours.push_back(seconds([&] {
      SizeWaiter w;
      auto g = GetFilesSize::create();
      g->setDelegate(&w);
      g->getAllFilesSizeWithArr(*roots);
      waitUntil([&] { return w.done.load(); });
    }));
    ref.push_back(shell("du -sb " + q(dir)));
  }
  report("total", median(ours), median(ref), "s");
}

void expandAll(Controller& c, FileNode* node, size_t& count) {
  ++count;
  if (!node->isDirectory()) return;
  c.getNodeListWithFaterNode(node);
  node->setIsExpand(true);
  for (const FileNodePtr& child : node->children()) expandAll(c, child.data(), count);
}

void figureNodes(const QString& work) {
  const QString dir = work + "/tree";
  makeTree(dir);
  malloc_trim(0);
  const size_t before = mallinfo2().uordblks;
  size_t count = 0;
  {
    Controller c;
    auto list = std::make_shared<FileNodeList>();
    c.eumeAllRootFileNodeWithRootArr(list, dir, false, false);
    waitUntil([&] { return c.isScanFinished(); });
    for (const FileNodePtr& root : *list) expandAll(c, root.data(), count);
    const size_t after = mallinfo2().uordblks;
    report("node bytes", double(after - before) / double(count), 160.0, "");
    std::fprintf(stderr, "(%zu nodes)\n", count);
  }
}

struct CopyWaiter : DoCopyFilesDelegate {
  bool done = false;
  CopyOutcome outcome = CopyOutcome::Failed;
  void copyFilesFinished(CopyOutcome o) override {
    outcome = o;
    done = true;
  }
};

double engineCopy(const FileNodeList& items, const QString& dest) {
  QDir(dest).removeRecursively();
  QDir().mkpath(dest);
  return seconds([&] {
    DoCopyFiles engine;
    CopyWaiter w;
    engine.setDelegate(&w);
    engine.doCopyFilesWithArr(items, dest, CopyItems::DroppedItems);
    waitUntil([&] { return w.done; });
    if (w.outcome != CopyOutcome::AllCopied) std::fprintf(stderr, "copy did not succeed\n");
  });
}

double shellCopy(const QString& line, const QString& dest) {
  QDir(dest).removeRecursively();
  QDir().mkpath(dest);
  return shell(line);
}

void figureCopyItems(const QString& work, int reps) {
  const QString src = work + "/items";
  if (!QFileInfo::exists(src + "/.done")) {
    for (int d = 0; d < 100; ++d) {
      QDir().mkpath(QString("%1/folder%2").arg(src).arg(d));
      for (int f = 0; f < 20; ++f)
        writeSmall(QString("%1/folder%2/file%3.txt").arg(src).arg(d).arg(f).toUtf8(), 200 + f);
    }
    writeSmall((src + "/.done").toUtf8(), 0);
  }
  FileNodeList items;
  QString loop, all;
  for (int d = 0; d < 100; ++d) {
    const QString path = QString("%1/folder%2").arg(src).arg(d);
    items << FileNode::initWithPath(path, QFileInfo(path).fileName(), true);
    all += " " + q(path);
  }
  const QString dest = work + "/dest";
  loop = "for d in " + all + "; do /usr/bin/rsync -av \"$d\" " + q(dest) + "; done";
  const QString one = "/usr/bin/rsync -a" + all + " " + q(dest);
  std::vector<double> ours, refLoop, refOne;
  for (int i = 0; i < reps; ++i) {
    // Alternate who goes first, so neither side always follows the other's clean-up.
    if (i % 2) refLoop.push_back(shellCopy(loop, dest));
    ours.push_back(engineCopy(items, dest));
    if (i % 2 == 0) refLoop.push_back(shellCopy(loop, dest));
    refOne.push_back(shellCopy(one, dest));
  }
  report("copy items", median(ours), median(refLoop), "s");
  report("copy one-rsync", median(ours), median(refOne), "s");
}

void figureCopyBig(const QString& work, int reps) {
  const QString file = work + "/big/one.bin";
  if (QFileInfo(file).size() != (qint64(1) << 30)) {
    QDir().mkpath(work + "/big");
    shell("head -c 1073741824 /dev/urandom > " + q(file));
  }
  FileNodeList items{FileNode::initWithPath(file, "one.bin", false)};
  items[0]->setSize(quint64(1) << 30);
  const QString dest = work + "/dest";
  std::vector<double> ours, refRsync, refCp;
  const QString rsyncLine = "/usr/bin/rsync -av " + q(file) + " " + q(dest);
  for (int i = 0; i < reps; ++i) {
    if (i % 2) refRsync.push_back(shellCopy(rsyncLine, dest));
    ours.push_back(engineCopy(items, dest));
    if (i % 2 == 0) refRsync.push_back(shellCopy(rsyncLine, dest));
    refCp.push_back(shellCopy("cp " + q(file) + " " + q(dest) + "/", dest));
  }
  QDir(dest).removeRecursively();
  report("copy big", median(ours), median(refRsync), "s");
  report("copy big cp", median(ours), median(refCp), "s");
}

// 200 MB of mixed files: incompressible blocks, text and many small files.
bool makeMixed(const QString& dir) {
  if (QFileInfo::exists(dir + "/.done")) return true;
  QDir(dir).removeRecursively();
  QDir().mkpath(dir + "/media");
  QDir().mkpath(dir + "/text");
  for (int i = 0; i < 18; ++i)
    shell(QString("head -c 6000000 /dev/urandom > %1").arg(q(QString("%1/media/clip%2.bin").arg(dir).arg(i))));
  QRandomGenerator rng(5);
  for (int i = 0; i < 12; ++i) {
    QFile f(QString("%1/text/log%2.txt").arg(dir).arg(i));
    if (!f.open(QIODevice::WriteOnly)) return false;
    QByteArray line;
    for (int n = 0; n < 100000; ++n) {
      line = QByteArray::number(rng.generate()) + " event " + QByteArray::number(n) + " status ok\n";
      f.write(line);
    }
  }
  for (int d = 0; d < 40; ++d) {
    const QString sub = QString("%1/small/d%2").arg(dir).arg(d);
    QDir().mkpath(sub);
    for (int i = 0; i < 50; ++i) writeSmall(QString("%1/f%2.txt").arg(sub).arg(i).toUtf8(), int(rng.bounded(60000)));
  }
  writeSmall((dir + "/.done").toUtf8(), 0);
  return true;
}

struct ZipWaiter : MakeDmgDelegate {
  bool done = false;
  bool ok = false;
  void makeDmgFailWithError(int) override { done = true; }
  void copyFileToDmgWithFileName(const QString&, float p) override {
    if (p >= 100) ok = done = true;
  }
};

double engineZip(const QString& folder, const QString& archive) {
  QFile::remove(archive);
  return seconds([&] {
    MakeDmg engine;
    ZipWaiter w;
    engine.setMakeDmgDelegate(&w);
    engine.doZipWithPath(archive, {FileNode::initWithPath(folder, QFileInfo(folder).fileName(), true)});
    waitUntil([&] { return w.done; });
    if (!w.ok) std::fprintf(stderr, "zip did not succeed\n");
  });
}

void figureZip(const QString& work, int reps) {
  const QString src = work + "/mixed";
  if (!makeMixed(src)) return;
  const QString archive = work + "/mixed.zip";
  const QString line = "/usr/bin/zip -r " + q(archive) + " " + q(src);
  std::vector<double> ours, ref;
  for (int i = 0; i < reps; ++i) {
    if (i % 2) ref.push_back(seconds([&] { QFile::remove(archive); shell(line); }));
    ours.push_back(engineZip(src, archive));
    if (i % 2 == 0) ref.push_back(seconds([&] { QFile::remove(archive); shell(line); }));
  }
  QFile::remove(archive);
  report("zip folder", median(ours), median(ref), "s");
}

}  // namespace

// A program of this build's bin folder, run to its end; false when it failed.
bool runTool(const QString& name, const QStringList& args) {
  QProcess p;
  p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  p.setStandardOutputFile(QProcess::nullDevice());
  p.start(QCoreApplication::applicationDirPath() + "/" + name, args);
  return p.waitForFinished(-1) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// Uses the world at `root` for the platform calls of this process until the scope ends.
struct InWorld {
  explicit InWorld(const QString& root) {
    qputenv("QDC_ROOT", QFile::encodeName(root));
    platform::resetPathsForTesting();
  }
  ~InWorld() {
    qunsetenv("QDC_ROOT");
    platform::resetPathsForTesting();
  }
};

// The disk manager's rescan of 30 mounted volumes against the same 30
// "diskutil info -plist" lines run one after another by one shell.
void figureRescan(const QString& work, int reps) {
  const QString dir = work + "/world30";
  if (!QFileInfo::exists(dir + "/.done")) {
    QDir(dir).removeRecursively();
    if (!runTool("qdc-world", {"create", dir})) return;
    // The startup volume and 29 sticks.
    for (int i = 1; i < 30; ++i)
      if (!runTool("qdc-world", {"attach", dir, "--new", "usb", QString("Stick %1").arg(i), "64M", "ExFAT"})) return;
    writeSmall((dir + "/.done").toUtf8(), 0);
  }
  InWorld world(dir + "/root");
  const QList<VolumeObjPtr> found = diskmanager::scanVolumes();
  if (found.size() != 30) std::fprintf(stderr, "rescan lists %d volumes, not 30\n", int(found.size()));
  QString line;
  for (const VolumeObjPtr& v : found)
    line += q(platform::toolPath("/usr/sbin/diskutil")) + " info -plist " + q(QString(v->volumePath).remove("/dev/")) +
            " >/dev/null; ";
  const QProcessEnvironment env = platform::toolEnvironment();
  auto reference = [&] {
    return seconds([&] {
      QProcess p;
      p.setProcessEnvironment(env);
      p.setStandardOutputFile(QProcess::nullDevice());
      p.start("/bin/sh", {"-c", line});
      p.waitForFinished(-1);
    });
  };
  std::vector<double> ours, theirs;
  for (int i = 0; i < reps; ++i) {
    ours.push_back(seconds([] { diskmanager::scanVolumes(); }));
    theirs.push_back(reference());
  }
  report("disk manager rescan, 30 volumes (scan vs diskutil info lines)", median(ours), median(theirs), "s");
}

// Start to first paint: the main window with its five screens against a bare
// window of the same size, in the same run. On an X server when Xvfb is there
// (a display connection, as the program has in `./dev run`), and on Qt's
// offscreen platform, which has none and so makes the bare window far cheaper.
void figurePaint(const QString& work, int reps) {
  const QString dir = work + "/demo";
  if (!QFileInfo::exists(dir + "/.done")) {
    QDir(dir).removeRecursively();
    if (!runTool("qdc-world", {"create", dir, "--demo"})) return;
    writeSmall((dir + "/.done").toUtf8(), 0);
  }
  auto measure = [&](const QProcessEnvironment& env, const char* name) {
    // From the start of the process to its line at the first paint; its exit is not counted.
    auto firstPaint = [&](const QString& program) {
      QProcess p;
      p.setProcessEnvironment(env);
      QElapsedTimer t;
      t.start();
      p.start(QCoreApplication::applicationDirPath() + "/" + program, QStringList());
      QByteArray out;
      while (p.state() != QProcess::NotRunning && !out.contains("painted")) {
        p.waitForReadyRead(-1);
        out += p.readAllStandardOutput();
      }
      const double elapsed = double(t.nsecsElapsed()) / 1e9;
      p.waitForFinished(-1);
      if (!out.contains("painted")) std::fprintf(stderr, "%s did not paint\n", qPrintable(program));
      return elapsed;
    };
    firstPaint("qdc-bench-paint-bare");  // warm the caches
    firstPaint("qdc-bench-paint-main");
    std::vector<double> ours, theirs;
    for (int i = 0; i < reps; ++i) {
      ours.push_back(firstPaint("qdc-bench-paint-main"));
      theirs.push_back(firstPaint("qdc-bench-paint-bare"));
    }
    report(name, median(ours), median(theirs), "s");
  };
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QDC_ROOT", dir + "/root");

  const QString xvfb = QStandardPaths::findExecutable("Xvfb");
  if (!xvfb.isEmpty()) {
    // Xvfb picks a free display and writes its number once it accepts clients.
    QProcess server;
    server.start(xvfb, {"-displayfd", "1", "-screen", "0", "1600x1000x24", "-nolisten", "tcp"});
    QByteArray number;
    while (server.state() != QProcess::NotRunning && !number.contains('\n') && server.waitForReadyRead(10000))
      number += server.readAllStandardOutput();
    if (number.trimmed().isEmpty()) {
      std::fprintf(stderr, "Xvfb did not start; the first paint is measured offscreen only\n");
    } else {
      QProcessEnvironment x = env;
      x.insert("QT_QPA_PLATFORM", "xcb");
      x.insert("DISPLAY", ":" + QString::fromLatin1(number.trimmed()));
      measure(x, "first paint, main window with five screens vs bare window (X server, Xvfb)");
    }
    server.terminate();
    server.waitForFinished(5000);
  }
  env.insert("QT_QPA_PLATFORM", "offscreen");
  measure(env, "first paint, main window with five screens vs bare window (offscreen)");
}

int main(int argc, char** argv) {
  qputenv("QT_LOGGING_RULES", "qdc.system=false");
  // The fixtures are host folders: with no world, both sides of every figure run
  // the host's tools on the same paths.
  qunsetenv("QDC_ROOT");
  // The browser figure draws its window without a display.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QStringList args = app.arguments().mid(1);
  if (args.isEmpty()) {
    std::fprintf(stderr, "usage: qdc-bench WORKDIR [scan|browser|total|nodes|copy|big|zip|rescan|paint ...]\n");
    return 2;
  }
  const QString work = QDir(args.takeFirst()).absolutePath();
  QDir().mkpath(work);
  if (args.isEmpty()) args = {"scan", "browser", "total", "nodes", "copy", "big", "zip", "rescan", "paint"};
  const int reps = qEnvironmentVariableIsSet("QDC_BENCH_REPS") ? qEnvironmentVariableIntValue("QDC_BENCH_REPS") : 5;
  for (const QString& figure : args) {
    if (figure == "scan") figureScan(work, reps);
    else if (figure == "browser") figureBrowser(work, reps);
    else if (figure == "total") figureTotal(work, reps);
    else if (figure == "nodes") figureNodes(work);
    else if (figure == "copy") figureCopyItems(work, reps);
    else if (figure == "big") figureCopyBig(work, reps);
    else if (figure == "zip") figureZip(work, reps);
    else if (figure == "rescan") figureRescan(work, reps);
    else if (figure == "paint") figurePaint(work, reps);
  }
  return 0;
}
