#pragma once
// The menu bar: localized titles, the language menu with its check mark and the
// run-time language change, About and update windows, and the help links.
// On Linux the bar lives in the main window's title bar.
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QObject>
#include <QPointer>

class MainMenu : public QObject {
  Q_OBJECT
 public:
  explicit MainMenu(QObject* parent = nullptr);
  ~MainMenu() override;

  QMenuBar* menuBar() const { return bar_; }
  // Puts the bar into a window's title bar, vertically centred, `rightMargin`
  // from its right end.
  void attachToTitleBar(QWidget* titleBarView, int rightMargin);

  // Check mark on the current language (recording "English" when none is
  // stored) and every title in the current language.
  void setLangauageState();
  // The action of each language item.
  void ChangeLanguage(QAction* item);
  void aboutMenuItemAction();
  void checkUpdateMenuItemAction();
  void userGuideMenuItemAction();
  void helpMenuItemAction();

  // The language items in menu order: English, Japanese, German, French,
  // Spanish, Brazilian Portuguese, traditional Chinese, Turkish.
  QList<QAction*> languageItems() const;
  // The address a help item opens ("OnlineHelp", "Support") with the language
  // segment put in; "" when the link is missing.
  static QString helpAddress(const QString& linkKey);

  QAction* checkUpMenuItem = nullptr;
  QAction* lineMenuItem = nullptr;
  QAction* menuLanguage = nullptr;
  QAction* English = nullptr;
  QAction* Japese = nullptr;
  QAction* Deutsch = nullptr;
  QAction* French = nullptr;
  QAction* Spanish = nullptr;
  QAction* Brazil = nullptr;
  QAction* ChineseHant = nullptr;
  QAction* Turkish = nullptr;
  QAction* about = nullptr;
  QAction* hideSelf = nullptr;
  QAction* hideOther = nullptr;
  QAction* showAll = nullptr;
  QAction* menuExit = nullptr;
  QAction* menuEidt = nullptr;
  QAction* menuCut = nullptr;
  QAction* menuCopy = nullptr;
  QAction* menuPaste = nullptr;
  QAction* menuSelectAll = nullptr;
  QAction* userGuide = nullptr;
  QAction* menuSupport = nullptr;
  QAction* menuHelp = nullptr;

 private:
  void build();
  void placeInTitleBar();
  int rightMargin_ = 16;
  QPointer<QMenuBar> bar_;
  QMenu* appMenu_ = nullptr;
  QMenu* editMenu_ = nullptr;
  QMenu* languageMenu_ = nullptr;
  QMenu* helpMenu_ = nullptr;
  QPointer<QAction> marked_;  // the language item that carries the check mark
};
