#pragma once
// Helpers shared by the file-tree, volume and copy-engine tests.
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QString>
#include <QThread>
#include <functional>

namespace volumes_test {

// Runs the main thread's events until `done` holds or `ms` pass.
inline bool waitFor(const std::function<bool()>& done, int ms = 20000) {
  QDeadlineTimer deadline(ms);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(1);
  }
  return true;
}

// Lets queued main-thread blocks run for a while (to show nothing more arrives).
inline void settle(int ms = 200) {
  QDeadlineTimer deadline(ms);
  while (!deadline.hasExpired()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(1);
  }
}

inline bool writeFile(const QString& path, qint64 bytes, char fill = 'x') {
  QDir().mkpath(path.left(path.lastIndexOf('/')));
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  return f.write(QByteArray(bytes, fill)) == bytes;
}

inline QByteArray readAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

}  // namespace volumes_test
