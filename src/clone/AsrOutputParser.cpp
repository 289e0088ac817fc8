#include "clone/AsrOutputParser.h"

#include <QRegularExpression>

namespace {

const QLatin1String kPrompt("[ny]");
const QLatin1String kValidatingTarget("Validating target...");
const QLatin1String kValidatingSource("Validating source...");
const QLatin1String kRepartitioning("Repartitioning target device...");

bool namesCopyPhase(const QString& text) {
  return text.contains(QLatin1String("Replicating")) || text.contains(QLatin1String("Restoring")) ||
         text.contains(QLatin1String("Verifying"));
}

AsrEvent step(int code) {
  AsrEvent e;
  e.kind = AsrEvent::Step;
  e.step = code;
  return e;
}

AsrEvent labelKey(const char* key) {
  AsrEvent e;
  e.kind = AsrEvent::Label;
  e.labelKey = QString::fromLatin1(key);
  return e;
}

}  // namespace

int AsrOutputParser::tagForText(const QString& text) {
  if (text.contains(QLatin1String("10")) && !text.contains(QLatin1String("100"))) return 1;
  static const char* const kMarks[] = {"20", "30", "40", "50", "60", "70", "80", "90"};
  for (int i = 0; i < 8; ++i)
    if (text.contains(QLatin1String(kMarks[i]))) return i + 2;
  if (text.contains(QLatin1String("100"))) return 10;
  return 0;
}

AsrOutputParser::ChunkResult AsrOutputParser::addChunk(const QByteArray& chunk) {
  if (chunk.isEmpty()) return {};
  return addText(decoder_.decode(chunk));
}

AsrOutputParser::ChunkResult AsrOutputParser::addText(const QString& chunk) {
  ChunkResult result;
  if (chunk.isEmpty()) return result;
  stream_ += chunk;

  // The prompt may arrive cut in two; it is answered once, and a chunk that
  // carries it is not shown.
  if (chunk.contains(kPrompt) || (!promptAnswered_ && stream_.contains(kPrompt))) {
    if (!promptAnswered_) {
      promptAnswered_ = true;
      result.answerPrompt = true;
      isTwoTime_ = 0;
      isTwoTime100_ = 0;
      inProgress_ = false;
    }
    return result;
  }

  QString text = chunk;
  if (chunk.contains(kValidatingTarget)) {
    result.events.append(step(3));
    text.clear();
  }
  if (chunk.contains(kValidatingSource)) {
    result.events.append(step(4));
    text.clear();
  }
  AsrEvent shown;  // the label this chunk ends with
  shown.kind = AsrEvent::Label;
  if (chunk.contains(kValidatingSource))
    shown.labelKey = QStringLiteral("BOOTABLE_CLONE_VALIDATING_SOURCE");
  else if (chunk.contains(kValidatingTarget))
    shown.labelKey = QStringLiteral("BOOTABLE_CLONE_VALIDATING_TARGET");
  if (text.contains(kRepartitioning)) {
    shown.labelKey = QStringLiteral("BOOTABLE_CLONE_REPARTION");
    text.clear();
  }

  if (namesCopyPhase(text)) {
    result.events.append(labelKey("BOOTABLE_CLONE_CLONING"));
    if (isTwoTime_ == 0) result.events.append(step(5));
    ++isTwoTime_;
    inProgress_ = true;
  }

  if (isTwoTime_ == 1 || isTwoTime_ == 2) {
    const int tag = tagForText(text);
    if (tag > 0) {
      AsrEvent e;
      e.kind = AsrEvent::Tag;
      e.tag = tag;
      e.pass = isTwoTime_;
      result.events.append(e);
    }
  }

  if (text.trimmed() == QLatin1String("100")) {
    ++isTwoTime100_;
    if (isTwoTime100_ == 2) inProgress_ = false;
  }

  if (shown.labelKey.isEmpty()) {
    if (text.contains(QLatin1String("done")))
      shown.labelKey = QStringLiteral("BOOTABLE_CLONE_VALIDATING_TARGET");
    else
      shown.labelText = text;
  }
  if (!inProgress_) result.events.append(shown);
  return result;
}

bool AsrOutputParser::copyPhasesComplete() const {
  // Cut the stream at every phase name; a phase is complete when its part holds
  // the mark 100 as a number of its own.
  static const QRegularExpression phase(QStringLiteral("Replicating|Restoring|Verifying"));
  static const QRegularExpression mark(QStringLiteral("(?<![0-9])100(?![0-9])"));
  QList<qsizetype> starts;
  for (auto it = phase.globalMatch(stream_); it.hasNext();) starts.append(it.next().capturedStart());
  int complete = 0;
  for (int i = 0; i < starts.size(); ++i) {
    const qsizetype end = i + 1 < starts.size() ? starts.at(i + 1) : stream_.size();
    if (mark.match(QStringView(stream_).mid(starts.at(i), end - starts.at(i))).hasMatch())
      ++complete;
  }
  return complete >= 2;
}
