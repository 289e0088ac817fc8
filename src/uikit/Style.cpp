#include "uikit/Style.h"

#include <QApplication>
#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QHash>
#include <QImageReader>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QWidget>
#include <QXmlStreamReader>
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

FontWarmup::FontWarmup()
    : thread_([] {
        // Qt's font database takes its own lock: the GUI thread's first measure
        // waits for this load instead of doing it again.
        QFontDatabase::families();
        for (QFont::Weight w : {QFont::Normal, QFont::Medium, QFont::DemiBold, QFont::Bold}) {
          QFont f = systemFont(13);
          f.setWeight(w);
          QFontMetrics(f).height();
        }
      }) {}

FontWarmup::~FontWarmup() {
  if (thread_.joinable()) thread_.join();
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

// A bundle picture is parsed when it is first drawn: most of a window's
// pictures sit on screens not shown yet.
struct SvgDocument {
  QString path;
  std::unique_ptr<QSvgRenderer> renderer;
  bool failed = false;

  QSvgRenderer* get() {
    if (!renderer && !failed) {
      renderer = std::make_unique<QSvgRenderer>(path);
      failed = !renderer->isValid();
      if (failed) renderer.reset();
    }
    return renderer.get();
  }
};

namespace {

// The picture's size as its <svg> element declares it (the view box, else a
// width and height in pixels), read without parsing the drawing.
std::optional<QSizeF> declaredSvgSize(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  QXmlStreamReader xml(&file);
  while (!xml.atEnd() && !xml.isStartElement()) xml.readNext();
  if (!xml.isStartElement() || xml.name() != QLatin1String("svg")) return std::nullopt;
  const QXmlStreamAttributes a = xml.attributes();
  static const QRegularExpression separators(QStringLiteral("[\\s,]+"));
  const QStringList box = a.value(QLatin1String("viewBox")).toString().split(separators, Qt::SkipEmptyParts);
  if (box.size() == 4) {
    bool okW = false, okH = false;
    const double w = box[2].toDouble(&okW), h = box[3].toDouble(&okH);
    if (okW && okH && w > 0 && h > 0) return QSizeF(w, h);
  }
  auto pixels = [&](const char* attribute) {
    QString v = a.value(QLatin1String(attribute)).toString().trimmed();
    if (v.endsWith(QLatin1String("px"))) v.chop(2);
    bool ok = false;
    const double d = v.toDouble(&ok);
    return ok && d > 0 ? d : 0.0;
  };
  const double w = pixels("width"), h = pixels("height");
  if (w > 0 && h > 0) return QSizeF(w, h);
  return std::nullopt;
}

}  // namespace

Image Image::named(const QString& name) {
  Image img;
  img.name_ = name;
  if (name.isEmpty()) return img;
  // One document per picture, shared by every image of that name.
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
    auto doc = std::make_shared<SvgDocument>();
    doc->path = path;
    std::optional<QSizeF> size = declaredSvgSize(path);
    if (!size) {
      // A size only the full parse can tell (units, no view box): parse now.
      QSvgRenderer* r = doc->get();
      if (!r) return img;
      const QRectF vb = r->viewBoxF();
      size = vb.isEmpty() ? QSizeF(r->defaultSize()) : vb.size();
    }
    img.svg_ = doc;
    img.size_ = *size;
  } else {
    QImageReader reader(path);
    if (!reader.canRead()) return img;
    img.pixmapPath_ = path;
    img.size_ = reader.size();
  }
  cache.insert(path, img);
  return img;
}

QPixmap Image::pixmap(int side) const {
  QPixmap pm(side * 2, side * 2);
  pm.setDevicePixelRatio(2);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  draw(p, QRectF(0, 0, side, side));
  return pm;
}

void Image::draw(QPainter& p, const QRectF& target, const QRectF& source) const {
  if (isNull() || target.isEmpty()) return;
  if (svg_) {
    QSvgRenderer* svg = svg_->get();
    if (!svg) return;
    if (source.isNull() || source == QRectF(QPointF(0, 0), size_)) {
      svg->render(&p, target);
      return;
    }
    // Part of the image: scale the whole so that `source` lands on `target`.
    const double sx = target.width() / source.width(), sy = target.height() / source.height();
    const QRectF whole(target.x() - source.x() * sx, target.y() - source.y() * sy,
                       size_.width() * sx, size_.height() * sy);
    p.save();
    p.setClipRect(target, Qt::IntersectClip);
    svg->render(&p, whole);
    p.restore();
    return;
  }
  static QHash<QString, QPixmap> pixmaps;
  auto it = pixmaps.find(pixmapPath_);
  if (it == pixmaps.end()) it = pixmaps.insert(pixmapPath_, QPixmap(pixmapPath_));
  p.drawPixmap(target, *it, source.isNull() ? QRectF(it->rect()) : source);
}

}  // namespace uikit
