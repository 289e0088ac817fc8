#pragma once
// Property lists as Qt values: dictionary <-> QVariantMap, array <-> QVariantList,
// string <-> QString, integer <-> qint64 (quint64 above INT64_MAX), real <-> double,
// boolean <-> bool, date <-> QDateTime, data <-> QByteArray.
#include <QByteArray>
#include <QString>
#include <QVariant>
#include <optional>

namespace plist {

// Parses XML or binary property-list data; nothing for anything else.
std::optional<QVariant> fromData(const QByteArray& data);
// The dictionary at the root of `data`; nothing when it is not a dictionary.
std::optional<QVariantMap> dictionaryFromData(const QByteArray& data);

// Reads a host file. Missing, unreadable or not a property list: nothing.
std::optional<QVariant> readFile(const QString& hostPath);
std::optional<QVariantMap> readDictionary(const QString& hostPath);

QByteArray toXml(const QVariant& value);
// Writes XML atomically (temporary file in the same folder, then rename), so a
// reader never sees half a file. Does not follow a symbolic link at the target:
// the link itself is replaced.
bool writeFile(const QString& hostPath, const QVariant& value);

}  // namespace plist
