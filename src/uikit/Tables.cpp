#include "uikit/Tables.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QGuiApplication>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QPropertyAnimation>
#include <QUrl>
#include <QWindow>
#include <cmath>

#include "platform/NotificationCenter.h"
#include "platform/Paths.h"
#include "platform/UserDefaults.h"
#include "services/Color.h"
#include "services/KVLog.h"
#include "services/Localization.h"
#include "uikit/Geometry.h"

using namespace uikit;

// ------------------------------------------------------------ header cells

CustomHeaderCell CustomHeaderCell::initWithCell(const QString& title) {
  CustomHeaderCell c;
  c.title = title;
  c._ascending = true;
  c._priority = 1;
  return c;
}

QFont CustomHeaderCell::titleFont() { return systemFont(12); }
QColor CustomHeaderCell::titleColor() { return getColor(71, 71, 71, 1); }

void CustomHeaderCell::drawWithFrame(QPainter& p, const QRectF& f) const {
  p.fillRect(f, Qt::white);
  const QFont font = titleFont();
  const double lineH = QFontMetricsF(font).height();
  // 8 below the header's top, kept inside a low header.
  const double top = std::min(f.y() + 8, f.y() + f.height() - lineH);
  const QRectF r = _priority != 0 ? QRectF(f.x() + 3, top, f.width(), lineH)
                                  : QRectF(f.x(), top, f.width() - 8, lineH);
  p.setFont(font);
  p.setPen(titleColor());
  p.drawText(r, Qt::AlignLeft | Qt::AlignTop, title);
  drawSortIndicatorWithFrame(p, f);
}

void CustomHeaderCell::drawSortIndicatorWithFrame(QPainter& p, const QRectF& f) const {
  if (_priority != 0) return;  // drawn in the clear colour: invisible
  const double x0 = f.x() + f.width() - 12, y = f.y(), h = f.height();
  QPolygonF tri;
  if (_ascending) tri << QPointF(x0, y + h - 10) << QPointF(x0 + 4, y + h - 17) << QPointF(x0 + 8, y + h - 10);
  else tri << QPointF(x0, y + 10) << QPointF(x0 + 4, y + 17) << QPointF(x0 + 8, y + 10);
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawPolygon(tri);
}

CustomHeaderView::CustomHeaderView(Qt::Orientation o, QWidget* parent) : QHeaderView(o, parent) {
  setSectionsClickable(true);
  setHighlightSections(false);
  setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

CustomHeaderView* CustomHeaderView::install(QAbstractItemView* view, int height) {
  auto* h = new CustomHeaderView(Qt::Horizontal, view);
  h->setFixedHeight(height);
  h->setStretchLastSection(true);
  if (auto* t = qobject_cast<QTableView*>(view)) t->setHorizontalHeader(h);
  else if (auto* tr = qobject_cast<QTreeView*>(view)) tr->setHeader(h);
  return h;
}

CustomHeaderCell& CustomHeaderView::cell(int section) {
  auto it = cells_.find(section);
  if (it == cells_.end()) {
    const QString title = model() ? model()->headerData(section, orientation()).toString() : QString();
    it = cells_.insert(section, CustomHeaderCell::initWithCell(title));
  }
  return *it;
}

void CustomHeaderView::paintSection(QPainter* p, const QRect& rect, int logicalIndex) const {
  CustomHeaderCell c = cells_.value(logicalIndex);
  if (!cells_.contains(logicalIndex)) {
    c = CustomHeaderCell::initWithCell(model() ? model()->headerData(logicalIndex, orientation()).toString()
                                               : QString());
  } else if (c.title.isEmpty() && model()) {
    c.title = model()->headerData(logicalIndex, orientation()).toString();
  }
  p->save();
  p->setRenderHint(QPainter::Antialiasing);
  c.drawWithFrame(*p, QRectF(rect));
  p->restore();
}

// ------------------------------------------------------------ KVNSTableView

KVNSTableView::KVNSTableView(QWidget* parent) : QTableView(parent) {
  CustomHeaderView::install(this, 20);
  verticalHeader()->hide();
  setShowGrid(false);
  setFrameShape(QFrame::NoFrame);
  setSelectionBehavior(QAbstractItemView::SelectRows);
}

float KVNSTableView::getLableHight() {
  return getLableHightForLanguage(
      platform::UserDefaults::standard().objectForKey("AppleLanguages").toStringList().value(0));
}

float KVNSTableView::getLableHightForLanguage(const QString& first) {
  // Languages whose texts run long get two lines.
  static const QStringList longer = {"de", "fr", "es", "it", "pt-BR"};
  return longer.contains(first) ? 40.0f : 25.0f;
}

void KVNSTableView::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Space) {
    platform::NotificationCenter::defaultCenter().postNotificationName(kSpacePreviewNotification);
    e->accept();
    return;
  }
  QTableView::keyPressEvent(e);
}

