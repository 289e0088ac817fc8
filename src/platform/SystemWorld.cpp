#include "platform/SystemWorld.h"

#include "platform/Paths.h"

namespace platform {

std::optional<world::Layout> systemWorld() { return world::Layout::fromRoot(systemRoot()); }

std::optional<world::DiskDatabase> systemWorldDisks() {
  auto layout = systemWorld();
  if (!layout) return std::nullopt;
  world::DiskDatabase db(*layout);
  if (!db.load()) return std::nullopt;
  return db;
}

}  // namespace platform
