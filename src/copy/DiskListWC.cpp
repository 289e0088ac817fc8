#include "copy/DiskListWC.h"

#include <QApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QScrollBar>

#include "copy/BusyIndicator.h"
#include "copy/SelectValueView.h"
#include "platform/NotificationCenter.h"
#include "platform/Queue.h"
#include "services/KVPublicUtilities.h"
#include "services/Localization.h"
#include "services/Selection.h"
#include "uikit/ImageButtons.h"
#include "uikit/Layout.h"
#include "uikit/ModalSession.h"
#include "uikit/Style.h"
#include "uikit/TCImageWindow.h"
#include "uikit/TCWindowButton.h"
#include "uikit/Tables.h"

using namespace uikit;

namespace {
constexpr int kImageRole = Qt::UserRole + 1;
constexpr double kOutlineWidth = 692;
constexpr int kHeaderHeight = 30;
}  // namespace

// ------------------------------------------------------------------ browser::

namespace browser {

QString columnIdentifier(int column) {
  static const char* const ids[] = {"CheckBox", "Name", "Size", "Path", "OpenFinder", "Pareview"};
  return column >= 0 && column < ColumnCount ? QString::fromLatin1(ids[column]) : QString();
}

bool isExpandable(const FileNode& node) {
  if (!node.isDirectory()) return false;
  const QString name = node.name();
  return !name.endsWith(QLatin1String(".app")) && !name.endsWith(QLatin1String(".framework"));
}

int headerState(const FileNodeList& roots) {
  // Over the rows the user can tick: the system rows keep their state, but no
  // copy or image takes them.
  qsizetype tickable = 0;
  qsizetype selected = 0;
  bool partly = false;
  for (const FileNodePtr& r : roots) {
    if (!isTickableRoot(*r)) continue;
    ++tickable;
    if (r->state() == FileNode::Selected) ++selected;
    if (r->state() == FileNode::PartlySelected) partly = true;
  }
  if (tickable == 0) return 0;
  if (selected == tickable) return 1;
  if (selected > 0 || partly) return 2;
  return 0;
}

QString checkBoxImage(const FileNode& node) {
  if (node.isSystemFile()) return QString();
  switch (node.state()) {
    case FileNode::Selected:
      return QStringLiteral("checkbox_sel");
    case FileNode::PartlySelected:
      return QStringLiteral("checkbox_halfsel");
    default:
      return QStringLiteral("checkbox_unsel");
  }
}

namespace {
FileNodePtr copyNode(const FileNode& from, FileNode* father) {
  FileNodePtr n = FileNode::initWithPath(from.path(), from.name(), from.isDirectory(), father);
  n->setState(from.state());
  n->setSize(from.size());
  n->setIsExpand(from.isExpand());
  FileNodeList& kids = n->children();
  kids.reserve(from.children().size());
  for (const FileNodePtr& c : from.children()) kids.append(copyNode(*c, n.data()));
  return n;
}
}  // namespace

FileNodeList copyTree(const FileNodeList& roots) {
  FileNodeList out;
  out.reserve(roots.size());
  for (const FileNodePtr& r : roots) out.append(copyNode(*r, nullptr));
  return out;
}

}  // namespace browser

// --------------------------------------------------------------- FileTreeModel

FileTreeModel::FileTreeModel(QObject* parent) : QAbstractItemModel(parent) {}

void FileTreeModel::setRoots(const FileNodeListRef& roots) {
  beginResetModel();
  roots_ = roots;
  snapshot_ = roots ? *roots : FileNodeList();
  rowCache_.clear();
  fetched_.clear();
  endResetModel();
}

bool FileTreeModel::reload() {
  const FileNodeList live = roots_ ? *roots_ : FileNodeList();
  // The list is shared with the last snapshot until someone changes it.
  if (live.constData() == snapshot_.constData() && live.size() == snapshot_.size()) {
    if (!snapshot_.isEmpty()) Q_EMIT dataChanged(index(0, 0), index(int(snapshot_.size()) - 1, browser::ColumnCount - 1));
    return false;
  }
  beginResetModel();
  snapshot_ = live;
  rowCache_.clear();
  fetched_.clear();
  endResetModel();
  return true;
}

