#include "shell/MainMenu.h"

#include <QApplication>
#include <QScreen>
#include <QUrl>

#include "platform/NotificationCenter.h"
#include "platform/SystemLog.h"
#include "platform/Workspace.h"
#include "services/KVLinkUrl.h"
#include "services/KVPublicUtilities.h"
#include "services/Localization.h"
#include "shell/EditShortcuts.h"
#include "shell/KVCheckUpdateWindowController.h"
#include "shell/TCPreferenceWindowController.h"
#include "uikit/ModalSession.h"

namespace {

struct LanguageSlot {
  const char* code;
  const char* fallbackName;  // used when the table has no entry for the code
};
constexpr LanguageSlot kLanguages[8] = {
    {"en", "English"}, {"ja", "日本語"},        {"de", "Deutsch"},   {"fr", "Français"},
    {"es", "Español"}, {"pt-BR", "Português"}, {"zh-Hant", "繁體中文"}, {"tr", "Türkçe"},
};

void centre(QWidget* window) {
  QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return;
  QRect frame = window->frameGeometry();
  frame.moveCenter(screen->availableGeometry().center());
  window->move(frame.topLeft());
}

}  // namespace

MainMenu::MainMenu(QObject* parent) : QObject(parent) { build(); }

MainMenu::~MainMenu() { delete bar_; }

void MainMenu::build() {
  bar_ = new QMenuBar;
  bar_->setNativeMenuBar(false);

  appMenu_ = bar_->addMenu(QStringLiteral("Quorvan Disk Clone"));
  about = appMenu_->addAction(QString(), this, [this] { aboutMenuItemAction(); });
  checkUpMenuItem = appMenu_->addAction(QString(), this, [this] { checkUpdateMenuItemAction(); });
  lineMenuItem = appMenu_->addSeparator();
  hideSelf = appMenu_->addAction(QString(), this, [] {
    for (QWidget* window : QApplication::topLevelWidgets())
      if (window->isVisible()) window->showMinimized();
  });
  hideSelf->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
  // Other programs' windows are not ours to hide on Linux.
  hideOther = appMenu_->addAction(QString());
  hideOther->setEnabled(false);
  showAll = appMenu_->addAction(QString(), this, [] {
    for (QWidget* window : QApplication::topLevelWidgets())
      if (window->isMinimized()) window->showNormal();
  });
  appMenu_->addSeparator();
  menuExit = appMenu_->addAction(QString(), this, [] { QCoreApplication::exit(0); });
  menuExit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
  menuExit->setShortcutContext(Qt::ApplicationShortcut);

  editMenu_ = bar_->addMenu(QString());
  menuEidt = editMenu_->menuAction();
  auto editItem = [this](EditAction action, const QKeySequence& keys) {
    QAction* item = editMenu_->addAction(QString(), this, [action] {
      sendEditAction(QApplication::focusWidget(), action);
    });
    item->setShortcut(keys);
    return item;
  };
  menuCut = editItem(EditAction::Cut, QKeySequence(Qt::CTRL | Qt::Key_X));
  menuCopy = editItem(EditAction::Copy, QKeySequence(Qt::CTRL | Qt::Key_C));
  menuPaste = editItem(EditAction::Paste, QKeySequence(Qt::CTRL | Qt::Key_V));
  menuSelectAll = editItem(EditAction::SelectAll, QKeySequence(Qt::CTRL | Qt::Key_A));

  languageMenu_ = bar_->addMenu(QString());
  menuLanguage = languageMenu_->menuAction();
  const QVariantMap table = mainLanguageTable();
  QAction** items[8] = {&English, &Japese, &Deutsch, &French, &Spanish, &Brazil, &ChineseHant, &Turkish};
  for (int i = 0; i < 8; ++i) {
    // An item's title is the table's name for its code, so that the title
    // looks the code up again.
    QString name = languageNameForCode(table, QLatin1String(kLanguages[i].code));
    if (name.isEmpty()) name = QString::fromUtf8(kLanguages[i].fallbackName);
    QAction* item = languageMenu_->addAction(name);
    item->setCheckable(true);
    QObject::connect(item, &QAction::triggered, this, [this, item] { ChangeLanguage(item); });
    *items[i] = item;
  }

  helpMenu_ = bar_->addMenu(QString());
  menuHelp = helpMenu_->menuAction();
  userGuide = helpMenu_->addAction(QString(), this, [this] { userGuideMenuItemAction(); });
  menuSupport = helpMenu_->addAction(QString(), this, [this] { helpMenuItemAction(); });
}

void MainMenu::attachToTitleBar(QWidget* titleBarView, int rightMargin) {
  if (!titleBarView || !bar_) return;
  rightMargin_ = rightMargin;
  bar_->setParent(titleBarView);
  bar_->setStyleSheet(QStringLiteral("QMenuBar { background: transparent; color: rgb(94,96,97); }"
                                     "QMenuBar::item { background: transparent; padding: 4px 8px; }"
                                     "QMenuBar::item:selected { background: rgb(229,239,255); border-radius: 4px; }"));
  bar_->show();
  placeInTitleBar();
}

