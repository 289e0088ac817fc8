#include "platform/Paths.h"

#include <QDir>
#include <QFileInfo>
#include <mutex>

#include <cstdlib>
#include <unistd.h>

namespace platform {
namespace {

std::mutex g_mutex;
bool g_rootKnown = false;
QString g_root;
QString g_temp;

QString computeRoot() {
  const QString env = QString::fromLocal8Bit(qgetenv("QDC_ROOT"));
  if (env.isEmpty() || env == "/") return QString();
  QString abs = QDir(env).absolutePath();
  while (abs.size() > 1 && abs.endsWith('/')) abs.chop(1);
  return abs;
}

void removeTemp() {
  if (!g_temp.isEmpty()) QDir(g_temp).removeRecursively();
}

}  // namespace

QString systemRoot() {
  std::lock_guard lock(g_mutex);
  if (!g_rootKnown) {
    g_root = computeRoot();
    g_rootKnown = true;
  }
  return g_root;
}

bool inWorld() { return !systemRoot().isEmpty(); }

QString hostPath(const QString& macPath) {
  const QString root = systemRoot();
  if (root.isEmpty() || !macPath.startsWith('/')) return macPath;
  if (macPath == "/") return root;
  return root + macPath;
}

QString macPathFromHost(const QString& host) {
  const QString root = systemRoot();
  const QString abs = QFileInfo(host).absoluteFilePath();
  if (root.isEmpty()) return abs;
  if (abs == root) return "/";
  if (abs.startsWith(root + '/')) return abs.mid(root.size());
  return QString();
}

QString toolPath(const QString& macToolPath) {
  if (macToolPath == "/bin/sh" || macToolPath == "/bin/bash") return macToolPath;
  return hostPath(macToolPath);
}

QProcessEnvironment toolEnvironment() {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  const QString root = systemRoot();
  if (!root.isEmpty()) {
    // Only the world's tools: a tool it lacks is not found, never the host's.
    env.insert("PATH", QStringList{root + "/usr/bin", root + "/bin", root + "/usr/sbin",
                                   root + "/sbin"}.join(':'));
    env.insert("QDC_ROOT", root);
  }
  return env;
}

QString temporaryDirectory() {
  std::lock_guard lock(g_mutex);
  if (g_temp.isEmpty() || !QFileInfo(g_temp).isDir()) {
    QByteArray pattern = QFile::encodeName(QDir::tempPath() + "/qdc-XXXXXX");
    if (::mkdtemp(pattern.data())) {
      const bool first = g_temp.isEmpty();
      g_temp = QFile::decodeName(pattern);
      if (first) std::atexit(removeTemp);
    } else {
      g_temp = QDir::tempPath();
    }
  }
  return g_temp;
}

void resetPathsForTesting() {
  std::lock_guard lock(g_mutex);
  g_rootKnown = false;
  g_root.clear();
}

}  // namespace platform
