#pragma once
// A non-owning reference to a delegate that cannot dangle when the delegate is
// also a QObject (every screen is): the QObject side is tracked with a QPointer.
// A delegate that is not a QObject must outlive the object that reports to it.
#include <QObject>
#include <QPointer>

template <class T>
class DelegateRef {
 public:
  DelegateRef() = default;
  DelegateRef(T* delegate) { *this = delegate; }  // NOLINT: assignable from a plain pointer
  DelegateRef& operator=(T* delegate) {
    ptr_ = delegate;
    guard_ = delegate ? dynamic_cast<QObject*>(delegate) : nullptr;
    guarded_ = guard_ != nullptr;
    return *this;
  }
  // The delegate, or nullptr when none was set or a guarded one was destroyed.
  T* get() const {
    if (!ptr_) return nullptr;
    if (guarded_ && guard_.isNull()) return nullptr;
    return ptr_;
  }
  T* operator->() const { return get(); }
  explicit operator bool() const { return get() != nullptr; }

 private:
  T* ptr_ = nullptr;
  QPointer<QObject> guard_;
  bool guarded_ = false;
};
