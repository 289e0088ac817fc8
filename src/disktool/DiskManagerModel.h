#pragma once
// The disk manager's decisions, without a window: size texts, the FAT32 name
// rule, the table's rows, the usage bar and the format plan.
#include <QList>
#include <QString>
#include <optional>

#include "services/VolumeObj.h"

namespace diskmanager {

// Decimal size text; the quotient is narrowed to single precision before printing.
QString byteToSizeWithByte(quint64 bytes);

// YES when a UTF-16 unit lies strictly between U+4E00 and U+9FFF.
bool containsChinese(const QString& text);

// The name a FAT32 volume takes: upper case, at most 11 UTF-16 units, "NEW"
// for a typed text holding a CJK unit.
QString fat32Name(const QString& typed);

// The name a rename applies, or nothing when the typed text is not applied
// ("" and " ").
std::optional<QString> renameName(const QString& diskType, const QString& typed);

// The table: the internal heading, the internal volumes, and only when there is
// an external volume the external heading and the external volumes.
struct Row {
  bool heading = false;
  bool external = false;  // for a heading: which one
  VolumeObjPtr volume;    // null on a heading
};

struct RowModel {
  QList<Row> rows;
  int inRowCount = 0;

  int count() const { return int(rows.size()); }
  bool isHeading(int row) const { return row == 0 || row == inRowCount + 1; }
  int height(int row) const { return isHeading(row) ? 40 : 84; }
  // The record of a volume row; null for a heading or a row beyond the list.
  VolumeObjPtr volumeAt(int row) const;
  // The row a scan's end and normalSelectCell select: 1 when it holds a volume, else 0.
  int firstSelectableRow() const { return volumeAt(1) ? 1 : 0; }
};

RowModel buildRows(const QList<VolumeObjPtr>& scanned);

// Used share in percent, as a float; 0 for a total of 0.
float usagePercent(qint64 total, qint64 free);

// The file systems of the drop-down, by row.
inline constexpr const char* kFormatPersonalities[4] = {"ExFAT", "MS-DOS FAT32", "Journaled HFS+", "APFS"};

struct FormatPlan {
  enum class Path { RenameThenReformat, Erase };
  Path path = Path::Erase;
  QString name;         // the name handed to diskutil
  QString personality;  // for Erase: the file system asked for
};

// What a format does with the panel's name and file system on a volume of `diskType`.
FormatPlan formatPlan(const QString& diskType, const QString& typedName, const QString& personality);

}  // namespace diskmanager
