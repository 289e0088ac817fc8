#pragma once
// The two settings files: "PrivateData.plist" inside the application bundle and
// the per-user copy under the console user's Application Support folder.
#include <QString>
#include <QVariantMap>

QString GetCompanyName();
QString QVGetCurrentUserName();
// Mac path of the per-user settings file.
QString QVGetInfoPlistPath();
// Installs or refreshes the per-user settings file.
void QVCopyInfoPlistPath();

// Host path of the bundle's settings file and its contents (empty when unreadable).
QString bundleSettingsPath();
QVariantMap bundleSettings();
bool writeBundleSettingsValue(const QString& key, const QVariant& value);

// For tests: forget the cached console user.
void resetSettingsForTesting();
