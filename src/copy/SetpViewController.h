#pragma once
// The three-step bar of the copy and image screens, in copy wording (0) or
// disk-image wording (1).
//
// How a screen uses it: make one, setCopyOrDiskImage(0 or 1), setSetpIn(step)
// with 1, 2 or 3, add it to its host view (kSize). It follows language changes.
#include <QLabel>
#include <QWidget>

#include "uikit/Geometry.h"

class NamedImageView;

class SetpViewController : public QWidget {
  Q_OBJECT
 public:
  static constexpr uikit::NSSize kSize{888, 56};

  explicit SetpViewController(QWidget* parent = nullptr);
  ~SetpViewController() override;
  QWidget* view() { return this; }

  void setCopyOrDiskImage(int index);
  int aIndex() const { return aIndex_; }
  // 1, 2 or 3 marks that step; anything else greys all labels, keeping the image.
  void setSetpIn(int step);
  void changeLanageue();

  QLabel* step_1_Label() const { return step_1_Label_; }
  QLabel* step_2_Label() const { return step_2_Label_; }
  QLabel* step_3_Label() const { return step_3_Label_; }
  NamedImageView* stepImageView() const { return stepImageView_; }

 private:
  int aIndex_ = 0;
  NamedImageView* stepImageView_ = nullptr;
  QLabel* step_1_Label_ = nullptr;
  QLabel* step_2_Label_ = nullptr;
  QLabel* step_3_Label_ = nullptr;
};
