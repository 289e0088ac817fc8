#include "clone/AsrOutputParser.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace {

// What asr prints for a restore when each write (dots, then a mark) arrives as
// its own chunk.
QStringList fineChunks() {
  QStringList c = {"Validating target...done\n", "Validating source...done\n",
                   "Erase contents of /dev/disk4s2 (/Volumes/NewCloneSystem)? [ny]: ",
                   "Validating sizes...done\n", "Restoring  "};
  for (int m = 10; m <= 100; m += 10) c << "...." << QString::number(m);
  c << "\n" << "Verifying  ";
  for (int m = 10; m <= 100; m += 10) c << "...." << QString::number(m);
  c << "\n" << "Restored target device is /dev/disk4s2.\n" << "Remounting target volume...done\n";
  return c;
}

QString joined(const QStringList& chunks) { return chunks.join(QString()); }

struct ParsedRun {
  int answers = 0;
  QList<int> steps;
  QList<std::pair<int, int>> tags;
  QList<AsrEvent> labels;
  bool complete = false;
};

ParsedRun feed(const QStringList& chunks) {
  AsrOutputParser p;
  ParsedRun r;
  for (const QString& chunk : chunks) {
    AsrOutputParser::ChunkResult res = p.addChunk(chunk.toUtf8());
    if (res.answerPrompt) ++r.answers;
    for (const AsrEvent& e : res.events) {
      if (e.kind == AsrEvent::Step) r.steps << e.step;
      if (e.kind == AsrEvent::Tag) r.tags << std::make_pair(e.tag, e.pass);
      if (e.kind == AsrEvent::Label) r.labels << e;
    }
  }
  r.complete = p.copyPhasesComplete();
  return r;
}

QStringList cutEvery(const QString& text, int size) {
  QStringList out;
  for (int i = 0; i < text.size(); i += size) out << text.mid(i, size);
  return out;
}

TEST(AsrOutputParser, FineChunksGiveStepsTagsOfBothPassesAndOneAnswer) {
  ParsedRun r = feed(fineChunks());
  EXPECT_EQ(r.answers, 1);
  EXPECT_EQ(r.steps, (QList<int>{3, 4, 5}));
  QList<std::pair<int, int>> want;
  for (int pass = 1; pass <= 2; ++pass)
    for (int tag = 1; tag <= 10; ++tag) want << std::make_pair(tag, pass);
  EXPECT_EQ(r.tags, want);
  EXPECT_TRUE(r.complete);
}

TEST(AsrOutputParser, TagPerChunkFollowsTheFirstMatchingRule) {
  struct Case { const char* chunk; int tag; } cases[] = {
      {"....90....100", 9}, {"....10....20", 1}, {"100", 10}, {"....10", 1},
      {"....50", 5},        {"no marks", 0},     {"....100", 10},
  };
  for (const Case& c : cases) EXPECT_EQ(AsrOutputParser::tagForText(c.chunk), c.tag) << c.chunk;

  // In a copy phase the tag goes out with the pass; outside one nothing is sent.
  ParsedRun outside = feed({"....90....100"});
  EXPECT_TRUE(outside.tags.isEmpty());
  ParsedRun inside = feed({"Restoring  ", "....90....100"});
  EXPECT_EQ(inside.tags, (QList<std::pair<int, int>>{{9, 1}}));
}

