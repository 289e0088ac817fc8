#include "TestWorld.h"
#include "services/KVLog.h"

#include <QDateTime>
#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>
#include <chrono>
#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

QStringList logLines(const TestWorld& w) {
  QFile f(w.host(KVLogPath()));
  if (!f.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
}

// The log's clock set to a test's own for one scope.
struct LogClock {
  explicit LogClock(QDateTime* now) {
    KVSetLogClock([now] { return *now; });
  }
  ~LogClock() { KVSetLogClock({}); }
};

}  // namespace

// The file outlives every close: a reopen, whether by KVInitLog or by the next
// line itself, appends after what an earlier run and the last open wrote, and
// each line is stamped with its own second (across a minute's end here).
TEST(KVLog, ReopenedLogAppendsAndEachLineHasItsOwnSecond) {
  for (const bool byInit : {false, true}) {
    SCOPED_TRACE(byInit ? "reopened by KVInitLog" : "reopened by the next line");
    TestWorld w;
    KVUninitLog();
    {
      QFile f(w.host(KVLogPath()));
      ASSERT_TRUE(f.open(QIODevice::WriteOnly));
      f.write("an earlier run\n");
    }
    QDateTime now(QDate(2026, 3, 4), QTime(5, 6, 59));
    LogClock clock(&now);
    EXPECT_EQ(KVLog("before the close"), 0);
    KVUninitLog();
    now = now.addSecs(1);
    if (byInit) EXPECT_EQ(KVInitLog(), 0);
    EXPECT_EQ(KVLog("after the reopen"), 0);
    KVUninitLog();
    EXPECT_EQ(logLines(w), (QStringList{"an earlier run", "2026-03-04 05:06:59  before the close",
                                        "2026-03-04 05:07:00  after the reopen"}));
  }
}

TEST(KVLog, LineIsTimeTwoBlanksAndTheMessage) {
  TestWorld w;
  KVUninitLog();
  EXPECT_EQ(KVLog("diskutil info %s error", "disk9s1"), 0);  // opens the log by itself
  EXPECT_EQ(KVLog("%d%%", 50), 0);
  EXPECT_EQ(KVLog(nullptr), -1);
  KVUninitLog();
  const QStringList lines = logLines(w);
  ASSERT_EQ(lines.size(), 2);
  static const QRegularExpression shape("^(\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d)  (.*)$");
  const auto m = shape.match(lines[0]);
  ASSERT_TRUE(m.hasMatch()) << lines[0].toStdString();
  EXPECT_EQ(m.captured(2), "diskutil info disk9s1 error");
  const QDateTime stamp = QDateTime::fromString(m.captured(1), "yyyy-MM-dd HH:mm:ss");
  EXPECT_LE(qAbs(stamp.secsTo(QDateTime::currentDateTime())), 5);
  EXPECT_TRUE(lines[1].endsWith("  50%"));
}

TEST(KVLog, ConcurrentWritersNeverInterleave) {
  TestWorld w;
  KVUninitLog();
  std::vector<std::thread> threads;
  const std::string payload(3000, 'x');
  for (int t = 0; t < 8; ++t)
    threads.emplace_back([t, &payload] {
      for (int i = 0; i < 100; ++i) KVLog("T%d-%d %s end", t, i, payload.c_str());
    });
  for (auto& th : threads) th.join();
  KVUninitLog();
  const QStringList lines = logLines(w);
  ASSERT_EQ(lines.size(), 800);
  static const QRegularExpression whole("^\\S+ \\S+  T\\d-\\d+ x{3000} end$");
  for (const QString& line : lines) ASSERT_TRUE(whole.match(line).hasMatch());
}

// A hard link is our own user's regular file too, yet it is another name of a
// file elsewhere (with root, any file of the machine), so it is refused as well.
TEST(KVLog, APlantedLinkIsNotFollowed) {
  for (const bool hard : {false, true}) {
    SCOPED_TRACE(hard ? "hard link" : "symbolic link");
    TestWorld w;
    KVUninitLog();
    const QString victim = w.host("/tmp/victim");
    {
      QFile f(victim);
      ASSERT_TRUE(f.open(QIODevice::WriteOnly));
      f.write("root's file\n");
    }
    const QByteArray from = QFile::encodeName(victim), to = QFile::encodeName(w.host(KVLogPath()));
    ASSERT_EQ(hard ? ::link(from.constData(), to.constData()) : ::symlink(from.constData(), to.constData()), 0);
    EXPECT_EQ(KVInitLog(), -1);
    EXPECT_EQ(KVLog("hello"), -1);
    KVUninitLog();
    QFile f(victim);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("root's file\n"));
  }
}

TEST(KVLog, ANamedPipeAtThePathIsNotWaitedFor) {
  TestWorld w;
  KVUninitLog();
  const QByteArray fifo = QFile::encodeName(w.host(KVLogPath()));
  ASSERT_EQ(::mkfifo(fifo.constData(), 0666), 0);
  auto logged = std::async(std::launch::async, [] { return KVLog("hello"); });
  const bool returned = logged.wait_for(std::chrono::seconds(3)) == std::future_status::ready;
  if (!returned) {
    // Frees the writer that waits for a reader, so the test can end.
    const int reader = ::open(fifo.constData(), O_RDONLY | O_NONBLOCK);
    logged.wait();
    ::close(reader);
  }
  EXPECT_TRUE(returned) << "the log waited for a reader of the pipe";
  EXPECT_EQ(logged.get(), -1);
  KVUninitLog();
}

TEST(KVLog, AFileOfAnotherUserIsLeftAlone) {
  if (::geteuid() != 0) GTEST_SKIP() << "giving a file to another user needs root";
  TestWorld w;
  KVUninitLog();
  const QString path = w.host(KVLogPath());
  {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("planted\n");
  }
  ASSERT_EQ(::chown(QFile::encodeName(path).constData(), 65534, 65534), 0);
  EXPECT_EQ(KVInitLog(), -1);
  EXPECT_EQ(KVLog("hello"), -1);
  KVUninitLog();
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), QByteArray("planted\n"));
}
