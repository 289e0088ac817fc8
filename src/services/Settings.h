#pragma once
// The two settings files: "PrivateData.plist" inside the application bundle and
// the per-user copy under the console user's Application Support folder.
#include <QString>
#include <QVariantMap>
#include <optional>

QString GetCompanyName();
QString QVGetCurrentUserName();
// Mac path of the per-user settings file.
QString QVGetInfoPlistPath();
// Installs or refreshes the per-user settings file.
void QVCopyInfoPlistPath();
// The per-user settings file, read and rewritten atomically through folder
// descriptors that never follow a symbolic link: we run as root and the user
// owns (and may replace) every folder on the way. Nothing / false when the file
// is missing or unreadable; a write never creates it.
std::optional<QVariantMap> readUserSettings();
bool writeUserSettings(const QVariantMap& settings);

// Host path of the bundle's settings file and its contents (empty when unreadable).
QString bundleSettingsPath();
QVariantMap bundleSettings();
bool writeBundleSettingsValue(const QString& key, const QVariant& value);

// For tests: forget the cached console user.
void resetSettingsForTesting();
