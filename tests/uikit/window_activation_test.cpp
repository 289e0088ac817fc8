// The main window is the active one again after a modal window, an alert or a
// panel that took the activation goes away.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <memory>

#include "services/KVPublicUtilities.h"
#include "support/TestWorld.h"
#include "uikit/AttachedWindow.h"
#include "uikit/ModalSession.h"

using namespace uikit;

namespace {

class WindowActivation : public ::testing::Test {
 protected:
  void SetUp() override {
    main.resize(800, 600);
    main.show();
    main.activateWindow();
    ASSERT_TRUE(waitUntil([&] { return QApplication::activeWindow() == &main; }, 3000));
  }
  bool mainIsActiveAgain() {
    return waitUntil([&] { return QApplication::activeWindow() == &main; }, 3000);
  }
  QWidget main;
};

}  // namespace

TEST_F(WindowActivation, AfterAModalWindowItsSessionRan) {
  struct Case {
    const char* what;
    std::function<void(QWidget*)> end;
  } cases[] = {
      {"the window closed", [](QWidget* w) { w->close(); }},
      {"the session stopped, then the window closed",
       [](QWidget* w) {
         stopModalForWindow(w);
         w->close();
       }},
  };
  for (const Case& c : cases) {
    QWidget other;
    other.resize(300, 200);
    QObject scope;
    bool tookIt = false;
    QTimer::singleShot(0, &scope, [&] {
      other.activateWindow();
      tookIt = waitUntil([&] { return QApplication::activeWindow() == &other; }, 3000);
      c.end(&other);
    });
    QTimer::singleShot(10000, &scope, [&] { stopModalForWindow(&other, -1); });
    EXPECT_EQ(runModalForWindow(&other), 0) << c.what;
    EXPECT_TRUE(tookIt) << c.what;
    EXPECT_TRUE(mainIsActiveAgain()) << c.what;
  }
}

TEST_F(WindowActivation, AfterAnAlert) {
  std::unique_ptr<QMessageBox> alert(KVPublicUtilities::getAlertWithTitle("Title", "Text", "OK", "Cancel"));
  QMessageBox* box = alert.get();
  bool tookIt = false;
  QTimer::singleShot(0, box, [&] {
    box->activateWindow();
    tookIt = waitUntil([&] { return QApplication::activeWindow() == box; }, 3000);
    box->defaultButton()->click();
  });
  EXPECT_EQ(KVPublicUtilities::runAlert(box), 1);
  EXPECT_TRUE(tookIt);
  EXPECT_TRUE(mainIsActiveAgain());
}

TEST_F(WindowActivation, AfterAPanelTheUserTypedIn) {
  auto* view = new QWidget;
  view->resize(main.size());
  auto* field = new QLineEdit(view);
  field->setGeometry(20, 20, 200, 24);
  QPointer<StatusAttachedWindow> panel = showPanel(&main, view);
  ASSERT_NE(panel, nullptr);
  field->setFocus();
  // Another window of the program took the activation meanwhile.
  QWidget other;
  other.resize(200, 100);
  other.show();
  other.activateWindow();
  ASSERT_TRUE(waitUntil([&] { return QApplication::activeWindow() == &other; }, 3000));
  panel->dismiss();
  EXPECT_TRUE(mainIsActiveAgain());
}
