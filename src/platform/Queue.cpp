#include "platform/Queue.h"

#include <QCoreApplication>
#include <QEvent>
#include <QRunnable>
#include <QSemaphore>
#include <QThread>
#include <QThreadPool>
#include <atomic>
#include <memory>

#if defined(__SANITIZE_THREAD__)
extern "C" void __tsan_acquire(void* addr);
extern "C" void __tsan_release(void* addr);
#endif

namespace platform {
namespace {

// Qt hands a block to another thread through locks that ThreadSanitizer cannot
// see (Qt is not built with it). The block's holder is made here, released
// before Qt takes it and acquired before it runs, so the sanitizer knows that
// what the poster did happens before the block.
void handOver([[maybe_unused]] void* holder) {
#if defined(__SANITIZE_THREAD__)
  __tsan_release(holder);
#endif
}
void takeOver([[maybe_unused]] void* holder) {
#if defined(__SANITIZE_THREAD__)
  __tsan_acquire(holder);
#endif
}

// Every post also releases this one token and every block acquires it first.
// With the per-block hand-overs alone the sanitizer still reports races whose
// two accesses are both copies made inside Qt (its memmove on the buffers of
// strings and lists that our blocks carry between threads: a scan's result, a
// disk list); the library suppressions do not catch those calls, and Qt's own
// sharing is invisible to the sanitizer. The shared token orders each block
// after every post made before it runs: a superset of the real order, so nothing
// false is reported, at the cost of missing a race whose writer posted some
// block before the reader's block began.
char g_anyPost;

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

class BlockEvent : public QEvent {
 public:
  explicit BlockEvent(std::function<void()> block) : QEvent(eventType()), block_(std::move(block)) {}
  // A block still queued when the application ends is dropped unrun, on the
  // main thread: what it holds was handed over as for a run.
  ~BlockEvent() override {
    takeOver(this);
    takeOver(&g_anyPost);
  }
  static QEvent::Type eventType() {
    static const auto type = QEvent::Type(QEvent::registerEventType());
    return type;
  }
  void run() { block_(); }

 private:
  std::function<void()> block_;
};

// Lives on the main thread and runs the blocks posted to it.
class MainQueue : public QObject {
 public:
  static MainQueue* instance(QCoreApplication* app) {
    static MainQueue* queue = [app] {
      auto* q = new MainQueue;
      q->moveToThread(app->thread());
      return q;
    }();
    return queue;
  }
  bool event(QEvent* e) override {
    takeOver(e);  // before its type is read; a no-op for an event not handed over
    takeOver(&g_anyPost);
    if (e->type() != BlockEvent::eventType()) return QObject::event(e);
    static_cast<BlockEvent*>(e)->run();
    return true;
  }
};

class BlockRunnable : public QRunnable {
 public:
  // `pool` is the token its waiters take over once the pool is idle.
  BlockRunnable(std::function<void()> block, QThreadPool* pool) : block_(std::move(block)), pool_(pool) {}
  void run() override {
    takeOver(this);
    takeOver(&g_anyPost);
    block_();
    block_ = nullptr;  // what it captured goes before its waiters are told
    handOver(pool_);
  }

 private:
  std::function<void()> block_;
  QThreadPool* pool_;
};

void startBlock(QThreadPool& pool, std::function<void()> block) {
  auto* runnable = new BlockRunnable(std::move(block), &pool);
  handOver(runnable);
  handOver(&g_anyPost);
  pool.start(runnable);  // the pool deletes it after it ran
}

}  // namespace

// Set once an application object exists: from then on a block for the main
// queue never runs anywhere else, even after the object has gone at the end.
std::atomic<bool> g_hadApplication{false};
void noteApplication() { g_hadApplication = true; }
Q_COREAPP_STARTUP_FUNCTION(noteApplication)

bool isMainThread() {
  auto* app = QCoreApplication::instance();
  return app && QThread::currentThread() == app->thread();
}

void dispatchMain(std::function<void()> block) {
  auto* app = QCoreApplication::instance();
  if (!app) {
    // Without any application (a plain tool) the caller's thread is the main one;
    // once the application has gone, interface code must not run on a worker.
    if (!g_hadApplication) block();
    return;
  }
  auto* event = new BlockEvent(std::move(block));
  handOver(event);
  handOver(&g_anyPost);
  QCoreApplication::postEvent(MainQueue::instance(app), event);
}

void dispatchMainSync(const std::function<void()>& block) {
  auto* app = QCoreApplication::instance();
  if (!app || isMainThread()) {
    block();
    return;
  }
  QSemaphore done;
  // Released when the block has run, or when it is dropped unrun (the
  // application went first), so the caller never waits for ever.
  struct Release {
    QSemaphore* done;
    ~Release() {
      handOver(done);
      done->release();
    }
  };
  std::shared_ptr<Release> release(new Release{&done});
  dispatchMain([&block, release] { block(); });
  release.reset();
  done.acquire();
  takeOver(&done);
}

void dispatchGlobal(std::function<void()> block) { startBlock(globalPool(), std::move(block)); }

void waitForGlobalQueue() {
  globalPool().waitForDone();
  takeOver(&globalPool());
}

bool waitForGlobalQueue(int timeoutMs) {
  const bool done = globalPool().waitForDone(timeoutMs);
  if (done) takeOver(&globalPool());
  return done;
}

bool globalQueueIdle() { return globalPool().activeThreadCount() == 0; }

SerialQueue::SerialQueue() : pool_(std::make_unique<QThreadPool>()) { pool_->setMaxThreadCount(1); }

SerialQueue::~SerialQueue() { waitForDone(); }

void SerialQueue::async(std::function<void()> block) { startBlock(*pool_, std::move(block)); }

void SerialQueue::waitForDone() {
  pool_->waitForDone();
  takeOver(pool_.get());
}

}  // namespace platform
