#pragma once
// A dark theme on the application, as a dark desktop hands it over, for the
// life of the object; and what a light look is, read from a palette.
#include <QApplication>
#include <QPalette>
#include <QString>
#include <string>

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
inline std::string notLight(const QPalette& p) {
  std::string wrong;
  for (auto role : {QPalette::Window, QPalette::Base})
    if (p.color(QPalette::Active, role).lightnessF() < 0.85) wrong += "background role " + std::to_string(int(role)) + "; ";
  for (auto role : {QPalette::WindowText, QPalette::Text})
    if (p.color(QPalette::Active, role).lightnessF() > 0.3) wrong += "text role " + std::to_string(int(role)) + "; ";
  return wrong;
}
