#pragma once
// What the progress page shows, as plain state: the engine's reports and the
// one-second ticks go in; the percent text, the bar, the clock and the pane come
// out. Between two reports the clock counts down towards the time expected at the
// next step and the percentage follows the elapsed share of the estimated total,
// never reaching the next step's percent.
#include <QString>

#include "installer/MacOSInstallerRecords.h"

class InstallerProgressModel {
 public:
  enum State { Running = 0, Failed = 1, Finished = 2 };
  // What the page must do after a report.
  enum class Action {
    None,           // values changed (or not); nothing else
    AskEraseRetry,  // the tool could not erase the disk: ask Retry / Cancel
    ShowFailed,
    ShowFinished,
  };

  int i32CurProgress = 0;
  int i32NextProgress = 0;
  int i32TotalProgress = 100;
  int i32RemmainTime = -1;
  int i32TotalTime = -1;
  int i32NextRemmainTime = -1;
  int i64Remain = -1;
  int progressState = Running;
  bool timerRunning = false;

  // A new job: everything back to the start, the progress pane.
  void start();
  Action takeReport(const MacOSInstallerProgressinfo& info);
  void tick();
  // The run ended badly (failure, cancel, a start that failed).
  void fail();

  QString percentText() const;  // "%d%%", a blank at 0
  double barValue() const { return i32CurProgress / 100.0; }
  QString clockText() const { return getStringByRemain(i64Remain); }

  static QString getStringByRemain(int seconds);
};
