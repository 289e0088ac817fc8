#pragma once
// The world's own files, in one place for the platform layer and the world's
// programs. A world is a folder holding root/ (the simulated "/", named by
// QDC_ROOT) and state/ beside it; nothing of the state lies inside root/.
#include <QString>
#include <QVariant>
#include <optional>

namespace world {

struct Layout {
  QString dir;  // the world folder (absolute host path)

  QString root() const { return dir + "/root"; }
  QString state() const { return dir + "/state"; }
  QString knobsFile() const { return state() + "/knobs.plist"; }
  QString disksFile() const { return state() + "/disks.plist"; }
  QString lockFile() const { return state() + "/disks.lock"; }
  QString openedLog() const { return state() + "/opened.log"; }
  QString runningDir() const { return state() + "/running"; }
  QString powerDir() const { return state() + "/power"; }
  QString volumesStore() const { return state() + "/volumes"; }  // unmounted volumes' files
  QString flagsFile() const { return state() + "/fileflags.plist"; }
  QString flagsLockFile() const { return state() + "/fileflags.lock"; }
  QString heldDir() const { return state() + "/held"; }  // one file per tool held by holdTools

  // The world whose root/ is `rootHostPath`; nothing when it does not look like one.
  static std::optional<Layout> fromRoot(const QString& rootHostPath);
  // The world of QDC_ROOT; nothing outside a world.
  static std::optional<Layout> current();
};

// Knob names (values in state/knobs.plist). One place so tools, platform and
// tests agree on the spelling.
namespace knob {
inline constexpr const char* kConsoleUser = "consoleUser";        // text
inline constexpr const char* kAuthorization = "authorization";    // "grant" | "deny" | "cancel"
inline constexpr const char* kFullDiskAccess = "fullDiskAccess";  // bool, default true
inline constexpr const char* kCpuBrand = "cpuBrand";              // text
inline constexpr const char* kFailTools = "failTools";            // list of "tool" or "tool verb"
inline constexpr const char* kPace = "pace";                      // seconds per progress step (real)
inline constexpr const char* kFullVolumes = "fullVolumes";        // list of volume names: no free space
inline constexpr const char* kReadOnlyVolumes = "readOnlyVolumes";  // list of volume names: not writable
inline constexpr const char* kProcesses = "processes";            // list of process names killall finds
inline constexpr const char* kFailOpenURL = "failOpenURL";        // list of URL schemes that do not open
inline constexpr const char* kHoldTools = "holdTools";            // list of "tool verb": waits until dropped
}  // namespace knob

// Default of the pace knob: a fraction of a second, so tests stay quick.
inline constexpr double kDefaultPace = 0.02;
double pace(const Layout& world);
// True when the failTools knob names `tool` alone or "tool verb".
bool toolShouldFail(const Layout& world, const QString& tool, const QString& verb = QString());
// True when the holdTools knob names `tool` alone or "tool verb": the tool
// waits at its hold point, its file in heldDir() present, until the entry is
// dropped or a signal ends it. A test waits on heldFile() instead of guessing
// how long a tool runs.
bool toolShouldHold(const Layout& world, const QString& tool, const QString& verb);
QString heldFile(const Layout& world, const QString& tool, const QString& verb);
// True when the failOpenURL knob names the scheme of `url` (or "*").
bool urlShouldFailToOpen(const Layout& world, const QString& scheme);
bool volumeIsFull(const Layout& world, const QString& volumeName);
bool volumeIsReadOnly(const Layout& world, const QString& volumeName);

QVariant readKnob(const Layout& world, const QString& name, const QVariant& fallback = QVariant());
bool writeKnob(const Layout& world, const QString& name, const QVariant& value);

// Appends one line to state/opened.log ("<kind>\t<what>"), under a file lock.
void recordOpened(const Layout& world, const QString& kind, const QString& what);
QStringList openedRecords(const Layout& world);

}  // namespace world
