#pragma once
// Privacy protection (Full Disk Access): the folders a process without Full
// Disk Access may see but not list or read, such as ~/Library/Safari and
// ~/Library/Mail of every user (root's too). In a world the knob
// "fullDiskAccess" decides (granted unless set false); outside one access is granted.
#include <QString>
#include <QStringList>
#include <optional>

namespace platform {

bool fullDiskAccessGranted();
// True when `macPath` lies in a protected folder (whatever the grant).
bool isPrivacyProtected(const QString& macPath);
// NSFileManager contentsOfDirectoryAtPath:error: with the protection applied:
// nothing when the folder is missing, not a folder, or refused ("Operation not
// permitted" in `error`).
std::optional<QStringList> contentsOfDirectoryAtPath(const QString& macPath, QString* error = nullptr);
// fileExistsAtPath: (not protected on a Mac either).
bool fileExistsAtPath(const QString& macPath);

}  // namespace platform
