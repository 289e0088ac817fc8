#pragma once
// A non-owning reference to a delegate that cannot dangle when the delegate is
// also a QObject (every screen is): the QObject side is tracked with a QPointer.
// A delegate that is not a QObject must outlive the object that reports to it.
//
// A delegate that workers report to derives from ReportReceiver: then `call`
// checks and calls under one hold, so the receiver cannot be destroyed between
// the check and the end of the call (a QPointer only says it was alive a moment
// ago), and the report still runs on the thread that delivers it.
#include <QObject>
#include <QPointer>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <type_traits>
#include <unordered_map>

class ReportReceiver {
 public:
  ReportReceiver() : life_(std::make_shared<Life>()) {}
  ReportReceiver(const ReportReceiver&) = delete;
  ReportReceiver& operator=(const ReportReceiver&) = delete;
  virtual ~ReportReceiver() { stopReports(); }

  // Waits for a report being delivered on another thread to return, and refuses
  // every later one. A receiver calls it first thing in its destructor, while
  // its members still stand; this base's destructor calls it at the latest.
  void stopReports() { life_->stop(); }

  struct Life {
    std::mutex m;
    std::condition_variable idle;
    int active = 0;
    bool alive = true;

    bool enter();
    void leave();
    void stop();
  };
  const std::shared_ptr<Life>& life() const { return life_; }

 private:
  std::shared_ptr<Life> life_;
};

namespace report_detail {
// How many deliveries to each receiver the current thread is inside, so a
// receiver destroyed from within its own report does not wait for itself.
inline int& depthOnThisThread(const ReportReceiver::Life* life) {
  thread_local std::unordered_map<const ReportReceiver::Life*, int> depth;
  return depth[life];
}
}  // namespace report_detail

inline bool ReportReceiver::Life::enter() {
  std::lock_guard lock(m);
  if (!alive) return false;
  ++active;
  ++report_detail::depthOnThisThread(this);
  return true;
}

inline void ReportReceiver::Life::leave() {
  std::lock_guard lock(m);
  --active;
  --report_detail::depthOnThisThread(this);
  idle.notify_all();
}

inline void ReportReceiver::Life::stop() {
  std::unique_lock lock(m);
  alive = false;
  const int own = report_detail::depthOnThisThread(this);
  idle.wait(lock, [&] { return active <= own; });
}

template <class T>
class DelegateRef {
 public:
  DelegateRef() = default;
  DelegateRef(T* delegate) { *this = delegate; }  // NOLINT: assignable from a plain pointer
  DelegateRef& operator=(T* delegate) {
    ptr_ = delegate;
    guard_ = delegate ? dynamic_cast<QObject*>(delegate) : nullptr;
    guarded_ = guard_ != nullptr;
    if constexpr (std::is_base_of_v<ReportReceiver, T>) life_ = delegate ? delegate->life() : nullptr;
    return *this;
  }
  // The delegate, or nullptr when none was set or a guarded one was destroyed.
  // Only for the thread that destroys the delegate; a worker uses `call`.
  T* get() const {
    if (!ptr_) return nullptr;
    if (life_) {
      std::lock_guard lock(life_->m);
      if (!life_->alive) return nullptr;
    }
    if (guarded_ && guard_.isNull()) return nullptr;
    return ptr_;
  }
  T* operator->() const { return get(); }
  explicit operator bool() const { return get() != nullptr; }

  // Runs `report(delegate)` on this thread if the delegate is still there, and
  // keeps it from being destroyed until `report` returns. True when it ran.
  template <class F>
  bool call(F&& report) const {
    static_assert(std::is_base_of_v<ReportReceiver, T>, "a worker reports only to a ReportReceiver");
    if (!ptr_ || !life_ || !life_->enter()) return false;
    struct Leave {
      ReportReceiver::Life* life;
      ~Leave() { life->leave(); }
    } leave{life_.get()};
    report(ptr_);
    return true;
  }

 private:
  T* ptr_ = nullptr;
  QPointer<QObject> guard_;
  bool guarded_ = false;
  std::shared_ptr<ReportReceiver::Life> life_;
};
