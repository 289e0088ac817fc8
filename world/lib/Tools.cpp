#include "world/lib/Tools.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace world {

namespace {

QString quoted(const QString& s) {
  QString q = s;
  q.replace("'", "'\\''");
  return "'" + q + "'";
}

}  // namespace

QString defaultToolsDir() {
  const QString env = QString::fromLocal8Bit(qgetenv("QDC_WORLD_TOOLS"));
  if (!env.isEmpty()) return env;
#ifdef QDC_BUILD_BIN_DIR
  return QStringLiteral(QDC_BUILD_BIN_DIR);
#else
  return QString();
#endif
}

QList<StandIn> standIns() {
  return {
      {"/usr/sbin/diskutil", "qdc-diskutil", {}},
      {"/usr/sbin/asr", "qdc-asr", {}},
      {"/usr/bin/hdiutil", "qdc-hdiutil", {}},
      {"/usr/bin/killall", "qdc-killall", {}},
      {"/usr/bin/rsync", "qdc-wrap", {"rsync"}},
      {"/usr/bin/zip", "qdc-wrap", {"zip"}},
      {"/usr/bin/unzip", "qdc-wrap", {"unzip"}},
      {"/bin/cp", "qdc-wrap", {"cp"}},
      {"/bin/mkdir", "qdc-wrap", {"mkdir"}},
      {"/bin/chmod", "qdc-wrap", {"chmod"}},
      {"/bin/rm", "qdc-wrap", {"rm"}},
      {"/bin/ls", "qdc-wrap", {"ls"}},
  };
}

bool writeStandIn(const Layout& world, const QString& scriptHostPath, const QString& programHostPath,
                  const QStringList& leading, QString* error) {
  QString args;
  for (const QString& a : leading) args += " " + quoted(a);
  const QString text = "#!/bin/sh\n"
                       "# Stand-in of the simulated Mac: runs the world program with this world's root.\n"
                       "QDC_ROOT=" + quoted(world.root()) + "; export QDC_ROOT\n"
                       "QDC_TOOL_SELF=\"$0\"; export QDC_TOOL_SELF\n"
                       "exec " + quoted(programHostPath) + args + " \"$@\"\n";
  QDir().mkpath(QFileInfo(scriptHostPath).absolutePath());
  QFile::remove(scriptHostPath);
  QFile f(scriptHostPath);
  if (!f.open(QIODevice::WriteOnly) || f.write(text.toUtf8()) < 0) {
    if (error) *error = "cannot write " + scriptHostPath;
    return false;
  }
  f.close();
  f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                   QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
  return true;
}

bool installInstallerTool(const Layout& world, const QString& appMacPath, const QString& toolsDir,
                          QString* error) {
  const QString program = toolsDir + "/qdc-createinstallmedia";
  return writeStandIn(world, world.root() + appMacPath + "/Contents/Resources/createinstallmedia", program,
                      {}, error);
}

bool installTools(const Layout& world, const QString& toolsDir, QString* error) {
  for (const StandIn& s : standIns()) {
    const QString program = toolsDir + "/" + s.program;
    if (!QFileInfo(program).isExecutable()) {
      if (error) *error = "missing world program " + program;
      return false;
    }
    if (!writeStandIn(world, world.root() + s.macPath, program, s.leading, error)) return false;
  }
  QDir apps(world.root() + "/Applications");
  for (const QString& app : apps.entryList({"Install macOS*.app", "Install OS X*.app"}, QDir::Dirs)) {
    if (!installInstallerTool(world, "/Applications/" + app, toolsDir, error)) return false;
  }
  return true;
}

}  // namespace world
