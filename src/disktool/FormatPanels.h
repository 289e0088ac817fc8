#pragma once
// The format flow's panels, each shown in a status window over the main window:
// the confirmation with the new name and the file system, its drop-down list,
// the progress panel and the completion panel.
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QWidget>

#include "uikit/AttachedWindow.h"
#include "uikit/Delegate.h"
#include "uikit/DropDown.h"
#include "uikit/ImageButtons.h"
#include "uikit/ListItems.h"

class MakeSureFormatVCDelegate {
 public:
  virtual ~MakeSureFormatVCDelegate() = default;
  virtual void makeSureToFormatSelectVolumeWithName(const QString& name, const QString& type) {
    (void)name;
    (void)type;
  }
  virtual void cancelFormatVoluem() {}
};

class FormatTypeVCDelegate {
 public:
  virtual ~FormatTypeVCDelegate() = default;
  virtual void mouseEixtView(bool exited) { (void)exited; }
  virtual void selectFormatbyType(int index) { (void)index; }
};

// A panel's content: a box in the middle of a view the size of the main window.
class FormatPanelBase : public QWidget {
  Q_OBJECT
 public:
  explicit FormatPanelBase(const QSize& windowSize, double boxHeight, QWidget* parent = nullptr);
  QWidget* view() { return this; }
  void setSuperDelegate(StatusAttachedWindow* w) { superDelegate = w; }
  StatusAttachedWindow* statusWindow() const { return superDelegate; }
  // Closes the panel's status window, if there is one.
  void closeWindow();

 protected:
  // A frame inside the box, in the box's y-up coordinates.
  QRect boxFrame(double x, double y, double w, double h) const;
  QWidget* box = nullptr;
  QPointer<StatusAttachedWindow> superDelegate;
};

class FormatTypeViewController : public QWidget, public SortSelectBgViewDelegate {
  Q_OBJECT
 public:
  explicit FormatTypeViewController(QWidget* parent = nullptr);
  void setDelegate(FormatTypeVCDelegate* d) { delegate_ = d; }
  QWidget* view() { return this; }
  void mouseInView(bool inside, int tag) override;
  void selectSortType(SortSelectBgView* row) override;
  SortSelectBgView* rowView(int i) const { return views_[i]; }

 protected:
  void enterEvent(QEnterEvent*) override;
  void leaveEvent(QEvent*) override;

 private:
  SortSelectBgView* views_[4] = {};
  QLabel* labels_[4] = {};
  uikit::WeakDelegate<FormatTypeVCDelegate> delegate_;
};

class MakeSureFormatViewController : public FormatPanelBase, public FormatTypeVCDelegate {
  Q_OBJECT
 public:
  explicit MakeSureFormatViewController(const QSize& windowSize, QWidget* parent = nullptr);
  ~MakeSureFormatViewController() override;
  void setDelegate(MakeSureFormatVCDelegate* d) { delegate_ = d; }
  void setName(const QString& volumeName, const QString& fileSystem);

  void openMenuAction();
  void closeMattachedWindow();
  void mouseEixtView(bool exited) override;
  void selectFormatbyType(int index) override;
  void okButtonAction();
  void noButtonAction();

  QString typeText() const { return typeLabel->text(); }
  bool isDropDownOpen() const { return sortDropDown->isOpen(); }
  bool typeSelectable() const { return typeSelectBut->isEnabled(); }
  QString fileSysBgImage() const { return fileSysBgName_; }

 private:
  TextImageButton* okButton = nullptr;
  TextImageButton* noButton = nullptr;
  QLineEdit* nameTextFiled = nullptr;
  QLabel* typeLabel = nullptr;
  QLabel* nodeLabel = nullptr;
  QLabel* titleLabel = nullptr;
  QLabel* nameLabel = nullptr;
  QLabel* fileSystemLabel = nullptr;
  QPointer<FormatTypeViewController> formatTypeVC;
  uikit::DropDown* sortDropDown = new uikit::DropDown(this);
  QPushButton* typeSelectBut = nullptr;
  QWidget* openImageV = nullptr;
  QLabel* fileSysBg = nullptr;
  QString fileSysBgName_;
  bool answered_ = false;
  uikit::WeakDelegate<MakeSureFormatVCDelegate> delegate_;
};

class FormatingViewController : public FormatPanelBase {
  Q_OBJECT
 public:
  explicit FormatingViewController(const QSize& windowSize, QWidget* parent = nullptr);

 private:
  QLabel* nodelLabel = nullptr;
};

class FormatEndViewController : public FormatPanelBase {
  Q_OBJECT
 public:
  explicit FormatEndViewController(const QSize& windowSize, QWidget* parent = nullptr);
  // A failure replaces the completion title.
  void setFailureText(const QString& text);
  QString titleText() const { return titleLabel->text(); }

 private:
  QLabel* titleLabel = nullptr;
  TextImageButton* closeButton = nullptr;
};
