#pragma once
// Disk image files of the world: one real file holding the volume's name, file
// system, capacity and UUID and all of its files, so an image can be copied,
// moved and mounted again like a .dmg.
#include <QString>
#include <optional>

namespace world {

struct ImageHeader {
  QString volumeName;
  QString personality = "Journaled HFS+";
  QString volumeUUID;
  QString format = "UDRW";
  qint64 capacity = 0;
};

// Writes `fromHostDir`'s files (may be empty: an empty volume) into a new image
// file, atomically.
bool writeImage(const QString& imageHostPath, const ImageHeader& header, const QString& fromHostDir,
                QString* error = nullptr);
std::optional<ImageHeader> readImageHeader(const QString& imageHostPath);
// Unpacks the image's files into `toHostDir` (created).
bool extractImage(const QString& imageHostPath, const QString& toHostDir, QString* error = nullptr);

}  // namespace world
