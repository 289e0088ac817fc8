#include "launcher/RunScript.h"

#include <gtest/gtest.h>

namespace {

TEST(LauncherLanguage, DerivesTheCodeFromTheFirstPreferredLanguage) {
  struct Case { QString first; QString expected; };
  const Case cases[] = {
      {"zh-Hans-CN", "zh-Hans"},
      {"ja-JP", "ja"},
      {"en-US", "en"},
      {"de-DE", "en"},
      {"fr", "en"},
      {"fr-CA", "en"},
      {"zh-Hant-TW", "zh-Hant"},
      {"zh-HK", "zh-Hant"},
      {"zh-MO", "zh-Hant"},
      {"zh-TW", "zh-Hant"},
      {"zh-Hant-CN", "zh-Hant"},
      {"zh-Hant", "zh-Hant"},
      {"pt", "pt-BR"},
      {"pt-BR", "en"},
      {"-US", "en"},  // too short to lose its suffix
      {"", "en"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(RunScript::languageForMainProgram({c.first, "fr-FR"}, {"it-IT"}), c.expected)
        << c.first.toStdString();
}

TEST(LauncherLanguage, WithoutARecordedListTheSystemLanguagePassesUnchanged) {
  EXPECT_EQ(RunScript::languageForMainProgram({}, {"de-DE", "en-US"}), "de-DE");
  EXPECT_EQ(RunScript::languageForMainProgram({}, {"ja-JP"}), "ja-JP");
  EXPECT_EQ(RunScript::languageForMainProgram({}, {}), "");
}

TEST(LauncherLanguage, MainProgramLivesInTheLauncherBundle) {
  EXPECT_EQ(mainProgramPathInBundle("/Applications/NfrLoader.app"),
            "/Applications/NfrLoader.app/Contents/MacOS/Quorvan Disk Clone.app/Contents/MacOS/"
            "Quorvan Disk Clone");
}

}  // namespace
