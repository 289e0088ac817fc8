#pragma once
// Running the world's tools from a test the way the product runs them.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <optional>

struct ToolRun {
  int status = -1;
  QByteArray out;
  QByteArray err;
};

// Runs a Mac tool with an argument list (as NSTask/prepareProcess does).
ToolRun runTool(const QString& macTool, const QStringList& args, const QByteArray& input = QByteArray(),
                int timeoutMs = 60000);
// Runs a shell line with the world's environment (as the command runner does).
ToolRun runLine(const QString& line, int timeoutMs = 60000);
// The dictionary a shell line prints, read back through the command runner.
std::optional<QVariantMap> dictionaryOf(const QString& line);
// `diskutil info -plist TARGET` through the command runner.
std::optional<QVariantMap> diskInfo(const QString& target);