FileNode* FileTreeModel::nodeAt(const QModelIndex& index) const {
  if (!index.isValid()) return nullptr;
  auto* father = static_cast<FileNode*>(index.internalPointer());
  const FileNodeList& list = father ? father->children() : snapshot_;
  return index.row() < list.size() ? list.at(index.row()).data() : nullptr;
}

int FileTreeModel::rowOf(FileNode* node) const {
  auto it = rowCache_.constFind(node);
  if (it != rowCache_.constEnd()) return *it;
  const FileNodeList& list = node->father() ? node->father()->children() : snapshot_;
  int row = -1;
  for (qsizetype i = 0; i < list.size(); ++i) {
    if (list.at(i).data() == node) {
      row = int(i);
      break;
    }
  }
  rowCache_.insert(node, row);
  return row;
}

QModelIndex FileTreeModel::indexOf(FileNode* node, int column) const {
  if (!node) return {};
  const int row = rowOf(node);
  return row < 0 ? QModelIndex() : createIndex(row, column, node->father());
}

QModelIndex FileTreeModel::index(int row, int column, const QModelIndex& parent) const {
  if (row < 0 || column < 0 || column >= browser::ColumnCount) return {};
  if (!parent.isValid()) return row < snapshot_.size() ? createIndex(row, column, nullptr) : QModelIndex();
  FileNode* father = nodeAt(parent);
  if (!father || row >= father->children().size()) return {};
  return createIndex(row, column, father);
}

QModelIndex FileTreeModel::parent(const QModelIndex& child) const {
  auto* father = static_cast<FileNode*>(child.internalPointer());
  return father ? indexOf(father, 0) : QModelIndex();
}

int FileTreeModel::rowCount(const QModelIndex& parent) const {
  if (!parent.isValid()) return int(snapshot_.size());
  if (parent.column() != 0) return 0;
  FileNode* node = nodeAt(parent);
  return node && browser::isExpandable(*node) ? int(node->children().size()) : 0;
}

int FileTreeModel::columnCount(const QModelIndex&) const { return browser::ColumnCount; }

bool FileTreeModel::hasChildren(const QModelIndex& parent) const {
  if (!parent.isValid()) return !snapshot_.isEmpty();
  FileNode* node = nodeAt(parent);
  return node && parent.column() == 0 && browser::isExpandable(*node);
}

bool FileTreeModel::canFetchMore(const QModelIndex& parent) const {
  FileNode* node = nodeAt(parent);
  return node && browser::isExpandable(*node) && node->children().isEmpty() && !fetched_.contains(node);
}

void FileTreeModel::fetchMore(const QModelIndex& parent) {
  FileNode* node = nodeAt(parent);
  if (!node || !lister) return;
  fetched_.insert(node);
  // The children are listed synchronously and nothing reads the model until
  // their rows are announced.
  lister(node);
  const int n = int(node->children().size());
  if (n > 0) {
    beginInsertRows(parent.sibling(parent.row(), 0), 0, n - 1);
    endInsertRows();
  }
}

QVariant FileTreeModel::data(const QModelIndex& index, int role) const {
  FileNode* node = nodeAt(index);
  if (!node) return {};
  switch (role) {
    case Qt::DisplayRole:
      switch (index.column()) {
        case browser::Name:
          return node->displayName();
        case browser::Size:
          return node->isDirectory() ? QStringLiteral("-") : KVPublicUtilities::convertVolSpace(node->size());
        case browser::Path:
          return node->path();
        default:
          return {};
      }
    case Qt::ToolTipRole:
      return index.column() == browser::Path || index.column() == browser::Name ? node->path() : QVariant();
    case Qt::ForegroundRole:
      return index.column() == browser::Name ? getColor(58, 58, 58, 1) : getColor(129, 129, 129, 1);
    case Qt::DecorationRole:
      return index.column() == browser::Name ? QVariant(node->icon()) : QVariant();
    case kImageRole:
      if (index.column() == browser::CheckBox) return browser::checkBoxImage(*node);
      if (index.column() == browser::OpenFinder) return QStringLiteral("ic_reveal");
      return {};
    default:
      return {};
  }
}

