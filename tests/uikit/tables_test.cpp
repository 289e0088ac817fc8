#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QStandardItemModel>
#include <QTest>
#include <QUrl>

#include "platform/Bundle.h"
#include "platform/NotificationCenter.h"
#include "uikit/Tables.h"

using namespace uikit;

TEST(Tables, SpaceBarPostsPreviewInsteadOfMovingTheTable) {
  KVNSTableView table;
  QStandardItemModel model(3, 1);
  table.setModel(&model);
  table.setCurrentIndex(model.index(0, 0));
  QObject owner;
  int posts = 0;
  platform::NotificationCenter::defaultCenter().addObserver(&owner, "SpacePreviewFile",
                                                            [&](const QVariant&) { ++posts; });
  QTest::keyClick(&table, Qt::Key_Space);
  EXPECT_EQ(posts, 1);
  QTest::keyClick(&table, Qt::Key_Down);
  EXPECT_EQ(posts, 1);
  EXPECT_EQ(table.currentIndex().row(), 1) << "other keys reach the table";
  EXPECT_EQ(table.horizontalHeader()->height(), 20);
  EXPECT_NE(qobject_cast<CustomHeaderView*>(table.horizontalHeader()), nullptr);
}

TEST(Tables, EmptyStateLabelHeightFollowsTheLanguage) {
  struct Case { const char* lang; float h; } cases[] = {
      {"pt-BR", 40}, {"de", 40}, {"it", 40}, {"en", 25}, {"ja", 25}, {"pt", 25}, {"", 25}};
  for (const auto& c : cases) EXPECT_FLOAT_EQ(KVNSTableView::getLableHightForLanguage(c.lang), c.h) << c.lang;
  platform::Bundle::setMainBundlePath(QDC_BUILD_APP_BUNDLE);
  KVNSTableView table;
  table.resize(600, 300);
  table.changeNoValue(false);
  ASSERT_NE(table.nodeView(), nullptr);
  EXPECT_EQ(table.nodeView()->geometry(), QRect(100, 150, 400, 50));
  table.changeNoValue(false);
  EXPECT_EQ(table.findChildren<QWidget*>("noValueLabel").size(), 1) << "built once";
  auto* label = table.findChild<QLabel*>("noValueLabel");
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->palette().color(label->foregroundRole()), QColor(128, 128, 128)) << "the system's grey";
  table.changeNoValue(true);
  QApplication::processEvents();
  EXPECT_EQ(table.noValueView(), nullptr);
}

TEST(Tables, OutlineSelectionMovesOnlyWithTheArrowKeys) {
  CommOutlineView outline;
  outline.loadDataFormDetail({QVariant("a"), QVariant("b"), QVariant(QVariantList{1, 2})}, 7);
  EXPECT_EQ(outline.model()->rowCount(), 3);
  EXPECT_EQ(outline.model()->rowCount(outline.model()->index(2, 0)), 0) << "nothing expands";
  outline.setCurrentIndex(outline.model()->index(0, 0));
  QTest::keyClick(&outline, Qt::Key_End);
  QTest::keyClick(&outline, Qt::Key_B);
  EXPECT_EQ(outline.currentIndex().row(), 0);
  QTest::keyClick(&outline, Qt::Key_Down);
  EXPECT_EQ(outline.currentIndex().row(), 1);
  EXPECT_EQ(outline.selectedRow(), -1);
}

TEST(Tables, DropHandsAllPathsInOrder) {
  struct D : QObject, DragViewDelegate {
    QStringList got;
    int calls = 0;
    void viewDragAction(const QStringList& p) override { got = p; ++calls; }
  } d;
  DragView view;
  view.setDelegate(&d);
  QMimeData files;
  files.setUrls({QUrl::fromLocalFile("/tmp/a"), QUrl::fromLocalFile("/tmp/b c"), QUrl::fromLocalFile("/tmp/z")});
  EXPECT_TRUE(view.performDragOperation(&files));
  EXPECT_EQ(d.calls, 1);
  EXPECT_EQ(d.got, QStringList({"/tmp/a", "/tmp/b c", "/tmp/z"}));
  QMimeData text;
  text.setText("hello");
  EXPECT_FALSE(view.performDragOperation(&text));
  QMimeData tiff;
  tiff.setData("image/tiff", QByteArray());
  EXPECT_FALSE(view.performDragOperation(&tiff)) << "TIFF without data";
  EXPECT_EQ(d.calls, 1);
}

