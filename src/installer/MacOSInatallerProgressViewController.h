#pragma once
// The progress page of the installer screen: starts the creation job on a worker
// once per confirmed Create, shows percent, bar and remaining time (advanced by a
// one-second timer between the engine's reports) and ends in the finished or the
// failed pane. Reports of a job that has ended or was cancelled are dropped.
#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <memory>

#include "installer/InstallerProgressModel.h"
#include "installer/MacOSInstaller.h"
#include "uikit/Delegate.h"

class StripedProgressBar;
class TextImageButton;
class KVHandButton;

class MacOSInatallerProgressVCDelegate {
 public:
  virtual ~MacOSInatallerProgressVCDelegate() = default;
  virtual void backToMainView() {}
  virtual void canChangeTag() {}
  // The engine has handed the job back; a new one may start.
  virtual void creationEnded() {}
};

class MacOSInatallerProgressViewController : public QWidget {
  Q_OBJECT
 public:
  explicit MacOSInatallerProgressViewController(QWidget* parent = nullptr);
  ~MacOSInatallerProgressViewController() override;

  void setDelegate(MacOSInatallerProgressVCDelegate* d) { delegate = d; }
  // Starts the job the engine holds; nothing when a job of this page is still
  // under way or nothing was handed over. True when a job was started.
  bool startCreation();
  // A job of this page has not yet been handed back by the engine.
  bool jobActive() const { return jobActive_; }
  // How many jobs this page has started.
  quint64 jobsStarted() const { return job_; }
  const InstallerProgressModel& model() const { return model_; }

  void progressStateChanged(int state);
  void changeLanageue();
  static QString getStringByRemain(int seconds) { return InstallerProgressModel::getStringByRemain(seconds); }
  static QString helpLinkAddress();

 private:
  class Receiver;
  void buildLayout();
  void takeReport(quint64 job, const MacOSInstallerProgressinfo& info);
  void jobReturned(quint64 job, bool started);
  void updateCreateProgress();
  void showValues();
  void CancelCreateInstaller();
  void updateViewState();
  void canChangeTag();
  void setHelpLine();

  InstallerProgressModel model_;
  QTimer timeProgress;
  quint64 job_ = 0;  // token of the current job; reports of another are dropped
  bool jobActive_ = false;
  bool askingRetry_ = false;
  MacOSInstallerDiskInfoPtr selectedDiskInfo;
  uikit::WeakDelegate<MacOSInatallerProgressVCDelegate> delegate;

  QWidget *failedView = nullptr, *finishedView = nullptr, *progressBgView = nullptr;
  TextImageButton *cancelCreateBut = nullptr, *failedOkBut = nullptr, *finishOkBut = nullptr;
  QLabel* progressValueLabel = nullptr;
  QLabel *diskNameLabel = nullptr, *diskSizeLabel = nullptr, *fileSystemLabel = nullptr, *remainTimeLabel = nullptr;
  QLabel *sViewDiskNameLabel = nullptr, *sViewDiskSizeLabel = nullptr, *sViewFileSystemLabel = nullptr;
  KVHandButton* helpLinkBut = nullptr;
  QLabel *diskNameTLabel = nullptr, *diskSizeTLabel = nullptr, *fileSystemTLabel = nullptr,
         *remainTimeTLabel = nullptr, *sViewDiskNameTLabel = nullptr, *sViewDiskSizeTLabel = nullptr,
         *sViewFileSystemTLabel = nullptr, *failTitleLabel = nullptr, *failNodeLabel = nullptr,
         *suessTitleLabel = nullptr, *creatingLabel = nullptr, *step_1_Label = nullptr,
         *step_2_Label = nullptr, *step_3_Label = nullptr;
  StripedProgressBar* progressBar = nullptr;
};
