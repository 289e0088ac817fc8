#include "installer/InstallerProgressEstimator.h"

InstallerProgressEstimator::InstallerProgressEstimator(MacOSStepTable table)
    : table_(std::move(table)) {}

MacOSInstallerProgressinfoPtr InstallerProgressEstimator::GetCreateProgress(const QString& output,
                                                                          int elapsedSeconds) {
  i32CurSecond = 0;
  i32TotalSecond = -1;
  i32RemainSecond = -1;
  i32CurProgress = -1;
  i32NextProgress = -1;
  i32CurSecond = elapsedSeconds;
  if (table_.isEmpty() || index_ >= table_.size()) return nullptr;

  const QString lower = output.toLower();
  bool matched = false;
  // The whole output is searched every time, so a row counts as soon as its text
  // has appeared anywhere; the last matching row wins.
  for (int j = index_; j < table_.size(); ++j) {
    const MacOSCreateProaressPtr& row = table_.at(j);
    if (!lower.contains(row->strText.toLower())) continue;
    matched = true;
    index_ = j + 1;
    i32CurProgress = row->i32CurProgress;
    i32NextProgress = row->i32NextProaress;
    if (i32CurProgress > 0) {
      i32TotalSecond = i32CurSecond * i32TotalProgress / i32CurProgress;
      i32RemainSecond = i32TotalSecond - i32CurSecond;
    }
  }
  if (!matched) return nullptr;
  return MacOSInstallerProgressinfo::infoWithCurrent(i32CurProgress, i32NextProgress,
                                                     i32TotalProgress, i32RemainSecond,
                                                     i32TotalSecond);
}

MacOSInstallerProgressinfoPtr InstallerProgressEstimator::addOutput(const QByteArray& chunk,
                                                                  int elapsedSeconds) {
  if (!appendOutput(chunk)) return nullptr;
  return passOn(GetCreateProgress(output_, elapsedSeconds));
}

bool InstallerProgressEstimator::appendOutput(const QByteArray& chunk) {
  if (finished_ || chunk.isEmpty()) return false;
  const QString text = decoder_.decode(chunk);
  if (text.isEmpty()) return false;
  output_ += text;
  return true;
}

MacOSInstallerProgressinfoPtr InstallerProgressEstimator::passOn(const MacOSInstallerProgressinfoPtr& estimate) {
  if (finished_ || !estimate) return nullptr;
  if (estimate->numCurrent >= 100) {
    // Success is told once, after the tool has ended well.
    heldSuccess_ = estimate;
    return nullptr;
  }
  return estimate;
}

bool InstallerProgressEstimator::hasSuccessText(const QString& output) {
  return output.contains(QLatin1String("Install media now available at")) ||
         output.contains(QLatin1String("Done.")) || output.contains(QLatin1String("Copy complete."));
}

bool InstallerProgressEstimator::hasEraseErrorText(const QString& output) {
  return output.contains(QLatin1String("An error occurred erasing the disk."));
}

MacOSInstallerProgressinfoPtr InstallerProgressEstimator::finish(bool exitedCleanly,
                                                                bool cancelled) {
  if (finished_) return nullptr;
  finished_ = true;
  output_ += decoder_.decode(QByteArray());
  if (!cancelled && exitedCleanly) {
    if (heldSuccess_) return heldSuccess_;
    if (hasSuccessText(output_))
      return MacOSInstallerProgressinfo::infoWithCurrent(100, 100, i32TotalProgress, 0, i32CurSecond);
  }
  const int kind = (!cancelled && hasEraseErrorText(output_))
                       ? MacOSInstallerProgressinfo::EraseFailed
                       : MacOSInstallerProgressinfo::OtherFailure;
  return MacOSInstallerProgressinfo::infoWithError(kind, output_);
}
