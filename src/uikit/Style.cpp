#include "uikit/Style.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QHash>
#include <QImageReader>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QSvgRenderer>
#include <QWidget>
#include <optional>

#include "platform/Bundle.h"
#include "services/Color.h"
#include "services/KVPublicUtilities.h"

namespace uikit {

QFont systemFont(double size) {
  QFont f = QApplication::font();
  f.setPixelSize(qMax(1, qRound(size)));
  f.setWeight(QFont::Normal);
  return f;
}

QFont boldSystemFont(double size) {
  QFont f = systemFont(size);
  f.setWeight(QFont::Bold);
  return f;
}

static QFont::Weight weightFromName(const QString& name) {
  const QString n = name.toLower();
  if (n.contains("semibold") || n.contains("sbold") || n.contains("demibold")) return QFont::DemiBold;
  if (n.contains("bold") || n.contains("heavy")) return QFont::Bold;
  if (n.contains("medium") || n.contains("mbold")) return QFont::Medium;
  if (n.contains("light") || n.contains("thin")) return QFont::Light;
  return QFont::Normal;
}

QFont fontNamed(const QString& name, double size) {
  QFont f = systemFont(size);
  if (name.isEmpty()) return f;
  static QHash<QString, bool> known;
  auto it = known.find(name);
  if (it == known.end()) {
    QFont probe(name);
    it = known.insert(name, QFontInfo(probe).family().compare(name, Qt::CaseInsensitive) == 0);
  }
  if (*it) f.setFamily(name);
  f.setWeight(weightFromName(name));
  return f;
}

// The product's font of that name, or the system font (of `fallbackWeight`,
// where given) when no name is set.
static QFont productFont(const QString& name, double size, std::optional<QFont::Weight> fallbackWeight) {
  if (!name.isEmpty()) return fontNamed(name, size);
  QFont f = systemFont(size);
  if (fallbackWeight) f.setWeight(*fallbackWeight);
  return f;
}

QFont regularFont(double size) {
  return productFont(KVPublicUtilities::getRegularFontName(), size, std::nullopt);
}

QFont lightFont(double size) { return productFont(KVPublicUtilities::getLightFontName(), size, QFont::Light); }

QFont mBoldFont(double size) { return productFont(KVPublicUtilities::getMBoldFontName(), size, QFont::Medium); }

QFont sBoldFont(double size) { return productFont(KVPublicUtilities::getSBoldFontName(), size, QFont::DemiBold); }

QFont boldFont(double size) { return productFont(KVPublicUtilities::getBoldFontName(), size, QFont::Bold); }

void setTextColor(QWidget* widget, const QColor& color) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::WindowText, color);
  // A label inside a button inherits the button's text role, not its own.
  palette.setColor(QPalette::ButtonText, color);
  widget->setPalette(palette);
}

Image Image::named(const QString& name) {
  Image img;
  img.name_ = name;
  if (name.isEmpty()) return img;
  // Renderers are shared; the bundle's images do not change while we run.
  static QHash<QString, Image> cache;
  const QString path = platform::Bundle::mainBundle().imagePath(name);
  if (path.isEmpty()) return img;
  auto it = cache.find(path);
  if (it != cache.end()) {
    Image copy = *it;
    copy.name_ = name;
    return copy;
  }
  if (path.endsWith(".svg", Qt::CaseInsensitive)) {
    auto r = std::make_shared<QSvgRenderer>(path);
    if (!r->isValid()) return img;
    img.svg_ = r;
    const QRectF vb = r->viewBoxF();
    img.size_ = vb.isEmpty() ? QSizeF(r->defaultSize()) : vb.size();
  } else {
    QImageReader reader(path);
    if (!reader.canRead()) return img;
    img.pixmapPath_ = path;
    img.size_ = reader.size();
  }
  cache.insert(path, img);
  return img;
}

void Image::draw(QPainter& p, const QRectF& target, const QRectF& source) const {
  if (isNull() || target.isEmpty()) return;
  if (svg_) {
    if (source.isNull() || source == QRectF(QPointF(0, 0), size_)) {
      svg_->render(&p, target);
      return;
    }
    // Part of the image: scale the whole so that `source` lands on `target`.
    const double sx = target.width() / source.width(), sy = target.height() / source.height();
    const QRectF whole(target.x() - source.x() * sx, target.y() - source.y() * sy,
                       size_.width() * sx, size_.height() * sy);
    p.save();
    p.setClipRect(target, Qt::IntersectClip);
    svg_->render(&p, whole);
    p.restore();
    return;
  }
  static QHash<QString, QPixmap> pixmaps;
  auto it = pixmaps.find(pixmapPath_);
  if (it == pixmaps.end()) it = pixmaps.insert(pixmapPath_, QPixmap(pixmapPath_));
  p.drawPixmap(target, *it, source.isNull() ? QRectF(it->rect()) : source);
}

}  // namespace uikit
