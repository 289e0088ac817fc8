#pragma once
// The drawn views of the disk manager: its table, the row cell, the backgrounds
// behind the table and the text fields, and the usage bar.
#include <QAbstractTableModel>
#include <QPointer>
#include <QTableView>
#include <QWidget>
#include <functional>

#include "uikit/Delegate.h"

class QLabel;
class QLineEdit;
class QMouseEvent;

// A text field of the disk manager and its panels: font and colour set, and
// clicks passing through to the view below.
QLabel* makeTextField(QWidget* parent, const QString& name, const QFont& font, const QColor& color);
void setTextFieldColor(QLabel* field, const QColor& color);
// An editable name field drawn over a TextFiledBgView.
QLineEdit* makeEditField(QWidget* background, const QString& name, const QRect& frame);

class CustomTableViewDelegate {
 public:
  virtual ~CustomTableViewDelegate() = default;
  virtual void listRightMouseDown(QMouseEvent* event) { (void)event; }
};

// What the table asks its owner for (data source and delegate in one).
class CustomTableViewSource {
 public:
  virtual ~CustomTableViewSource() = default;
  virtual int numberOfRowsInTableView() = 0;
  virtual int heightOfRow(int row) = 0;
  // Fills the row's view (made by the table, reused while the row exists).
  virtual void fillViewForRow(class RepairDiskTableCellView* view, int row) = 0;
};

class CustomTableView : public QTableView {
  Q_OBJECT
 public:
  explicit CustomTableView(QWidget* parent = nullptr);
  void setSource(CustomTableViewSource* source) { source_ = source; }
  void setListDelegate(CustomTableViewDelegate* d) { listDelegate_ = d; }
  void setSelectNum(int row);
  int rowNum() const { return rowNum_; }
  // Asks the source again for every row and refills the row views.
  void reloadData();
  class RepairDiskTableCellView* cellAt(int row) const;
  int rowCount() const;

 Q_SIGNALS:
  void rowClicked(int row);

 protected:
  void paintEvent(QPaintEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;

 private:
  class Model;
  Model* model_ = nullptr;
  CustomTableViewSource* source_ = nullptr;
  uikit::WeakDelegate<CustomTableViewDelegate> listDelegate_;
  int rowNum_ = 0;
  QList<QPointer<class RepairDiskTableCellView>> cells_;
};

class RepairDiskTableCellView : public QWidget {
  Q_OBJECT
 public:
  explicit RepairDiskTableCellView(QWidget* parent = nullptr);
  bool isSelect = false;
  bool isStr = false;
  int row = -1;

 Q_SIGNALS:
  void clicked(int row);

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent*) override;
};

class RepaorTableBGView : public QWidget {
  Q_OBJECT
 public:
  using QWidget::QWidget;

 protected:
  void paintEvent(QPaintEvent*) override;
};

class TextFiledBgView : public QWidget {
  Q_OBJECT
 public:
  using QWidget::QWidget;

 protected:
  void paintEvent(QPaintEvent*) override;
};

class WipeDiskProView : public QWidget {
  Q_OBJECT
 public:
  using QWidget::QWidget;
  void changeProgressValue(float percent);
  float value() const { return value_; }
  // The fill width for a percentage: full once it passes width - 1, never below 0.
  static float fillWidth(float width, float percent);

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  float value_ = 0;
};
