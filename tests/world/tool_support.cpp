#include "world/ToolRun.h"

#include "platform/Process.h"
#include "platform/Shell.h"
#include "services/KVExecCommand.h"

#include <QProcess>

ToolRun runTool(const QString& macTool, const QStringList& args, const QByteArray& input, int timeoutMs) {
  QProcess p;
  platform::prepareProcess(p, macTool, args);
  p.start();
  ToolRun r;
  if (!p.waitForStarted(10000)) return r;
  if (!input.isEmpty()) p.write(input);
  p.closeWriteChannel();
  if (!p.waitForFinished(timeoutMs)) {
    p.kill();
    p.waitForFinished();
    return r;
  }
  r.out = p.readAllStandardOutput();
  r.err = p.readAllStandardError();
  r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  return r;
}

ToolRun runLine(const QString& line, int timeoutMs) { return runTool("/bin/sh", {"-c", line}, {}, timeoutMs); }

std::optional<QVariantMap> dictionaryOf(const QString& line) {
  return KVExecCommandDictionary(line, "WorldTest.plist");
}

std::optional<QVariantMap> diskInfo(const QString& target) {
  return dictionaryOf(platform::shellLine("/usr/sbin/diskutil", {"info", "-plist", target}));
}
