#pragma once
#include <QString>
#include <QStringList>

namespace world {

struct CreateOptions {
  bool demo = false;
  QString consoleUser = "alex";
  QString productVersion = "13.4";
  QStringList preferredLanguages = {"en-US"};
  QString cpuBrand = "Intel(R) Core(TM) i7-9750H CPU @ 2.60GHz";
  // Host folder holding the built stand-in programs (qdc-diskutil, …) that are
  // installed into the world; empty: this build's own (world::defaultToolsDir()).
  QString toolsDir;
  bool installTools = true;
};

// Makes an empty Mac (or the demo world) in `worldDir`: root/ and state/.
// The empty Mac has the internal SSD with its APFS container: "Macintosh HD" at
// "/", its Data, Preboot, Recovery and VM volumes. The demo world adds an
// internal "Data" disk, the USB stick "USB Stick", the read-only NTFS disk
// "Windows Backup", the SD card "SD CARD", two installer applications, a disk
// image and sample files (see docs/world.md).
bool createWorld(const QString& worldDir, const CreateOptions& options, QString* error = nullptr);

// The demo's sample content, also usable on any folder (host path).
void writeSampleTree(const QString& hostDir, const QString& flavour);

}  // namespace world
