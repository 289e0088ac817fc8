// The check that every shown text fits: each case lays out one small window and
// says which fault, if any, the check must name.
#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QLabel>
#include <QRadioButton>
#include <QScrollArea>
#include <cmath>
#include <functional>

#include "TextFit.h"
#include "platform/Bundle.h"
#include "uikit/AttachedWindow.h"
#include "uikit/ImageButtons.h"
#include "uikit/Style.h"
#include "uikit/Widgets.h"

using namespace uikit;

namespace {

const QString kWords = QStringLiteral("Ausgewählte Dateien kopieren");

int advance(const QFont& font, const QString& text) {
  return int(std::ceil(QFontMetricsF(font).horizontalAdvance(text)));
}

QLabel* plain(QWidget* parent, const QString& text, QRect geometry, Qt::Alignment a = Qt::AlignLeft | Qt::AlignVCenter) {
  auto* l = new QLabel(text, parent);
  l->setFont(systemFont(13));
  l->setAlignment(a);
  l->setGeometry(geometry);
  return l;
}

int wide(const QString& text = kWords) { return advance(systemFont(13), text); }

struct Case {
  const char* name;
  std::function<void(QWidget* window)> build;
  QString fault;  // a part of the one fault named; empty: none
};

const Case kCases[] = {
    {"a text in a frame as wide as it fits", [](QWidget* w) { plain(w, kWords, QRect(10, 10, wide(), 20)); }, {}},
    {"one pixel too narrow is cut", [](QWidget* w) { plain(w, kWords, QRect(10, 10, wide() - 1, 20)); }, "needs"},
    {"a frame lower than the font is cut", [](QWidget* w) { plain(w, kWords, QRect(10, 10, wide() + 10, 8)); },
     "needs"},
    {"a hidden label is not looked at",
     [](QWidget* w) { plain(w, kWords, QRect(10, 10, 20, 20))->hide(); }, {}},
    {"an image label has no text to fit",
     [](QWidget* w) {
       QLabel* l = plain(w, QString(), QRect(10, 10, 4, 4));
       QPixmap pixmap(40, 40);
       pixmap.fill(Qt::red);
       l->setPixmap(pixmap);
     },
     {}},
    {"wrapped lines that all fit",
     [](QWidget* w) {
       QLabel* l = plain(w, kWords, QRect(10, 10, wide() / 2 + 30, 60), Qt::AlignCenter);
       l->setWordWrap(true);
     },
     {}},
    {"wrapped lines taller than the frame are cut",
     [](QWidget* w) {
       QLabel* l = plain(w, kWords, QRect(10, 10, wide() / 2 + 30, 20), Qt::AlignCenter);
       l->setWordWrap(true);
     },
     "needs"},
    {"one word wider than a wrapping frame is cut",
     [](QWidget* w) {
       QLabel* l = plain(w, QStringLiteral("Datenträgerverwaltung"), QRect(10, 10, 60, 150));
       l->setWordWrap(true);
     },
     "needs"},
    {"rich text wider than its frame is cut",
     [](QWidget* w) {
       plain(w, QStringLiteral("<b>") + kWords + QStringLiteral("</b>"), QRect(10, 10, wide() - 4, 20));
     },
     "needs"},
    {"a frame past its holder's edge cuts the text drawn there",
     [](QWidget* w) {
       auto* holder = new QWidget(w);
       holder->setObjectName("holder");
       holder->setGeometry(10, 10, wide() - 20, 30);
       plain(holder, kWords, QRect(0, 0, wide() + 10, 30));
     },
     "past the edge of"},
    {"a frame past its holder's edge is fine while the text stays inside",
     [](QWidget* w) {
       auto* holder = new QWidget(w);
       holder->setGeometry(10, 10, wide() + 4, 30);
       plain(holder, kWords, QRect(0, 0, wide() + 80, 30));
     },
     {}},
    {"two texts drawn over each other",
     [](QWidget* w) {
       plain(w, kWords, QRect(10, 10, wide(), 20));
       plain(w, kWords, QRect(10 + wide() / 2, 12, wide(), 20));
     },
     "drawn over"},
    {"a callout laid over a text hides it",
     [](QWidget* w) {
       auto* view = new QWidget;
       view->resize(wide() + 40, 60);
       QLabel* over = plain(view, kWords, QRect(20, 20, wide(), 20));
       AttachedWindow* callout = AttachedWindow::initWithView(view, NSMakePoint(200, 150), w, 3, 0);
       callout->addToParentWindow(w);
       plain(w, kWords, QRect(over->mapTo(w, QPoint(0, 0)), over->size()))->lower();
     },
     {}},
    {"frames that overlap where no text is drawn",
     [](QWidget* w) {
       plain(w, QStringLiteral("Quelle"), QRect(10, 10, 300, 20));
       plain(w, QStringLiteral("Ziel"), QRect(200, 10, 200, 20), Qt::AlignRight | Qt::AlignVCenter);
     },
     {}},
    {"a row scrolled half out of a list is not cut",
     [](QWidget* w) {
       auto* area = new QScrollArea(w);
       area->setGeometry(0, 0, 300, 100);
       auto* rows = new QWidget;
       rows->resize(280, 400);
       plain(rows, kWords, QRect(0, 90, wide(), 20));
       area->setWidget(rows);
     },
     {}},
    {"a radio button's title is cut by its frame",
     [](QWidget* w) {
       auto* b = new QRadioButton(kWords, w);
       b->setFont(systemFont(13));
       b->setGeometry(10, 10, wide(), 24);
     },
     "needs"},
    {"a button's title is cut by its frame",
     [](QWidget* w) {
       auto* b = new TextImageButton(w);
       setButtonFamily(b, QStringLiteral("btn_pop_pri"));
       b->setGeometry(10, 10, wide() / 2, 36);
       b->setTextWithName(kWords);
     },
     "needs"},
    {"a button wider than its image shows its title off the image's middle",
     [](QWidget* w) {
       auto* b = new TextImageButton(w);
       setButtonFamily(b, QStringLiteral("btn_pop_pri"));
       b->setGeometry(10, 10, int(b->normal().size().width()) + 30, 36);
       b->setTextWithName(QStringLiteral("Los"));
     },
     "off the middle"},
    {"a button's title that fits",
     [](QWidget* w) {
       auto* b = new TextImageButton(w);
       setButtonFamily(b, QStringLiteral("btn_pop_pri"));
       b->setGeometry(10, 10, int(b->normal().size().width()), 36);
       b->setTextWithName(QStringLiteral("Los"));
     },
     {}},
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class TextFit : public ::testing::TestWithParam<Case> {
 protected:
  void SetUp() override { platform::Bundle::setMainBundlePath(QDC_BUILD_APP_BUNDLE); }
};

TEST_P(TextFit, NamesTheFaultOrNone) {
  const Case& c = GetParam();
  QWidget window;
  window.setObjectName("window");
  window.resize(700, 300);
  c.build(&window);
  window.show();
  const QList<textfit::Fault> faults = textfit::faultsIn(&window);
  QStringList said;
  for (const textfit::Fault& f : faults) said << textfit::describe(f);
  if (c.fault.isEmpty()) {
    EXPECT_TRUE(faults.isEmpty()) << qPrintable(said.join("\n"));
  } else {
    ASSERT_EQ(faults.size(), 1) << qPrintable(said.join("\n"));
    EXPECT_TRUE(faults.first().what.contains(c.fault)) << qPrintable(said.join("\n"));
  }
}

INSTANTIATE_TEST_SUITE_P(Layouts, TextFit, ::testing::ValuesIn(kCases), [](const auto& info) {
  QString name = QString::fromUtf8(info.param.name);
  for (QChar& ch : name)
    if (!ch.isLetterOrNumber()) ch = QLatin1Char('_');
  return name.toStdString();
});

}  // namespace
