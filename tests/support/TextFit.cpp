#include "TextFit.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QCheckBox>
#include <QFontMetricsF>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTextDocument>
#include <QWidget>
#include <cmath>

#include "uikit/AttachedWindow.h"
#include "uikit/ImageButtons.h"

namespace textfit {
namespace {

// What a text needs and the room it has, in the widget's coordinates.
struct Measure {
  QString text;
  QSize needed;
  QRect room;
  Qt::Alignment alignment;
  // Blank lines of the font above its tallest and below its lowest glyph of
  // this text: a frame may cut into them without cutting a letter.
  int blankAbove = 0, blankBelow = 0;
};

bool isRich(const QLabel* label) {
  return label->textFormat() == Qt::RichText ||
         (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(label->text()));
}

void findBlank(const QFont& font, const QString& text, Measure* m) {
  const QFontMetricsF fm(font);
  const QRectF ink = fm.tightBoundingRect(QString(text).replace(QLatin1Char('\n'), QLatin1Char(' ')));
  if (ink.isEmpty()) return;
  m->blankAbove = qMax(0, int(std::floor(fm.ascent() + ink.top())));
  m->blankBelow = qMax(0, int(std::floor(fm.descent() - ink.bottom())));
}

QSize ceilSize(QSizeF s) { return QSize(int(std::ceil(s.width() - 0.01)), int(std::ceil(s.height() - 0.01))); }

// A wrapped text is as wide as its longest line, which is wider than the room
// only when one word is.
QSize plainSize(const QFont& font, const QString& text, bool wrap, int width) {
  const QFontMetricsF fm(font);
  if (!wrap) return ceilSize(fm.size(Qt::TextExpandTabs, text));
  return ceilSize(fm.boundingRect(QRectF(0, 0, width, 1e6), Qt::TextWordWrap | Qt::TextExpandTabs, text).size());
}

QSize richSize(const QFont& font, const QString& text, bool wrap, int width) {
  QTextDocument doc;
  doc.setDefaultFont(font);
  doc.setDocumentMargin(0);
  doc.setHtml(text);
  if (wrap) {
    doc.setTextWidth(width);
    return ceilSize(QSizeF(doc.idealWidth(), doc.size().height()));
  }
  return ceilSize(doc.size());
}

bool measureLabel(const QLabel* label, Measure* m) {
  if (label->text().trimmed().isEmpty() || !label->pixmap().isNull()) return false;
  QRect room = label->contentsRect().adjusted(label->margin(), label->margin(), -label->margin(), -label->margin());
  if (label->indent() > 0) {
    const Qt::Alignment a = label->alignment();
    if (a & Qt::AlignLeft) room.setLeft(room.left() + label->indent());
    if (a & Qt::AlignRight) room.setRight(room.right() - label->indent());
    if (a & Qt::AlignTop) room.setTop(room.top() + label->indent());
    if (a & Qt::AlignBottom) room.setBottom(room.bottom() - label->indent());
  }
  m->text = label->text();
  m->room = room;
  m->alignment = label->alignment();
  m->needed = isRich(label) ? richSize(label->font(), label->text(), label->wordWrap(), room.width())
                            : plainSize(label->font(), label->text(), label->wordWrap(), room.width());
  if (!isRich(label)) findBlank(label->font(), label->text(), m);
  return true;
}

bool measureButton(const QAbstractButton* button, Measure* m) {
  if (button->text().trimmed().isEmpty()) return false;
  QStyleOptionButton option;
  option.initFrom(button);
  option.text = button->text();
  option.icon = button->icon();
  option.iconSize = button->iconSize();
  QRect room = button->rect();
  m->alignment = Qt::AlignLeft | Qt::AlignVCenter;
  if (qobject_cast<const QRadioButton*>(button)) {
    room = button->style()->subElementRect(QStyle::SE_RadioButtonContents, &option, button);
  } else if (qobject_cast<const QCheckBox*>(button)) {
    room = button->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, button);
  } else if (qobject_cast<const QPushButton*>(button)) {
    room = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
    m->alignment = Qt::AlignCenter;
  }
  // The installer's link titles wrap at the button's width, centred.
  const bool wraps = button->inherits("LinkTitleButton");
  if (wraps) m->alignment = Qt::AlignCenter;
  if (!button->icon().isNull()) room.setLeft(room.left() + button->iconSize().width() + 4);
  m->text = button->text();
  m->room = room;
  m->needed = plainSize(button->font(), button->text(), wraps, room.width());
  findBlank(button->font(), button->text(), m);
  return true;
}

bool measure(const QWidget* w, Measure* m) {
  if (auto* label = qobject_cast<const QLabel*>(w)) return measureLabel(label, m);
  if (auto* button = qobject_cast<const QAbstractButton*>(w)) return measureButton(button, m);
  return false;
}

// The box the letters take: the font's line box less its blank lines.
QRect placed(const Measure& m) {
  const QRect line = QStyle::alignedRect(Qt::LeftToRight, m.alignment, m.needed, m.room);
  return line.adjusted(0, m.blankAbove, 0, -m.blankBelow);
}

// A line box may stand out of the frame by its blank lines, not by a letter.
bool fits(const Measure& m) {
  if (m.needed.width() > m.room.width()) return false;
  if (m.needed.height() <= m.room.height()) return true;
  const QRect letters = placed(m);
  return letters.top() >= m.room.top() && letters.bottom() <= m.room.bottom();
}

// Texts of one layer can cover each other; a window, or a callout or panel laid
// over a window, hides what lies under it.
const QWidget* layerOf(const QWidget* w) {
  for (const QWidget* at = w; at; at = at->parentWidget())
    if (at->isWindow() || uikit::asAttachedWindow(const_cast<QWidget*>(at))) return at;
  return nullptr;
}

QString pathOf(const QWidget* w, const QWidget* root) {
  QStringList names;
  for (const QWidget* at = w; at; at = at->parentWidget()) {
    names.prepend(at->objectName().isEmpty() ? QString::fromLatin1(at->metaObject()->className()) : at->objectName());
    if (at == root) break;
  }
  return names.join(QLatin1Char('/'));
}

// A view that scrolls shows only part of what it holds, by design.
bool isScrolledView(const QWidget* w) {
  auto* area = qobject_cast<const QAbstractScrollArea*>(w->parentWidget());
  return area && area->viewport() == w;
}

QString sizeText(QSize s) { return QStringLiteral("%1×%2").arg(s.width()).arg(s.height()); }

}  // namespace

