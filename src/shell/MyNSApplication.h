#pragma once
#include <QApplication>

// The application object.
class MyNSApplication : public QApplication {
  Q_OBJECT
 public:
  MyNSApplication(int& argc, char** argv);
};
