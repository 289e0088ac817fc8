#pragma once
// Progress bars: the striped pill bar of the long jobs (0.0-1.0) and three
// percent bars.
#include <QColor>
#include <QImage>
#include <QPointer>
#include <QWidget>
#include <memory>

#include "uikit/Geometry.h"

class QVariantAnimation;
class QPropertyAnimation;
class QGraphicsOpacityEffect;
class QLabel;
class QTimer;

namespace uikit {
// The filled width of a percent bar of width w at p percent: w once it
// exceeds w - 1, unclamped below (single precision, as the bars draw).
float percentFillWidth(float w, float p);
// The stripes tile: white with two black shapes that repeat as diagonals.
QImage stripesTile(int w, int h);
}  // namespace uikit

class StripedProgressBar : public QWidget {
  Q_OBJECT
  Q_PROPERTY(double floatValue READ floatValue WRITE setFloatValue)
 public:
  explicit StripedProgressBar(QWidget* parent = nullptr);

  double floatValue() const { return _floatValue; }
  // Values outside 0...1 are clamped and NaN counts as 0: the screens pass
  // their percentages divided by 100, and 100 % and more do occur.
  void setFloatValue(double v);
  // The glide of a value set through the animator (ease in, ease out, 0.25 s).
  void animatorSetFloatValue(double v);

  bool animates() const { return _animates; }
  void setAnimates(bool a);
  double animationDuration() const { return _animationDuration; }
  void setAnimationDuration(double d);
  // Every hide (hide(), setHidden(true), setVisible(false)) fades out and then
  // really hides; every show unhides at once and fades in.
  void setVisible(bool visible) override;
  bool sp_isHidden() const { return _sp_isHidden; }
  void setSp_isHidden(bool h) { _sp_isHidden = h; }

  QColor colorTint() const { return _colorTint; }
  void setColorTint(const QColor& c) { _colorTint = c; update(); }
  double colorTintOpacity() const { return _colorTintOpacity; }
  void setColorTintOpacity(double o) { _colorTintOpacity = o; update(); }
  QList<QColor> backgroundColors() const { return _backgroundColors; }
  void setBackgroundColors(const QList<QColor>& c) { _backgroundColors = c; update(); }
  double borderWidth() const { return _borderWidth; }
  void setBorderWidth(double b);
  QColor borderColor() const { return _borderColor; }
  void setBorderColor(const QColor& c) { _borderColor = c; }
  double shadowWidth() const { return _shadowWidth; }
  void setShadowWidth(double s);
  QImage stripesImage() const { return _stripesImage; }
  void setStripesImage(const QImage& i) { _stripesImage = i; }

  // Layer geometry in y-up view coordinates.
  uikit::NSRect innerClipFrame() const;
  uikit::NSRect stripesLayerFrame() const;
  double stripesOpacity() const { return stripesOpacity_; }
  double stripesOffset() const { return stripesOffset_; }
  bool stripesRunning() const;

  // A fade of the stripes' opacity, in (0 to 0.04) or out (0.04 to 0) over
  // 0.255 s; made and returned unstarted, driving nothing until the caller
  // connects it.
  std::unique_ptr<QVariantAnimation> fadeAnimationVisible(bool visible) const;

  // The bar's opacity while it fades (1 when shown, 0 once hidden).
  double alphaValue() const;

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  void startStripes();
  void stopStripes();
  void fadeStripesTo(double opacity, std::function<void()> done = nullptr);
  void fadeTo(double alpha);
  bool fadingOut() const;

  bool _sp_isHidden = false;
  double _floatValue = 1.0;
  QColor _colorTint;
  double _colorTintOpacity = double(0.2f);
  bool _animates = false;
  double _animationDuration = 0.5;
  double _borderWidth = 0;
  QColor _borderColor;
  double _shadowWidth = 1.0;
  QImage _stripesImage;
  QList<QColor> _backgroundColors;
  QColor fillStart_, fillEnd_;

  double stripesOpacity_ = 0.04;
  double stripesOffset_ = 0;
  QPointer<QVariantAnimation> stripes_;
  QPointer<QVariantAnimation> stripesFade_;
  QPointer<QPropertyAnimation> glide_;
  QPointer<QPropertyAnimation> fade_;
  QGraphicsOpacityEffect* opacity_ = nullptr;
};

class DiskSizeProgress : public QWidget {
  Q_OBJECT
 public:
  explicit DiskSizeProgress(QWidget* parent = nullptr) : QWidget(parent) {}
  void changeProgressValue(float percent);
  float used() const { return used_; }

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  float used_ = 0;
};

class BgProgressView : public QWidget {
  Q_OBJECT
 public:
  using QWidget::QWidget;

 protected:
  void paintEvent(QPaintEvent*) override;
};

class NSProgressBar : public QWidget {
  Q_OBJECT
 public:
  using QWidget::QWidget;

 protected:
  void paintEvent(QPaintEvent*) override;
};

class KVProgressView : public QWidget {
  Q_OBJECT
 public:
  explicit KVProgressView(QWidget* parent = nullptr);
  void changeProgressValue(float percent);
  NSProgressBar* pProgress1() const { return pProgress1_; }

 protected:
  void resizeEvent(QResizeEvent*) override;

 private:
  BgProgressView* track_ = nullptr;
  // Declared beside the fill bar but never set: the view shows no image of its
  // own and never advances by itself.
  QLabel* progressDownImageView = nullptr;
  NSProgressBar* pProgress1_ = nullptr;
  QTimer* runProTimer = nullptr;
  bool isStopRunPro = false;
  uikit::NSRect fillFrame_;
};

class ProgressView : public QWidget {
  Q_OBJECT
 public:
  explicit ProgressView(QWidget* parent = nullptr) : QWidget(parent) {}
  void changeProgressValue(int percent);
  float usedProgressWidth() const { return usedProgressWidth_; }

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  float usedProgressWidth_ = 0;
};

// The colour as the bar's layers take it (generic RGB components).
QColor PV_CGColorCreate(const QColor& c);
