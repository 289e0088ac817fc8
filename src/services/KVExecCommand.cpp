#include "services/KVExecCommand.h"

#include "platform/Paths.h"
#include "platform/Shell.h"
#include "platform/plist/PropertyList.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <atomic>
#include <sys/stat.h>

namespace {

std::atomic<quint64> g_counter{0};
std::function<QString()> g_uniquePartForTesting;

QString uniquePart() {
  if (g_uniquePartForTesting) return g_uniquePartForTesting();
  return QString("%1-%2").arg(++g_counter).arg(QRandomGenerator::global()->generate(), 8, 16, QChar('0'));
}

QString uniqueOutputPath(const QString& outputFileName) {
  const QFileInfo name(outputFileName.isEmpty() ? QStringLiteral("KVTemp.plist") : outputFileName);
  // Only the file name: a caller's name never points outside the temporary folder.
  const QString stem = name.completeBaseName().isEmpty() ? QStringLiteral("KVTemp") : name.completeBaseName();
  const QString ext = name.suffix().isEmpty() ? QString() : "." + name.suffix();
  return QString("%1/%2-%3%4").arg(platform::temporaryDirectory(), stem, uniquePart(), ext);
}

}  // namespace

void KVExecCommandSetUniquePartForTesting(std::function<QString()> part) { g_uniquePartForTesting = std::move(part); }

QString KVExecCommand(const QString& line, const QString& outputFileName, int* exitStatus) {
  if (line.isEmpty()) return QString();
  const QString out = uniqueOutputPath(outputFileName);
  QFile::remove(out);  // output of an earlier call never survives into this one
  const int status = platform::runShell(line, out);
  if (exitStatus) *exitStatus = status;
  return out;
}

std::optional<QByteArray> KVExecCommandOutput(const QString& line, const QString& outputFileName,
                                              int* exitStatus) {
  const QString path = KVExecCommand(line, outputFileName, exitStatus);
  if (path.isEmpty()) return std::nullopt;
  QFile file(path);
  std::optional<QByteArray> data;
  if (file.open(QIODevice::ReadOnly)) data = file.readAll();
  file.close();
  QFile::remove(path);
  return data;
}

std::optional<QVariantMap> KVExecCommandDictionary(const QString& line, const QString& outputFileName,
                                                   int* exitStatus) {
  auto data = KVExecCommandOutput(line, outputFileName, exitStatus);
  if (!data) return std::nullopt;
  return plist::dictionaryFromData(*data);
}

bool KVCheckFolderExist(const QString& macPath) {
  if (macPath.isEmpty()) return false;
  return QFileInfo(platform::hostPath(macPath)).isDir();
}
