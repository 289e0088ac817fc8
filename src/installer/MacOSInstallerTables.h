#pragma once
// The known installer applications and, per version, the texts createinstallmedia
// prints on its way with the percentages they stand for.
#include <QHash>
#include <QList>

#include "installer/MacOSInstallerRecords.h"

using MacOSStepTable = QList<MacOSCreateProaressPtr>;
// "macOS <strOSName>" -> step table.
using MacOSStepTables = QHash<QString, MacOSStepTable>;

// The nine known installers, newest first with Tahoe last; new objects each call.
QList<MacOSInstallerAppInfoPtr> MacOSKnownInstallers();
MacOSStepTables MacOSBuildStepTables();
