#pragma once
// The About window: product name, version, introduction, rights notice and a
// link to the About web page. Run modally from the application menu.
#include <QLabel>
#include <QObject>
#include <QPushButton>
#include <QWidget>

#include "uikit/TCImageWindow.h"

// The pale rounded background behind the version line.
class AboutVersionBgView : public QWidget {
  Q_OBJECT
 public:
  explicit AboutVersionBgView(QWidget* parent = nullptr) : QWidget(parent) {}

 protected:
  void paintEvent(QPaintEvent*) override;
};

class TCPreferenceWindowController : public QObject {
  Q_OBJECT
 public:
  explicit TCPreferenceWindowController(QObject* parent = nullptr);
  ~TCPreferenceWindowController() override;

  TCImageWindow* window();
  void changeLanageue();
  void linkButtonAction();
  void closeWindow();
  // The address the link opens: "AboutURL" with the language segment put in.
  static QString aboutAddress();

  QLabel* nameLabel() const { return name; }
  QLabel* versionLabel() const { return verson; }
  QLabel* introductionLabel() const { return Introduction; }
  QLabel* copyrightLabel() const { return copyright; }
  QPushButton* link() const { return linkButton; }

 private:
  void windowDidLoad();

  QLabel* name = nullptr;
  QLabel* verson = nullptr;
  QLabel* Introduction = nullptr;
  QLabel* copyright = nullptr;
  QPushButton* linkButton = nullptr;
  TCImageWindow* aWindow = nullptr;
  QWidget* titleBarView = nullptr;
};
