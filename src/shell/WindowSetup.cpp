#include "shell/WindowSetup.h"

#include <QAbstractButton>
#include <QPalette>

#include "uikit/Style.h"
#include "uikit/TCWindowButton.h"

namespace shell {

TCImageWindow* newFixedWindow(const uikit::NSSize& size) {
  auto* window = new TCImageWindow;
  window->setWindowTitle(QStringLiteral("Quorvan Disk Clone"));
  window->setFixedSize(int(size.width), int(size.height));
  window->setContentView(new QWidget);
  return window;
}

void setWhiteGround(QWidget* widget) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Window, Qt::white);
  widget->setPalette(palette);
}

void placeTitleBar(TCImageWindow* window, double height, double leftMargin, double moveUp) {
  window->setTitleBarHeight(height);
  window->setTrafficLightButtonsLeftMargin(leftMargin);
  window->setTopButtonMoveUp(moveUp);
  window->layoutTrafficLightsAndContent();
}

void routeCloseButton(TCImageWindow* window, QObject* context, std::function<void()> close) {
  if (TCWindowButton* button = window->standardWindowButton(TCImageWindow::CloseButton)) {
    button->disconnect(window);
    QObject::connect(button, &QAbstractButton::clicked, context, std::move(close));
  }
}

QLabel* centredLabel(QWidget* parent, const QFont& font, const QColor& color, const uikit::NSRect& frame) {
  auto* label = new QLabel(parent);
  label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  label->setWordWrap(true);
  label->setFont(font);
  uikit::setTextColor(label, color);
  uikit::setFrame(label, frame);
  return label;
}

}  // namespace shell
