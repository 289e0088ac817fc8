#pragma once
// What every drop-down list of the screens does under the pointer, checked on
// a real screen: empty when it held, else what went wrong.
#include "ScreenDriver.h"

#include <QCoreApplication>
#include <QEnterEvent>
#include <QTest>
#include <string>

// `opener` shows the list `list`; the pointer goes into the list, and the
// opener is clicked again without a pointer move: the same one list still
// shows. Then a press and release on the row `row`, with no hover before it:
// the list closes (the screen has the choice).
inline std::string opensOnceAndChoosesWithoutHover(ScreenDriver& d, const QString& opener, const QString& list,
                                                   const QString& row) {
  if (!d.click(opener) || !d.waitShown(list)) return "the list did not show";
  QWidget* first = d.find(list);
  QEnterEvent in(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
  QCoreApplication::sendEvent(first, &in);
  QTest::mouseClick(d.find(opener), Qt::LeftButton);
  QCoreApplication::processEvents();
  int shown = 0;
  for (QWidget* w : d.findAll(list)) shown += w->isVisible();
  if (shown != 1) return std::to_string(shown) + " lists show after a second click";
  if (d.find(list) != first) return "another list took the first one's place";
  QWidget* target = first->findChild<QWidget*>(row);
  if (!target) return "no row " + row.toStdString();
  QTest::mouseClick(target, Qt::LeftButton, {}, QPoint(20, 10));
  if (!d.waitHidden(list)) return "the list stays after a press on a row";
  return {};
}