void KVNSTableView::changeNoValue(bool hasContent) {
  if (hasContent) {
    delete noValueView_;
    return;
  }
  if (noValueView_) return;
  auto* overlay = new QWidget(this);
  overlay->setGeometry(rect());
  auto* bg = new QLabel(overlay);
  bg->setGeometry(overlay->rect());
  const Image bgImage = Image::named("bg_150");
  bg->setObjectName("bg_150");
  overlay->setAttribute(Qt::WA_TransparentForMouseEvents);
  // The picture scaled to fill both axes; painted by the label's pixmap.
  QPixmap pm(overlay->size().isEmpty() ? QSize(1, 1) : overlay->size());
  pm.fill(Qt::transparent);
  {
    QPainter p(&pm);
    bgImage.draw(p, QRectF(pm.rect()));
  }
  bg->setPixmap(pm);
  bg->setScaledContents(true);
  auto* node = new QWidget(overlay);
  auto* arrow = new QLabel(node);
  arrow->setObjectName("arrow");
  QPixmap am(82, 39);
  am.fill(Qt::transparent);
  {
    QPainter p(&am);
    p.setRenderHint(QPainter::Antialiasing);
    Image::named("arrow").draw(p, QRectF(am.rect()));
  }
  arrow->setPixmap(am);
  arrow->setScaledContents(true);
  const float lh = getLableHight();
  // The node view is a plain (y-up) view: both children sit on its bottom edge.
  arrow->setGeometry(toQt(NSMakeRect(0, 0, 82, 39), 50));
  auto* text = new QLabel(node);
  text->setObjectName("noValueLabel");
  text->setGeometry(toQt(NSMakeRect(82, 0, 420, lh), 50));
  text->setFont(systemFont(14));
  text->setWordWrap(true);
  setTextColor(text, systemGray());
  text->setText(getLocalizedString("UIKIT_TABLE_EMPTY"));
  noValueView_ = overlay;
  nodeView_ = node;
  changeFrame();
  overlay->show();
  overlay->raise();
}

void KVNSTableView::changeFrame() {
  // The table is a flipped view: y counts from its top.
  if (nodeView_) nodeView_->setGeometry(int(width() / 2.0 - 200), int(height() / 2.0), 400, 50);
}

void KVNSTableView::resizeEvent(QResizeEvent* e) {
  QTableView::resizeEvent(e);
  if (noValueView_) {
    noValueView_->setGeometry(rect());
    for (auto* l : noValueView_->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly))
      l->setGeometry(noValueView_->rect());
    changeFrame();
  }
}

// ---------------------------------------------------------- CommOutlineView

class CommOutlineView::Model : public QAbstractItemModel {
 public:
  explicit Model(CommOutlineView* owner) : QAbstractItemModel(owner), owner_(owner) {}
  QModelIndex index(int row, int column, const QModelIndex& parent) const override {
    if (parent.isValid() || row < 0 || row >= owner_->dataArr_.size()) return {};
    return createIndex(row, column);
  }
  QModelIndex parent(const QModelIndex&) const override { return {}; }
  int rowCount(const QModelIndex& parent) const override {
    return parent.isValid() ? 0 : int(owner_->dataArr_.size());
  }
  int columnCount(const QModelIndex&) const override { return 1; }
  QVariant data(const QModelIndex&, int) const override { return {}; }  // cells come from views
  bool hasChildren(const QModelIndex& parent) const override { return !parent.isValid(); }
  void reload() {
    beginResetModel();
    endResetModel();
  }

