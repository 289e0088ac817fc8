#pragma once
// The modal file browser: a volume or folder as a tree with tri-state ticks.
//
// How a screen uses it: make a DiskListWC (the screen keeps it until the next
// one), setDelegate(screen); either showDetailWithPath(mount point) to list a
// volume, or listFileVC()->setArrForListWithArr(earlier roots, path) to show
// an earlier selection again; then runModal(). The browser works on its own
// copy of an earlier selection. Done totals the ticked size in the background
// and sends closeWindowWithSelect(roots, bytes) to the delegate (main thread),
// then the window closes and runModal returns. Cancel or the close button
// return without a report, leaving the screen's selection as it was. Ticks
// and Done wait until the listing has ended.
// Object names: window "DiskListWC", "listOutline", "listSelectAll",
// "listDone", "listCancel", "listRefresh", "listWait".
#include <QAbstractItemModel>
#include <QSet>
#include <functional>
#include <QLabel>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QTreeView>
#include <memory>

#include "services/Controller.h"
#include "services/FileNode.h"
#include "services/GetFilesSize.h"
#include "uikit/Delegate.h"

class TCImageWindow;
class TCImageButton;
class TextImageButton;
class BusyIndicator;
class QAbstractButton;

class DiskListWCDelegate {
 public:
  virtual ~DiskListWCDelegate() = default;
  virtual void closeWindowWithSelect(const FileNodeList& roots, quint64 size) {
    (void)roots;
    (void)size;
  }
};

class ListFileViewControllerDelagate {
 public:
  virtual ~ListFileViewControllerDelagate() = default;
  virtual void closeWindowWithSelect(const FileNodeList& roots, quint64 size) {
    (void)roots;
    (void)size;
  }
  virtual void getSelectFilesSize(bool running) { (void)running; }
  // The cancel button: end the window without a report.
  virtual void cancelListWindow() {}
};

class NewOutlineViewDelegate {
 public:
  virtual ~NewOutlineViewDelegate() = default;
  virtual void listRightMouseDown(QMouseEvent* event) { (void)event; }
};

// The browser's decisions, without a window.
namespace browser {
enum Column { CheckBox = 0, Name, Size, Path, OpenFinder, Pareview, ColumnCount };
// The identifier of a column ("CheckBox", "Name", ...).
QString columnIdentifier(int column);
// A folder whose name does not end in ".app" or ".framework".
bool isExpandable(const FileNode& node);
// The header check box: 0 none, 1 all, 2 some, from the roots' states.
int headerState(const FileNodeList& roots);
// The check-box image of a state ("checkbox_sel", ...); none for a system file.
QString checkBoxImage(const FileNode& node);
// A deep copy of a tree: states, sizes, expansion and listed children.
FileNodeList copyTree(const FileNodeList& roots);
}  // namespace browser

// The tree of FileNode roots for the outline. The root count the view sees is
// the one of the last reload, so a listing that grows the list meanwhile never
// shows the view a row it was not told about.
class FileTreeModel : public QAbstractItemModel {
  Q_OBJECT
 public:
  explicit FileTreeModel(QObject* parent = nullptr);
  void setRoots(const FileNodeListRef& roots);
  FileNodeListRef roots() const { return roots_; }
  // Publishes the list as it is now: a reset (YES) when it changed, else a redraw.
  bool reload();
  const FileNodeList& snapshot() const { return snapshot_; }
  FileNode* nodeAt(const QModelIndex& index) const;
  QModelIndex indexOf(FileNode* node, int column = 0) const;
  // Lists a folder's children (through `lister`) and inserts their rows.
  std::function<void(FileNode*)> lister;

  QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  bool hasChildren(const QModelIndex& parent = QModelIndex()) const override;
  bool canFetchMore(const QModelIndex& parent) const override;
  void fetchMore(const QModelIndex& parent) override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation o, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  void setHeaderTitles(const QStringList& titles);

 private:
  int rowOf(FileNode* node) const;
  FileNodeListRef roots_;
  FileNodeList snapshot_;  // the roots as the view was last told
  QSet<const FileNode*> fetched_;
  QStringList titles_;
  mutable QHash<const FileNode*, int> rowCache_;
};

// The name cell: a 20 x 20 icon in a 23-point slice at the left, the text after it.
class LagImageATextCell : public QStyledItemDelegate {
  Q_OBJECT
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

class NewOutlineView : public QTreeView {
  Q_OBJECT
 public:
  explicit NewOutlineView(QWidget* parent = nullptr);
  qint64 rowNum = -1;
  void setADelegate(NewOutlineViewDelegate* d) { aDelegate_ = d; }