QVariant FileTreeModel::headerData(int section, Qt::Orientation o, int role) const {
  if (o != Qt::Horizontal || role != Qt::DisplayRole) return {};
  return titles_.value(section);
}

Qt::ItemFlags FileTreeModel::flags(const QModelIndex& index) const {
  // Selectable, never editable in place.
  return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void FileTreeModel::setHeaderTitles(const QStringList& titles) {
  titles_ = titles;
  Q_EMIT headerDataChanged(Qt::Horizontal, 0, browser::ColumnCount - 1);
}

// ----------------------------------------------------------- cells and outline

namespace {
// A named image centred in the cell (the check box and open-in-folder columns).
class ImageCell : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const QString name = index.data(kImageRole).toString();
    if (name.isEmpty()) return;
    const QRectF r(option.rect.center().x() - 7.5, option.rect.center().y() - 7.5, 16, 16);
    p->save();
    p->setRenderHint(QPainter::Antialiasing);
    Image::named(name).draw(*p, r);
    p->restore();
  }
};
}  // namespace

void LagImageATextCell::paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  p->save();
  p->setRenderHint(QPainter::Antialiasing);
  const QRect cell = option.rect;
  const QIcon icon = index.data(Qt::DecorationRole).value<QIcon>();
  if (!icon.isNull()) {
    const int y = cell.y() + (cell.height() - 20) / 2;
    icon.paint(p, QRect(cell.x(), y, 20, 20));
  }
  const QRect textRect = cell.adjusted(23, 0, 0, 0);
  p->setFont(option.font);
  p->setPen(index.data(Qt::ForegroundRole).value<QColor>());
  const QString text =
      option.fontMetrics.elidedText(index.data(Qt::DisplayRole).toString(), Qt::ElideMiddle, textRect.width() - 4);
  p->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, text);
  p->restore();
}

QSize LagImageATextCell::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
  QSize s = QStyledItemDelegate::sizeHint(option, index);
  s.rwidth() += 23;
  s.setHeight(qMax(s.height(), 24));
  return s;
}

NewOutlineView::NewOutlineView(QWidget* parent) : QTreeView(parent) {
  setObjectName(QStringLiteral("listOutline"));
  setUniformRowHeights(true);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setFrameShape(QFrame::NoFrame);
  setFocusPolicy(Qt::NoFocus);
  setIndentation(16);
  setExpandsOnDoubleClick(false);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setItemsExpandable(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Base, Qt::white);
  setPalette(pal);
}

void NewOutlineView::drawRow(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  const bool highlighted = rowNum >= 0 && selectionModel() && selectionModel()->isRowSelected(index.row(), index.parent());
  p->save();
  p->setRenderHint(QPainter::Antialiasing);
  QPainterPath path;
  path.addRoundedRect(QRectF(option.rect.x(), option.rect.y(), kOutlineWidth, option.rect.height()), 4, 4);
  p->fillPath(path, highlighted ? getColor(236, 238, 242, 1) : getColor(255, 255, 255, 1));
  p->restore();
  QStyleOptionViewItem o = option;
  o.state &= ~QStyle::State_Selected;  // no system highlight
  o.state &= ~QStyle::State_HasFocus;
  QTreeView::drawRow(p, o, index);
}

void NewOutlineView::mousePressEvent(QMouseEvent* e) {
  const QModelIndex idx = indexAt(e->position().toPoint());
  if (e->button() == Qt::LeftButton && idx.isValid() &&
      (idx.column() == browser::CheckBox || idx.column() == browser::OpenFinder)) {
    Q_EMIT cellClicked(idx);
    return;
  }
  QTreeView::mousePressEvent(e);
}

void NewOutlineView::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() == Qt::RightButton) {
    if (auto* d = aDelegate_.get()) d->listRightMouseDown(e);
  }
  QTreeView::mouseReleaseEvent(e);
}

// ---------------------------------------------------- ListFileViewController

