#pragma once
// What every stand-in shares: its world, output, failure the way Mac tools fail
// (a message on standard error, nothing on standard output, a non-zero exit),
// pacing by the world's knob and a prompt end on SIGTERM.
#include "world/lib/Disks.h"
#include "world/lib/Layout.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>

namespace tool {

// The world of QDC_ROOT; ends the program when there is none.
world::Layout requireWorld(const char* toolName);
QStringList arguments(int argc, char** argv);

void out(const QString& text);  // written and flushed at once
// All of `data` to the file descriptor, across short and interrupted writes.
void writeAll(int fd, const QByteArray& data);
void err(const QString& text);
[[noreturn]] void fail(const QString& message, int status = 1);
void printPlist(const QVariant& value);

// SIGTERM/SIGINT set a flag that the paced loops read.
void installSignalHandlers();
bool terminated();
// Sleeps `steps` times the pace knob; false when a signal ended the wait.
bool paceSleep(const world::Layout& world, double steps = 1.0);
// Ends the program at once, with the status of a SIGTERM.
[[noreturn]] void ended();
// paceSleep, ending the program when a signal ended the wait.
void paceOrEnd(const world::Layout& world, double steps = 1.0);
// Waits here while the holdTools knob names "tool verb" (see world::toolShouldHold);
// a signal during the wait ends the program.
void holdIfAsked(const world::Layout& world, const QString& tool, const QString& verb);

// Mac path -> host path of the world; host path inside the world -> Mac path.
QString hostPath(const world::Layout& world, const QString& macPath);
QString macPath(const world::Layout& world, const QString& hostPath);
// Replaces every occurrence of the world's root in `text` (host paths back to Mac paths).
QString unmapText(const world::Layout& world, const QString& text);

// Copies a host folder's content into another (files, folders, symbolic links as
// links), skipping host paths in `skip`. `progress` gets bytes copied so far and
// may stop the copy by returning false.
bool copyTree(const QString& fromDir, const QString& toDir, const QStringList& skip,
              const std::function<bool(qint64)>& progress, QString* error);
bool emptyFolder(const QString& hostDir);

QString sizeText(qint64 bytes);  // "31.8 GB"

}  // namespace tool
