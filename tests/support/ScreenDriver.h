#pragma once
// Drives the real main window as a user does: offscreen, in a temporary demo
// world of its own, widgets found by object name and clicked with the mouse,
// waits on what a user would see. The app's alerts take the test's next answer
// (KVPublicUtilities::setNextAnswer); modal windows are driven with `when`.
#include "TestWorld.h"

#include <QImage>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>

class MainWindowController;
class TCImageWindow;

class ScreenDriver {
 public:
  // `prepare` runs on the new world before the main window and its screens are
  // made, for what they look at as they start (a knob, a file).
  explicit ScreenDriver(const world::CreateOptions& options = TestWorld::demo(),
                        const std::function<void(TestWorld&)>& prepare = {});
  ScreenDriver(const ScreenDriver&) = delete;
  ScreenDriver& operator=(const ScreenDriver&) = delete;
  ~ScreenDriver();

  // Drivers made after this start in `code` ("" for the default lookup), as the
  // program does when started with the code as its argument.
  static void setStartLanguage(const QString& code);

  TestWorld& world() { return *world_; }
  MainWindowController& main() { return *main_; }
  TCImageWindow* window() const;

  // Clicks the sidebar tab (0 copy … 4 disk manager) and waits until it shows.
  bool chooseTab(int tab);

  // The widget of that object name in any window, a visible one first.
  QWidget* find(const QString& objectName) const;
  template <class T>
  T* find(const QString& objectName) const {
    return qobject_cast<T*>(find(objectName));
  }
  // Every widget of that name, visible or not.
  QList<QWidget*> findAll(const QString& objectName) const;
  bool isShown(const QString& objectName) const;
  bool waitShown(const QString& objectName, int timeoutMs = 10000);
  bool waitHidden(const QString& objectName, int timeoutMs = 10000);
  // Waits until the widget is shown and enabled, then clicks its centre.
  bool click(const QString& objectName, int timeoutMs = 10000);
  static bool click(QWidget* widget, QPoint at = QPoint(-1, -1));
  // Types text into a line edit (replacing what it holds).
  bool type(const QString& objectName, const QString& text);

  // Runs `action` from the event loop once `condition` holds (checked every 20 ms,
  // also inside modal loops); gives up after `timeoutMs`.
  void when(std::function<bool()> condition, std::function<void()> action, int timeoutMs = 10000);
  // Waits until no worker runs and what the workers posted to the main thread
  // has run: a released job's late reports have then arrived, or never will.
  static bool settle(int timeoutMs = 30000);
  // Waits until no animation of a set length runs (a popover's pop or fade, a
  // bar's glide, the sidebar's slide); endless ones (a bar's stripes, a busy
  // bar) do not count.
  bool waitStill(int timeoutMs = 10000) const;
  // The top-level window (other than the main one) shown last, e.g. a modal browser.
  static QWidget* topWindow(const QString& objectName = QString());

  // `qdc-world COMMAND <this world> ARGS…`; its exit status, and its output.
  int worldCommand(const QString& command, const QStringList& args = {}, QString* output = nullptr);
  // What the product asked the workspace to open ("<kind>\t<what>" lines).
  QStringList opened() const;
  // Host path of a Mac path in this world.
  QString host(const QString& macPath) const { return world_->host(macPath); }

  // The main window as the user sees it, with the windows laid over it.
  QImage grab() const;
  bool saveShot(const QString& file) const;

 private:
  std::unique_ptr<TestWorld> world_;
  std::unique_ptr<MainWindowController> main_;
};