ListFileViewController::ListFileViewController(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("ListFileViewController"));
  guard_ = std::make_shared<QPointer<ListFileViewController>>(this);
  buildLayout();
  controller_.setADelegate(this);
  sortTimer_.setInterval(1000);
  connect(&sortTimer_, &QTimer::timeout, this, [this] { reloadTreeList(); });
  platform::NotificationCenter::defaultCenter().addObserver(this, QStringLiteral("UPDATE_LANGUAGE"),
                                                            [this](const QVariant&) { changeLanageue(); });
  changeLanageue();
}

ListFileViewController::~ListFileViewController() {
  platform::NotificationCenter::defaultCenter().removeObserver(this);
  controller_.setADelegate(nullptr);
}

void ListFileViewController::buildLayout() {
  resize(DiskListWC::kWidth, DiskListWC::kHeight - int(kSmallTitleBarHeight));
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::white);
  setPalette(pal);

  outlineView_ = new NewOutlineView(this);
  model_ = new FileTreeModel(this);
  model_->lister = [this](FileNode* node) {
    fetching_ = true;
    controller_.getNodeListWithFaterNode(node);
    fetching_ = false;
  };
  outlineView_->setModel(model_);
  auto* header = CustomHeaderView::install(outlineView_, kHeaderHeight);
  header->setStretchLastSection(false);
  header->setSectionResizeMode(QHeaderView::Fixed);
  outlineView_->setTreePosition(browser::Name);
  outlineView_->setItemDelegateForColumn(browser::Name, new LagImageATextCell(outlineView_));
  outlineView_->setItemDelegateForColumn(browser::CheckBox, new ImageCell(outlineView_));
  outlineView_->setItemDelegateForColumn(browser::OpenFinder, new ImageCell(outlineView_));
  const int widths[] = {46, 262, 90, 254, 40, 0};
  for (int c = 0; c < browser::ColumnCount; ++c) outlineView_->setColumnWidth(c, widths[c]);
  outlineView_->setColumnHidden(browser::Pareview, true);
  // The scroller floats over a margin right of the columns, as thin as its knob.
  auto* scroll = new OverlayScrollView(this);
  setFrame(scroll, NSMakeRect(34, 66, kOutlineWidth + 12, height() - 66 - 14));
  scroll->setDocumentView(outlineView_);

  auto* selectAll = new ImageNameButton(header);
  selectAll->setObjectName(QStringLiteral("listSelectAll"));
  selectAll->setGeometry(20, kHeaderHeight - 8 - 16, 16, 16);
  connect(selectAll, &QAbstractButton::clicked, this, [this] { setAllSelectOrNoSelect(); });
  selectAllButton_ = selectAll;
  applyHeaderState(0);

  connect(outlineView_, &NewOutlineView::cellClicked, this, [this](const QModelIndex& idx) {
    FileNode* node = model_->nodeAt(idx);
    if (!node) return;
    if (idx.column() == browser::CheckBox) tickNode(node);
    if (idx.column() == browser::OpenFinder) openFileWithFileNode(node);
  });
  connect(outlineView_, &QTreeView::expanded, this, [this](const QModelIndex& i) { nodeExpanded(i); });
  connect(outlineView_, &QTreeView::collapsed, this, [this](const QModelIndex& i) { nodeCollapsed(i); });
  connect(outlineView_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current) {
            selectedRow_ = current.isValid() ? current.row() : -1;
            outlineView_->rowNum = selectedRow_;
            outlineView_->viewport()->update();
          });

  // Secondary buttons on the "btn_pop" family, Done on "btn_pop_pri"; all usable.
  auto button = [this](const char* name, const QString& family, double x, void (ListFileViewController::*action)()) {
    auto* b = new TextImageButton(this);
    b->setObjectName(QString::fromLatin1(name));
    const QString pressed = family == QLatin1String("btn_pop_pri") ? family + "_press" : QStringLiteral("btn_pop_press");
    const QString hover = family == QLatin1String("btn_pop_pri") ? family + "_hover" : QStringLiteral("btn_pop_hover");
    b->setImageFromFileNormalName(family, pressed, hover, QStringLiteral("btn_pop_disable"));
    setFrame(b, NSMakeRect(x, 18, 120, 36));
    connect(b, &QAbstractButton::clicked, this, [this, action] { (this->*action)(); });
    b->setButtonEnabled(true);
    return b;
  };
  refeshButton_ = button("listRefresh", QStringLiteral("btn_pop_sec"), 34, &ListFileViewController::refreshButtonAction);
  cancelButton_ = button("listCancel", QStringLiteral("btn_pop_sec"), 476, &ListFileViewController::cancelButtonAction);
  doneButton_ = button("listDone", QStringLiteral("btn_pop_pri"), 606, &ListFileViewController::doneButtonAction);

  waitView_ = new QWidget(this);
  waitView_->setObjectName(QStringLiteral("listWait"));
  waitView_->setAutoFillBackground(true);
  QPalette wp = waitView_->palette();
  wp.setColor(QPalette::Window, QColor(255, 255, 255, 220));
  waitView_->setPalette(wp);
  waitView_->setGeometry(scroll->geometry());
  loadProView_ = new BusyIndicator(waitView_);
  loadProView_->setGeometry(waitView_->width() / 2 - 16, waitView_->height() / 2 - 40, 32, 32);
  waitLabel_ = new QLabel(waitView_);
  waitLabel_->setAlignment(Qt::AlignCenter);
  waitLabel_->setFont(regularFont(13));
  setTextColor(waitLabel_, getColor(129, 129, 129, 1));
  waitLabel_->setGeometry(0, waitView_->height() / 2, waitView_->width(), 24);
  waitView_->hide();
}

