#include "services/DiskTools.h"

#include <QProcess>

#include "platform/Gate.h"
#include "platform/Process.h"
#include "platform/Shell.h"
#include "services/KVExecCommand.h"
#include "services/KVLog.h"

namespace disktools {

ToolResult runTool(const QString& macTool, const QStringList& args, const ToolOptions& options) {
  ToolResult r;
  QProcess p;
  platform::prepareProcess(p, macTool, args);
  p.setProcessChannelMode(QProcess::MergedChannels);
  p.start();
  if (!p.waitForStarted(options.startTimeoutMs)) {
    KVLog("%s could not be started", qUtf8Printable(macTool));
    return r;
  }
  r.started = true;
  p.closeWriteChannel();
  if (options.startedGate) platform::gatePoint(options.startedGate);
  auto take = [&] {
    const QByteArray chunk = p.readAll();
    if (chunk.isEmpty()) return;
    r.output += chunk;
    if (options.onOutput) options.onOutput(chunk);
  };
  while (!p.waitForFinished(100)) {
    take();
    if (p.state() == QProcess::NotRunning) break;
    if (options.cancelled && options.cancelled->load() && !r.stopped) {
      r.stopped = true;
      p.terminate();
      if (!p.waitForFinished(options.stopGraceMs)) {
        p.kill();
        p.waitForFinished(-1);
      }
    }
  }
  take();
  if (p.exitStatus() == QProcess::NormalExit) r.exitStatus = p.exitCode();
  return r;
}

std::optional<QByteArray> diskutilText(const QStringList& args, const QString& outputName, int* exitStatus) {
  return KVExecCommandOutput(platform::shellLine(kDiskutil, args), outputName, exitStatus);
}

std::optional<QVariantMap> diskutilPlist(const QStringList& args, const QString& outputName, int* exitStatus) {
  return KVExecCommandDictionary(platform::shellLine(kDiskutil, args), outputName, exitStatus);
}

}  // namespace disktools
