#include "services/DiskTools.h"

#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <gtest/gtest.h>

namespace {
const QString kSh = QStringLiteral("/bin/sh");
}

TEST(DiskTools, RunToolReportsStatusAndOutput) {
  struct Case {
    QString script;
    int status;
    QByteArray output;
    bool clean;
  } cases[] = {
      {"echo out; echo err >&2", 0, "out\nerr\n", true},
      {"printf 'half'; exit 3", 3, "half", false},
      {"kill -9 $$", -1, "", false},  // did not exit by itself
      {"read line; echo \"[$line]\"", 0, "[]\n", true},  // no input: never waits on the caller
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script.toStdString());
    const disktools::ToolResult r = disktools::runTool(kSh, {"-c", c.script});
    EXPECT_TRUE(r.started);
    EXPECT_FALSE(r.stopped);
    EXPECT_EQ(r.exitStatus, c.status);
    EXPECT_EQ(r.output, c.output);
    EXPECT_EQ(r.exitedCleanly(), c.clean);
  }
}

TEST(DiskTools, AToolThatCannotStartFails) {
  const disktools::ToolResult r = disktools::runTool(QStringLiteral("/nonexistent/tool"), {});
  EXPECT_FALSE(r.started);
  EXPECT_EQ(r.exitStatus, -1);
  EXPECT_FALSE(r.exitedCleanly());
}

TEST(DiskTools, OutputArrivesInPiecesAsPrinted) {
  QByteArray seen;
  disktools::ToolOptions options;
  options.onOutput = [&](const QByteArray& chunk) { seen += chunk; };
  const disktools::ToolResult r = disktools::runTool(kSh, {"-c", "echo one; echo two"}, options);
  EXPECT_EQ(seen, r.output);
  EXPECT_EQ(seen, "one\ntwo\n");
}

TEST(DiskTools, CancelStopsAChildThatWouldRunLong) {
  // The child tells it runs by making a file, then would wait for a minute.
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString mark = dir.filePath("running");
  std::atomic<bool> cancelled{false};
  disktools::ToolResult r;
  QThread* worker = QThread::create([&] {
    disktools::ToolOptions options;
    options.cancelled = &cancelled;
    r = disktools::runTool(kSh, {"-c", "touch \"$0\"; exec sleep 60", mark}, options);
  });
  worker->start();
  while (!QFile::exists(mark)) QThread::yieldCurrentThread();
  cancelled = true;
  // Well before the child's minute is up.
  ASSERT_TRUE(worker->wait(20000));
  delete worker;
  EXPECT_TRUE(r.started);
  EXPECT_TRUE(r.stopped);
  EXPECT_FALSE(r.exitedCleanly());
}