void ListFileViewController::changeLanageue() {
  waitLabel_->setText(getLocalizedString(QStringLiteral("LIST_WAIT")));
  doneButton_->setTextWithName(getLocalizedString(QStringLiteral("COMM_Done")));
  refeshButton_->setTextWithName(getLocalizedString(QStringLiteral("COMM_Refresh")));
  cancelButton_->setTextWithName(getLocalizedString(QStringLiteral("COMM_CANCEL")));
  model_->setHeaderTitles({QString(), getLocalizedString(QStringLiteral("LIST_NAME")),
                           getLocalizedString(QStringLiteral("LIST_SIZE")),
                           getLocalizedString(QStringLiteral("LIST_PATH")), QString(), QString()});
}

QString ListFileViewController::selectAllImage() const {
  return static_cast<ImageNameButton*>(selectAllButton_)->imageName();
}

void ListFileViewController::applyHeaderState(int state) {
  selectAllButSt_ = state;
  static const char* const images[] = {"checkbox_unsel", "checkbox_sel", "checkbox_halfsel"};
  static_cast<ImageNameButton*>(selectAllButton_)->setImageNamed(QString::fromLatin1(images[state]));
}

void ListFileViewController::getRootNodeListWithPath(const QString& path) {
  refeshButton_->setButtonEnabled(false);
  doneButton_->setButtonEnabled(false);
  searchPath_ = path;
  isScan_ = true;
  sortTimer_.start();
  // A fresh list: an earlier one (and the screen's selection) stays as it was.
  rootNodeArr_ = std::make_shared<FileNodeList>();
  model_->setRoots(rootNodeArr_);
  applyHeaderState(1);
  controller_.eumeAllRootFileNodeWithRootArr(rootNodeArr_, path, false, false);
}

void ListFileViewController::setArrForListWithArr(const FileNodeList& arr, const QString& path) {
  searchPath_ = path;
  isScan_ = false;
  sortTimer_.stop();
  rootNodeArr_ = std::make_shared<FileNodeList>(browser::copyTree(arr));
  controller_.setARootArr(rootNodeArr_);
  model_->setRoots(rootNodeArr_);
  restoreExpansion();
  refeshButton_->setButtonEnabled(true);
  doneButton_->setButtonEnabled(true);
  changeSelectAllButtonState();
}

void ListFileViewController::restoreExpansion() {
  restoring_ = true;
  std::function<void(const FileNodeList&)> walk = [&](const FileNodeList& list) {
    for (const FileNodePtr& n : list) {
      if (!n->isExpand() || n->children().isEmpty()) continue;
      outlineView_->setExpanded(model_->indexOf(n.data()), true);
      walk(n->children());
    }
  };
  walk(model_->snapshot());
  restoring_ = false;
}