 private:
  CommOutlineView* owner_;
};

CommOutlineView::CommOutlineView(QWidget* parent) : QTreeView(parent) {
  model_ = new Model(this);
  setModel(model_);
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setHeaderHidden(true);
}

void CommOutlineView::loadDataFormDetail(const QVariantList& list, qint64 type) {
  dataArr_ = list;
  dataType_ = type;
  model_->reload();
}

void CommOutlineView::keyPressEvent(QKeyEvent* e) {
  // Only the arrow keys move the selection.
  if (e->key() == Qt::Key_Up || e->key() == Qt::Key_Down) {
    if (refreshTimer_) {
      refreshTimer_->stop();
      refreshTimer_->deleteLater();
    }
    viewLoadCnt_ = 0;
    QTreeView::keyPressEvent(e);
    return;
  }
  e->ignore();
}

void CommOutlineView::selectionChanged(const QItemSelection& s, const QItemSelection& d) {
  QTreeView::selectionChanged(s, d);
  selectedRow_ = -1;
}

// --------------------------------------------------------- ImageAndTextCell

QRectF ImageAndTextCell::imageFrameForCellFrame(const QRectF& f, const QSizeF& image) {
  if (image.isEmpty()) return {};
  return {f.x() + 3, f.y() + std::ceil((f.height() - image.height()) / 2), image.width(), image.height()};
}

void ImageAndTextCell::paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  const QVariant deco = index.data(Qt::DecorationRole);
  QPixmap pm;
  if (deco.canConvert<QIcon>()) pm = deco.value<QIcon>().pixmap(18, 18);
  if (deco.canConvert<QPixmap>() && pm.isNull()) pm = deco.value<QPixmap>();
  if (pm.isNull()) {
    QStyledItemDelegate::paint(p, option, index);
    return;
  }
  const QRectF f = option.rect;
  const QRectF slice(f.x(), f.y(), 21, f.height());
  if (option.backgroundBrush.style() != Qt::NoBrush) p->fillRect(slice, option.backgroundBrush);
  // Views are top-down here, as a flipped view: the square is centred.
  const QRectF img(slice.x() + 3, f.y() + std::ceil((f.height() - 18) / 2), 18, 18);
  p->drawPixmap(img, pm, QRectF(pm.rect()));
  // The text in the rest of the frame, without the item's own decoration
  // (the base paint would read it from the index and draw it a second time).
  QStyleOptionViewItem rest = option;
  initStyleOption(&rest, index);
  rest.rect = option.rect.adjusted(21, 0, 0, 0);
  rest.features &= ~QStyleOptionViewItem::HasDecoration;
  rest.icon = QIcon();
  rest.decorationSize = QSize();
  const QWidget* w = option.widget;
  (w ? w->style() : QApplication::style())->drawControl(QStyle::CE_ItemViewItem, &rest, p, w);
}

QSize ImageAndTextCell::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
  QSize s = QStyledItemDelegate::sizeHint(option, index);
  const bool hasImage = index.data(Qt::DecorationRole).isValid();
  s.rwidth() += hasImage ? 18 + 3 : 3;
  return s;
}

// ------------------------------------------------------------ overlay scroller

OverlayScroller::OverlayScroller(QWidget* parent) : QScrollBar(Qt::Vertical, parent) {
  setAttribute(Qt::WA_OpaquePaintEvent, false);
  setMouseTracking(true);
  pendingFadeOut_.setSingleShot(true);
  pendingFadeOut_.setInterval(1500);
  connect(&pendingFadeOut_, &QTimer::timeout, this, &OverlayScroller::fadeOut);
  connect(this, &QScrollBar::valueChanged, this, [this] {
    animateAlpha(1.0, 250);
    pendingFadeOut_.start();  // a pending fade-out starts over
  });
}

