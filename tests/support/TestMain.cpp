// main of every test binary: a QApplication (offscreen), then GoogleTest.
#include <QApplication>
#include <QDeadlineTimer>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <gtest/gtest.h>

namespace {
// An alert that no test answers would hold its modal loop until ctest's time-out;
// one still up after this long fails the running test and is dismissed.
constexpr int kUnansweredAlertMs = 30000;

void watchForUnansweredAlerts(QApplication& app) {
  static QPointer<QMessageBox> seen;
  static QDeadlineTimer since;
  auto* timer = new QTimer(&app);
  timer->setInterval(500);
  QObject::connect(timer, &QTimer::timeout, [] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box != seen.data()) {
      seen = box;
      since = QDeadlineTimer(kUnansweredAlertMs);
      return;
    }
    if (!box || !since.hasExpired()) return;
    ADD_FAILURE() << "an alert nobody answered: " << box->text().toStdString() << " / "
                  << box->informativeText().toStdString();
    seen = nullptr;
    box->reject();
  });
  timer->start();
}
}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  watchForUnansweredAlerts(app);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