void MainMenu::placeInTitleBar() {
  QWidget* titleBarView = bar_ ? bar_->parentWidget() : nullptr;
  if (!titleBarView) return;
  // Right-aligned, so that longer titles in other languages grow away from the
  // window's centred title.
  const QSize size = bar_->sizeHint();
  bar_->setGeometry(titleBarView->width() - rightMargin_ - size.width(),
                    (titleBarView->height() - size.height()) / 2, size.width(), size.height());
}

QList<QAction*> MainMenu::languageItems() const {
  return {English, Japese, Deutsch, French, Spanish, Brazil, ChineseHant, Turkish};
}

void MainMenu::setLangauageState() {
  QString name = KVPublicUtilities::getLangauage();
  if (name.isEmpty()) {
    name = QStringLiteral("English");
    KVPublicUtilities::setLangauage(name);
  }
  menuLanguage->setEnabled(true);
  marked_ = nullptr;
  for (QAction* item : languageMenu_->actions()) {
    const bool on = item->text() == name;
    item->setChecked(on);
    if (on) marked_ = item;
  }

  about->setText(getLocalizedString(QStringLiteral("MENU_ABOUT")));
  userGuide->setText(getLocalizedString(QStringLiteral("MENU_USER_GUIDE")));
  menuSupport->setText(getLocalizedString(QStringLiteral("MENU_SUPPORT_CENTER")));
  checkUpMenuItem->setText(getLocalizedString(QStringLiteral("MENU_UPDATE")));
  hideSelf->setText(getLocalizedString(QStringLiteral("MENU_HIDE_UI")));
  hideOther->setText(getLocalizedString(QStringLiteral("MENU_HIDE_OTHER")));
  showAll->setText(getLocalizedString(QStringLiteral("MENU_SHOW_ALL")));
  menuExit->setText(getLocalizedString(QStringLiteral("MENU_EXIT")));
  editMenu_->setTitle(getLocalizedString(QStringLiteral("MENU_EDIT")));
  menuCut->setText(getLocalizedString(QStringLiteral("MENU_CUT")));
  menuCopy->setText(getLocalizedString(QStringLiteral("MENU_COPY")));
  menuPaste->setText(getLocalizedString(QStringLiteral("MENU_Paste")));
  menuSelectAll->setText(getLocalizedString(QStringLiteral("MENU_SELECT_ALL")));
  languageMenu_->setTitle(getLocalizedString(QStringLiteral("MENU_Language")));
  helpMenu_->setTitle(getLocalizedString(QStringLiteral("MENU_HELP")));
  placeInTitleBar();
}

void MainMenu::ChangeLanguage(QAction* item) {
  if (!item) return;
  if (item == marked_) {
    // The menu toggled the mark off on its way here; the choice changes nothing.
    item->setChecked(true);
    return;
  }
  QString name = item->text();
  if (name.isEmpty()) name = QStringLiteral("English");
  SystemLog("set ---Lang : %s", qPrintable(name));
  KVPublicUtilities::setLangauage(name);
  QString code = mainLanguageTable().value(name).toString();
  if (code.isEmpty()) code = QStringLiteral("en");
  applyLanguageCode(code);
  setLangauageState();
  platform::NotificationCenter::defaultCenter().postNotificationName(QStringLiteral("UPDATE_LANGUAGE"));
}

QString MainMenu::helpAddress(const QString& linkKey) {
  const QString pattern = KVLinkUrl::GetUrl(linkKey);
  if (pattern.isEmpty()) return QString();
  return KVPublicUtilities::setLangWithLink(pattern);
}

void MainMenu::userGuideMenuItemAction() {
  const QString address = helpAddress(QStringLiteral("OnlineHelp"));
  if (!address.isEmpty()) platform::Workspace::shared().openURL(QUrl(address));
}

void MainMenu::helpMenuItemAction() {
  const QString address = helpAddress(QStringLiteral("Support"));
  if (!address.isEmpty()) platform::Workspace::shared().openURL(QUrl(address));
}

void MainMenu::aboutMenuItemAction() {
  TCPreferenceWindowController controller;
  centre(controller.window());
  uikit::runModalForWindow(controller.window());
}

void MainMenu::checkUpdateMenuItemAction() {
  auto* controller = new KVCheckUpdateWindowController;
  centre(controller->window());
  // The session ends on the window's own close paths only: its buttons, or the
  // end of the fade-out that a close from the window system starts.
  uikit::runModalForWindow(controller->window());
  // A check still on its way finds the controller gone and drops its result.
  controller->deleteLater();
}
