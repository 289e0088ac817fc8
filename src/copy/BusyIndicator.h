#pragma once
// The spinning busy indicator (NSProgressIndicator's spinning style) of the
// volume picker and the file browser. Hidden while stopped.
#include <QTimer>
#include <QWidget>

class BusyIndicator : public QWidget {
  Q_OBJECT
 public:
  explicit BusyIndicator(QWidget* parent = nullptr);
  void startAnimation();
  void stopAnimation();
  bool isAnimating() const { return timer_.isActive(); }

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  QTimer timer_;
  int phase_ = 0;
};
