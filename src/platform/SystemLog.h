#pragma once
// The system log (NSLog), the one channel for it in every layer: one line per
// call on the "qdc.system" logging category, so a run can silence it with
// QT_LOGGING_RULES="qdc.system=false".
// Distinct from KVLog, which writes the program's own log file in /tmp.
#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(qdcSystemLog)

void SystemLog(const char* format, ...) Q_ATTRIBUTE_FORMAT_PRINTF(1, 2);
