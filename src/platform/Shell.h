#pragma once
// Shell lines. Every value that goes into a line passes through shellQuote, so a
// name holding quotes, $(…), backticks, backslashes or newlines reaches the tool
// as one literal argument.
#include <QString>
#include <QStringList>

namespace platform {

// POSIX single-quote form: 'it'\''s'. The empty text becomes ''.
QString shellQuote(const QString& value);

// A line that runs `macTool` (resolved through toolPath) with `args`, each quoted.
QString shellLine(const QString& macTool, const QStringList& args);

// Runs `line` with /bin/sh -c in toolEnvironment(); standard output goes to
// `stdoutHostPath` when given (created 0600, never through a symbolic link),
// standard error stays the program's. Returns the shell's exit status, or -1
// when the shell could not be started or ended by a signal.
int runShell(const QString& line, const QString& stdoutHostPath = QString());

}  // namespace platform
