#pragma once
// Colours, fonts and named images of the kit. Sizes are points; one point is
// one device-independent pixel, so fonts are set by pixel size.
#include <QColor>
#include <QFont>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <memory>
#include <thread>

#include "services/Appearance.h"  // systemGray
#include "services/Color.h"  // getColor, deviceColor

class QPainter;
class QWidget;

namespace uikit {

struct SvgDocument;

QFont systemFont(double size);

// Loads the system's font list and faces on a thread of its own while it
// lives; a text measured meanwhile waits for that load.
class FontWarmup {
 public:
  FontWarmup();
  ~FontWarmup();
  FontWarmup(const FontWarmup&) = delete;
  FontWarmup& operator=(const FontWarmup&) = delete;

 private:
  std::thread thread_;
};

QFont boldSystemFont(double size);
// A font by its stored name; a name the host lacks keeps its weight (from the
// name's suffix: Light, Medium, Semibold, Bold) on the system family.
QFont fontNamed(const QString& name, double size);
// The five fonts whose names the shell stores at start.
QFont regularFont(double size);
QFont lightFont(double size);
QFont mBoldFont(double size);
QFont sBoldFont(double size);
QFont boldFont(double size);

// The system's grey (white level 0.5), for disabled and placeholder texts.
using appearance::systemGray;

// The colour of a widget's text, wherever it sits (a label in a button too).
void setTextColor(QWidget* widget, const QColor& color);

// An image resource of the bundle, keeping the name it was looked up by.
class Image {
 public:
  Image() = default;
  static Image named(const QString& name);

  bool isNull() const { return !svg_ && pixmapPath_.isEmpty(); }
  QString name() const { return name_; }
  QSizeF size() const { return size_; }
  // Draws the whole image (or `source`, in image points, top-left origin) into
  // `target` (Qt coordinates of the painter).
  void draw(QPainter& p, const QRectF& target, const QRectF& source = QRectF()) const;
  // The whole image in a square `side` points wide, drawn at twice the
  // resolution for a label to show.
  QPixmap pixmap(int side) const;

 private:
  QString name_;
  QString pixmapPath_;
  std::shared_ptr<SvgDocument> svg_;  // parsed at its first drawing
  QSizeF size_;
};

}  // namespace uikit
