#pragma once
// Launch Services: the application bundles that carry a bundle identifier
// (NSWorkspace URLsForApplicationsWithBundleIdentifier: and
// URLForApplicationWithBundleIdentifier:). The search covers the places Launch
// Services knows on a Mac: /Applications, /System/Applications, the users'
// Applications, Desktop, Downloads and Trash, mounted volumes and
// /private/var/folders. Answers are Mac paths of the .app folders.
#include <QString>
#include <QStringList>

namespace platform {

// Every copy, /Applications first; empty when none.
QStringList URLsForApplicationsWithBundleIdentifier(const QString& bundleIdentifier);
// The preferred copy, or "" when there is none.
QString URLForApplicationWithBundleIdentifier(const QString& bundleIdentifier);

}  // namespace platform
