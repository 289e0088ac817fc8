#include "shell/MyNSApplication.h"

MyNSApplication::MyNSApplication(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName("Quorvan Disk Clone");
  setOrganizationName("QuorvanClone");
  setQuitOnLastWindowClosed(true);
}
