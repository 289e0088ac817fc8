#include <gtest/gtest.h>

#include <QApplication>
#include <QEnterEvent>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "uikit/AttachedWindow.h"
#include "uikit/DropDown.h"
#include "uikit/Layout.h"
#include "uikit/ListItems.h"

using namespace uikit;

namespace {

struct MainWindow {
  QWidget w;
  MainWindow() {
    w.resize(1140, 700);
    w.show();
  }
};

QWidget* listView() {
  auto* v = new QWidget;
  v->resize(220, 80);
  return v;
}

void pointerIn(QWidget* w) {
  QEnterEvent e(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
  QApplication::sendEvent(w, &e);
}

void pointerOut(QWidget* w) {
  QEvent e(QEvent::Leave);
  QApplication::sendEvent(w, &e);
}

// Waits for the current opening's timer to fire.
bool waitForCloseTimer(DropDown& d) {
  QSignalSpy fired(d.closeTimer(), &QTimer::timeout);
  return fired.wait(5000);
}

}  // namespace

TEST(DropDown, TheTimerOfAnEarlierOpeningLeavesALaterOneOpen) {
  MainWindow main;
  DropDown d(nullptr);
  d.setCloseDelay(50);
  RAttachedWindow* first = d.open(&main.w, listView(), kDropDownPointCopy);
  ASSERT_NE(first, nullptr);
  QSignalSpy firstFired(d.closeTimer(), &QTimer::timeout);
  pointerIn(first);
  pointerOut(first);
  EXPECT_FALSE(d.isOpen()) << "leaving closes it";

  d.setCloseDelay(60000);
  RAttachedWindow* second = d.open(&main.w, listView(), kDropDownPointCopy);
  ASSERT_NE(second, nullptr);
  ASSERT_NE(second, first);
  QTRY_COMPARE(firstFired.count(), 1);
  QApplication::processEvents();
  EXPECT_TRUE(d.isOpen());
  EXPECT_EQ(d.window(), second);
  EXPECT_TRUE(second->isVisible());
  d.close();
}

TEST(DropDown, TheTimedCloseWaitsForThePointerToLeave) {
  MainWindow main;
  DropDown d(nullptr);
  QSignalSpy closed(&d, &DropDown::closed);
  d.setCloseDelay(50);

  ASSERT_NE(d.open(&main.w, listView(), kDropDownPointCopy), nullptr);
  EXPECT_EQ(d.open(&main.w, listView(), kDropDownPointCopy), nullptr) << "one list at a time";
  ASSERT_TRUE(waitForCloseTimer(d));
  EXPECT_FALSE(d.isOpen()) << "the pointer was never inside";
  EXPECT_EQ(closed.count(), 1);

  RAttachedWindow* w = d.open(&main.w, listView(), kDropDownPointCopy);
  ASSERT_NE(w, nullptr);
  pointerIn(w);
  ASSERT_TRUE(waitForCloseTimer(d));
  EXPECT_TRUE(d.isOpen()) << "the pointer is inside";
  pointerOut(w);
  EXPECT_FALSE(d.isOpen());
  EXPECT_EQ(closed.count(), 2);

  // Closed by another path (its window went): the drop-down knows.
  w = d.open(&main.w, listView(), kDropDownPointCopy);
  ASSERT_NE(w, nullptr);
  delete w;
  EXPECT_FALSE(d.isOpen());
  EXPECT_EQ(closed.count(), 3);
  EXPECT_NE(d.open(&main.w, listView(), kDropDownPointCopy), nullptr) << "and can open again";
}

TEST(DropDown, AClickOnARowChoosesItWithoutAHoverFirst) {
  struct List : QWidget, SortSelectBgViewDelegate {
    QList<int> chosen;
    void selectSortType(SortSelectBgView* row) override { chosen << row->tag(); }
  } list;
  list.resize(220, 80);
  SortSelectBgView* rows[2];
  for (int i = 0; i < 2; ++i) {
    rows[i] = new SortSelectBgView(&list);
    rows[i]->setTag(i);
    rows[i]->setDelegate(&list);
    rows[i]->setGeometry(0, i * 40, 220, 40);
  }
  list.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
  QTest::mouseClick(rows[1], Qt::LeftButton, {}, QPoint(10, 10));
  QTest::mouseClick(rows[0], Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_EQ(list.chosen, (QList<int>{1, 0}));
}