void ListFileViewController::reloadTreeList() {
  if (fetching_) return;
  const int scroll = outlineView_->verticalScrollBar()->value();
  if (model_->reload()) {
    restoreExpansion();
    outlineView_->verticalScrollBar()->setValue(scroll);
  }
  if (isScan_ && controller_.isScanFinished()) scanEnded();
}

void ListFileViewController::scanEnded() {
  isScan_ = false;
  sortTimer_.stop();
  refeshButton_->setButtonEnabled(true);
  doneButton_->setButtonEnabled(true);
  changeSelectAllButtonState();
}

void ListFileViewController::changeSelectAllButtonState() {
  applyHeaderState(browser::headerState(rootNodeArr_ ? *rootNodeArr_ : FileNodeList()));
}

void ListFileViewController::tickNode(FileNode* node) {
  if (!node || isScan_ || totalling_ || node->isSystemFile()) return;
  const int state = node->state() == FileNode::Selected ? FileNode::NotSelected : FileNode::Selected;
  node->setState(state);
  if (node->isExpand()) controller_.changeSelectWithNode(node, state);
  controller_.changeFatherNodeSelectStateWithFileNode(node, state);
}

void ListFileViewController::setAllSelectOrNoSelect() {
  if (isScan_ || totalling_ || !rootNodeArr_) return;
  const int state = selectAllButSt_ == 1 ? FileNode::NotSelected : FileNode::Selected;
  controller_.selectAllFileNode(state);
  // The header says what was asked, also over an empty list.
  applyHeaderState(state == FileNode::Selected ? 1 : 0);
}

void ListFileViewController::openFileWithFileNode(FileNode* node) { controller_.openFileWithFileNode(node); }

void ListFileViewController::nodeExpanded(const QModelIndex& index) {
  if (restoring_) return;
  outlineView_->rowNum = -1;
  selectedRow_ = -1;
  FileNode* node = model_->nodeAt(index);
  if (!node) return;
  node->setIsExpand(true);
  if (model_->canFetchMore(index)) {
    model_->fetchMore(index);
  } else if (!node->children().isEmpty() && node->state() != FileNode::PartlySelected) {
    controller_.changeSelectWithNode(node, node->state());
  }
}

void ListFileViewController::nodeCollapsed(const QModelIndex& index) {
  outlineView_->rowNum = -1;
  if (FileNode* node = model_->nodeAt(index)) node->setIsExpand(false);
}

void ListFileViewController::setBusy(bool busy) {
  waitView_->setVisible(busy);
  waitView_->raise();
  if (busy)
    loadProView_->startAnimation();
  else
    loadProView_->stopAnimation();
  refeshButton_->setButtonEnabled(!busy);
  doneButton_->setButtonEnabled(!busy);
}

namespace {
// Takes the totaller's one report on its worker and hands it to the main
// thread. It lives until that report (the browser may be gone by then), so the
// worker never reads a browser that is being destroyed.
class SizeRelay : public GetFilesSizeDelegate {
 public:
  explicit SizeRelay(std::shared_ptr<QPointer<ListFileViewController>> guard) : guard_(std::move(guard)) {}
  void allCopyFilesSize(qint64 size) override {
    platform::dispatchMain([guard = guard_, size] {
      if (ListFileViewController* browser = guard->data()) browser->allCopyFilesSize(size);
    });
    delete this;
  }

 private:
  std::shared_ptr<QPointer<ListFileViewController>> guard_;
};
}  // namespace

void ListFileViewController::doneButtonAction() {
  if (isScan_ || totalling_ || !rootNodeArr_) return;
  setBusy(true);
  if (auto* d = detagate_.get()) d->getSelectFilesSize(true);
  totalling_ = GetFilesSize::create();
  totalling_->setDelegate(new SizeRelay(guard_));
  totalling_->getAllFilesSizeWithArr(chosenBrowserRoots(*rootNodeArr_));  // what the copy or image takes
}

