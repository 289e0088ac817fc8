#pragma once
// The disk manager. It has no delegate: the main window sends loadData once after adding its
// view and normalSelectCell whenever its tab is chosen.
// The methods the main window calls are virtual so that its tests can record them.
#include <QPointer>
#include <QWidget>

class RepairDiskViewController : public QWidget {
  Q_OBJECT
 public:
  explicit RepairDiskViewController(QWidget* parent = nullptr);

  QWidget* view() { return this; }
  virtual void loadData();
  virtual void normalSelectCell();
};
