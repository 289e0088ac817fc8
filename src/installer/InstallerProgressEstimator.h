#pragma once
// Reads createinstallmedia's output of one run: every chunk is added to the run's
// buffer, the whole buffer is matched against the version's step table, and each
// match becomes a progress report with an estimated total and remaining time.
// One estimator serves one run, so nothing carries over into the next.
#include <QString>
#include <QStringDecoder>

#include "installer/MacOSInstallerTables.h"

class InstallerProgressEstimator {
 public:
  // `table` may be empty (a version without a step table).
  explicit InstallerProgressEstimator(MacOSStepTable table);

  // One estimate over the whole output so far, `elapsedSeconds` after the tool
  // was started; nothing when no row (further) matches.
  MacOSInstallerProgressinfoPtr GetCreateProgress(const QString& output, int elapsedSeconds);

  // A chunk of the tool's output (bytes as read; a character cut between two
  // chunks is kept until it is complete). Returns the report to pass on now, or
  // nothing: appendOutput, GetCreateProgress over the whole output, passOn.
  MacOSInstallerProgressinfoPtr addOutput(const QByteArray& chunk, int elapsedSeconds);
  // Adds a chunk to the output; false when it added no text (or the run is over).
  bool appendOutput(const QByteArray& chunk);
  // The estimate to pass on now: a report of 100 percent is held back until the
  // tool has ended, and nothing goes out once the run is over.
  MacOSInstallerProgressinfoPtr passOn(const MacOSInstallerProgressinfoPtr& estimate);

  // The verdict once the tool has ended. `exitedCleanly`: the tool exited by
  // itself with status 0. `cancelled`: the user stopped the run. Returns the
  // run's one closing report (success or failure); nothing on a second call.
  MacOSInstallerProgressinfoPtr finish(bool exitedCleanly, bool cancelled);

  const QString& output() const { return output_; }
  int progressIndex() const { return index_; }

  // The scale of the percentages and of the time estimate.
  static constexpr int i32TotalProgress = 100;
  // The last estimate's values (-1: not estimated).
  int i32CurSecond = 0;
  int i32TotalSecond = -1;
  int i32RemainSecond = -1;
  int i32CurProgress = 0;
  int i32NextProgress = 0;

  static bool hasSuccessText(const QString& output);
  static bool hasEraseErrorText(const QString& output);

 private:
  MacOSStepTable table_;
  int index_ = 0;
  QString output_;
  QStringDecoder decoder_{QStringDecoder::Utf8};
  MacOSInstallerProgressinfoPtr heldSuccess_;
  bool finished_ = false;
};
