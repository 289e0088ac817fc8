#pragma once
#include <QProcess>
#include <QString>
#include <QStringList>

namespace platform {

// Sets up `process` to run the Mac tool `macTool` with `args` (Mac paths; the
// world's stand-ins map them) in toolEnvironment().
void prepareProcess(QProcess& process, const QString& macTool, const QStringList& args);

}  // namespace platform
