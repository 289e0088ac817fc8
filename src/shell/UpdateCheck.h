#pragma once
// The update description and what the update window makes of it: the version
// comparison, the notes for the interface language and the layout of the
// What's New list.
#include <QFont>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariantMap>
#include <functional>
#include <optional>

namespace update {

// "VersionCheck" as an integer: a number or a text holding one; anything else 0.
qint64 versionCheckValue(const QVariant& value);

// Newer release known: the remote "VersionCheck" (0 without a description or
// key) is greater than the local one.
bool isUpdateAvailable(qint64 localVersionCheck, const std::optional<QVariantMap>& description);

// The notes of "Localization" for `language`, else those for "en", else none.
QVariantMap notesForLanguage(const QVariantMap& description, const QString& language);

// Keys in plain text order ("10" before "2").
QStringList sortedNoteKeys(const QVariantMap& notes);

struct NoteRow {
  QString key;
  QString text;   // the item's own text (the tool tip)
  QString shown;  // "<key>. <text>"
  QRectF frame;   // AppKit frame in the list's document view
};

struct NotesLayout {
  QList<NoteRow> rows;  // in sorted key order, from the top down
  double documentHeight = 0;
};

inline constexpr double kNoteWidth = 400;
inline constexpr double kNoteMinHeight = 25;
inline constexpr double kDocumentWidth = 414;
inline constexpr double kDocumentMinHeight = 121;

// Rows of at least 25 points (taller when the text wraps at 400), a document at
// least 121 high, the rows running from its top downwards.
NotesLayout layoutNotes(const QVariantMap& notes,
                        const std::function<double(const QString&)>& textHeight);

// The height of `text` wrapped at `width` in `font`, without margins.
double heightForStringDrawing(const QString& text, const QFont& font, double width);

// Reads a property-list dictionary from `url` (http, https or file), blocking the
// calling thread (which need not be the main thread); nothing when it cannot be
// read or is not a dictionary.
std::optional<QVariantMap> dictionaryWithContentsOfURL(const QUrl& url, int timeoutMs = 15000);

}  // namespace update
