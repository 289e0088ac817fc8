#include "disktool/DiskManagerViews.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include "services/Color.h"
#include "uikit/Backgrounds.h"
#include "uikit/ProgressBars.h"
#include "uikit/Style.h"
#include "uikit/Tables.h"

using uikit::fillRounded;

QLabel* makeTextField(QWidget* parent, const QString& name, const QFont& font, const QColor& color) {
  auto* l = new QLabel(parent);
  l->setObjectName(name);
  l->setFont(font);
  setTextFieldColor(l, color);
  l->setAttribute(Qt::WA_TransparentForMouseEvents);
  return l;
}

void setTextFieldColor(QLabel* field, const QColor& color) {
  // Set by a style rule: the table's row views take the view's palette over their own.
  field->setStyleSheet(QStringLiteral("color: %1;").arg(color.name()));
}

QLineEdit* makeEditField(QWidget* background, const QString& name, const QRect& frame) {
  auto* field = new QLineEdit(background);
  field->setObjectName(name);
  field->setFrame(false);
  field->setFont(uikit::regularFont(13));
  field->setStyleSheet(QStringLiteral("QLineEdit { background: transparent; color: rgb(58,58,58); }"));
  field->setGeometry(frame);
  return field;
}

class CustomTableView::Model : public QAbstractTableModel {
 public:
  using QAbstractTableModel::QAbstractTableModel;
  int rows = 0;
  int rowCount(const QModelIndex& parent = QModelIndex()) const override { return parent.isValid() ? 0 : rows; }
  int columnCount(const QModelIndex& parent = QModelIndex()) const override { return parent.isValid() ? 0 : 1; }
  QVariant data(const QModelIndex&, int) const override { return QVariant(); }
  QVariant headerData(int, Qt::Orientation o, int role) const override {
    return o == Qt::Horizontal && role == Qt::DisplayRole ? QVariant(QString()) : QVariant();
  }
  void setRows(int n) {
    beginResetModel();
    rows = n;
    endResetModel();
  }
};

CustomTableView::CustomTableView(QWidget* parent) : QTableView(parent) {
  model_ = new Model(this);
  setModel(model_);
  CustomHeaderView::install(this, 25);
  verticalHeader()->hide();
  setShowGrid(false);
  setSelectionMode(QAbstractItemView::NoSelection);
  setFocusPolicy(Qt::NoFocus);
  setFrameShape(QFrame::NoFrame);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  // The rows draw over the background view behind the table.
  QPalette pal = palette();
  pal.setColor(QPalette::Base, Qt::transparent);
  setPalette(pal);
  viewport()->setAutoFillBackground(false);
}

void CustomTableView::setSelectNum(int row) {
  rowNum_ = row;
  viewport()->update();
}

int CustomTableView::rowCount() const { return model_->rows; }

RepairDiskTableCellView* CustomTableView::cellAt(int row) const {
  return row >= 0 && row < cells_.size() ? cells_[row].data() : nullptr;
}

void CustomTableView::reloadData() {
  const int n = source_ ? source_->numberOfRowsInTableView() : 0;
  if (n != model_->rows) {
    // A reset drops the row views; they are made again below.
    model_->setRows(n);
    cells_.clear();
  }
  for (int row = 0; row < n; ++row) {
    setRowHeight(row, source_->heightOfRow(row));
    RepairDiskTableCellView* cell = cellAt(row);
    if (!cell) {
      cell = new RepairDiskTableCellView;
      cell->setObjectName(QStringLiteral("Name"));
      cell->row = row;
      connect(cell, &RepairDiskTableCellView::clicked, this, &CustomTableView::rowClicked);
      setIndexWidget(model_->index(row, 0), cell);
      while (cells_.size() <= row) cells_.append(nullptr);
      cells_[row] = cell;
    }
    source_->fillViewForRow(cell, row);
  }
  viewport()->update();
}

void CustomTableView::paintEvent(QPaintEvent* e) {
  {
    QPainter p(viewport());
    p.setRenderHint(QPainter::Antialiasing);
    for (int row = 0; row < model_->rows; ++row) {
      const int y = rowViewportPosition(row);
      fillRounded(p, QRectF(8, y, 675, 48), 8, row == rowNum_ ? getColor(67, 67, 67, 1) : getColor(52, 52, 52, 1));
    }
  }
  QTableView::paintEvent(e);
}

void CustomTableView::mousePressEvent(QMouseEvent* e) {
  if (e->button() == Qt::RightButton) {
    if (auto* d = listDelegate_.get()) d->listRightMouseDown(e);
    return;
  }
  const int row = rowAt(e->position().toPoint().y());
  if (row >= 0) Q_EMIT rowClicked(row);
}

RepairDiskTableCellView::RepairDiskTableCellView(QWidget* parent) : QWidget(parent) {}

void RepairDiskTableCellView::paintEvent(QPaintEvent*) {
  if (isStr) return;
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  // y + 6 from the bottom of a y-up view is 6 from the top of an 84-high row too.
  fillRounded(p, QRectF(0, height() - 6 - 72, 810, 72), 8, getColor(245, 247, 249, 1));
}

void RepairDiskTableCellView::mousePressEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton) Q_EMIT clicked(row);
  QWidget::mousePressEvent(e);
}

void RepaorTableBGView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  fillRounded(p, QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 10, deviceColor(52, 52, 52, 1));
}

void TextFiledBgView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  fillRounded(p, QRectF(rect()), 4, Qt::white);
  QPainterPath stroke;
  stroke.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
  p.setPen(QPen(getColor(218, 220, 224, 1), 1));
  p.drawPath(stroke);
}

float WipeDiskProView::fillWidth(float width, float percent) {
  const float w = uikit::percentFillWidth(width, percent);
  // Free space above the total gives a negative share: no fill, never a negative width.
  return w > 0 ? w : 0;
}

void WipeDiskProView::changeProgressValue(float percent) {
  value_ = fillWidth(float(width()), percent);
  update();
}

void WipeDiskProView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  // Four points high at the bottom of the view (y-up origin).
  const double y = height() - 4;
  fillRounded(p, QRectF(0, y, width(), 4), 2, getColor(221, 221, 223, 1));
  if (value_ > 0) fillRounded(p, QRectF(0, y, value_, 4), 2, getColor(75, 159, 255, 1));
}
