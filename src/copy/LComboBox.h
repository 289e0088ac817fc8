#pragma once
// The copy-mode drop-down (copy all / copy some, with a browse button in
// copy-some mode) and its pop-up list, used by the copy and image screens.
//
// How a screen uses it: make an LComboBox, set its delegate, setlComboBoxEnde
// to enable it, add it to its host view (kSize). A click on it sends
// showSelectAllVC: the screen then makes a SelectAllFilePopVC (delegate: the
// screen), shows it with showCopyModeList() through its uikit::DropDown (an
// RAttachedWindow above (443, 137) of the main window, closed by the drop-down
// rule), closes it when mouseEixtView(true) arrives or on selectFormatbyType,
// which the screen passes on with changeSelectType. Choosing copy all reports
// changeSelectCopyType; the browse button reports doShowSearchView.
// Object names: "lComboBox", "lComboBoxOpen", "lComboBoxSearch",
// "lComboBoxLabel"; the list's rows "copyModeAll" and "copyModeSome".
#include <QLabel>
#include <QWidget>

#include "uikit/Delegate.h"
#include "uikit/DropDown.h"
#include "uikit/Geometry.h"
#include "uikit/ListItems.h"

class TCImageButton;
class ImageNameButton;
class NamedImageView;
class RAttachedWindow;

class LComboBoxDelegate {
 public:
  virtual ~LComboBoxDelegate() = default;
  virtual void changeSelectCopyType() {}
  virtual void doShowSearchView() {}
  virtual void showSelectAllVC() {}
};

class LComboBoxSubViewDelegate {
 public:
  virtual ~LComboBoxSubViewDelegate() = default;
  virtual void doSelect() {}
};

class SelectAllFileVCDelegate {
 public:
  virtual ~SelectAllFileVCDelegate() = default;
  // YES when the pointer left the list.
  virtual void mouseEixtView(bool exited) { (void)exited; }
  // 0 copy all, 1 copy some.
  virtual void selectFormatbyType(int type) { (void)type; }
};

// The drop-down's clickable background.
class LComboBoxSubView : public QWidget {
  Q_OBJECT
 public:
  explicit LComboBoxSubView(QWidget* parent = nullptr);
  void setDelegate(LComboBoxSubViewDelegate* d) { delegate_ = d; }

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent*) override;

 private:
  uikit::WeakDelegate<LComboBoxSubViewDelegate> delegate_;
};

class LComboBox : public QWidget, public LComboBoxSubViewDelegate {
  Q_OBJECT
 public:
  static constexpr uikit::NSSize kSize{300, 36};

  explicit LComboBox(QWidget* parent = nullptr);
  ~LComboBox() override;
  QWidget* view() { return this; }

  void setLconboBoxDelegate(LComboBoxDelegate* d) { delegate_ = d; }
  LComboBoxDelegate* lconboBoxDelegate() const { return delegate_.get(); }

  // Shows the mode without reporting it: for a screen whose own rules chose it.
  void showSelectType(int type);
  // 0 copy all (reported), anything else copy some (browse button shown).
  void changeSelectType(int type);
  int aTageIndex() const { return aTageIndex_; }
  void selectIndex(int tag) { changeSelectType(tag); }
  // Enables (YES) or disables the drop-down.
  void setlComboBoxEnde(bool enabled);
  bool isCanOpen() const { return isCanOpen_; }
  void openMenu();
  void searchButtonAction();
  void setStrLabelValue(const QString& text);
  void changeLanageue();

  // LComboBoxSubViewDelegate
  void doSelect() override;

  QLabel* strLabel() const { return strLabel_; }
  TCImageButton* openButton() const { return openButton_; }
  ImageNameButton* searchButton() const { return searchButton_; }
  NamedImageView* iconImageView() const { return iconImageView_; }

 private:
  LComboBoxSubView* sub_ = nullptr;
  QLabel* strLabel_ = nullptr;
  TCImageButton* openButton_ = nullptr;
  ImageNameButton* searchButton_ = nullptr;
  NamedImageView* iconImageView_ = nullptr;
  bool isCanOpen_ = false;
  int aTageIndex_ = 0;
  uikit::WeakDelegate<LComboBoxDelegate> delegate_;
};

// The pop-up list: two rows, copy all (tag 0) and copy some (tag 1).
class SelectAllFilePopVC : public QWidget, public SortSelectBgViewDelegate {
  Q_OBJECT
 public:
  static constexpr uikit::NSSize kSize{220, 80};

  explicit SelectAllFilePopVC(QWidget* parent = nullptr);
  ~SelectAllFilePopVC() override;
  QWidget* view() { return this; }
  void setDelegate(SelectAllFileVCDelegate* d) { delegate_ = d; }

  // SortSelectBgViewDelegate
  void mouseInView(bool inside, int tag) override;
  void selectSortType(SortSelectBgView* row) override;

  QLabel* label_1() const { return label_1_; }
  QLabel* label_2() const { return label_2_; }
  SortSelectBgView* view_1() const { return view_1_; }
  SortSelectBgView* view_2() const { return view_2_; }

 protected:
  void enterEvent(QEnterEvent*) override;
  void leaveEvent(QEvent*) override;

 private:
  void changeLanageue();
  SortSelectBgView* view_1_ = nullptr;
  SortSelectBgView* view_2_ = nullptr;
  QLabel* label_1_ = nullptr;
  QLabel* label_2_ = nullptr;
  uikit::WeakDelegate<SelectAllFileVCDelegate> delegate_;
};

// Shows the list through `dropDown` in an RAttachedWindow on side 3 at distance 0, its bottom edge
// centred on (443, 137) of `mainWindow`, background alpha 0.8, as a child
// window above it. The window owns the list from then on.
RAttachedWindow* showCopyModeList(uikit::DropDown* dropDown, QWidget* mainWindow, SelectAllFilePopVC* list);
