#include "platform/Process.h"

#include "platform/Paths.h"

namespace platform {

void prepareProcess(QProcess& process, const QString& macTool, const QStringList& args) {
  process.setProgram(toolPath(macTool));
  process.setArguments(args);
  process.setProcessEnvironment(toolEnvironment());
}

}  // namespace platform
