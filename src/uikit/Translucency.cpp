#include "uikit/Translucency.h"

#include <xcb/xcb.h>

#include <QBitmap>
#include <QEvent>
#include <QGraphicsEffect>
#include <QGuiApplication>
#include <QImage>
#include <QRegion>
#include <QTimer>
#include <QWidget>
#include <QtGui/qguiapplication_platform.h>
#include <cstdlib>

namespace uikit {

namespace {
std::optional<bool>& forced() {
  static std::optional<bool> f;
  return f;
}

bool x11CompositingManagerRuns() {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  xcb_connection_t* c = x11 ? x11->connection() : nullptr;
  if (!c) return false;
  int screen = 0;
  // The default screen of the connection, as DISPLAY names it.
  const QByteArray display = qgetenv("DISPLAY");
  if (const int dot = display.lastIndexOf('.'); dot > display.lastIndexOf(':')) screen = display.mid(dot + 1).toInt();
  const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(screen);
  xcb_intern_atom_reply_t* atom =
      xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, uint16_t(name.size()), name.constData()), nullptr);
  if (!atom) return false;
  const xcb_atom_t a = atom->atom;
  free(atom);
  if (a == XCB_ATOM_NONE) return false;  // nobody ever claimed it
  xcb_get_selection_owner_reply_t* owner =
      xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, a), nullptr);
  if (!owner) return false;
  const bool owned = owner->owner != XCB_NONE;
  free(owner);
  return owned;
}

// Keeps a window without compositing cut to its painted shape.
class ShapeKeeper : public QObject {
 public:
  explicit ShapeKeeper(QWidget* w) : QObject(w) { w->installEventFilter(this); }
  bool eventFilter(QObject* o, QEvent* e) override {
    auto* w = static_cast<QWidget*>(o);
    switch (e->type()) {
      case QEvent::Show:
        apply(w, true);
        break;
      case QEvent::Resize:
      case QEvent::ParentChange:
        // The window lays out its children after this filter has run: cut
        // again once it has.
        apply(w, w->isVisible());
        if (!pending_) {
          pending_ = true;
          QTimer::singleShot(0, this, [this, w] {
            pending_ = false;
            apply(w, w->isVisible());
          });
        }
        break;
      default:
        break;
    }
    return QObject::eventFilter(o, e);
  }
  // `cut`: the window is (being) shown, so what it paints can be measured.
  static void apply(QWidget* w, bool cut) {
    if (!w->isWindow()) {
      // A child widget shows its parent through: no mask, no own background.
      w->setAttribute(Qt::WA_TranslucentBackground);
      w->clearMask();
      return;
    }
    w->setAttribute(Qt::WA_TranslucentBackground, false);
    if (cut) w->setMask(paintedRegion(w));
  }

 private:
  bool pending_ = false;
};
ShapeKeeper* keeperOf(QWidget* w) {
  for (QObject* c : w->children())
    if (auto* k = dynamic_cast<ShapeKeeper*>(c)) return k;
  return nullptr;
}
}  // namespace

bool displayComposites() {
  if (forced()) return *forced();
  if (QGuiApplication::platformName() != QLatin1String("xcb")) return true;
  return x11CompositingManagerRuns();
}

void setDisplayCompositesForTesting(std::optional<bool> composites) { forced() = composites; }

void setTranslucentWindow(QWidget* window) {
  if (!window) return;
  if (displayComposites()) {
    window->setAttribute(Qt::WA_TranslucentBackground);
    return;
  }
  if (!keeperOf(window)) new ShapeKeeper(window);
  // Measured once shown: the window is still being made.
  ShapeKeeper::apply(window, false);
}

void refreshWindowShape(QWidget* window) {
  if (!window) return;
  if (keeperOf(window))
    ShapeKeeper::apply(window, window->isVisible());
}

QRegion paintedRegion(QWidget* window) {
  if (!window || window->width() <= 0 || window->height() <= 0) return QRegion();
  QImage img(window->size(), QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  // Without the window's own background (only what it and its children
  // paint) and whatever it was cut to before.
  // A widget's own graphics effect (a shadow) keeps render() from drawing it;
  // the shape is what lies under the shadow anyway.
  QGraphicsEffect* effect = window->graphicsEffect();
  const bool effectOn = effect && effect->isEnabled();
  if (effectOn) effect->setEnabled(false);
  window->render(&img, QPoint(), QRegion(), QWidget::DrawChildren | QWidget::IgnoreMask);
  if (effectOn) effect->setEnabled(true);
  // Half-covered edge pixels count in, fainter ones (a shadow's tail) out.
  return QRegion(QBitmap::fromImage(img.createAlphaMask(Qt::ThresholdAlphaDither)));
}

}  // namespace uikit
