#pragma once
// The file-size reader: a file's data size in bytes. Resource forks and
// extended attributes are not counted; a path that cannot be read counts 0.
#include <QString>
#include <cstdint>

class FileSizeReader {
 public:
  virtual ~FileSizeReader() = default;
  // Mac path; follows a symbolic link to what it names.
  virtual quint64 getOneFileSizeWithPath(const QString& path);
  // The same for the entry `name` of an open folder (host file descriptor), so a
  // scanner need not resolve the whole path again. `path` is its Mac path.
  virtual quint64 sizeOfEntry(int folderFd, const char* name, const QString& path);
};
