#include "world/lib/ImageFile.h"

#include "platform/plist/PropertyList.h"
#include "world/lib/HostFiles.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <sys/stat.h>
#include <unistd.h>

namespace world {

namespace {

constexpr char kMagic[] = "QDCIMG1\n";
constexpr int kMagicSize = 8;

void fail(QString* error, const QString& text) {
  if (error) *error = text;
}

bool writeTree(QDataStream& out, const QByteArray& base, const QByteArray& rel, QString* error) {
  const QByteArray dirPath = rel.isEmpty() ? base : base + "/" + rel;
  const auto names = sortedEntryNames(dirPath);
  if (!names) return true;
  for (const QByteArray& n : *names) {
    const QByteArray r = rel.isEmpty() ? n : rel + "/" + n;
    const QByteArray full = base + "/" + r;
    struct stat st;
    if (::lstat(full.constData(), &st) != 0) continue;
    if (S_ISDIR(st.st_mode)) {
      out << quint8('d') << r << quint32(st.st_mode & 07777);
      if (!writeTree(out, base, r, error)) return false;
    } else if (S_ISLNK(st.st_mode)) {
      const auto target = linkTarget(full);
      if (!target) continue;
      out << quint8('l') << r << quint32(0777) << *target;
    } else if (S_ISREG(st.st_mode)) {
      QFile f(QFile::decodeName(full));
      if (!f.open(QIODevice::ReadOnly)) {
        fail(error, "cannot read " + QFile::decodeName(full));
        return false;
      }
      out << quint8('f') << r << quint32(st.st_mode & 07777) << quint64(f.size());
      QByteArray buf;
      qint64 left = f.size();
      while (left > 0) {
        buf = f.read(std::min<qint64>(left, 1 << 20));
        if (buf.isEmpty()) {
          fail(error, "short read of " + QFile::decodeName(full));
          return false;
        }
        out.writeRawData(buf.constData(), int(buf.size()));
        left -= buf.size();
      }
    }
  }
  return true;
}

bool openImage(QFile& f, QDataStream& in, ImageHeader* header) {
  if (!f.open(QIODevice::ReadOnly)) return false;
  if (f.read(kMagicSize) != QByteArray(kMagic, kMagicSize)) return false;
  in.setDevice(&f);
  in.setVersion(QDataStream::Qt_6_0);
  QByteArray xml;
  in >> xml;
  auto d = plist::dictionaryFromData(xml);
  if (!d || in.status() != QDataStream::Ok) return false;
  if (header) {
    header->volumeName = d->value("VolumeName").toString();
    header->personality = d->value("Personality").toString();
    header->volumeUUID = d->value("VolumeUUID").toString();
    header->format = d->value("Format").toString();
    header->capacity = d->value("Capacity").toLongLong();
  }
  return true;
}

}  // namespace

bool writeImage(const QString& imageHostPath, const ImageHeader& h, const QString& fromHostDir, QString* error) {
  QSaveFile f(imageHostPath);
  if (!f.open(QIODevice::WriteOnly)) {
    fail(error, f.errorString());
    return false;
  }
  f.write(kMagic, kMagicSize);
  QDataStream out(&f);
  out.setVersion(QDataStream::Qt_6_0);
  out << plist::toXml(QVariantMap{{"VolumeName", h.volumeName},
                                  {"Personality", h.personality},
                                  {"VolumeUUID", h.volumeUUID},
                                  {"Format", h.format},
                                  {"Capacity", h.capacity}});
  if (!fromHostDir.isEmpty() &&
      !writeTree(out, QFile::encodeName(QDir::cleanPath(fromHostDir)), QByteArray(), error)) {
    f.cancelWriting();
    return false;
  }
  out << quint8(0);
  if (out.status() != QDataStream::Ok || !f.commit()) {
    fail(error, "cannot write " + imageHostPath);
    return false;
  }
  return true;
}

std::optional<ImageHeader> readImageHeader(const QString& imageHostPath) {
  QFile f(imageHostPath);
  QDataStream in;
  ImageHeader h;
  if (!openImage(f, in, &h)) return std::nullopt;
  return h;
}

bool extractImage(const QString& imageHostPath, const QString& toHostDir, QString* error) {
  QFile f(imageHostPath);
  QDataStream in;
  if (!openImage(f, in, nullptr)) {
    fail(error, "image not recognized");
    return false;
  }
  QDir().mkpath(toHostDir);
  const QByteArray base = QFile::encodeName(QDir::cleanPath(toHostDir));
  for (;;) {
    quint8 type = 0;
    in >> type;
    if (in.status() != QDataStream::Ok) {
      fail(error, "image truncated");
      return false;
    }
    if (type == 0) return true;
    QByteArray rel;
    quint32 mode = 0;
    in >> rel >> mode;
    if (rel.isEmpty() || rel.startsWith('/') || rel.contains("..")) {
      // Only plain relative names; an entry never leaves the volume.
      const QList<QByteArray> parts = rel.split('/');
      if (rel.isEmpty() || rel.startsWith('/') || parts.contains("..")) {
        fail(error, "image corrupt");
        return false;
      }
    }
    const QByteArray full = base + "/" + rel;
    if (type == 'd') {
      QDir().mkpath(QFile::decodeName(full));
      ::chmod(full.constData(), mode);
    } else if (type == 'l') {
      QByteArray target;
      in >> target;
      ::unlink(full.constData());
      if (::symlink(target.constData(), full.constData()) != 0) {
        fail(error, "cannot create link " + QFile::decodeName(full));
        return false;
      }
    } else if (type == 'f') {
      quint64 size = 0;
      in >> size;
      QFile out(QFile::decodeName(full));
      if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        fail(error, "cannot write " + out.fileName());
        return false;
      }
      QByteArray buf;
      while (size > 0) {
        const int n = int(std::min<quint64>(size, 1 << 20));
        buf.resize(n);
        if (in.readRawData(buf.data(), n) != n) {
          fail(error, "image truncated");
          return false;
        }
        out.write(buf);
        size -= n;
      }
      out.close();
      ::chmod(full.constData(), mode);
    } else {
      fail(error, "image corrupt");
      return false;
    }
  }
}

}  // namespace world
