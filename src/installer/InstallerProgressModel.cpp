#include "installer/InstallerProgressModel.h"

void InstallerProgressModel::start() { *this = InstallerProgressModel(); }

InstallerProgressModel::Action InstallerProgressModel::takeReport(const MacOSInstallerProgressinfo& info) {
  timerRunning = false;
  // An error always carries a text, though it may be empty.
  if (info.numError != MacOSInstallerProgressinfo::NoError) {
    if (info.numError == MacOSInstallerProgressinfo::EraseFailed && progressState == Running)
      return Action::AskEraseRetry;
    fail();
    return Action::ShowFailed;
  }
  if (info.numRemain == -1) {
    i64Remain = -1;
    return Action::None;
  }
  i32CurProgress = info.numCurrent;
  i32NextProgress = info.numNext;
  i32TotalProgress = info.numTotal;
  i32RemmainTime = info.numRemain;
  i32TotalTime = info.numAllTime;
  if (i32RemmainTime == 0 && i32CurProgress == i32TotalProgress) {
    i64Remain = 0;
    progressState = Finished;
    return Action::ShowFinished;
  }
  if (i32TotalTime != -1 && i32TotalProgress != 0) {
    i32NextRemmainTime = i32TotalTime * (i32TotalProgress - i32NextProgress) / i32TotalProgress;
    timerRunning = true;
    i64Remain = i32RemmainTime;
  }
  return Action::None;
}

void InstallerProgressModel::tick() {
  if (i32RemmainTime > i32NextRemmainTime) --i32RemmainTime;
  if (i32TotalTime > 0 && i32TotalTime * i32TotalProgress != 0) {
    const int v = (i32TotalTime - i32RemmainTime) * i32TotalProgress / i32TotalTime;
    if (i32CurProgress < v && v < i32NextProgress) i32CurProgress = v;
  }
  i64Remain = i32RemmainTime;
}

void InstallerProgressModel::fail() {
  timerRunning = false;
  progressState = Failed;
}

QString InstallerProgressModel::percentText() const {
  return i32CurProgress == 0 ? QStringLiteral(" ") : QStringLiteral("%1%").arg(i32CurProgress);
}

QString InstallerProgressModel::getStringByRemain(int seconds) {
  if (seconds < 0) return QStringLiteral(" ");
  return QString::asprintf("%d:%02d:%02d", seconds / 3600, seconds / 60 % 60, seconds % 60);
}
