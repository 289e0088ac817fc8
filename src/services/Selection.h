#pragma once
// Which roots of a browser selection take part in a copy, a total, a count or an
// image: only the rows the user could tick. A system row (shown without a check
// box) or a hidden root stays out whatever its state says, since the user never
// chose it. Dropped items are not browser roots and never pass through here.
#include "services/FileNode.h"

bool isTickableRoot(const FileNode& root);

// The roots in state 1 or 2 that the user could tick, in order.
FileNodeList chosenBrowserRoots(const FileNodeList& roots);