void OverlayScroller::setAlphaValue(double a) {
  alpha_ = a;
  update();
}

void OverlayScroller::animateAlpha(double to, int ms) {
  if (alphaAnimation_) alphaAnimation_->stop();
  auto* a = new QPropertyAnimation(this, "alphaValue", this);
  a->setDuration(ms);
  a->setEndValue(to);
  alphaAnimation_ = a;
  a->start(QAbstractAnimation::DeleteWhenStopped);
}

void OverlayScroller::fadeOut() {
  animateAlpha(kFadedAlpha, 500);
}

void OverlayScroller::enterEvent(QEnterEvent* e) {
  QScrollBar::enterEvent(e);
  pendingFadeOut_.stop();
  animateAlpha(1.0, 500);
}

void OverlayScroller::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton || maximum() <= minimum()) {
    e->ignore();
    return;
  }
  e->accept();
  const QRect k = knobRect();
  const int y = int(e->position().y());
  if (y >= k.top() && y <= k.bottom()) {
    dragStartY_ = y;
    dragStartValue_ = value();
    setSliderDown(true);
  } else {
    // Outside the knob a press pages towards the pointer.
    setValue(value() + (y < k.top() ? -pageStep() : pageStep()));
  }
}

void OverlayScroller::mouseMoveEvent(QMouseEvent* e) {
  if (alphaAnimation_) alphaAnimation_->stop();
  setAlphaValue(1.0);
  e->accept();
  if (dragStartY_ < 0) return;
  const int track = height() - knobLength();
  if (track <= 0) return;
  const double perPixel = double(maximum() - minimum()) / track;
  setValue(dragStartValue_ + int(std::lround((e->position().y() - dragStartY_) * perPixel)));
}

void OverlayScroller::mouseReleaseEvent(QMouseEvent* e) {
  e->accept();
  if (dragStartY_ < 0) return;
  dragStartY_ = -1;
  setSliderDown(false);
}

void OverlayScroller::leaveEvent(QEvent* e) {
  QScrollBar::leaveEvent(e);
  fadeOut();
}

int OverlayScroller::knobLength() const {
  const int total = maximum() - minimum() + pageStep();
  return std::max(20, int(double(height()) * pageStep() / total));
}

QRect OverlayScroller::knobRect() const {
  if (maximum() <= minimum()) return {};
  const int h = height();
  const int len = knobLength();
  const int pos = int(std::lround(double(h - len) * (value() - minimum()) / (maximum() - minimum())));
  return QRect(4, pos, 8, len);
}

void OverlayScroller::paintEvent(QPaintEvent*) {
  const QRect k = knobRect();
  if (k.isEmpty()) return;
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  p.setOpacity(alpha_);
  p.setPen(Qt::NoPen);
  p.setBrush(getColor(221, 221, 223, 1));
  p.drawRoundedRect(QRectF(k), 4, 4);
}

OverlayScrollView::OverlayScrollView(QWidget* parent) : QWidget(parent) {
  scroller_ = new OverlayScroller(this);
}

void OverlayScrollView::setDocumentView(QAbstractScrollArea* area) {
  area_ = area;
  area->setParent(this);
  area->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  area->installEventFilter(this);
  QScrollBar* inner = area->verticalScrollBar();
  connect(inner, &QScrollBar::rangeChanged, scroller_, [this](int min, int max) {
    scroller_->setRange(min, max);
    scroller_->update();
  });
  connect(inner, &QScrollBar::valueChanged, scroller_, &QScrollBar::setValue);
  connect(scroller_, &QScrollBar::valueChanged, inner, &QScrollBar::setValue);
  scroller_->setRange(inner->minimum(), inner->maximum());
  scroller_->setPageStep(inner->pageStep());
  scroller_->setValue(inner->value());
  area->show();
  tile();
}

