#pragma once
#include <QString>
#include <cstdint>

namespace platform {

// IOPMAssertionCreateWithName / IOPMAssertionRelease. In a world the assertion is
// recorded in the world's state while it is held; outside one it is held by a
// systemd-inhibit child when that exists. false when it cannot be taken.
bool IOPMAssertionCreateWithName(const QString& type, int level, const QString& name,
                                 uint32_t* assertionID);
void IOPMAssertionRelease(uint32_t assertionID);

}  // namespace platform
