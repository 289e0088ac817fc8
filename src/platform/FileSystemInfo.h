#pragma once
// File-system facts of a path or a "/dev" node: NSWorkspace
// getFileSystemInfoForPath:… and NSFileManager fileSystemAttributesAtPath:. In a
// world they come from the disk database (a "/dev/diskNsM" node answers for its
// volume), never from the host's statfs; outside one from the host.
#include <QString>
#include <QVariantMap>
#include <optional>

namespace platform {

struct FileSystemInfo {
  bool removable = false;
  bool writable = false;
  bool unmountable = false;
  QString description;  // "Mac OS Extended (Journaled)", "Windows NT File System (NTFS)"
  QString type;         // "hfs", "apfs", "msdos", "exfat", "ntfs"
};

// false when nothing answers for the path (a missing path, a disk without a file system).
bool getFileSystemInfoForPath(const QString& macPath, FileSystemInfo* info);

// NSFileSystemSize, NSFileSystemFreeSize (qint64 bytes), NSFileSystemNodes,
// NSFileSystemFreeNodes, NSFileSystemNumber; nothing when unknown.
std::optional<QVariantMap> fileSystemAttributesAtPath(const QString& macPath);

inline constexpr const char* NSFileSystemSize = "NSFileSystemSize";
inline constexpr const char* NSFileSystemFreeSize = "NSFileSystemFreeSize";
inline constexpr const char* NSFileSystemNodes = "NSFileSystemNodes";
inline constexpr const char* NSFileSystemFreeNodes = "NSFileSystemFreeNodes";
inline constexpr const char* NSFileSystemNumber = "NSFileSystemNumber";

}  // namespace platform
