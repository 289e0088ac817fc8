#include "shell/UpdateCheck.h"

#include "platform/plist/PropertyList.h"

#include <QEventLoop>
#include <QFile>
#include <QFontMetricsF>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <algorithm>
#include <limits>

namespace update {

qint64 versionCheckValue(const QVariant& value) {
  bool ok = false;
  qint64 number = 0;
  switch (value.typeId()) {
    case QMetaType::QString: number = value.toString().trimmed().toLongLong(&ok); break;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Bool: number = value.toLongLong(&ok); break;
    default: break;
  }
  return ok ? number : 0;
}

bool isUpdateAvailable(qint64 localVersionCheck, const std::optional<QVariantMap>& description) {
  const qint64 remote = description ? versionCheckValue(description->value("VersionCheck")) : 0;
  return localVersionCheck < remote;
}

QVariantMap notesForLanguage(const QVariantMap& description, const QString& language) {
  const QVariantMap localization = description.value("Localization").toMap();
  const QVariant own = localization.value(language);
  if (own.isValid() && own.typeId() == QMetaType::QVariantMap) return own.toMap();
  return localization.value("en").toMap();
}

QStringList sortedNoteKeys(const QVariantMap& notes) {
  QStringList keys = notes.keys();
  std::sort(keys.begin(), keys.end(),
            [](const QString& a, const QString& b) { return QString::compare(a, b) < 0; });
  return keys;
}

NotesLayout layoutNotes(const QVariantMap& notes,
                        const std::function<double(const QString&)>& textHeight) {
  NotesLayout layout;
  QList<double> heights;
  double total = 0;
  const QStringList keys = sortedNoteKeys(notes);
  for (const QString& key : keys) {
    const double height = std::max(textHeight(notes.value(key).toString()), kNoteMinHeight);
    heights << height;
    total += height;
  }
  layout.documentHeight = std::max(total, kDocumentMinHeight);
  double sum = 0;
  for (int i = 0; i < keys.size(); ++i) {
    sum += heights[i];
    NoteRow row;
    row.key = keys[i];
    row.text = notes.value(keys[i]).toString();
    row.shown = QStringLiteral("%1. %2").arg(row.key, row.text);
    row.frame = QRectF(10, layout.documentHeight - sum, kNoteWidth, heights[i]);
    layout.rows << row;
  }
  return layout;
}

double heightForStringDrawing(const QString& text, const QFont& font, double width) {
  const QFontMetricsF metrics(font);
  const QRectF bounds(0, 0, width, std::numeric_limits<float>::max());
  return metrics.boundingRect(bounds, Qt::TextWordWrap, text).height();
}

std::optional<QVariantMap> dictionaryWithContentsOfURL(const QUrl& url, int timeoutMs) {
  if (!url.isValid()) return std::nullopt;
  QByteArray data;
  if (url.isLocalFile()) {
    QFile file(url.toLocalFile());
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    data = file.readAll();
  } else {
    QNetworkAccessManager manager;
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    QNetworkReply* reply = manager.get(request);
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, reply, &QNetworkReply::abort);
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    timer.start(timeoutMs);
    if (!reply->isFinished()) loop.exec();
    const bool ok = reply->error() == QNetworkReply::NoError &&
                    reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() / 100 == 2;
    if (ok) data = reply->readAll();
    delete reply;
    if (!ok) return std::nullopt;
  }
  return plist::dictionaryFromData(data);
}

}  // namespace update
