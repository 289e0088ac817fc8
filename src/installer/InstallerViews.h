#pragma once
// The installer screen's own widgets: its three backgrounds, the version picker
// (InstallerComboBox) and the picker's drop-down list (SelectOSFilePopVC).
#include <QLabel>
#include <QWidget>

#include "uikit/Delegate.h"
#include "uikit/ImageButtons.h"
#include "uikit/ListItems.h"
#include "uikit/Style.h"

// A label of the installer pages, placed at an AppKit frame.
QLabel* installerLabel(QWidget* parent, const char* name, const uikit::NSRect& frame, double size, bool bold = false,
                       const QColor& color = deviceColor(58, 58, 58));
// A plain named container at an AppKit frame.
QWidget* installerBox(QWidget* parent, const char* name, const uikit::NSRect& frame);

// The light panel behind the two steps.
class MainBgView : public QWidget {
  Q_OBJECT
 public:
  using QWidget::QWidget;

 protected:
  void paintEvent(QPaintEvent*) override;
};

// A list row's background, filled while its row is the chosen one.
class SelectListBgView : public QWidget {
  Q_OBJECT
 public:
  using QWidget::QWidget;
  void SetListSelect(bool selected);
  bool isSelected() const { return isSelect; }

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  bool isSelect = false;
};

class InstallerComboBoxDelegate {
 public:
  virtual ~InstallerComboBoxDelegate() = default;
  virtual void changeSelectCopyType() {}
  virtual void doShowSearchView() {}
  virtual void showSelectAllVC() {}
};

class InstallerComboBoxSubViewDelegate {
 public:
  virtual ~InstallerComboBoxSubViewDelegate() = default;
  virtual void doSelect() {}
};

class InstallerComboBoxSubView : public QWidget {
  Q_OBJECT
 public:
  using QWidget::QWidget;
  void setDelegate(InstallerComboBoxSubViewDelegate* d) { delegate_ = d; }

 protected:
  void mousePressEvent(QMouseEvent*) override;
  void paintEvent(QPaintEvent*) override;

 private:
  uikit::WeakDelegate<InstallerComboBoxSubViewDelegate> delegate_;
};

// The version picker: an icon, the chosen label and the open button.
class InstallerComboBox : public InstallerComboBoxSubView, public InstallerComboBoxSubViewDelegate {
  Q_OBJECT
 public:
  explicit InstallerComboBox(QWidget* parent = nullptr);
  void setLconboBoxDelegate(InstallerComboBoxDelegate* d) { lconboBoxDelegate = d; }
  void setStrLabelValue(const QString& text);
  void setlComboBoxEnde(bool enabled);
  void changeSelectType(int index);
  QString labelText() const { return strLabel->text(); }
  // The label of entry `index` (0-8), "" otherwise.
  static QString labelForIndex(int index);

  void doSelect() override;
  void openMenu();

 private:
  QLabel* strLabel = nullptr;
  TCImageButton* openButton = nullptr;
  QLabel* iconImageView = nullptr;
  bool isCanOpen = false;
  uikit::WeakDelegate<InstallerComboBoxDelegate> lconboBoxDelegate;
};

class SelectOSFileVCDelegate {
 public:
  virtual ~SelectOSFileVCDelegate() = default;
  virtual void mouseEixtView(bool exited) { (void)exited; }
  virtual void selectFormatbyType(int index) { (void)index; }
};

// The drop-down of the version picker: nine rows, one per label of the picker.
class SelectOSFilePopVC : public QWidget, public SortSelectBgViewDelegate {
  Q_OBJECT
 public:
  explicit SelectOSFilePopVC(QWidget* parent = nullptr);
  void setDelegate(SelectOSFileVCDelegate* d) { delegate = d; }

  void mouseInView(bool inside, int tag) override;
  void selectSortType(SortSelectBgView* row) override;

 protected:
  void enterEvent(QEnterEvent*) override;
  void leaveEvent(QEvent*) override;

 private:
  QList<SortSelectBgView*> views;
  QList<QLabel*> labels;
  uikit::WeakDelegate<SelectOSFileVCDelegate> delegate;
};
