#include "image/DmgRules.h"

#include <algorithm>

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include "image/MakeDmg.h"
#include "platform/Paths.h"
#include "services/Selection.h"

namespace dmg {

QString createName(const QDateTime& now) {
  return QStringLiteral("QuorvanDiskClone(%1)").arg(now.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
}

Output outputFor(const QString& destinationPath, Kind kind, const QString& name, int systemVersion,
                 const QString& consoleUser) {
  Output out;
  out.folder = destinationPath;
  if (destinationPath == QLatin1String("/") && systemVersion > 1014 && !consoleUser.isEmpty())
    out.folder = QStringLiteral("/Users/%1/Desktop").arg(consoleUser);
  QString holder = out.folder;
  if (holder == QLatin1String("/") && kind == Kind::Image) holder = QString::fromLatin1(MakeDmg::kRootFolder);
  const QString suffix = kind == Kind::Image ? QStringLiteral(".dmg") : QStringLiteral(".zip");
  out.file = (holder == QLatin1String("/") ? QString() : holder) + '/' + name + suffix;
  out.openFolder = holder;
  return out;
}

QString trimZipOutput(const QString& text) {
  const int brk = text.indexOf('\n');
  if (brk < 0) return text;
  if (!text.contains(QLatin1String("(stored")) && !text.contains(QLatin1String("(deflated"))) return text;
  return text.mid(brk + 1);
}

bool sameVolume(const VolumeObj* a, const VolumeObj* b) {
  return a && b && a->volumePath == b->volumePath;
}

namespace {

const QStringList& volumesFolders() {
  static const QStringList kPaths{QStringLiteral("/Volumes"), QStringLiteral("/System/Volumes")};
  return kPaths;
}

bool atOrBelow(const QString& path, const QString& top) { return path == top || path.startsWith(top + '/'); }

QString lastName(const QString& path) { return path.mid(path.lastIndexOf('/') + 1); }

QString joined(const QString& prefix, const QString& name) {
  return prefix.isEmpty() ? name : prefix + '/' + name;
}

bool leadsToStartupRoot(const QString& path) {
  if (path == QLatin1String("/")) return false;
  const QFileInfo link(platform::hostPath(path));
  return link.isSymLink() &&
         link.canonicalFilePath() == QFileInfo(platform::hostPath(QStringLiteral("/"))).canonicalFilePath();
}

struct Packer {
  Kind kind;
  PackPlace place;
  Packed out;

  bool isExcluded(const QString& path) const {
    for (const QString& v : volumesFolders())
      if (path == v || (place.fromStartupVolume && atOrBelow(path, v))) return true;
    // "/" holds the startup volume's "/Volumes", so it is split in any case.
    return path == place.destinationFolder && path != QLatin1String("/");
  }

  bool holdsExcluded(const QString& path) const {
    if (path == QLatin1String("/")) return true;
    const QString inside = path + '/';
    const auto holds = [&inside](const QString& p) { return p.startsWith(inside); };
    return std::any_of(volumesFolders().cbegin(), volumesFolders().cend(), holds) || holds(place.destinationFolder);
  }

  void add(const QString& path, const QString& target) {
    if (isExcluded(path)) return;
    if (holdsExcluded(path)) {
      // Its entries as they are on disk now: the browser may not have listed them.
      const QString host = platform::hostPath(path);
      const QStringList entries =
          QDir(host).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
      const QString base = path == QLatin1String("/") ? QString() : path;
      for (const QString& e : entries) add(base + '/' + e, joined(target, e));
      return;
    }
    out.sources << path;
    out.targets << target;
  }

  void walk(const FileNodeList& nodes) {
    for (const FileNodePtr& node : nodes) {
      if (!node || !out.errorKey.isEmpty()) return;
      if (node->state() == FileNode::Selected) {
        const QString path = node->path();
        if (path.isEmpty() || !path.startsWith('/')) {
          out.errorKey = QStringLiteral("MAKE_DMG_error_outside");
          return;
        }
        // A link back to the startup volume ("/Volumes/Macintosh HD", dropped)
        // is packed as that volume with its exclusions: followed as a link, zip
        // would walk into "/Volumes" and back without end.
        add(!isExcluded(path) && leadsToStartupRoot(path) ? QStringLiteral("/") : path,
            path == QLatin1String("/") ? QString() : lastName(path));
      } else if (node->state() == FileNode::PartlySelected) {
        walk(node->children());
      }
    }
  }
};

}  // namespace

Packed packedPaths(const FileNodeList& roots, Kind kind, const PackPlace& place) {
  Packer packer{kind, place, {}};
  packer.walk(place.browserSelection ? chosenBrowserRoots(roots) : roots);
  Packed& out = packer.out;
  if (!out.errorKey.isEmpty()) {
    out.sources.clear();
    out.targets.clear();
    return out;
  }
  if (out.sources.isEmpty()) {
    out.errorKey = QStringLiteral("MAKE_DMG_no_select_file");
    return out;
  }
  if (kind == Kind::Image && !firstSharedName(out.targets).isEmpty()) {
    out.errorKey = QStringLiteral("MAKE_DMG_error_same_name");
    out.sources.clear();
    out.targets.clear();
  }
  return out;
}

qint64 droppedBytes(const FileNodeList& nodes) {
  qint64 total = 0;
  for (const FileNodePtr& node : nodes) {
    if (!node) continue;
    if (!node->isDirectory()) {
      total += qint64(node->size());
      continue;
    }
    for (QDirIterator it(platform::hostPath(node->path()), QDir::Files | QDir::Hidden | QDir::System,
                         QDirIterator::Subdirectories);
         it.hasNext();) {
      it.next();
      const QFileInfo info = it.fileInfo();
      if (!info.isSymLink()) total += info.size();
    }
  }
  return total;
}

FileNodeList nodesFor(const QStringList& sources) {
  FileNodeList nodes;
  for (const QString& path : sources) {
    const QFileInfo info(platform::hostPath(path));
    const bool folder = info.isDir() && !info.isSymLink();
    FileNodePtr node = FileNode::initWithPath(path, lastName(path), folder);
    // The totaller takes a file's size from its node, as the scanner fills it.
    if (!folder && !info.isSymLink()) node->setSize(quint64(info.size()));
    nodes << node;
  }
  return nodes;
}

SizeFrom sizeFrom(qint64 selectFilesSize, bool isDragValue, int comboType) {
  if (selectFilesSize >= 0) return SizeFrom::Known;
  if (!isDragValue && comboType == 0) return SizeFrom::SourceUsedBytes;
  return SizeFrom::Total;
}

// ---- Choice -----------------------------------------------------------------

std::optional<Choice::Bubble> Choice::chooseSource(const VolumeObjPtr& volume) {
  source_ = shownSource_ = volume;
  selectFilesSize_ = -1;
  hasSelection_ = false;
  partial_ = false;
  comboType_ = 0;
  isDragValue_ = false;
  usedSize_ = volume ? volume->volumeTotalSizeNum - volume->volumeFreeSizeNum : -1;
  std::optional<Bubble> bubble;
  if (destination_ && sameVolume(destination_.get(), volume.get())) {
    source_.reset();
    usedSize_ = -1;
    cloneEnabled_ = false;
    comboEnabled_ = false;
    sourceError_ = true;
    bubble = Bubble{QStringLiteral("MAKE_DMG_error_same_drice"), 0};
  } else {
    sourceError_ = false;
    comboEnabled_ = true;
  }
  if (auto space = spaceCheck(); !bubble) bubble = space;
  return bubble;
}

std::optional<Choice::Bubble> Choice::chooseDestination(const VolumeObjPtr& volume) {
  destination_ = shownDestination_ = volume;
  destinationShowsAdd_ = false;
  freeSize_ = volume ? volume->volumeFreeSizeNum : -1;
  std::optional<Bubble> bubble;
  if (source_ && sameVolume(source_.get(), volume.get())) {
    destination_.reset();
    freeSize_ = -1;
    cloneEnabled_ = false;
    destinationError_ = true;
    if (usedSize_ >= 0) comboEnabled_ = true;
    bubble = Bubble{QStringLiteral("MAKE_DMG_error_same_drice"), 1};
  } else {
    destinationError_ = false;
  }
  if (auto space = spaceCheck(); !bubble) bubble = space;
  return bubble;
}

void Choice::clearSource() {
  source_.reset();
  shownSource_.reset();
  usedSize_ = -1;
  selectFilesSize_ = -1;
  isDragValue_ = false;
  hasSelection_ = false;
  partial_ = false;
  sourceError_ = false;
  comboType_ = 0;
  comboEnabled_ = false;
  cloneEnabled_ = false;
}

void Choice::clearDestination() {
  destination_.reset();
  shownDestination_.reset();
  destinationShowsAdd_ = false;
  freeSize_ = -1;
  destinationError_ = false;
  if (usedSize_ >= 0) comboEnabled_ = true;
  cloneEnabled_ = false;
}

std::optional<Choice::Bubble> Choice::drop(qint64 bytes) {
  source_.reset();
  shownSource_.reset();
  usedSize_ = -1;
  comboType_ = 0;
  isDragValue_ = true;
  hasSelection_ = true;
  partial_ = false;  // the box names the drop until the browser narrows it
  comboEnabled_ = true;
  sourceError_ = false;
  selectFilesSize_ = -1;  // totalled again when the image is made
  droppedBytes_ = bytes;
  // With a destination already chosen the button follows the new set at once.
  return spaceCheck();
}

void Choice::browserResult(qint64 bytes, int rootsTouched, int rootCount) {
  selectFilesSize_ = bytes;
  hasSelection_ = true;
  partial_ = isDragValue_ || rootsTouched != rootCount;
  if (!partial_ && source_) usedSize_ = source_->volumeTotalSizeNum - source_->volumeFreeSizeNum;
  sourceError_ = false;
  selectionCheck();
}

std::optional<Choice::Bubble> Choice::chooseCopyType(int type) {
  comboType_ = type;
  if (type != 0) return std::nullopt;
  if (!isDragValue_ && hasSelection_) {
    hasSelection_ = false;
    partial_ = false;
    selectFilesSize_ = -1;
  }
  return spaceCheck();
}

std::optional<Choice::Bubble> Choice::spaceCheck() {
  // A dropped set is measured when it comes, so it needs no source volume.
  if ((usedSize_ < 0 && !isDragValue_) || freeSize_ < 0) {
    selectionCheck();
    return std::nullopt;
  }
  const qint64 need = selectFilesSize_ >= 0 ? selectFilesSize_ : isDragValue_ ? droppedBytes_ : usedSize_;
  if (freeSize_ < need) {
    if (!isDragValue_) comboType_ = 1;
    comboEnabled_ = false;
    destinationError_ = true;
    cloneEnabled_ = false;
    return Bubble{QStringLiteral("MAKE_DMG_error_no_space"), 1};
  }
  comboEnabled_ = true;
  cloneEnabled_ = true;
  destinationError_ = false;
  destinationShowsAdd_ = false;
  return std::nullopt;
}

void Choice::selectionCheck() {
  bool enough;
  if (isDragValue_ && destination_) {
    enough = destination_->volumeFreeSizeNum >= (selectFilesSize_ >= 0 ? selectFilesSize_ : droppedBytes_);
  } else if (usedSize_ >= 0 && freeSize_ >= 0 && destination_) {
    enough = destination_->volumeFreeSizeNum >= selectFilesSize_;
  } else {
    return;
  }
  destinationShowsAdd_ = !enough;
  if (enough) {
    cloneEnabled_ = true;
    destinationError_ = false;
  } else {
    comboEnabled_ = false;
    comboType_ = 1;
    cloneEnabled_ = false;
    destinationError_ = true;
  }
}

}  // namespace dmg
