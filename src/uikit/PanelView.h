#pragma once
// A full-window panel: a shade over the main window and a box in its middle.
// The panel lives in a StatusAttachedWindow (its superDelegate, which owns it)
// and ends itself by closing that window.
#include <QPointer>
#include <QWidget>

#include "uikit/AttachedWindow.h"
#include "uikit/Geometry.h"

class PanelView : public QWidget {
  Q_OBJECT
 public:
  // `box` (made by the caller, who chooses its look) becomes the panel's,
  // sized `boxSize` and kept centred. `shade` is drawn over the whole panel.
  PanelView(const QString& objectName, const QSize& windowSize, QWidget* box, const uikit::NSSize& boxSize,
            const QColor& shade = Qt::transparent, QWidget* parent = nullptr);

  QWidget* box() const { return box_; }
  void setSuperDelegate(StatusAttachedWindow* window) { superDelegate_ = window; }
  StatusAttachedWindow* superDelegateWindow() const { return superDelegate_.data(); }
  // Closes the panel's window; the window and the panel go with the next turn of the loop.
  void closeWindow();

 protected:
  void paintEvent(QPaintEvent*) override;
  void resizeEvent(QResizeEvent*) override;

 private:
  QWidget* box_;
  QColor shade_;
  QPointer<StatusAttachedWindow> superDelegate_;
};
