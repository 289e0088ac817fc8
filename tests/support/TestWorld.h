#pragma once
// A world of its own for one test: a temporary folder with root/ and state/,
// QDC_ROOT pointing at it while the object lives, and the process's cached
// answers (paths, defaults, console user, main bundle) reset around it.
#include "world/lib/Create.h"
#include "world/lib/Layout.h"

#include <QString>
#include <QTemporaryDir>
#include <functional>

class TestWorld {
 public:
  explicit TestWorld(const world::CreateOptions& options = {});
  TestWorld(const TestWorld&) = delete;
  TestWorld& operator=(const TestWorld&) = delete;
  ~TestWorld();

  static world::CreateOptions demo();

  QString dir() const { return temp_.path() + "/world"; }
  QString root() const { return layout().root(); }
  world::Layout layout() const { return world::Layout{dir()}; }
  QString host(const QString& macPath) const;  // root() + macPath
  bool ok() const { return ok_; }
  QString error() const { return error_; }

  // Copies the built application bundle into the temporary folder and makes it
  // the main bundle, so a test may write the bundle's own settings file.
  QString copyBundle();
  QString tempPath() const { return temp_.path(); }

 private:
  QTemporaryDir temp_;
  QByteArray oldRoot_;
  bool hadRoot_ = false;
  bool ok_ = false;
  QString error_;
};

// Resets the process's cached platform answers (after QDC_ROOT changed).
void resetPlatformCaches();

// Processes events until `condition` holds or `timeoutMs` passed.
bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 10000);

// Copies a folder tree (host paths).
bool copyTree(const QString& from, const QString& to);

// Readable QString values in test failures.
#include <ostream>
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