void OverlayScrollView::tile() {
  if (!area_) return;
  _headerOffset = 0;
  if (auto* t = qobject_cast<QTableView*>(area_.data()); t && t->horizontalHeader()->isVisible())
    _headerOffset = t->horizontalHeader()->height();
  else if (auto* tr = qobject_cast<QTreeView*>(area_.data()); tr && !tr->isHeaderHidden())
    _headerOffset = tr->header()->height();
  area_->setGeometry(rect());  // the content takes the full width
  const int w = OverlayScroller::kWidth;
  scroller_->setGeometry(width() - w, int(_headerOffset), w, height() - int(_headerOffset));
  scroller_->setPageStep(area_->verticalScrollBar()->pageStep());
  scroller_->raise();
}

void OverlayScrollView::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  tile();
}

bool OverlayScrollView::eventFilter(QObject* o, QEvent* e) {
  if (o == area_ && (e->type() == QEvent::LayoutRequest || e->type() == QEvent::Show)) tile();
  return QWidget::eventFilter(o, e);
}

// ------------------------------------------------------------------ DragView

DragView::DragView(QWidget* parent) : QWidget(parent) { setAcceptDrops(true); }

void DragView::dragEnterEvent(QDragEnterEvent* e) {
  const QMimeData* m = e->mimeData();
  if ((m->hasUrls() || m->hasFormat("image/tiff")) && (e->possibleActions() & Qt::CopyAction)) {
    setCursor(Qt::DragCopyCursor);
    e->setDropAction(Qt::CopyAction);
    e->accept();
  } else {
    e->ignore();
  }
}

void DragView::dragLeaveEvent(QDragLeaveEvent* e) {
  unsetCursor();
  QWidget::dragLeaveEvent(e);
}

bool DragView::performDragOperation(const QMimeData* m) {
  if (!m) return false;
  const QStringList formats = m->formats();
  if (!formats.isEmpty() && formats.first() == "image/tiff") {
    if (m->data("image/tiff").isEmpty()) {
      KVLog("Error: MyNSView performDragOperation zPasteboardData == nil");
      return false;
    }
    update();
    return true;
  }
  if (m->hasUrls()) {
    QStringList paths;
    for (const QUrl& u : m->urls()) {
      if (u.isLocalFile()) paths << platform::macPathFromHost(u.toLocalFile());
    }
    if (!paths.isEmpty()) {
      if (auto* d = delegate_.get()) d->viewDragAction(paths);
      update();
      return true;
    }
  }
  KVLog("Error MyNSView performDragOperation");
  return false;
}

void DragView::dropEvent(QDropEvent* e) {
  unsetCursor();
  if (performDragOperation(e->mimeData())) {
    e->setDropAction(Qt::CopyAction);
    e->accept();
  } else {
    e->ignore();
  }
}

// -------------------------------------------------------- ErrorViewController

ErrorViewController::ErrorViewController(QWidget* parent) : QWidget(parent) {
  errorLabel_ = new QLabel(this);
  errorLabel_->setWordWrap(true);
  errorLabel_->setAlignment(Qt::AlignCenter);
  errorLabel_->setFont(systemFont(13));
  setTextColor(errorLabel_, getColor(235, 64, 52, 1));
  resize(kWidth, 36);
  errorLabel_->setGeometry(10, 0, kWidth - 20, 36);
}

void ErrorViewController::setErrorStr(const QString& text) {
  errorLabel_->setText(text);
  const int textH = errorLabel_->heightForWidth(kWidth - 20);
  const int h = std::max(36, textH + 16);
  resize(kWidth, h);
  errorLabel_->setGeometry(10, 0, kWidth - 20, h);
  errorLabel_->update();
}

// -------------------------------------------------------------- TopImageView

void TopImageView::mousePressEvent(QMouseEvent* e) {
  from_ = e->globalPosition().toPoint();
  e->accept();
}

void TopImageView::mouseMoveEvent(QMouseEvent* e) {
  QWidget* w = window();
  if (!w) return;
  if (w->windowHandle() && QGuiApplication::platformName() != "offscreen" && w->windowHandle()->startSystemMove())
    return;
  const QPoint now = e->globalPosition().toPoint();
  w->move(w->pos() + (now - from_));
  from_ = now;
}
