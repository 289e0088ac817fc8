#pragma once
// The sidebar's expanded panel: icon, name and description of the chosen tool.
#include <QLabel>
#include <QWidget>

#include "uikit/Geometry.h"

class LeftSelView : public QWidget {
  Q_OBJECT
 public:
  explicit LeftSelView(QWidget* parent = nullptr);

  void initView();
  void setSelectTag(int tag);
  void changeLanageue();

  int selectTag() const { return aTag; }
  QLabel* name() const { return nameLabel; }
  QLabel* node() const { return nodeLabel; }
  QString iconName() const { return iconName_; }

 protected:
  void paintEvent(QPaintEvent*) override;
  void resizeEvent(QResizeEvent*) override;

 private:
  void layoutLabels();

  QLabel* iconImage = nullptr;
  QLabel* nameLabel = nullptr;
  QLabel* nodeLabel = nullptr;
  int aTag = 0;
  QString iconName_;
};

// The sidebar's rounded background.
class LeftBgView : public QWidget {
  Q_OBJECT
 public:
  explicit LeftBgView(QWidget* parent = nullptr) : QWidget(parent) {}

 protected:
  void paintEvent(QPaintEvent*) override;
};
