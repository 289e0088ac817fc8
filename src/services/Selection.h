#pragma once
// Which roots of a browser selection take part in a copy, a total, a count or an
// image: only the rows the user could tick. A system row (shown without a check
// box) or a hidden root stays out whatever its state says, since the user never
// chose it. Dropped items are not browser roots and never pass through here.
#include <QString>
#include <QStringList>

#include "services/FileNode.h"

bool isTickableRoot(const FileNode& root);

// The roots in state 1 or 2 that the user could tick, in order.
FileNodeList chosenBrowserRoots(const FileNodeList& roots);

// The names a copy gives its chosen roots at the top of the new folder: a
// ticked root its own name, a partly ticked one the names of its ticked (or
// partly ticked) children, which land there in its place.
QStringList copyTopNames(const FileNodeList& chosen);

// The first name that two of `names` share, or empty. Names that differ only
// in case clash too: a Mac volume (and an image) is case-insensitive by default.
QString firstSharedName(const QStringList& names);
