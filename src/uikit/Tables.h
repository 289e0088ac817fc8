#pragma once
// The list widgets of the screens: table and outline with the custom header,
// the image-and-text cell, the overlay scroller, the file drop target, the
// error-callout content and the window-dragging image view.
#include <QAbstractItemModel>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>
#include <QTreeView>

#include "uikit/Delegate.h"
#include "uikit/ListItems.h"
#include "uikit/Style.h"

class QPropertyAnimation;

// The header cell's title and sort state, and its drawing.
class CustomHeaderCell {
 public:
  // A cell with the old cell's title, system font 12 in (71,71,71).
  static CustomHeaderCell initWithCell(const QString& title);
  void setSortAscending(bool ascending, qint64 priority) { _ascending = ascending; _priority = priority; }
  QString title;
  bool _ascending = true;
  qint64 _priority = 1;
  // Frames are the header's top-down coordinates.
  void drawWithFrame(QPainter& p, const QRectF& frame) const;
  void drawSortIndicatorWithFrame(QPainter& p, const QRectF& frame) const;
  static QFont titleFont();
  static QColor titleColor();
};

// A header view whose sections draw as CustomHeaderCell.
class CustomHeaderView : public QHeaderView {
  Q_OBJECT
 public:
  explicit CustomHeaderView(Qt::Orientation o, QWidget* parent = nullptr);
  // Replaces the header of a table or outline and gives it its height
  // (20 for KVNSTableView, 25 for the disk manager's table, 30 for the browser).
  static CustomHeaderView* install(QAbstractItemView* view, int height);
  CustomHeaderCell& cell(int section);

 protected:
  void paintSection(QPainter* p, const QRect& rect, int logicalIndex) const override;

 private:
  QHash<int, CustomHeaderCell> cells_;
};

class KVNSTableView : public QTableView {
  Q_OBJECT
 public:
  explicit KVNSTableView(QWidget* parent = nullptr);
  // YES: the list has content (removes the empty-state overlay); NO: shows it.
  void changeNoValue(bool hasContent);
  static float getLableHight();
  // The same for a given first preferred language.
  static float getLableHightForLanguage(const QString& firstLanguage);
  void changeFrame();
  QWidget* noValueView() const { return noValueView_; }
  QWidget* nodeView() const { return nodeView_; }
  static constexpr const char* kSpacePreviewNotification = "SpacePreviewFile";

 protected:
  void keyPressEvent(QKeyEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;

 private:
  QPointer<QWidget> noValueView_;
  QPointer<QWidget> nodeView_;
  bool isClicking = false;
};

class CommOutlineViewDelegate {
 public:
  virtual ~CommOutlineViewDelegate() = default;
};

// A flat outline: its items are dataArr; an item that is itself a list has
// those children. Only the arrow keys move the selection.
class CommOutlineView : public QTreeView, public NewButtonDelegate {
  Q_OBJECT
 public:
  explicit CommOutlineView(QWidget* parent = nullptr);
  void loadDataFormDetail(const QVariantList& list, qint64 dataType);
  void selectRootItem() {}
  const QVariantList& dataArr() const { return dataArr_; }
  qint64 dataType() const { return dataType_; }
  qint64 selectedRow() const { return selectedRow_; }
  void setMDelegate(CommOutlineViewDelegate* d) { mDelegate_ = d; }
  // A click on a cell's hot spot: the outline's lists do nothing with it.
  void clickButtonAction(NewButton* cell) override { (void)cell; }

 protected:
  void keyPressEvent(QKeyEvent* e) override;
  void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;