TEST(Tables, HeaderCellDrawsWhiteWithAnInvisibleTriangleByDefault) {
  QImage img(120, 30, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::black);
  {
    QPainter p(&img);
    CustomHeaderCell::initWithCell("").drawWithFrame(p, QRectF(0, 0, 120, 30));
  }
  EXPECT_EQ(img.pixelColor(60, 15), QColor(Qt::white)) << "the frame is filled white";
  EXPECT_EQ(CustomHeaderCell::titleColor(), QColor::fromRgbF(71 / 255.f, 71 / 255.f, 71 / 255.f));

  // The indicator alone, on black, so that a white triangle shows. Its left
  // corner is at width - 12 = 108; ascending it rises from 10 above the bottom
  // (y 20 in the header's top-down frame) to its tip at 17 (y 13).
  struct Case { const char* what; qint64 priority; bool ascending; QPoint inside; QPoint outside; bool drawn; } cases[] = {
      {"priority 1 draws nothing", 1, true, {112, 18}, {112, 10}, false},
      {"ascending", 0, true, {112, 18}, {112, 11}, true},
      {"descending", 0, false, {112, 12}, {112, 19}, true},
  };
  for (const auto& c : cases) {
    img.fill(Qt::black);
    CustomHeaderCell cell = CustomHeaderCell::initWithCell("");
    cell.setSortAscending(c.ascending, c.priority);
    {
      QPainter p(&img);
      cell.drawSortIndicatorWithFrame(p, QRectF(0, 0, 120, 30));
    }
    EXPECT_EQ(img.pixelColor(c.inside), c.drawn ? QColor(Qt::white) : QColor(Qt::black)) << c.what;
    EXPECT_EQ(img.pixelColor(c.outside), QColor(Qt::black)) << c.what << ": beyond the tip";
  }
}

namespace {
// A table of `model`'s rows in a 400 x 300 overlay scroll view, on screen.
KVNSTableView* showTableIn(OverlayScrollView& sv, QStandardItemModel& model) {
  auto* table = new KVNSTableView;
  table->setModel(&model);
  sv.setDocumentView(table);
  sv.resize(400, 300);
  sv.show();
  QApplication::processEvents();
  return table;
}
}  // namespace

TEST(Tables, OverlayScrollerFloatsBelowTheHeader) {
  OverlayScrollView sv;
  QStandardItemModel model(200, 1);
  KVNSTableView* table = showTableIn(sv, model);
  EXPECT_EQ(sv.headerOffset(), 20);
  EXPECT_EQ(table->geometry(), QRect(0, 0, 400, 300)) << "content takes the full width";
  EXPECT_EQ(sv.verticalScroller()->geometry(), QRect(384, 20, 16, 280));
  EXPECT_GT(sv.verticalScroller()->maximum(), 0);
  sv.verticalScroller()->setValue(sv.verticalScroller()->maximum());
  EXPECT_EQ(table->verticalScrollBar()->value(), table->verticalScrollBar()->maximum());
  const QRect knob = sv.verticalScroller()->knobRect();
  EXPECT_EQ(knob.x(), 4);
  EXPECT_EQ(knob.width(), 8);
}

TEST(Tables, ImageAndTextCellDrawsItsImageOnceBeforeTheText) {
  QStandardItemModel model(1, 1);
  QPixmap red(18, 18);
  red.fill(Qt::red);
  auto* item = new QStandardItem("x");
  item->setData(red, Qt::DecorationRole);
  model.setItem(0, 0, item);
  ImageAndTextCell cell;
  QStyleOptionViewItem option;
  option.rect = QRect(0, 0, 200, 24);
  option.state = QStyle::State_Enabled;
  QImage img(200, 24, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::white);
  QPainter p(&img);
  cell.paint(&p, option, model.index(0, 0));
  p.end();
  EXPECT_EQ(img.pixelColor(3 + 9, 3 + 9), QColor(Qt::red)) << "the 18 x 18 square, 3 in, centred";
  int redRight = 0;
  for (int x = 21; x < img.width(); ++x)
    for (int y = 0; y < img.height(); ++y) redRight += img.pixelColor(x, y) == QColor(Qt::red);
  EXPECT_EQ(redRight, 0) << "no second image in the text area";
  EXPECT_EQ(ImageAndTextCell::imageFrameForCellFrame(QRectF(0, 0, 200, 24), QSizeF(18, 18)),
            QRectF(3, 3, 18, 18));
}

