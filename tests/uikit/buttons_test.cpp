#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <functional>
#include <QEnterEvent>
#include <QLabel>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

#include "platform/Bundle.h"
#include "services/Color.h"
#include "uikit/ImageButtons.h"
#include "uikit/ListItems.h"

using namespace uikit;
using State = FourImageButton::State;

namespace {
class Buttons : public ::testing::Test {
 protected:
  void SetUp() override { platform::Bundle::setMainBundlePath(QDC_BUILD_APP_BUNDLE); }
};

void hover(QWidget* w, bool in) {
  if (in) {
    QEnterEvent e(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QApplication::sendEvent(w, &e);
  } else {
    QEvent e(QEvent::Leave);
    QApplication::sendEvent(w, &e);
  }
}

// The label's colour as it stands, without a drawing in between.
QColor labelColor(FourImageButton& b) { return b.label()->palette().color(b.label()->foregroundRole()); }
}  // namespace

TEST_F(Buttons, StateOrderIsDisabledPressedHoverNormal) {
  TextImageButton b;
  b.resize(160, 40);
  b.setImageFromFileNormalName("btn_pri", "btn_pri_press", "btn_pri_hover", "btn_pri_disable");
  b.show();
  EXPECT_EQ(b.state(), State::Normal);
  hover(&b, true);
  EXPECT_EQ(b.state(), State::Hover);
  QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_EQ(b.state(), State::Pressed) << "pressed over hover";
  b.setButtonEnabled(false);
  EXPECT_EQ(b.state(), State::Disabled) << "disabled over pressed";
  QTest::mouseRelease(&b, Qt::LeftButton, {}, QPoint(10, 10));
  b.setButtonEnabled(true);
  EXPECT_EQ(b.state(), State::Hover);
  b.setEnabled(false);
  EXPECT_EQ(b.state(), State::Disabled) << "the platform's own disabled state counts too";
  b.setEnabled(true);
  hover(&b, false);
  EXPECT_EQ(b.state(), State::Normal);
}

TEST_F(Buttons, ClicksInTheDisabledLookAreIgnored) {
  TextImageButton fromResource(nullptr, FourImageButton::FromResource);
  fromResource.resize(160, 40);
  fromResource.setImageFromFileNormalName("btn_pri", "btn_pri_press", "btn_pri_hover", "btn_pri_disable");
  fromResource.show();
  QSignalSpy clicks(&fromResource, &QAbstractButton::clicked);
  EXPECT_EQ(fromResource.state(), State::Disabled);
  EXPECT_TRUE(fromResource.isEnabled());
  QTest::mouseClick(&fromResource, Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_EQ(clicks.count(), 0);
  fromResource.setButtonEnabled(true);
  QTest::mouseClick(&fromResource, Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_EQ(clicks.count(), 1);
}

TEST_F(Buttons, ImageOfTheStateIsDrawn) {
  TextImageButton b;
  b.resize(160, 40);
  b.setImageFromFileNormalName("btn_pri", "btn_pri_press", "btn_pri_hover", "btn_pri_disable");
  b.show();
  const QColor normal = b.grab().toImage().pixelColor(80, 20);
  b.setButtonEnabled(false);
  const QColor disabled = b.grab().toImage().pixelColor(80, 20);
  EXPECT_EQ(normal, QColor(65, 98, 255));
  EXPECT_NE(disabled, normal);
}

TEST_F(Buttons, LabelIsRenderedInTheColourOfItsState) {
  // The first picture of a button, as a screen shows it: white text on
  // "btn_pri", near-black on "btn_sec"; never the platform's button text.
  struct Case { QString family; QColor text; } cases[] = {
      {"btn_pri", getColor(255, 255, 255, 1)}, {"btn_sec", getColor(26, 25, 28, 1)}};
  for (const auto& c : cases) {
    TextImageButton b;
    b.resize(160, 40);
    b.setImageFromFileNormalName(c.family, c.family + "_press", c.family + "_hover", c.family + "_disable");
    b.setTextWithName(QString(6, QChar(0x2588)));  // full blocks: solid ink
    const QImage img = b.grab().toImage();
    const QRect text = b.label()->geometry();
    EXPECT_EQ(img.pixelColor(text.center()), c.text) << c.family.toStdString();
  }
}

TEST_F(Buttons, TextImageButtonColours) {
  struct Case {
    QString normal, disable;
    QColor normalText, hoverText, disabledText;
  } cases[] = {
      {"btn_pop_sec", "btn_pop_disable", getColor(26, 25, 28, 1), getColor(26, 25, 28, 1), getColor(26, 25, 28, 1)},
      {"btn_sec", "btn_sec_disable", getColor(26, 25, 28, 1), getColor(26, 25, 28, 1), getColor(128, 132, 136, 1)},
      {"btn_main", "btn_main_disable", Qt::white, Qt::white, getColor(102, 102, 102, 1)},
      {"btn_tool", "btn_tool_disable", Qt::white, getColor(255, 255, 255, 1), getColor(255, 255, 255, 1)},
      {"btn_cancel", "btn_cancel_disable", getColor(211, 211, 215, 1), getColor(211, 211, 215, 1),
       getColor(148, 148, 160, 1)},
      {"btn_pri", "btn_pri_disable", Qt::white, Qt::white, getColor(128, 132, 136, 1)},
  };
  for (const auto& c : cases) {
    TextImageButton b;
    b.resize(160, 40);
    b.setImageFromFileNormalName(c.normal, c.normal + "_press", c.normal + "_hover", c.disable);
    b.setTextWithName("T");
    EXPECT_EQ(labelColor(b), c.normalText) << c.normal.toStdString();
    EXPECT_EQ(b.textColorForState(State::Hover), c.hoverText) << c.normal.toStdString();
    EXPECT_EQ(b.textColorForState(State::Pressed), c.hoverText) << c.normal.toStdString();
    b.setButtonEnabled(false);
    EXPECT_EQ(labelColor(b), c.disabledText) << c.normal.toStdString();
  }
}

TEST_F(Buttons, CancelAndTcButtonColours) {
  CancelTextImageButton c;
  c.setImageFromFileNormalName("btn_pop_sec", "btn_pop_press", "btn_pop_hover", "btn_pop_disable");
  EXPECT_EQ(c.textColorForState(State::Normal), getColor(255, 255, 255, 1));
  EXPECT_EQ(c.textColorForState(State::Hover), getColor(39, 144, 255, 1));
  EXPECT_EQ(c.textColorForState(State::Pressed), getColor(0, 103, 217, 1));
  EXPECT_EQ(c.textColorForState(State::Disabled), getColor(225, 231, 239, 0.7));
  CancelTextImageButton missing;
  missing.setImageFromFileNormalName("btn_pop_sec", "no_such_image", "btn_pop_hover", "btn_pop_disable");
  EXPECT_EQ(missing.textColorForState(State::Pressed), QColor(Qt::white));
  EXPECT_EQ(missing.textColorForState(State::Hover), getColor(39, 144, 255, 1));
  TCImageButton t;
  EXPECT_EQ(t.textColorForState(State::Hover), QColor(Qt::white));
  EXPECT_EQ(t.textColorForState(State::Disabled), QColor(128, 128, 128)) << "the system's grey";
}

TEST_F(Buttons, TheLabelTakesItsColourWhenTheStateChanges) {
  // Nothing is drawn between the steps: each change of state colours the
  // label by itself.
  CancelTextImageButton c;
  c.resize(120, 36);
  c.setImageFromFileNormalName("btn_pop_sec", "btn_pop_press", "btn_pop_hover", "btn_pop_disable");
  c.setTextWithName("T");
  c.show();
  QSignalSpy clicks(&c, &QAbstractButton::clicked);
  struct Step { const char* what; std::function<void()> act; QColor text; } steps[] = {
      {"titled", [] {}, getColor(255, 255, 255, 1)},
      {"hovered", [&] { hover(&c, true); }, getColor(39, 144, 255, 1)},
      {"pressed", [&] { QTest::mousePress(&c, Qt::LeftButton, {}, QPoint(10, 10)); }, getColor(0, 103, 217, 1)},
      {"released", [&] { QTest::mouseRelease(&c, Qt::LeftButton, {}, QPoint(10, 10)); }, getColor(39, 144, 255, 1)},
      {"own flag off", [&] { c.setButtonEnabled(false); }, getColor(225, 231, 239, 0.7)},
      {"own flag on", [&] { c.setButtonEnabled(true); }, getColor(39, 144, 255, 1)},
      {"left", [&] { hover(&c, false); }, getColor(255, 255, 255, 1)},
      {"platform disabled", [&] { c.setEnabled(false); }, getColor(225, 231, 239, 0.7)},
      {"platform enabled", [&] { c.setEnabled(true); }, getColor(255, 255, 255, 1)},
  };
  for (const auto& step : steps) {
    step.act();
    EXPECT_EQ(labelColor(c), step.text) << step.what;
  }
  EXPECT_EQ(clicks.count(), 1);

  // A TC button's disabled title is the system's grey from the moment it is
  // disabled.
  TCImageButton t;
  t.resize(120, 36);
  t.setTextWithName("T", NSMakeRect(0, 0, 120, 36));
  EXPECT_EQ(labelColor(t), QColor(Qt::white));
  t.setButtonEnabled(false);
  EXPECT_EQ(labelColor(t), QColor(128, 128, 128));
}

TEST_F(Buttons, ATitleSetAgainKeepsOneLabel) {
  TextImageButton a;
  a.resize(120, 36);
  a.setTextWithName("one");
  a.setTextWithName("two");
  CancelTextImageButton b;
  b.resize(120, 36);
  b.setTextWithName("one");
  b.setTextWithName("two");
  TCImageButton c;
  c.resize(120, 36);
  c.setTextWithName("one", NSMakeRect(0, 0, 120, 36));
  c.setTextWithName("two", NSMakeRect(0, 0, 120, 36));
  for (QWidget* w : {static_cast<QWidget*>(&a), static_cast<QWidget*>(&b), static_cast<QWidget*>(&c)}) {
    const auto labels = w->findChildren<QLabel*>();
    ASSERT_EQ(labels.size(), 1);
    EXPECT_EQ(labels.first()->text(), "two");
  }
}

TEST_F(Buttons, LabelFramesAndFonts) {
  TextImageButton main;
  main.resize(200, 48);
  main.setImageFromFileNormalName("btn_main", "btn_main_press", "btn_main_hover", "btn_main_disable");
  main.setTextWithName("Go");
  // y-up (48 - 17) * 0.5 - 1 = 14.5 from the bottom, 20 high: top at 48 - 34.5.
  EXPECT_EQ(main.label()->height(), 20);
  EXPECT_EQ(main.label()->font().pixelSize(), 14);
  EXPECT_EQ(main.label()->font().weight(), QFont::Bold);
  TextImageButton eleven;
  eleven.resize(120, 35);
  eleven.setTextWithName("x", 11.0);
  EXPECT_EQ(eleven.label()->geometry(), QRect(0, 10, 120, 15));
  TextImageButton big;
  big.resize(120, 40);
  big.setTextWithName("x", 18.0);
  EXPECT_EQ(big.label()->geometry(), QRect(0, 12, 120, 20));
  EXPECT_EQ(big.label()->font().weight(), QFont::Bold);
}

namespace {
struct RowDelegate : QObject, SortSelectBgViewDelegate {
  QList<QPair<bool, int>> hovers;
  SortSelectBgView* selected = nullptr;
  void mouseInView(bool in, int tag) override { hovers << qMakePair(in, tag); }
  void selectSortType(SortSelectBgView* row) override { selected = row; }
};
}  // namespace

TEST_F(Buttons, SortSelectRowsReportHoverAndChoice) {
  RowDelegate d;
  SortSelectBgView row;
  row.setIdentifier("2");
  row.setDelegate(&d);
  row.resize(180, 30);
  row.show();
  EXPECT_NE(row.grab().toImage().pixelColor(90, 15), getColor(74, 158, 255, 1));
  hover(&row, true);
  EXPECT_EQ(row.grab().toImage().pixelColor(90, 15), getColor(74, 158, 255, 1));
  QTest::mouseClick(&row, Qt::LeftButton, {}, QPoint(5, 5));
  hover(&row, false);
  EXPECT_EQ(d.selected, &row);
  EXPECT_EQ(d.hovers, (QList<QPair<bool, int>>{{true, 2}, {false, 2}}));
}

TEST_F(Buttons, NewButtonHotSpotReportsOncePerFifthOfASecond) {
  struct D : QObject, NewButtonDelegate {
    int clicks = 0;
    void clickButtonAction(NewButton*) override { ++clicks; }
  } d;
  NewButton::resetHitGuardForTesting();
  NewButton cell;
  cell.delegate = &d;
  const QRectF frame(0, 0, 300, 30);
  EXPECT_EQ(cell.hitTestForEvent({40, 10}, frame), 0);
  EXPECT_EQ(cell.hitTestForEvent({5, 10}, frame), 5);
  EXPECT_EQ(cell.hitTestForEvent({6, 12}, frame), 5);
  EXPECT_EQ(d.clicks, 1);
  // Hits keep coming; the next one is reported once the guard has run out.
  QElapsedTimer since;
  since.start();
  const bool reported = QTest::qWaitFor(
      [&] {
        cell.hitTestForEvent({5, 10}, frame);
        return d.clicks == 2;
      },
      2000);
  EXPECT_TRUE(reported);
  EXPECT_GE(since.elapsed(), 150) << "not before the fifth of a second is over";
  EXPECT_EQ(d.clicks, 2);
  EXPECT_EQ(cell.imageRectForBounds(frame), QRectF(10, 4, 800, 22));
}
