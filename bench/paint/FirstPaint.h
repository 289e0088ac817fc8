#pragma once
// Both first-paint programs end the same way: "painted" on standard output at
// the watched window's first paint, then an immediate exit (teardown is not measured).
#include <QEvent>
#include <QObject>
#include <cstdio>
#include <unistd.h>

class FirstPaint : public QObject {
 protected:
  bool eventFilter(QObject* o, QEvent* e) override {
    if (e->type() == QEvent::Paint) {
      std::fputs("painted\n", stdout);
      std::fflush(stdout);
      ::_exit(0);
    }
    return QObject::eventFilter(o, e);
  }
};