void ListFileViewController::allCopyFilesSize(qint64 size) {
  // Main thread (through the relay): the total is in.
  if (!totalling_) return;
  totalling_.reset();
  setBusy(false);
  // A copy on this frame: the screen may drop the browser while it takes the roots.
  const FileNodeList roots = *rootNodeArr_;
  if (auto* d = detagate_.get()) d->closeWindowWithSelect(roots, quint64(size));
}

void ListFileViewController::cancelButtonAction() {
  if (totalling_) return;
  if (auto* d = detagate_.get()) d->cancelListWindow();
}

void ListFileViewController::refreshButtonAction() {
  if (isScan_ || totalling_) return;
  getRootNodeListWithPath(searchPath_);
}

// ------------------------------------------------------------------ DiskListWC

DiskListWC::DiskListWC(QObject* parent) : QObject(parent) {
  aWindow_ = new TCImageWindow;
  aWindow_->setObjectName(QStringLiteral("DiskListWC"));
  aWindow_->setWindowTitle(QStringLiteral("Quorvan Disk Clone"));
  aWindow_->setFixedSize(kWidth, kHeight);
  aWindow_->setContentView(new QWidget);
  QPalette pal = aWindow_->palette();
  pal.setColor(QPalette::Window, Qt::white);
  aWindow_->setPalette(pal);
  windowDidLoad();
}

DiskListWC::~DiskListWC() {
  uikit::stopModalForWindow(aWindow_);
  delete aWindow_;
}

void DiskListWC::windowDidLoad() {
  aWindow_->setTitleBarHeight(kSmallTitleBarHeight);
  aWindow_->setTrafficLightButtonsLeftMargin(kSmallButtonsLeftMargin);
  aWindow_->setTopButtonMoveUp(kSmallButtonsMoveUp);
  aWindow_->layoutTrafficLightsAndContent();
  if (TCWindowButton* close = aWindow_->standardWindowButton(TCImageWindow::CloseButton)) {
    close->disconnect(aWindow_);
    connect(close, &QAbstractButton::clicked, this, [this] { closeWindow(); });
  }
  if (QWidget* bar = aWindow_->titleBarView()) {
    titleLabel_ = new QLabel(bar);
    titleLabel_->setAlignment(Qt::AlignCenter);
    titleLabel_->setFont(mBoldFont(14));
    setTextColor(titleLabel_, getColor(51, 51, 51, 1));
    titleLabel_->setGeometry(120, 0, kWidth - 240, int(kSmallTitleBarHeight));
    titleLabel_->setAttribute(Qt::WA_TransparentForMouseEvents);
  }
  isGetSelectSize_ = false;
  delete listFileVC_.data();
  listFileVC_ = new ListFileViewController(aWindow_->contentView());
  listFileVC_->setDetagate(this);
  listFileVC_->move(0, 0);
  auto retitle = [this] {
    if (titleLabel_) titleLabel_->setText(getLocalizedString(QStringLiteral("LIST_TITLE")));
  };
  platform::NotificationCenter::defaultCenter().addObserver(this, QStringLiteral("UPDATE_LANGUAGE"),
                                                            [retitle](const QVariant&) { retitle(); });
  retitle();
}

void DiskListWC::showDetailWithPath(const QString& path) {
  if (listFileVC_) listFileVC_->getRootNodeListWithPath(path);
}

int DiskListWC::runModal() {
  if (QWidget* main = QApplication::activeWindow()) {
    const QRect g = main->frameGeometry();
    aWindow_->move(g.center() - QPoint(kWidth / 2, kHeight / 2));
  }
  return uikit::runModalForWindow(aWindow_);
}

void DiskListWC::closeWindow() {
  if (isGetSelectSize_) return;
  aWindow_->close();
  uikit::stopModalForWindow(aWindow_);
}

void DiskListWC::closeWindowWithSelect(const FileNodeList& roots, quint64 size) {
  isGetSelectSize_ = false;
  QPointer<DiskListWC> self(this);
  platform::dispatchMain([self] {
    if (self) self->closeWindow();
  });
  if (auto* d = delegate_.get()) d->closeWindowWithSelect(roots, size);
}
