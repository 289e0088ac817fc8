// killall of the simulated Mac: the world's system processes (the knob
// "processes", e.g. mds_stores) are found and, as on a Mac, come back by
// themselves; any other name is not found.
#include "world/programs/common/Tool.h"

using namespace world;

int main(int argc, char** argv) {
  const Layout w = tool::requireWorld("killall");
  QStringList args = tool::arguments(argc, argv);
  QStringList names;
  for (int i = 0; i < args.size(); ++i) {
    const QString& a = args[i];
    if (a == "-s" || a == "-v" || a == "-q" || a == "-e" || a == "-z" || a == "-m" || a == "-d") continue;
    if (a == "-u" || a == "-t" || a == "-c") {
      ++i;
      continue;
    }
    if (a.startsWith('-') && a.size() > 1) continue;  // a signal: -9, -TERM, -HUP
    names << a;
  }
  if (names.isEmpty())
    tool::fail("usage: killall [-delmsvqz] [-help] [-I] [-u user] [-t tty] [-c cmd] [-SIGNAL] [cmd]...", 1);
  if (toolShouldFail(w, "killall")) tool::fail("No matching processes belonging to you were found", 1);
  const QStringList running = readKnob(w, knob::kProcesses).toStringList();
  bool any = false;
  for (const QString& n : names) any = any || running.contains(n);
  if (!any) tool::fail("No matching processes belonging to you were found", 1);
  return 0;
}