 Q_SIGNALS:
  // A left click on a cell of the check-box or open-in-folder column.
  void cellClicked(const QModelIndex& index);

 protected:
  void drawRow(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;

 private:
  uikit::WeakDelegate<NewOutlineViewDelegate> aDelegate_;
};

class ListFileViewController : public QWidget, public ControllerDelegate {
  Q_OBJECT
 public:
  explicit ListFileViewController(QWidget* parent = nullptr);
  ~ListFileViewController() override;
  QWidget* view() { return this; }

  void setDetagate(ListFileViewControllerDelagate* d) { detagate_ = d; }

  // Starts a fresh listing of the Mac path.
  void getRootNodeListWithPath(const QString& path);
  // Shows (a copy of) an earlier selection for the path, without listing.
  void setArrForListWithArr(const FileNodeList& arr, const QString& path);

  void refreshButtonAction();
  void doneButtonAction();
  void cancelButtonAction();
  // A click on a node's check box.
  void tickNode(FileNode* node);
  // The header check box.
  void setAllSelectOrNoSelect();
  void openFileWithFileNode(FileNode* node);
  void changeLanageue();

  // ControllerDelegate
  void reloadTreeList() override;
  void changeSelectAllButtonState() override;
  // The total of Done arrived (main thread; the totaller's worker report is
  // moved here first).
  void allCopyFilesSize(qint64 size);

  FileNodeListRef rootNodeArr() const { return rootNodeArr_; }
  QString searchPath() const { return searchPath_; }
  int selectAllButSt() const { return selectAllButSt_; }
  // A listing runs: ticks, select-all, Refresh and Done wait for its end.
  bool isScan() const { return isScan_; }
  bool isTotalling() const { return totalling_ != nullptr; }
  Controller* controller() { return &controller_; }
  NewOutlineView* outlineView() const { return outlineView_; }
  FileTreeModel* model() const { return model_; }
  TextImageButton* doneButton() const { return doneButton_; }
  TextImageButton* refeshButton() const { return refeshButton_; }
  TextImageButton* cancelButton() const { return cancelButton_; }
  QAbstractButton* selectAllButton() const { return selectAllButton_; }
  QString selectAllImage() const;

 private:
  void buildLayout();
  void nodeExpanded(const QModelIndex& index);
  void nodeCollapsed(const QModelIndex& index);
  void applyHeaderState(int state);
  void setBusy(bool busy);
  void scanEnded();
  void restoreExpansion();

  NewOutlineView* outlineView_ = nullptr;
  FileTreeModel* model_ = nullptr;
  TextImageButton* cancelButton_ = nullptr;
  TextImageButton* doneButton_ = nullptr;
  TextImageButton* refeshButton_ = nullptr;
  QAbstractButton* selectAllButton_ = nullptr;
  QWidget* waitView_ = nullptr;
  BusyIndicator* loadProView_ = nullptr;
  QLabel* waitLabel_ = nullptr;
  QTimer sortTimer_;
  FileNodeListRef rootNodeArr_;
  qint64 selectedRow_ = -1;
  QString searchPath_;
  Controller controller_;
  int selectAllButSt_ = 0;
  bool isScan_ = false;
  bool fetching_ = false;
  bool restoring_ = false;
  std::shared_ptr<GetFilesSize> totalling_;
  std::shared_ptr<QPointer<ListFileViewController>> guard_;
  uikit::WeakDelegate<ListFileViewControllerDelagate> detagate_;
};

class DiskListWC : public QObject, public ListFileViewControllerDelagate {
  Q_OBJECT
 public:
  explicit DiskListWC(QObject* parent = nullptr);
  ~DiskListWC() override;

  void setDelegate(DiskListWCDelegate* d) { delegate_ = d; }
  TCImageWindow* window() const { return aWindow_; }
  ListFileViewController* listFileVC() const { return listFileVC_; }
  void showDetailWithPath(const QString& path);
  // Runs the window modally (centred); returns when it closes.
  int runModal();
  // Ignored while the total runs.
  void closeWindow();

  // ListFileViewControllerDelagate
  void closeWindowWithSelect(const FileNodeList& roots, quint64 size) override;
  void getSelectFilesSize(bool running) override { isGetSelectSize_ = running; }
  void cancelListWindow() override { closeWindow(); }

  static constexpr int kWidth = 760;
  static constexpr int kHeight = 520;

 private:
  void windowDidLoad();
  TCImageWindow* aWindow_ = nullptr;
  QLabel* titleLabel_ = nullptr;
  QPointer<ListFileViewController> listFileVC_;
  bool isGetSelectSize_ = false;
  uikit::WeakDelegate<DiskListWCDelegate> delegate_;
};
