#pragma once
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <memory>

#include "shell/MainMenu.h"

class AppDelegate : public QObject {
  Q_OBJECT
 public:
  // Records the five interface fonts in the per-user settings file.
  void awakeFromNib();
  // Brings every other running instance of `bundleIdentifier` to the front;
  // YES when there was one.
  bool checkAppDuplicateAndBringToFrontWithBundle(const QString& bundleIdentifier);
  void applicationDidFinishLaunching();

  QWidget* mainWindow() const { return window_; }
  // The menu bar with its outlets and actions (language, About, update, links).
  MainMenu* menu() const { return menu_.get(); }
  void setLangauageState() { menu_->setLangauageState(); }

 private:
  QPointer<QWidget> window_;
  std::unique_ptr<MainMenu> menu_;
};
