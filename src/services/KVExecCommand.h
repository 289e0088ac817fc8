#pragma once
// The command runner: one shell line with its standard output captured in a
// file of the process's temporary folder, read back by the caller (most often
// as a property list). Values put into the line must come through
// platform::shellQuote / platform::shellLine.
#include <QByteArray>
#include <QString>
#include <QVariantMap>
#include <functional>
#include <optional>

// Runs `line` and returns the host path of the file holding its standard output,
// or a null text when no line is given. Each call gets a file of its own whose
// name starts with `outputFileName`'s stem, so concurrent callers never read or
// delete each other's output. The shell's exit status goes to `exitStatus`
// (-1 when the shell could not run). The caller removes the file.
QString KVExecCommand(const QString& line, const QString& outputFileName = QStringLiteral("KVTemp.plist"),
                      int* exitStatus = nullptr);

// Runs `line`, reads its output as a property-list dictionary and deletes the
// per-call file. Nothing when no line is given or the output is not a dictionary.
std::optional<QVariantMap> KVExecCommandDictionary(const QString& line, const QString& outputFileName,
                                                   int* exitStatus = nullptr);

// The same for tools that print plain text ("diskutil mountDisk").
std::optional<QByteArray> KVExecCommandOutput(const QString& line, const QString& outputFileName,
                                              int* exitStatus = nullptr);

// The per-call part of the output file's name ("<stem>-<part>.<ext>"); a test
// fixes it to plant a file where the next call writes. Empty: the real one.
void KVExecCommandSetUniquePartForTesting(std::function<QString()> part);

// YES only when something exists at the Mac path `macPath` and it is a folder.
bool KVCheckFolderExist(const QString& macPath);
