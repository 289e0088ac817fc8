#pragma once
// The size totaller: adds up the bytes of what is ticked, on a worker. Hidden
// items are counted; resource forks and symbolic links' targets are not (a link
// counts as itself, so a link loop cannot make the walk endless). "/Volumes" and
// "/System/Volumes", the other volumes' mount points, are never counted: the
// copy never copies them.
#include <QString>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "services/DelegateRef.h"
#include "services/FileNode.h"

class GetFilesSizeDelegate : public ReportReceiver {
 public:
  virtual ~GetFilesSizeDelegate() = default;
  // Sent once per total, from the worker thread.
  virtual void allCopyFilesSize(qint64 size) { (void)size; }
};

class GetFilesSize : public std::enable_shared_from_this<GetFilesSize> {
 public:
  // Made shared: a running total keeps its object alive until it has reported,
  // so a screen may drop its reference right after starting it.
  static std::shared_ptr<GetFilesSize> create();

  // Sets the total to 0 and sums on the global queue; returns at once.
  void getAllFilesSizeWithArr(const FileNodeList& arr);
  // `totalSize` plus the bytes of everything at the Mac path (a file's data
  // size, or the recursive sum of a folder).
  quint64 getFileSizeWithPat(const QString& path, quint64 totalSize);

  quint64 allFileSize() const { return allFileSize_; }
  GetFilesSizeDelegate* delegate() const { return delegate_.get(); }
  void setDelegate(GetFilesSizeDelegate* delegate) {
    std::lock_guard lock(delegateMutex_);
    delegate_ = delegate;
  }

 protected:
  GetFilesSize() = default;

 private:
  void addNodes(const FileNodeList& arr);

  std::atomic<quint64> allFileSize_{0};
  std::mutex delegateMutex_;  // set on the main thread, read by the worker
  DelegateRef<GetFilesSizeDelegate> delegate_;
};
