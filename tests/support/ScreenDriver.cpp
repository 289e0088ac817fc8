#include "ScreenDriver.h"

#include "platform/Gate.h"
#include "platform/Queue.h"
#include "services/KVPublicUtilities.h"
#include "shell/MainWindowController.h"
#include "shell/Startup.h"
#include "uikit/TCImageWindow.h"
#include "world/lib/Layout.h"
#include "world/lib/Tools.h"

#include <QAbstractAnimation>
#include <QApplication>
#include <QDeadlineTimer>
#include <QLineEdit>
#include <QPainter>
#include <QProcess>
#include <QTest>
#include <QTimer>

namespace {
QString& startLanguage() {
  static QString code;
  return code;
}
}  // namespace

void ScreenDriver::setStartLanguage(const QString& code) { startLanguage() = code; }

ScreenDriver::ScreenDriver(const world::CreateOptions& options, const std::function<void(TestWorld&)>& prepare)
    : world_(std::make_unique<TestWorld>(options)) {
  if (!startLanguage().isEmpty()) setCurLanguage(startLanguage().toLatin1().constData());
  if (prepare && world_->ok()) prepare(*world_);
  KVPublicUtilities::clearAnsweredAlerts();
  main_ = std::make_unique<MainWindowController>();
  TCImageWindow* w = main_->window();
  w->show();
  // The screens start loading after the window's first paint.
  waitUntil([this] { return main_->screensLoading(); }, 5000);
}

ScreenDriver::~ScreenDriver() {
  platform::gates::releaseAll();
  KVPublicUtilities::clearAnsweredAlerts();
  // Windows laid over the main one (callouts, panels, popovers) go with it.
  for (QWidget* top : QApplication::topLevelWidgets())
    if (top->isVisible()) top->close();
  main_.reset();
  QApplication::processEvents();
}

TCImageWindow* ScreenDriver::window() const { return main_->window(); }

bool ScreenDriver::chooseTab(int tab) {
  LeftButton* button = main_->tabButton(tab);
  if (!button || !click(static_cast<QWidget*>(button))) return false;
  return waitUntil([this, tab] { return main_->selectedTab() == tab && !main_->isAnimating(); }, 5000);
}

QList<QWidget*> ScreenDriver::findAll(const QString& objectName) const {
  QList<QWidget*> found;
  for (QWidget* top : QApplication::topLevelWidgets()) {
    if (top->objectName() == objectName) found.append(top);
    found += top->findChildren<QWidget*>(objectName);
  }
  return found;
}

QWidget* ScreenDriver::find(const QString& objectName) const {
  const QList<QWidget*> all = findAll(objectName);
  for (QWidget* w : all)
    if (w->isVisible()) return w;
  return all.isEmpty() ? nullptr : all.first();
}

bool ScreenDriver::isShown(const QString& objectName) const {
  for (QWidget* w : findAll(objectName))
    if (w->isVisible()) return true;
  return false;
}

bool ScreenDriver::waitShown(const QString& objectName, int timeoutMs) {
  return waitUntil([&] { return isShown(objectName); }, timeoutMs);
}

bool ScreenDriver::waitHidden(const QString& objectName, int timeoutMs) {
  return waitUntil([&] { return !isShown(objectName); }, timeoutMs);
}

bool ScreenDriver::click(const QString& objectName, int timeoutMs) {
  QWidget* target = nullptr;
  const bool ready = waitUntil(
      [&] {
        target = nullptr;
        for (QWidget* w : findAll(objectName))
          if (w->isVisible() && w->isEnabled()) target = w;
        return target != nullptr;
      },
      timeoutMs);
  return ready && click(target);
}

bool ScreenDriver::click(QWidget* widget, QPoint at) {
  if (!widget || !widget->isVisible()) return false;
  const QPoint point = at.x() < 0 ? widget->rect().center() : at;
  QPointer<QWidget> guard(widget);
  QTest::mouseMove(widget, point);
  if (!guard) return true;
  QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, point);
  return true;
}

bool ScreenDriver::type(const QString& objectName, const QString& text) {
  auto* edit = qobject_cast<QLineEdit*>(find(objectName));
  if (!edit) return false;
  edit->setFocus();
  edit->selectAll();
  edit->del();
  QTest::keyClicks(edit, text);
  return true;
}

bool ScreenDriver::settle(int timeoutMs) {
  if (!waitUntil([] { return platform::globalQueueIdle(); }, timeoutMs)) return false;
  // The main queue keeps its order: this runs after what the workers posted.
  auto ran = std::make_shared<bool>(false);
  platform::dispatchMain([ran] { *ran = true; });
  return waitUntil([ran] { return *ran; }, timeoutMs);
}

void ScreenDriver::when(std::function<bool()> condition, std::function<void()> action, int timeoutMs) {
  auto* timer = new QTimer;
  auto deadline = std::make_shared<QDeadlineTimer>(timeoutMs);
  timer->setInterval(20);
  QObject::connect(timer, &QTimer::timeout, timer, [timer, condition, action, deadline] {
    if (condition()) {
      timer->stop();
      timer->deleteLater();
      action();
    } else if (deadline->hasExpired()) {
      timer->stop();
      timer->deleteLater();
    }
  });
  timer->start();
}

bool ScreenDriver::waitStill(int timeoutMs) const {
  const auto moving = [](const QObject* holder) {
    for (const QAbstractAnimation* a : holder->findChildren<QAbstractAnimation*>())
      if (a->state() == QAbstractAnimation::Running && a->totalDuration() >= 0) return true;
    return false;
  };
  return waitUntil(
      [&] {
        if (moving(main_.get())) return false;
        for (const QWidget* top : QApplication::topLevelWidgets())
          if (top->isVisible() && moving(top)) return false;
        return true;
      },
      timeoutMs);
}

QWidget* ScreenDriver::topWindow(const QString& objectName) {
  if (QWidget* modal = QApplication::activeModalWidget())
    if (objectName.isEmpty() || modal->objectName() == objectName) return modal;
  for (QWidget* top : QApplication::topLevelWidgets())
    if (top->isVisible() && (objectName.isEmpty() ? top->isModal() : top->objectName() == objectName))
      return top;
  return nullptr;
}

int ScreenDriver::worldCommand(const QString& command, const QStringList& args, QString* output) {
  QProcess p;
  p.setProcessChannelMode(QProcess::MergedChannels);
  p.start(world::defaultToolsDir() + "/qdc-world", QStringList{command, world_->dir()} + args);
  if (!p.waitForFinished(60000)) {
    p.kill();
    p.waitForFinished();
    return -1;
  }
  if (output) *output = QString::fromUtf8(p.readAll());
  return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

QStringList ScreenDriver::opened() const { return world::openedRecords(world_->layout()); }

QImage ScreenDriver::grab() const {
  QWidget* mainWidget = main_->window();
  QImage image = mainWidget->grab().toImage();
  QPainter painter(&image);
  const QPoint origin = mainWidget->mapToGlobal(QPoint(0, 0));
  for (QWidget* top : QApplication::topLevelWidgets()) {
    if (top == mainWidget || !top->isVisible() || top->windowType() == Qt::Desktop) continue;
    const QPoint at = top->mapToGlobal(QPoint(0, 0)) - origin;
    painter.drawPixmap(at, top->grab());
  }
  painter.end();
  return image;
}

bool ScreenDriver::saveShot(const QString& file) const { return grab().save(file); }