TEST(AsrOutputParser, LabelsAreHeldFromTheFirstCopyPhaseUntilTheSecondExact100) {
  AsrOutputParser p;
  auto labelsOf = [](const AsrOutputParser::ChunkResult& r) {
    QStringList out;
    for (const AsrEvent& e : r.events)
      if (e.kind == AsrEvent::Label) out << (e.labelKey.isEmpty() ? e.labelText : e.labelKey);
    return out;
  };
  EXPECT_EQ(labelsOf(p.addText("Validating target...done\n")),
            QStringList{"BOOTABLE_CLONE_VALIDATING_TARGET"});
  EXPECT_EQ(labelsOf(p.addText("Repartitioning target device...\n")),
            QStringList{"BOOTABLE_CLONE_REPARTION"});
  EXPECT_EQ(labelsOf(p.addText("Restoring  ")), QStringList{"BOOTABLE_CLONE_CLONING"});
  EXPECT_TRUE(labelsOf(p.addText("....40")).isEmpty());
  EXPECT_TRUE(labelsOf(p.addText("100")).isEmpty());
  EXPECT_EQ(labelsOf(p.addText("Verifying  ")), QStringList{"BOOTABLE_CLONE_CLONING"});
  EXPECT_TRUE(labelsOf(p.addText("....70")).isEmpty());
  EXPECT_EQ(labelsOf(p.addText("100")), QStringList{"100"});
  EXPECT_FALSE(p.inProgress());
  EXPECT_EQ(labelsOf(p.addText("Restored target device is /dev/disk4s2.\n")),
            QStringList{"Restored target device is /dev/disk4s2.\n"});
}

TEST(AsrOutputParser, MergedChunkOfBothValidationsReportsBothSteps) {
  ParsedRun r = feed({"Validating target...done\nValidating source...done\n"});
  EXPECT_EQ(r.steps, (QList<int>{3, 4}));
  ASSERT_EQ(r.labels.size(), 1);
  EXPECT_EQ(r.labels.first().labelKey, "BOOTABLE_CLONE_VALIDATING_SOURCE");
}

TEST(AsrOutputParser, PromptIsAnsweredOnceEvenWhenCutOrRepeated) {
  struct Case { QStringList chunks; int answers; } cases[] = {
      {{"Erase contents of /dev/disk4s2? [ny]: "}, 1},
      {{"Erase contents of /dev/disk4s2? [n", "y]: "}, 1},
      {{"? [ny]: ", "Restoring  ", "? [ny]: "}, 1},
      {{"Validating target...done\n"}, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(feed(c.chunks).answers, c.answers) << qPrintable(c.chunks.join("|"));
  // A chunk carrying the prompt is not shown.
  EXPECT_TRUE(feed({"Erase contents? [ny]: "}).labels.isEmpty());
}

TEST(AsrOutputParser, VerdictDoesNotDependOnHowTheStreamIsCut) {
  const QString good = joined(fineChunks());
  QString onePass = "Validating target...done\nValidating source...done\n? [ny]: Restoring  ";
  for (int m = 10; m <= 90; m += 10) onePass += QString("....%1").arg(m);
  onePass += "100\nVerifying  ....10....20\nasr: Couldn't restore: Input/output error\n";
  const QString noPhases = "Validating target...done\nasr: Couldn't set up partitions\n";
  // "1000" is no mark of 100.
  const QString bigNumber = "Restoring ....1000\nVerifying ....1000\n";

  struct Case { const char* name; QString stream; bool complete; } cases[] = {
      {"good", good, true}, {"one pass", onePass, false},
      {"no phases", noPhases, false}, {"1000", bigNumber, false},
  };
  for (const Case& c : cases) {
    for (int size : {1, 2, 3, 5, 7, 13, 64, 100000}) {
      EXPECT_EQ(feed(cutEvery(c.stream, size)).complete, c.complete) << c.name << " cut " << size;
    }
  }
}

TEST(AsrOutputParser, VerdictNeedsACleanExitToo) {
  AsrOutputParser p;
  p.addText(joined(fineChunks()));
  EXPECT_TRUE(p.succeeded(true));
  EXPECT_FALSE(p.succeeded(false));
}

TEST(AsrOutputParser, MultiByteCharacterCutBetweenChunksIsKept) {
  AsrOutputParser p;
  const QByteArray text = QString("Validating target...done \u00e9t\u00e9\n").toUtf8();
  const int cut = text.indexOf('\xc3') + 1;
  p.addChunk(text.left(cut));
  p.addChunk(text.mid(cut));
  EXPECT_EQ(p.stream(), QString::fromUtf8(text));
}

}  // namespace
