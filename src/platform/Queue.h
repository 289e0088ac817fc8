#pragma once
// The main queue is the Qt GUI thread; the global queue is a thread pool that
// grows, like GCD's, because its blocks block on child processes.
#include <functional>
#include <memory>

class QThreadPool;

namespace platform {

// Runs `block` on the main thread, after the current event (queued).
void dispatchMain(std::function<void()> block);
// Runs `block` on the main thread and waits for it (runs at once when called on it).
void dispatchMainSync(const std::function<void()>& block);
// Runs `block` on a worker of the global queue.
void dispatchGlobal(std::function<void()> block);
bool isMainThread();
// Waits until every block of the global queue has ended.
void waitForGlobalQueue();
// The same for at most `timeoutMs`; true when it is idle.
bool waitForGlobalQueue(int timeoutMs);
bool globalQueueIdle();

// A queue of its own whose blocks run one at a time, in order, on a worker; the
// hand-overs to and from it are the global queue's, so the sanitizer sees them.
class SerialQueue {
 public:
  SerialQueue();
  ~SerialQueue();  // waits for the blocks already queued
  SerialQueue(const SerialQueue&) = delete;
  SerialQueue& operator=(const SerialQueue&) = delete;
  void async(std::function<void()> block);
  void waitForDone();

 private:
  std::unique_ptr<QThreadPool> pool_;
};

}  // namespace platform
