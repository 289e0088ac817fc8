#include "platform/SystemLog.h"

#include <QString>
#include <cstdarg>

Q_LOGGING_CATEGORY(qdcSystemLog, "qdc.system", QtInfoMsg)

void SystemLog(const char* format, ...) {
  if (!format || !qdcSystemLog().isInfoEnabled()) return;
  va_list args;
  va_start(args, format);
  const QString text = QString::vasprintf(format, args);
  va_end(args);
  qCInfo(qdcSystemLog).noquote() << text;
}
