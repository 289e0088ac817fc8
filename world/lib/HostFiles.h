#pragma once
// Host folders and links as the world's tools walk them.
#include <QByteArray>
#include <QList>
#include <optional>

namespace world {

// The names in a host folder, "." and ".." left out, in byte order; none when
// the folder cannot be read.
std::optional<QList<QByteArray>> sortedEntryNames(const QByteArray& dir);

// Where a symbolic link points; none when it cannot be read.
std::optional<QByteArray> linkTarget(const QByteArray& path);

}  // namespace world
