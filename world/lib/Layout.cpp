#include "world/lib/Layout.h"

#include "platform/plist/PropertyList.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QTextStream>

namespace world {

std::optional<Layout> Layout::fromRoot(const QString& rootHostPath) {
  if (rootHostPath.isEmpty()) return std::nullopt;
  QFileInfo info(rootHostPath);
  if (!info.isDir()) return std::nullopt;
  Layout layout{QFileInfo(info.absoluteFilePath()).dir().absolutePath()};
  if (!QFileInfo(layout.state()).isDir()) return std::nullopt;
  return layout;
}

std::optional<Layout> Layout::current() {
  return fromRoot(QString::fromLocal8Bit(qgetenv("QDC_ROOT")));
}

QVariant readKnob(const Layout& world, const QString& name, const QVariant& fallback) {
  auto knobs = plist::readDictionary(world.knobsFile());
  if (!knobs || !knobs->contains(name)) return fallback;
  return knobs->value(name);
}

bool writeKnob(const Layout& world, const QString& name, const QVariant& value) {
  QLockFile lock(world.state() + "/knobs.lock");
  lock.lock();
  QVariantMap knobs = plist::readDictionary(world.knobsFile()).value_or(QVariantMap());
  if (value.isValid())
    knobs.insert(name, value);
  else
    knobs.remove(name);
  return plist::writeFile(world.knobsFile(), knobs);
}

double pace(const Layout& world) {
  bool ok = false;
  const double v = readKnob(world, knob::kPace).toDouble(&ok);
  return ok && v >= 0 ? v : kDefaultPace;
}

namespace {
// Whether a list knob names the tool alone or "tool verb".
bool knobNamesTool(const Layout& world, const char* name, const QString& tool, const QString& verb) {
  const QStringList entries = readKnob(world, name).toStringList();
  for (const QString& e : entries) {
    const QString t = e.trimmed();
    if (t == tool) return true;
    if (!verb.isEmpty() && t == tool + " " + verb) return true;
  }
  return false;
}
}  // namespace

bool toolShouldFail(const Layout& world, const QString& tool, const QString& verb) {
  return knobNamesTool(world, knob::kFailTools, tool, verb);
}

bool toolShouldHold(const Layout& world, const QString& tool, const QString& verb) {
  return knobNamesTool(world, knob::kHoldTools, tool, verb);
}

QString heldFile(const Layout& world, const QString& tool, const QString& verb) {
  return world.heldDir() + "/" + tool + " " + verb;
}

bool urlShouldFailToOpen(const Layout& world, const QString& scheme) {
  const QStringList entries = readKnob(world, knob::kFailOpenURL).toStringList();
  return entries.contains(QStringLiteral("*")) || entries.contains(scheme, Qt::CaseInsensitive);
}

bool volumeIsFull(const Layout& world, const QString& volumeName) {
  return readKnob(world, knob::kFullVolumes).toStringList().contains(volumeName);
}

bool volumeIsReadOnly(const Layout& world, const QString& volumeName) {
  return readKnob(world, knob::kReadOnlyVolumes).toStringList().contains(volumeName);
}

void recordOpened(const Layout& world, const QString& kind, const QString& what) {
  QLockFile lock(world.openedLog() + ".lock");
  lock.lock();
  QFile file(world.openedLog());
  if (!file.open(QIODevice::Append | QIODevice::Text)) return;
  QTextStream(&file) << kind << '\t' << what << '\n';
}

QStringList openedRecords(const Layout& world) {
  QFile file(world.openedLog());
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
  return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
}

}  // namespace world
