#include "shell/ModalSession.h"

#include <QEventLoop>
#include <QPointer>
#include <vector>

namespace modal {

namespace {
struct Session {
  QPointer<QWidget> window;
  QEventLoop* loop;
};
std::vector<Session>& sessions() {
  static std::vector<Session> list;
  return list;
}
}  // namespace

void runModalForWindow(QWidget* window) {
  if (!window) return;
  for (const Session& s : sessions())
    if (s.window == window) return;
  QEventLoop loop;
  QObject::connect(window, &QObject::destroyed, &loop, &QEventLoop::quit);
  sessions().push_back({window, &loop});
  window->setWindowModality(Qt::ApplicationModal);
  window->show();
  window->raise();
  window->activateWindow();
  loop.exec();
  auto& list = sessions();
  for (auto it = list.begin(); it != list.end(); ++it)
    if (it->loop == &loop) {
      list.erase(it);
      break;
    }
}

void stopModal() {
  if (!sessions().empty()) sessions().back().loop->quit();
}

bool isRunningModal() { return !sessions().empty(); }

}  // namespace modal
