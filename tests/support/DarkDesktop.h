#pragma once
// A dark theme on the application, as a dark desktop hands it over, for the
// life of the object; and what a light look is, read from a palette.
#include <QApplication>
#include <QPalette>
#include <QString>

struct DarkDesktop {
  QPalette saved = QApplication::palette();
  DarkDesktop() {
    QPalette dark;
    for (auto role : {QPalette::Window, QPalette::Button, QPalette::Base, QPalette::AlternateBase})
      dark.setColor(role, QColor(40, 40, 40));
    for (auto role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
      dark.setColor(role, QColor(230, 230, 230));
    QApplication::setPalette(dark);
  }
  ~DarkDesktop() { QApplication::setPalette(saved); }
  DarkDesktop(const DarkDesktop&) = delete;
  DarkDesktop& operator=(const DarkDesktop&) = delete;
};

// Empty when `p` is a light look (light window and base, dark text); else
// which role is not.
inline QString notLight(const QPalette& p) {
  QString wrong;
  for (auto role : {QPalette::Window, QPalette::Base})
    if (p.color(QPalette::Active, role).lightnessF() < 0.85) wrong += QStringLiteral("background %1; ").arg(int(role));
  for (auto role : {QPalette::WindowText, QPalette::Text})
    if (p.color(QPalette::Active, role).lightnessF() > 0.3) wrong += QStringLiteral("text %1; ").arg(int(role));
  return wrong;
}
