#include "platform/Queue.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <QThreadPool>

namespace platform {
namespace {

QThreadPool& globalPool() {
  // Blocks on the global queue wait for child processes; like GCD, let the pool
  // grow past the core count so waiting blocks never starve the others.
  static QThreadPool* pool = [] {
    auto* p = new QThreadPool;
    p->setMaxThreadCount(64);
    p->setExpiryTimeout(10000);
    return p;
  }();
  return *pool;
}

}  // namespace

bool isMainThread() {
  auto* app = QCoreApplication::instance();
  return app && QThread::currentThread() == app->thread();
}

void dispatchMain(std::function<void()> block) {
  auto* app = QCoreApplication::instance();
  if (!app) {
    block();
    return;
  }
  QMetaObject::invokeMethod(app, std::move(block), Qt::QueuedConnection);
}

void dispatchMainSync(const std::function<void()>& block) {
  auto* app = QCoreApplication::instance();
  if (!app || isMainThread()) {
    block();
    return;
  }
  QMetaObject::invokeMethod(app, block, Qt::BlockingQueuedConnection);
}

void dispatchGlobal(std::function<void()> block) { globalPool().start(std::move(block)); }

void waitForGlobalQueue() { globalPool().waitForDone(); }

}  // namespace platform
