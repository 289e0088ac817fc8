#pragma once
// The services' log: "/tmp/OstrelBootableDataRecovery.txt", one line per message,
// "%Y-%m-%d %H:%M:%S  " then the message. The folder is world-writable and we run
// as root: the file is opened without waiting and without following a symbolic
// link, and only a regular file of our own user is written to; each line is written
// whole under a lock, so lines of several threads never interleave.
#include <QDateTime>
#include <QString>
#include <functional>

int KVInitLog();
int KVUninitLog();
int KVLog(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The Mac path of the log file.
QString KVLogPath();

// Where the stamps read the time; an empty clock is the real one. Tests set
// their own to read stamps they chose.
using KVLogClock = std::function<QDateTime()>;
void KVSetLogClock(KVLogClock clock);