TEST(Tables, ErrorViewHoldsItsText) {
  ErrorViewController e;
  e.setErrorStr("short");
  EXPECT_EQ(e.errorLabel()->text(), "short");
  EXPECT_EQ(e.width(), ErrorViewController::kWidth);
  const int oneLine = e.height();
  e.setErrorStr(QString("a very long message ").repeated(8));
  EXPECT_GT(e.height(), oneLine) << "long texts wrap onto more lines";
}

TEST(Tables, OverlayScrollerFadesOutAfterANewValueUnlessThePointerIsOver) {
  // What happened, in order, and whether a fade-out is then still to come.
  enum Step { NewValue, Enter };
  struct Case { const char* what; std::vector<Step> steps; bool pending; } cases[] = {
      {"a new value schedules it", {NewValue}, true},
      {"the pointer coming in cancels it", {NewValue, Enter}, false},
      {"a new value while inside schedules it again", {Enter, NewValue}, true},
  };
  for (const auto& c : cases) {
    OverlayScroller s;
    s.setRange(0, 100);
    s.resize(16, 200);
    s.show();
    for (Step step : c.steps) {
      if (step == NewValue) s.setValue(s.value() + 10);
      if (step == Enter) {
        QEnterEvent e(QPointF(8, 8), QPointF(8, 8), QPointF(8, 8));
        QApplication::sendEvent(&s, &e);
      }
    }
    EXPECT_EQ(s.isFadeOutPending(), c.pending) << c.what;
  }
}

TEST(Tables, OverlayScrollerActsOnTheKnobItDraws) {
  OverlayScrollView sv;
  QStandardItemModel model(2000, 1);
  KVNSTableView* table = showTableIn(sv, model);
  OverlayScroller* s = sv.verticalScroller();
  ASSERT_GT(s->maximum(), 0);
  const QRect knob = s->knobRect();
  ASSERT_EQ(knob.top(), 0);

  // A press at the very top of the drawn knob grabs it (no "line up").
  QTest::mousePress(s, Qt::LeftButton, {}, QPoint(8, knob.top()));
  EXPECT_EQ(s->value(), 0);
  EXPECT_TRUE(s->isSliderDown());
  QTest::mouseMove(s, QPoint(8, knob.top() + 60));
  EXPECT_EQ(s->knobRect().top(), knob.top() + 60) << "the knob follows the pointer";
  QTest::mouseRelease(s, Qt::LeftButton, {}, QPoint(8, knob.top() + 60));
  EXPECT_FALSE(s->isSliderDown());
  EXPECT_EQ(table->verticalScrollBar()->value(), s->value()) << "the list moved with it";

  // Below the drawn knob a press pages down; above it, up.
  const int at = s->value();
  QTest::mouseClick(s, Qt::LeftButton, {}, QPoint(8, s->height() - 2));
  EXPECT_EQ(s->value(), at + s->pageStep());
  QTest::mouseClick(s, Qt::LeftButton, {}, QPoint(8, 2));
  EXPECT_EQ(s->value(), at);
}

TEST(Tables, DragCopyCursorGoesWhenADragLeaves) {
  QWidget box;  // the drop target sits in a screen, as the source box does
  auto& view = *new DragView(&box);
  view.resize(100, 100);
  box.resize(200, 200);
  box.show();
  QMimeData files;
  files.setUrls({QUrl::fromLocalFile("/tmp/a")});
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &files, Qt::LeftButton, {});
  QApplication::sendEvent(&view, &enter);
  ASSERT_TRUE(enter.isAccepted());
  EXPECT_TRUE(view.testAttribute(Qt::WA_SetCursor));
  EXPECT_EQ(view.cursor().shape(), Qt::DragCopyCursor);
  QDragLeaveEvent leave;
  QApplication::sendEvent(&view, &leave);
  EXPECT_FALSE(view.testAttribute(Qt::WA_SetCursor));
  EXPECT_EQ(view.cursor().shape(), box.cursor().shape()) << "the screen's own cursor again";
}
