#pragma once
// The simulated Mac this process runs in, as the platform's stand-ins read it.
#include <optional>

#include "world/lib/Disks.h"
#include "world/lib/Layout.h"

namespace platform {

// The world at systemRoot(); none outside a world.
std::optional<world::Layout> systemWorld();

// That world's disk database, read; none outside a world or when it cannot be read.
std::optional<world::DiskDatabase> systemWorldDisks();

}  // namespace platform
