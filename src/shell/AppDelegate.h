#pragma once
#include <QObject>
#include <QPointer>
#include <QWidget>

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

 private:
  QPointer<QWidget> window_;
};
