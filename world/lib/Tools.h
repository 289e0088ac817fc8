#pragma once
// The stand-in tools of a world: tiny scripts at their Mac paths that run the
// built programs with the world's root fixed, so they work in a stripped
// environment too.
#include "world/lib/Layout.h"

#include <QStringList>

namespace world {

// Folder of the built world programs (qdc-diskutil, …) of this build.
QString defaultToolsDir();

// Mac path of a tool -> the program (and leading arguments) that stands in for it.
struct StandIn {
  QString macPath;
  QString program;      // file name in the tools folder
  QStringList leading;  // arguments before the caller's
};
QList<StandIn> standIns();

// Installs every stand-in, and createinstallmedia into each installer application
// under /Applications. false when the tools folder lacks a program.
bool installTools(const Layout& world, const QString& toolsDir, QString* error = nullptr);
// Writes one stand-in script at host path `scriptHostPath`.
bool writeStandIn(const Layout& world, const QString& scriptHostPath, const QString& programHostPath,
                  const QStringList& leading, QString* error = nullptr);
// Installs createinstallmedia into one application bundle (Mac path).
bool installInstallerTool(const Layout& world, const QString& appMacPath, const QString& toolsDir,
                          QString* error = nullptr);

}  // namespace world
