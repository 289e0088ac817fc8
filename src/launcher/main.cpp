// NfrLoader: asks for the administrator right and starts Quorvan Disk Clone with
// it. It has no window and does not wait for the program.
#include "launcher/RunScript.h"
#include "platform/Bundle.h"
#include "platform/SystemLog.h"

#include <QCoreApplication>

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  const QString program = mainProgramPathInBundle(platform::Bundle::mainBundle().bundlePath());
  const int status = RunScript::RunTool(program);
  if (status != 0) SystemLog("NfrLoader: the program was not started, status %d", int(status));
  return 0;
}
