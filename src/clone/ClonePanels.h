#pragma once
// The clone screen's small controllers: the confirmation before a clone and
// before a stop, the error panel, the Full Disk Access window and the four-step
// indicator of the working pane. The panels live in a StatusAttachedWindow
// that the screen makes (their superDelegate, which owns them) and end
// themselves by closing it.
#include <QLabel>
#include <QPointer>
#include <QWidget>

#include "uikit/AttachedWindow.h"
#include "uikit/Delegate.h"
#include "uikit/ImageButtons.h"
#include "uikit/PanelView.h"
#include "uikit/TCImageWindow.h"

class MakeSureToCloneSystemVCDelegate {
 public:
  virtual ~MakeSureToCloneSystemVCDelegate() = default;
  virtual void beginToCopySystem() = 0;
};

class MakeSureCancelCloneSystemVCDelegate {
 public:
  virtual ~MakeSureCancelCloneSystemVCDelegate() = default;
  virtual void cancelToCopySystem() = 0;
};

// A white box in the middle of a clear veil the size of the main window.
class ClonePanelView : public PanelView {
  Q_OBJECT
 protected:
  explicit ClonePanelView(const QString& objectName, QWidget* parent);
  static constexpr double kBoxWidth = 460;
  static constexpr double kBoxHeight = 230;
};

// The two confirmation panels share one layout and differ in texts and actions.
class CloneConfirmPanel : public ClonePanelView {
  Q_OBJECT
 public:
  QWidget* titleBarView = nullptr;
  QLabel* titleLabel = nullptr;
  QLabel* nodeLabel = nullptr;
  TextImageButton* cancelButton = nullptr;
  TextImageButton* doneButton = nullptr;

 protected:
  CloneConfirmPanel(const QString& objectName, const QString& nodeKey, const QString& doneKey, QWidget* parent);
  virtual void cancelButtonAction() = 0;
  virtual void doneButtonAction() = 0;
};

class MakeSureToCloneSystemVC : public CloneConfirmPanel {
  Q_OBJECT
 public:
  explicit MakeSureToCloneSystemVC(QWidget* parent = nullptr);
  void setDelegate(MakeSureToCloneSystemVCDelegate* d) { delegate_ = d; }
  void cancelButtonAction() override;
  void doneButtonAction() override;

 private:
  uikit::WeakDelegate<MakeSureToCloneSystemVCDelegate> delegate_;
};

// Here "cancel" confirms the stop; "continue" lets the clone go on.
class MakeSureCancelCloneSystemVC : public CloneConfirmPanel {
  Q_OBJECT
 public:
  explicit MakeSureCancelCloneSystemVC(QWidget* parent = nullptr);
  void setDelegate(MakeSureCancelCloneSystemVCDelegate* d) { delegate_ = d; }
  void cancelButtonAction() override;
  void doneButtonAction() override;

 private:
  uikit::WeakDelegate<MakeSureCancelCloneSystemVCDelegate> delegate_;
};

class ErrorWindowController : public ClonePanelView {
  Q_OBJECT
 public:
  explicit ErrorWindowController(QWidget* parent = nullptr);
  void changeErrorLabelStr(const QString& text);
  void okButtonAction() { closeWindow(); }

  QLabel* errorLabel = nullptr;
  TextImageButton* okButton = nullptr;
};

// The four steps of the clone: choose, erase, copy, finish.
class SetpFViewController : public QWidget {
  Q_OBJECT
 public:
  explicit SetpFViewController(QWidget* parent = nullptr);
  static constexpr double kWidth = 640;
  static constexpr double kHeight = 56;

  void setSetpIn(int step);
  void changeLanageue();
  int shownStep() const { return shownStep_; }

  QLabel* stepImageView = nullptr;
  QLabel* step_1_Label = nullptr;
  QLabel* step_2_Label = nullptr;
  QLabel* step_3_Label = nullptr;
  QLabel* step_4_Label = nullptr;

 private:
  int shownStep_ = 0;
};

// Explains how to grant Full Disk Access and opens the settings list. Run modally.
class FullDiskAccessViewController : public QObject {
  Q_OBJECT
 public:
  explicit FullDiskAccessViewController(QObject* parent = nullptr);
  ~FullDiskAccessViewController() override;

  TCImageWindow* window();
  // Shows the window centred over `over` (the screen's window) and returns once it is closed.
  int runModal(QWidget* over = nullptr);
  void closeWindow();
  void openSetView();
  void setLangue();

  QLabel* titleLabel = nullptr;
  QLabel* nodelLabel = nullptr;
  TextImageButton* openBtn = nullptr;
  QLabel* nodel_2 = nullptr;
  QLabel* nodel_3 = nullptr;
  QLabel* nodel_4 = nullptr;

  // The address of the Full Disk Access list in the system's privacy settings.
  static const char* const kFullDiskAccessSettings;

 private:
  void windowDidLoad();
  QPointer<TCImageWindow> aWindow;
};
