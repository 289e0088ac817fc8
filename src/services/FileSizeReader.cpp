#include "services/FileSizeReader.h"

#include <fcntl.h>
#include <sys/stat.h>

#include "platform/Paths.h"

quint64 FileSizeReader::getOneFileSizeWithPath(const QString& path) {
  struct stat st;
  if (::stat(platform::hostPath(path).toUtf8().constData(), &st) != 0) return 0;
  return S_ISREG(st.st_mode) ? static_cast<quint64>(st.st_size) : 0;
}

quint64 FileSizeReader::sizeOfEntry(int folderFd, const char* name, const QString&) {
  struct stat st;
  if (::fstatat(folderFd, name, &st, 0) != 0) return 0;
  return S_ISREG(st.st_mode) ? static_cast<quint64>(st.st_size) : 0;
}
