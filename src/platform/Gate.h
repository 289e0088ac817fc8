#pragma once
// Named points in worker code where a test can hold a worker, so a cancel or an
// unplug lands at a known moment on small data. Nothing waits unless a test armed
// the gate; an unarmed point costs one atomic load.
#include <QString>

namespace platform {

// Called by product code at a named seam (on a worker; never on the main thread).
void gatePoint(const char* name);

namespace gates {
// The next worker that reaches `name` waits there until `release`.
void arm(const QString& name);
// Processes events while waiting; true once a worker waits at `name`.
bool waitReached(const QString& name, int timeoutMs = 10000);
void release(const QString& name);
// Releases every held worker and disarms every gate.
void releaseAll();
}  // namespace gates

}  // namespace platform
