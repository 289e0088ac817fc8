// Closing the main window while an engine's tool runs: the job is stopped as its
// Cancel does, its child processes are gone, and the run loop ends with 0.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <atomic>
#include <functional>
#include <cerrno>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

#include "ScreenDriver.h"
#include "clone/KVBootable.h"
#include "image/MakeDmg.h"
#include "installer/MacOSInstaller.h"
#include "platform/Jobs.h"
#include "platform/Queue.h"
#include "services/DoCopyFiles.h"
#include "services/FileNode.h"
#include "shell/MainWindowController.h"
#include "world/lib/Flags.h"

namespace {

// "pid command line" of every process that runs in the world at `root` (the
// world's tools carry its root in their environment), or that is still an
// unreaped child of ours.
QStringList processesOf(const QString& root) {
  const QByteArray mark = "QDC_ROOT=" + QFile::encodeName(root);
  QStringList out;
  const QString self = QString::number(::getpid());
  for (const QString& pid : QDir("/proc").entryList(QDir::Dirs)) {
    if (pid.toInt() <= 0 || pid == self) continue;
    QFile stat("/proc/" + pid + "/stat");
    QFile env("/proc/" + pid + "/environ");
    QFile cmd("/proc/" + pid + "/cmdline");
    if (!stat.open(QIODevice::ReadOnly)) continue;
    const QByteArray st = stat.readAll();
    const QList<QByteArray> fields = st.mid(st.lastIndexOf(')') + 2).split(' ');
    const bool ourChild = fields.size() > 1 && fields[1] == self.toLatin1();
    const bool inWorld = env.open(QIODevice::ReadOnly) && env.readAll().split('\0').contains(mark);
    if (!ourChild && !inWorld) continue;
    cmd.open(QIODevice::ReadOnly);
    out << pid + " " + QString::fromLocal8Bit(cmd.readAll().replace('\0', ' ')).trimmed();
  }
  return out;
}

bool runs(const QString& root, const QString& what) {
  return !processesOf(root).filter(what).isEmpty();
}

FileNodePtr ticked(const QString& path, bool dir) {
  return FileNode::initWithPath(path, path.mid(path.lastIndexOf('/') + 1), dir);
}

// A file that takes a tool a while to read, without filling the disk.
bool bigSparseFile(const QString& hostPath) {
  QDir().mkpath(hostPath.left(hostPath.lastIndexOf('/')));
  QFile f(hostPath);
  return f.open(QIODevice::WriteOnly) && f.resize(qint64(2) << 30);
}

struct CopyReceiver : QObject, DoCopyFilesDelegate {
  CopyOutcome outcome = CopyOutcome::AllCopied;
  bool finished = false;
  void copyFilesFinished(CopyOutcome o) override {
    outcome = o;
    finished = true;
  }
};

struct CloneReceiver : QObject, KVBootableDelegate {
  int lastError = 0;
  void KVUINotify(_tagBootableProgress* p) override { lastError = p->iErrCode; }
};

struct InstallerReceiver : MacOSInstallerProgress {
  std::atomic<int> lastError{0};
  void MacOSInstallerProgressCB(const MacOSInstallerProgressinfoPtr& info) override {
    lastError = info->numError;
  }
};

struct Engines {
  DoCopyFiles copy;
  CopyReceiver copyReceiver;
  MakeDmg image;
  CloneReceiver cloneReceiver;
  InstallerReceiver installerReceiver;
  std::atomic<bool> installerDone{false};
};

VolumeObjPtr wholeDisk(const QString& bsd) {
  auto v = std::make_shared<VolumeObj>();
  v->volumeName = "SanDisk Ultra";
  v->volumePath = bsd;
  return v;
}

void startClone(ScreenDriver&, Engines& e) {
  KVBootable::KVShareInstance()->KVInit();
  KVBootable::KVShareInstance()->KVSetDelegate(&e.cloneReceiver);
  ASSERT_EQ(KVBootable::KVShareInstance()->KVStart(wholeDisk("disk3")), 0);
}

struct Case {
  const char* name;
  double pace;              // world pace for the stand-in tools, 0 for none
  QString tool;             // what the running child's command line holds
  std::function<void(ScreenDriver&, Engines&)> start;
  std::function<bool(Engines&)> idle;
  std::function<bool(Engines&)> stoppedAsCancel;
};

}  // namespace

