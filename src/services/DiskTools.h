#pragma once
// The system's disk tools, named once, and the one way the product runs a tool
// to its end and reads what it said. Paths are Mac paths; the platform layer
// maps them to the world's stand-ins.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <atomic>
#include <functional>
#include <optional>

namespace disktools {

inline const QString kDiskutil = QStringLiteral("/usr/sbin/diskutil");
inline const QString kHdiutil = QStringLiteral("/usr/bin/hdiutil");
inline const QString kAsr = QStringLiteral("/usr/sbin/asr");

struct ToolOptions {
  // Set from any thread: the child is asked to stop, then killed after `stopGraceMs`.
  const std::atomic<bool>* cancelled = nullptr;
  int stopGraceMs = 3000;
  // How long the start may take; -1 waits for it.
  int startTimeoutMs = 10000;
  // A seam passed once the child runs (platform/Gate.h).
  const char* startedGate = nullptr;
  // Each piece of output as it arrives, on the running thread.
  std::function<void(const QByteArray&)> onOutput;
};

struct ToolResult {
  bool started = false;
  bool stopped = false;      // ended by a cancel
  int exitStatus = -1;       // -1 when the tool did not exit by itself
  QByteArray output;         // standard output and error, interleaved as printed

  bool exitedCleanly() const { return started && !stopped && exitStatus == 0; }
};

// Runs `macTool` with `args` on this thread, without input, to its end or its
// cancel.
ToolResult runTool(const QString& macTool, const QStringList& args, const ToolOptions& options = {});

// "diskutil <args>" through the command runner, its output in a per-call file
// named after `outputName`. The exit status goes to `exitStatus`.
std::optional<QByteArray> diskutilText(const QStringList& args, const QString& outputName,
                                       int* exitStatus = nullptr);
// The same, read as a property-list dictionary ("diskutil info -plist ...").
std::optional<QVariantMap> diskutilPlist(const QStringList& args, const QString& outputName,
                                         int* exitStatus = nullptr);

}  // namespace disktools