QRect textRect(const QWidget* widget) {
  Measure m;
  return measure(widget, &m) ? placed(m) : QRect();
}

QList<Fault> faultsIn(QWidget* root) {
  QList<Fault> faults;
  struct Shown {
    const QWidget* widget;
    QString text;
    QRect rect;  // in the root's coordinates
  };
  QList<Shown> shown;
  QList<QWidget*> widgets = root->findChildren<QWidget*>();
  widgets.prepend(root);
  for (const QWidget* w : widgets) {
    if (!w->isVisible()) continue;
    Measure m;
    if (!measure(w, &m)) continue;
    const QString path = pathOf(w, root);
    if (!fits(m)) {
      faults.append({path, m.text,
                     QStringLiteral("needs %1 in a frame of %2").arg(sizeText(m.needed), sizeText(m.room.size()))});
      continue;
    }
    const QRect rect = placed(m);
    if (auto* button = qobject_cast<const FourImageButton*>(w->parentWidget());
        button && button->label() == w && !button->normal().isNull()) {
      // A button's title belongs on its image, in the middle.
      const QRectF image = button->imageRect();
      const QRectF title = QRectF(rect).translated(w->pos());
      if (!image.adjusted(-0.5, -0.5, 0.5, 0.5).contains(title) || std::abs(title.center().x() - image.center().x()) > 1.5) {
        faults.append({path, m.text,
                       QStringLiteral("is drawn at x %1 to %2, off the middle of its button's image (x %3 to %4)")
                           .arg(title.left())
                           .arg(title.right())
                           .arg(image.left())
                           .arg(image.right())});
        continue;
      }
    }
    bool clipped = false;
    for (const QWidget* at = w; at != root; at = at->parentWidget()) {
      const QWidget* holder = at->parentWidget();
      if (!holder || isScrolledView(holder)) break;
      const QRect inHolder(w->mapTo(holder, rect.topLeft()), rect.size());
      if (!holder->rect().contains(inHolder)) {
        faults.append({path, m.text,
                       QStringLiteral("is drawn at %1,%2 %3, past the edge of %4 (%5)")
                           .arg(inHolder.x())
                           .arg(inHolder.y())
                           .arg(sizeText(inHolder.size()), pathOf(holder, root), sizeText(holder->size()))});
        clipped = true;
        break;
      }
    }
    if (!clipped) shown.append({w, m.text, QRect(w->mapTo(root, rect.topLeft()), rect.size())});
  }
  for (int i = 0; i < shown.size(); ++i)
    for (int j = i + 1; j < shown.size(); ++j) {
      const Shown& a = shown[i];
      const Shown& b = shown[j];
      if (a.widget->isAncestorOf(b.widget) || b.widget->isAncestorOf(a.widget)) continue;
      if (layerOf(a.widget) != layerOf(b.widget)) continue;
      const QRect both = a.rect.intersected(b.rect);
      if (both.width() <= 1 || both.height() <= 1) continue;
      faults.append({pathOf(a.widget, root), a.text,
                     QStringLiteral("is drawn over \"%1\" (%2)").arg(b.text, pathOf(b.widget, root))});
    }
  return faults;
}

QList<Fault> faultsOnScreen() {
  QList<Fault> faults;
  for (QWidget* top : QApplication::topLevelWidgets())
    if (top->isVisible() && top->windowType() != Qt::Desktop) faults += faultsIn(top);
  return faults;
}

QString describe(const Fault& fault) {
  return QStringLiteral("%1: \"%2\" %3").arg(fault.widget, fault.text, fault.what);
}

}  // namespace textfit
