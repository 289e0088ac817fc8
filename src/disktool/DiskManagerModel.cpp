#include "disktool/DiskManagerModel.h"

namespace diskmanager {

QString byteToSizeWithByte(quint64 bytes) {
  const double n = double(bytes);
  if (bytes <= 999) return QString::asprintf("%.0f byte", double(float(n)));
  if (bytes <= 999999ull) return QString::asprintf("%.2f KB", double(float(n / 1000)));
  if (bytes <= 999999999ull) return QString::asprintf("%.2f MB", double(float(n / 1000000)));
  if (bytes <= 999999999999ull) return QString::asprintf("%.2f GB", double(float(n / 1e9)));
  return QString::asprintf("%.2f TB", double(float(n / 1e12)));
}

bool containsChinese(const QString& text) {
  for (QChar c : text)
    if (c.unicode() > 0x4E00 && c.unicode() < 0x9FFF) return true;
  return false;
}

QString fat32Name(const QString& typed) {
  if (containsChinese(typed)) return QStringLiteral("NEW");
  return typed.toUpper().left(11);
}

std::optional<QString> renameName(const QString& diskType, const QString& typed) {
  if (typed.isEmpty() || typed == QLatin1String(" ")) return std::nullopt;
  if (diskType.toLower().contains(QLatin1String("fat32"))) return fat32Name(typed);
  return typed;
}

VolumeObjPtr RowModel::volumeAt(int row) const {
  if (row < 0 || row >= count()) return nullptr;
  return rows[row].volume;
}

RowModel buildRows(const QList<VolumeObjPtr>& scanned) {
  RowModel m;
  QList<VolumeObjPtr> internal, external;
  for (const VolumeObjPtr& v : scanned) (v->bCanEject ? external : internal).append(v);
  m.rows.append(Row{true, false, nullptr});
  for (const VolumeObjPtr& v : internal) m.rows.append(Row{false, false, v});
  m.inRowCount = int(internal.size());
  if (!external.isEmpty()) {
    m.rows.append(Row{true, true, nullptr});
    for (const VolumeObjPtr& v : external) m.rows.append(Row{false, true, v});
  }
  return m;
}

float usagePercent(qint64 total, qint64 free) {
  if (total == 0) return 0;
  return float(100.0 - double(free) / double(total) * 100.0);
}

FormatPlan formatPlan(const QString& diskType, const QString& typedName, const QString& personality) {
  FormatPlan plan;
  if (diskType.toLower().contains(QLatin1String("apfs"))) {
    // An APFS volume keeps APFS: it is renamed, then reformatted as it is.
    plan.path = FormatPlan::Path::RenameThenReformat;
    plan.name = typedName;
    plan.personality = QStringLiteral("APFS");
    return plan;
  }
  plan.path = FormatPlan::Path::Erase;
  plan.personality = personality;
  plan.name = (typedName.isEmpty() || typedName == QLatin1String(" ")) ? QStringLiteral("NEW") : typedName;
  if (personality == QLatin1String("MS-DOS FAT32")) plan.name = fat32Name(plan.name);
  return plan;
}

}  // namespace diskmanager
