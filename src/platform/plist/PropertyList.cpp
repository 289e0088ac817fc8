#include "platform/plist/PropertyList.h"

#include <plist/plist.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QTimeZone>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>

namespace plist {
namespace {

// Property-list dates count seconds from 2001-01-01 UTC.
const QDateTime& referenceDate() {
  static const QDateTime ref(QDate(2001, 1, 1), QTime(0, 0), QTimeZone::utc());
  return ref;
}

struct NodeFree {
  void operator()(plist_t node) const { plist_free(node); }
};
using Node = std::unique_ptr<void, NodeFree>;

// A string or key value, which the library hands over as its own malloc'ed copy.
QString ownedText(plist_t node, void (*get)(plist_t, char**)) {
  char* s = nullptr;
  get(node, &s);
  QString text = QString::fromUtf8(s ? s : "");
  free(s);
  return text;
}

QVariant toVariant(plist_t node) {
  switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
      uint8_t b = 0;
      plist_get_bool_val(node, &b);
      return bool(b);
    }
    case PLIST_UINT: {
      uint64_t v = 0;
      plist_get_uint_val(node, &v);
      // The library keeps signed values as their two's complement.
      return qint64(v);
    }
    case PLIST_REAL: {
      double d = 0;
      plist_get_real_val(node, &d);
      return d;
    }
    case PLIST_STRING: return ownedText(node, plist_get_string_val);
    case PLIST_KEY: return ownedText(node, plist_get_key_val);
    case PLIST_DATA: {
      char* bytes = nullptr;
      uint64_t len = 0;
      plist_get_data_val(node, &bytes, &len);
      QByteArray data(bytes, qsizetype(len));
      free(bytes);
      return data;
    }
    case PLIST_DATE: {
      int32_t sec = 0, usec = 0;
      plist_get_date_val(node, &sec, &usec);
      return referenceDate().addMSecs(qint64(sec) * 1000 + usec / 1000);
    }
    case PLIST_ARRAY: {
      QVariantList list;
      const uint32_t n = plist_array_get_size(node);
      list.reserve(n);
      for (uint32_t i = 0; i < n; ++i) list.append(toVariant(plist_array_get_item(node, i)));
      return list;
    }
    case PLIST_DICT: {
      QVariantMap map;
      plist_dict_iter it = nullptr;
      plist_dict_new_iter(node, &it);
      for (;;) {
        char* key = nullptr;
        plist_t value = nullptr;
        plist_dict_next_item(node, it, &key, &value);
        if (!value) break;
        map.insert(QString::fromUtf8(key ? key : ""), toVariant(value));
        free(key);
      }
      free(it);
      return map;
    }
    case PLIST_UID: {
      uint64_t v = 0;
      plist_get_uid_val(node, &v);
      return qint64(v);
    }
    default:
      return QVariant();
  }
}

plist_t fromVariant(const QVariant& value) {
  switch (value.typeId()) {
    case QMetaType::Bool:
      return plist_new_bool(value.toBool());
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Long:
    case QMetaType::Short:
    case QMetaType::Char:
    case QMetaType::SChar:
      return plist_new_uint(uint64_t(value.toLongLong()));
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::ULong:
    case QMetaType::UShort:
    case QMetaType::UChar:
      return plist_new_uint(value.toULongLong());
    case QMetaType::Double:
    case QMetaType::Float:
      return plist_new_real(value.toDouble());
    case QMetaType::QByteArray: {
      const QByteArray data = value.toByteArray();
      return plist_new_data(data.constData(), uint64_t(data.size()));
    }
    case QMetaType::QDateTime: {
      const qint64 ms = referenceDate().msecsTo(value.toDateTime());
      return plist_new_date(int32_t(ms / 1000), int32_t((ms % 1000) * 1000));
    }
    case QMetaType::QVariantList:
    case QMetaType::QStringList: {
      plist_t array = plist_new_array();
      for (const QVariant& item : value.toList()) plist_array_append_item(array, fromVariant(item));
      return array;
    }
    case QMetaType::QVariantMap:
    case QMetaType::QVariantHash: {
      plist_t dict = plist_new_dict();
      const QVariantMap map = value.toMap();
      for (auto it = map.cbegin(); it != map.cend(); ++it)
        plist_dict_set_item(dict, it.key().toUtf8().constData(), fromVariant(it.value()));
      return dict;
    }
    default:
      return plist_new_string(value.toString().toUtf8().constData());
  }
}

}  // namespace

std::optional<QVariant> fromData(const QByteArray& data) {
  if (data.isEmpty()) return std::nullopt;
  // The XML reader accepts only what starts like XML or a binary list; anything
  // else (a tool's error text) is not a property list.
  const QByteArray head = data.left(64).trimmed();
  if (!head.startsWith("<?xml") && !head.startsWith("<plist") && !head.startsWith("<!DOCTYPE") &&
      !data.startsWith("bplist00"))
    return std::nullopt;
  plist_t root = nullptr;
  plist_from_memory(data.constData(), uint32_t(data.size()), &root);
  if (!root) return std::nullopt;
  Node guard(root);
  return toVariant(root);
}

std::optional<QVariantMap> dictionaryFromData(const QByteArray& data) {
  auto value = fromData(data);
  if (!value || value->typeId() != QMetaType::QVariantMap) return std::nullopt;
  return value->toMap();
}

std::optional<QVariant> readFile(const QString& hostPath) {
  QFile file(hostPath);
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  return fromData(file.readAll());
}

std::optional<QVariantMap> readDictionary(const QString& hostPath) {
  QFile file(hostPath);
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  return dictionaryFromData(file.readAll());
}

QByteArray toXml(const QVariant& value) {
  Node root(fromVariant(value));
  char* xml = nullptr;
  uint32_t len = 0;
  plist_to_xml(root.get(), &xml, &len);
  QByteArray out(xml, qsizetype(len));
  plist_to_xml_free(xml);
  return out;
}

bool writeFile(const QString& hostPath, const QVariant& value) {
  const QByteArray xml = toXml(value);
  const QFileInfo target(hostPath);
  QTemporaryFile temp(target.absolutePath() + "/." + target.fileName() + ".XXXXXX");
  temp.setAutoRemove(true);
  if (!temp.open()) return false;
  if (temp.write(xml) != xml.size() || !temp.flush()) return false;
  ::fsync(temp.handle());
  // Keep the mode of the file it replaces (the settings file is world-writable).
  struct stat st;
  if (::lstat(QFile::encodeName(hostPath).constData(), &st) == 0 && S_ISREG(st.st_mode))
    ::fchmod(temp.handle(), st.st_mode & 07777);
  else
    ::fchmod(temp.handle(), 0644);
  temp.close();
  // rename() replaces a symbolic link at the target instead of following it.
  if (::rename(QFile::encodeName(temp.fileName()).constData(),
               QFile::encodeName(hostPath).constData()) != 0)
    return false;
  temp.setAutoRemove(false);
  return true;
}

}  // namespace plist