TEST(QuitWhileAJobRuns, TheJobStopsItsChildrenAreGoneAndTheRunEndsWithZero) {
  const QList<Case> cases = {
      {"copy (rsync)", 0, "rsync",
       [](ScreenDriver& d, Engines& e) {
         ASSERT_TRUE(bigSparseFile(d.host("/Users/alex/big/data")));
         e.copy.setDelegate(&e.copyReceiver);
         e.copy.doCopyFilesWithArr({ticked("/Users/alex/big", true)}, "/Volumes/USB Stick",
                                   CopyItems::DroppedItems);
       },
       [](Engines& e) { return !e.copy.isRunning(); },
       [](Engines& e) { return e.copyReceiver.finished && e.copyReceiver.outcome == CopyOutcome::Cancelled; }},
      {"image (hdiutil)", 1.0, "hdiutil",
       [](ScreenDriver&, Engines& e) { e.image.makeTmpDmgWithPath("/Volumes/Data", "QuorvanDiskClone(quit)", 1); },
       [](Engines& e) { return !e.image.isRunning(); },
       [](Engines&) { return true; }},
      {"archive (zip)", 0, "zip",
       [](ScreenDriver& d, Engines& e) {
         ASSERT_TRUE(bigSparseFile(d.host("/Volumes/Data/big/data")));
         e.image.doZipWithPath("/Volumes/Data/big.zip", {ticked("/Volumes/Data/big", true)});
       },
       [](Engines& e) { return !e.image.isRunning(); },
       [](Engines&) { return true; }},
      {"clone erase (diskutil under the task runner)", 2.0, "eraseDisk",
       startClone,
       [](Engines&) { return !KVBootable::KVShareInstance()->isRunning(); },
       [](Engines& e) { return e.cloneReceiver.lastError == KVBootable::kUserCancel; }},
      {"clone restore (asr)", 0.3, "asr",
       startClone,
       [](Engines&) { return !KVBootable::KVShareInstance()->isRunning(); },
       [](Engines& e) { return e.cloneReceiver.lastError != KVBootable::kOK; }},
      {"installer (createinstallmedia)", 0.3, "createinstallmedia",
       [](ScreenDriver&, Engines& e) {
         auto* engine = MacOSInstaller::GetInstall();
         MacOSInstallerAppInfoPtr app;
         for (const auto& k : engine->getSelectOSVersion())
           if (k->strOSName == "Sonoma") app = k->copy();
         ASSERT_TRUE(app);
         app->setStrOSPath("/Applications/Install macOS Sonoma.app", 0);
         // The stick's partition as the engine lists it: it erases only a listed medium.
         MacOSInstallerDiskInfoPtr disk;
         for (const auto& whole : engine->getInstallerDiskInfo())
           for (const auto& part : whole->arrChildren.value_or(QList<MacOSInstallerDiskInfoPtr>()))
             if (part->strVolumeName == "/Volumes/USB Stick") disk = part;
         ASSERT_TRUE(disk);
         platform::dispatchGlobal([&e, engine, app, disk] {
           engine->setInstallerAppInfo(app, disk);
           engine->startCreateInstall(&e.installerReceiver);
           e.installerDone = true;
         });
       },
       [](Engines& e) { return e.installerDone && !MacOSInstaller::GetInstall()->isRunning(); },
       [](Engines& e) { return e.installerReceiver.lastError.load() != 0; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScreenDriver d;
    if (c.pace > 0) ASSERT_EQ(d.worldCommand("pace", {QString::number(c.pace)}), 0);
    Engines e;
    c.start(d, e);
    ASSERT_TRUE(waitUntil([&] { return runs(d.world().root(), c.tool); }, 60000))
        << qPrintable(processesOf(d.world().root()).join("\n"));

    QTimer::singleShot(0, &d.main(), [&d] { d.main().closeWindow(); });
    const int status = QCoreApplication::exec();

    EXPECT_EQ(status, 0);
    const QStringList left = processesOf(d.world().root());
    EXPECT_TRUE(left.isEmpty()) << qPrintable(left.join("\n"));
    EXPECT_TRUE(c.idle(e));
    EXPECT_TRUE(c.stoppedAsCancel(e));
    platform::waitForGlobalQueue();
    KVBootable::KVShareInstance()->KVSetDelegate(nullptr);
  }
}

// A job whose child ignores its stop (SIGINT and SIGTERM, ignored across exec)
// must not hold the quit: the child is ended after the bound and the run ends with 0.
TEST(QuitWhileAJobRuns, AChildThatIgnoresItsStopIsEndedWithinTheBound) {
  ScreenDriver d;
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::execl("/bin/sh", "sh", "-c", "trap '' INT TERM; exec sleep 600", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  std::atomic<bool> reaped{false};
  std::atomic<int> stops{0};
  platform::dispatchGlobal([child, &reaped] {
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    reaped = true;
  });
  platform::JobOwnerRegistration job([&reaped] { return !reaped.load(); },
                                     [child, &stops] {
                                       ++stops;
                                       ::kill(child, SIGINT);
                                     });
  // The shell has set its traps once `sleep` runs in its place.
  ASSERT_TRUE(waitUntil([&] {
    QFile cmd(QStringLiteral("/proc/%1/cmdline").arg(child));
    return cmd.open(QIODevice::ReadOnly) && cmd.readAll().startsWith("sleep");
  }));

  QElapsedTimer clock;
  clock.start();
  QTimer::singleShot(0, &d.main(), [&d] { d.main().closeWindow(); });
  const int status = QCoreApplication::exec();

  EXPECT_EQ(status, 0);
  EXPECT_EQ(stops.load(), 1);
  EXPECT_TRUE(reaped.load());
  // The bound (5 s) and one grace (2 s), with room for a loaded machine.
  EXPECT_LT(clock.elapsed(), 30000);
  platform::waitForGlobalQueue();
}
