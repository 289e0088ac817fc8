#pragma once
#include <QString>

class SystemFolder {
 public:
  // YES when `path` equals (exactly, no prefix match) one of the paths of the
  // bundle resource "SystemFile.plist" (keys "0", "1", … up to count − 1).
  static bool isSystemFileWithFilePath(const QString& path);
};
