#include "shell/MainMenu.h"

#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "services/KVPublicUtilities.h"
#include "services/Localization.h"
#include "services/Settings.h"
#include "shell/MainWindowController.h"
#include "support/TestWorld.h"

#include <QWidget>
#include <gtest/gtest.h>

namespace {

class LanguageMenu : public ::testing::Test {
 protected:
  void SetUp() override {
    world.copyBundle();
    token = platform::NotificationCenter::defaultCenter().addObserver(
        &owner, "UPDATE_LANGUAGE", [this](const QVariant&) { ++posted; });
    menu = std::make_unique<MainMenu>();
    menu->setLangauageState();
  }
  void TearDown() override { platform::NotificationCenter::defaultCenter().removeObserver(token); }

  QStringList appleLanguages() const {
    return platform::UserDefaults::standard().objectForKey("AppleLanguages").toStringList();
  }
  QList<QAction*> checked() const {
    QList<QAction*> on;
    for (QAction* item : menu->languageItems())
      if (item->isChecked()) on << item;
    return on;
  }

  TestWorld world;
  QObject owner;
  int token = 0;
  int posted = 0;
  std::unique_ptr<MainMenu> menu;
};

TEST_F(LanguageMenu, ItemsCarryTheTableNamesAndAFirstStartMarksEnglish) {
  const QVariantMap table = mainLanguageTable();
  const QStringList codes = {"en", "ja", "de", "fr", "es", "pt-BR", "zh-Hant", "tr"};
  ASSERT_EQ(menu->languageItems().size(), 8);
  for (int i = 0; i < 8; ++i)
    EXPECT_EQ(table.value(menu->languageItems()[i]->text()).toString(), codes[i]) << i;
  EXPECT_EQ(KVPublicUtilities::getLangauage(), "English");
  EXPECT_EQ(checked(), QList<QAction*>{menu->English});
  EXPECT_EQ(menu->about->text(), getLocalizedString("MENU_ABOUT"));
  EXPECT_NE(menu->about->text(), "MENU_ABOUT") << "the string tables reach the menu";
}

TEST_F(LanguageMenu, ChoosingALanguageSwitchesEverythingAndPostsOnce) {
  const QString englishAbout = menu->about->text();
  menu->ChangeLanguage(menu->Japese);
  EXPECT_EQ(posted, 1);
  EXPECT_EQ(KVPublicUtilities::getLangauage(), menu->Japese->text());
  EXPECT_EQ(appleLanguages(), QStringList{"ja"});
  EXPECT_EQ(checked(), QList<QAction*>{menu->Japese});
  EXPECT_NE(menu->about->text(), englishAbout);
  EXPECT_EQ(menu->about->text(), getLocalizedString("MENU_ABOUT"));
  EXPECT_EQ(menu->menuLanguage->text(), getLocalizedString("MENU_Language"));

  // The same item again: nothing, not even after the menu toggled its mark.
  menu->Japese->trigger();
  menu->ChangeLanguage(menu->Japese);
  EXPECT_EQ(posted, 1);
  EXPECT_EQ(checked(), QList<QAction*>{menu->Japese});

  menu->Deutsch->trigger();
  EXPECT_EQ(posted, 2);
  EXPECT_EQ(appleLanguages(), QStringList{"de"});
}

TEST_F(LanguageMenu, ANameWithoutACodeGivesEnglishText) {
  menu->ChangeLanguage(menu->French);
  menu->Turkish->setText("Esperanto");
  menu->ChangeLanguage(menu->Turkish);
  EXPECT_EQ(posted, 2);
  EXPECT_EQ(KVPublicUtilities::getLangauage(), "Esperanto");
  EXPECT_EQ(appleLanguages(), QStringList{"en"});
  EXPECT_EQ(checked(), QList<QAction*>{menu->Turkish});

  menu->Spanish->setText("");
  menu->ChangeLanguage(menu->Spanish);
  EXPECT_EQ(KVPublicUtilities::getLangauage(), "English") << "an empty title means English";
  EXPECT_EQ(appleLanguages(), QStringList{"en"});
}

TEST_F(LanguageMenu, TheMainWindowFollowsTheLanguageAtRunTime) {
  MainWindowController controller;
  controller.window();
  menu->ChangeLanguage(menu->Deutsch);
  EXPECT_EQ(controller.tabButton(1)->label()->text(), getLocalizedString("MAIN_LETF_OS_CLONE"));
  EXPECT_EQ(controller.panel()->name()->text(), getLocalizedString("MAIN_LETF_DISK_COPY"));
  EXPECT_EQ(controller.tabButton(4)->label()->font().pixelSize(), 14);

  menu->ChangeLanguage(menu->French);
  EXPECT_EQ(controller.tabButton(4)->label()->text(), getLocalizedString("MAIN_LETF_DISK_MANAGER"));
  EXPECT_EQ(controller.tabButton(4)->label()->font().pixelSize(), 13) << "French shrinks the manager tab";
  controller.TopDiskToolButtonAction();
  ASSERT_TRUE(waitUntil([&] { return !controller.isAnimating(); }, 3000));
  EXPECT_EQ(controller.panel()->name()->font().pixelSize(), 14);

  menu->ChangeLanguage(menu->English);
  EXPECT_EQ(controller.tabButton(4)->label()->font().pixelSize(), 14);
  EXPECT_EQ(controller.panel()->name()->font().pixelSize(), 18);
  EXPECT_EQ(controller.panel()->name()->text(), getLocalizedString("MAIN_LETF_DISK_MANAGER"));
}

TEST_F(LanguageMenu, HelpLinksCarryTheLanguageSegment) {
  menu->ChangeLanguage(menu->Japese);
  EXPECT_EQ(MainMenu::helpAddress("OnlineHelp"), "https://www.quorvan.example/jp/guide/disk-clone.html");
  menu->ChangeLanguage(menu->English);
  EXPECT_EQ(MainMenu::helpAddress("Support"), "https://www.quorvan.example/support.html");
  EXPECT_EQ(MainMenu::helpAddress("NoSuchLink"), "");

  menu->helpMenuItemAction();
  const QStringList opened = world::openedRecords(world.layout());
  ASSERT_FALSE(opened.isEmpty());
  EXPECT_EQ(opened.last(), "url\thttps://www.quorvan.example/support.html");
}

}  // namespace
