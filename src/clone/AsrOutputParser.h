#pragma once
// Reads the output of one `asr restore` run. Each chunk the pipe delivers is
// turned into step reports, progress tags and label texts, as the chunk shows
// them; whether the copy succeeded is read from the whole stream instead, so the
// verdict does not depend on how the output was cut into chunks. One parser
// serves one run.
#include <QList>
#include <QString>
#include <QStringDecoder>

struct AsrEvent {
  enum Kind { Step, Label, Tag };
  Kind kind = Label;
  int step = 0;        // Step: the step code
  int tag = 0;         // Tag: 1..10
  int pass = 0;        // Tag: 1 (system copy) or 2
  QString labelKey;    // Label: localisation key, or empty for labelText
  QString labelText;   // Label: text as asr printed it

  bool operator==(const AsrEvent& o) const {
    return kind == o.kind && step == o.step && tag == o.tag && pass == o.pass &&
           labelKey == o.labelKey && labelText == o.labelText;
  }
};

class AsrOutputParser {
 public:
  struct ChunkResult {
    bool answerPrompt = false;  // write "y" and close asr's input, once
    QList<AsrEvent> events;
  };

  // One chunk as read from the pipe.
  ChunkResult addChunk(const QByteArray& chunk);
  ChunkResult addText(const QString& text);

  // Whether the stream so far shows two copy phases that each reached 100.
  bool copyPhasesComplete() const;
  // The run's verdict: asr exited by itself with 0 and both phases reached 100.
  bool succeeded(bool exitedCleanly) const { return exitedCleanly && copyPhasesComplete(); }

  bool promptAnswered() const { return promptAnswered_; }
  int isTwoTime() const { return isTwoTime_; }
  int isTwoTime100() const { return isTwoTime100_; }
  bool inProgress() const { return inProgress_; }
  const QString& stream() const { return stream_; }

  // Tag of a chunk's percent marks: the first rule that matches; 0 for none.
  static int tagForText(const QString& text);

 private:
  QStringDecoder decoder_{QStringDecoder::Utf8};
  QString stream_;
  bool promptAnswered_ = false;
  int isTwoTime_ = 0;
  int isTwoTime100_ = 0;
  bool inProgress_ = false;
};