 private:
  class Model;
  QVariantList dataArr_;
  QVariantList photos_;
  qint64 selectedRow_ = -1;
  quint64 viewLoadCnt_ = 0;
  QPointer<QTimer> refreshTimer_;
  qint64 dataType_ = 0;
  uikit::WeakDelegate<CommOutlineViewDelegate> mDelegate_;
  Model* model_ = nullptr;
};

// An item delegate drawing an 18x18 image (the item's decoration) 3 points
// in, and the text after it.
class ImageAndTextCell : public QStyledItemDelegate {
  Q_OBJECT
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  static QRectF imageFrameForCellFrame(const QRectF& cellFrame, const QSizeF& imageSize);
  void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

// Draws only the knob: 8 wide, rounded 4, (221,221,223). It is shown at full
// strength on every new value and while the pointer is over it, and fades out
// 1.5 s after a new value or when the pointer leaves; the fade ends at full
// strength too, so the knob stays visible.
class OverlayScroller : public QScrollBar {
  Q_OBJECT
  Q_PROPERTY(double alphaValue READ alphaValue WRITE setAlphaValue)
 public:
  explicit OverlayScroller(QWidget* parent = nullptr);
  static double zeroWidth() { return 0.0; }
  static constexpr int kWidth = 16;
  static constexpr double kFadedAlpha = 1.0;
  QRect knobRect() const;

  double alphaValue() const { return alpha_; }
  void setAlphaValue(double a);
  void fadeOut();
  bool isFadeOutPending() const { return pendingFadeOut_.isActive(); }

 protected:
  void paintEvent(QPaintEvent*) override;
  void enterEvent(QEnterEvent*) override;
  // Presses and drags act on the drawn knob, not on the platform style's
  // geometry (which has arrows and another knob length).
  void mousePressEvent(QMouseEvent*) override;
  void mouseMoveEvent(QMouseEvent*) override;
  void mouseReleaseEvent(QMouseEvent*) override;
  void leaveEvent(QEvent*) override;

 private:
  void animateAlpha(double to, int ms);
  // Knob length and the track it moves in, as drawn.
  int knobLength() const;
  int dragStartY_ = -1;
  int dragStartValue_ = 0;
  double alpha_ = 1.0;
  QTimer pendingFadeOut_;
  QPointer<QPropertyAnimation> alphaAnimation_;
};

// Holds a table or outline whose vertical scroller floats over the content,
// below the header.
class OverlayScrollView : public QWidget {
  Q_OBJECT
 public:
  explicit OverlayScrollView(QWidget* parent = nullptr);
  void setDocumentView(QAbstractScrollArea* area);
  QAbstractScrollArea* documentView() const { return area_; }
  OverlayScroller* verticalScroller() const { return scroller_; }
  qint64 headerOffset() const { return _headerOffset; }
  void tile();

 protected:
  void resizeEvent(QResizeEvent*) override;
  bool eventFilter(QObject* o, QEvent* e) override;

 private:
  QPointer<QAbstractScrollArea> area_;
  OverlayScroller* scroller_ = nullptr;
  qint64 _headerOffset = 0;
};

class DragViewDelegate {
 public:
  virtual ~DragViewDelegate() = default;
  // The dropped files' Mac paths, in the order they were dropped.
  virtual void viewDragAction(const QStringList& paths) { (void)paths; }
  virtual void selectFileButtonAction(QObject* sender) { (void)sender; }
};

class DragView : public QWidget {
  Q_OBJECT
 public:
  explicit DragView(QWidget* parent = nullptr);
  void setDelegate(DragViewDelegate* d) { delegate_ = d; }
  DragViewDelegate* delegate() const { return delegate_.get(); }
  // The drop itself, for callers that hold the data (and tests).
  bool performDragOperation(const QMimeData* data);

 protected:
  void dragEnterEvent(QDragEnterEvent*) override;
  void dragLeaveEvent(QDragLeaveEvent*) override;
  void dropEvent(QDropEvent*) override;

 private:
  uikit::WeakDelegate<DragViewDelegate> delegate_;
};

// The content of an error callout: one wrapped line or two of text.
class ErrorViewController : public QWidget {
  Q_OBJECT
 public:
  explicit ErrorViewController(QWidget* parent = nullptr);
  void setErrorStr(const QString& text);
  QLabel* errorLabel() const { return errorLabel_; }
  QWidget* view() { return this; }
  static constexpr int kWidth = 260;

 private:
  QLabel* errorLabel_ = nullptr;
};

// An image view that drags its window.
class TopImageView : public QLabel {
  Q_OBJECT
 public:
  using QLabel::QLabel;

 protected:
  void mousePressEvent(QMouseEvent*) override;
  void mouseMoveEvent(QMouseEvent*) override;

 private:
  QPoint from_;
};
