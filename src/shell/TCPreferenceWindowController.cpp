#include "shell/TCPreferenceWindowController.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QUrl>

#include "platform/Bundle.h"
#include "platform/NotificationCenter.h"
#include "platform/Workspace.h"
#include "services/Color.h"
#include "services/KVLinkUrl.h"
#include "services/KVPublicUtilities.h"
#include "services/Localization.h"
#include "shell/WindowSetup.h"
#include "uikit/ModalSession.h"
#include "uikit/Style.h"
#include "uikit/TCWindowButton.h"

using namespace uikit;

namespace {
constexpr NSSize kAboutWindowSize{480, 380};
constexpr double kTitleBar = 38;
constexpr double kContentHeight = kAboutWindowSize.height - kTitleBar;
}  // namespace

void AboutVersionBgView::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  QPainterPath path;
  path.addRoundedRect(QRectF(event->rect()), 4, 4);
  painter.fillPath(path, getColor(229, 239, 255, 1));
}

TCPreferenceWindowController::TCPreferenceWindowController(QObject* parent) : QObject(parent) {}

TCPreferenceWindowController::~TCPreferenceWindowController() {
  platform::NotificationCenter::defaultCenter().removeObserver(this);
  delete aWindow;
}

TCImageWindow* TCPreferenceWindowController::window() {
  if (!aWindow) {
    aWindow = shell::newFixedWindow(kAboutWindowSize);
    shell::setWhiteGround(aWindow);
    windowDidLoad();
  }
  return aWindow;
}

void TCPreferenceWindowController::windowDidLoad() {
  shell::routeCloseButton(aWindow, this, [this] { closeWindow(); });
  titleBarView = aWindow->titleBarView();
  shell::placeTitleBar(aWindow, kTitleBar, 15, 0);

  QWidget* content = aWindow->contentView();
  auto* logo = new QLabel(content);
  logo->setPixmap(platform::Bundle::mainBundle().imageNamed(QStringLiteral("about_logo"), QSize(192, 192)));
  logo->setScaledContents(true);
  setFrame(logo, NSMakeRect(200, kContentHeight - 104, 80, 80));

  name = shell::centredLabel(content, sBoldFont(20), getColor(51, 51, 51, 1),
                             NSMakeRect(40, kContentHeight - 144, 400, 30));
  auto* versionBg = new AboutVersionBgView(content);
  setFrame(versionBg, NSMakeRect(165, kContentHeight - 176, 150, 24));
  verson = shell::centredLabel(versionBg, regularFont(13), getColor(22, 110, 255, 1), NSMakeRect(0, 3, 150, 18));
  Introduction = shell::centredLabel(content, regularFont(13), getColor(99, 100, 104, 1),
                                     NSMakeRect(40, 86, 400, 68));
  linkButton = new QPushButton(content);
  linkButton->setFlat(true);
  linkButton->setCursor(Qt::PointingHandCursor);
  linkButton->setFocusPolicy(Qt::NoFocus);
  setFrame(linkButton, NSMakeRect(120, 50, 240, 26));
  copyright = shell::centredLabel(content, regularFont(11), getColor(150, 150, 155, 1),
                                  NSMakeRect(40, 16, 400, 18));

  linkButton->setFont(systemFont(14));
  linkButton->setStyleSheet(QStringLiteral("QPushButton { border: none; background: transparent; color: %1; }")
                                .arg(getColor(22, 110, 255, 1).name()));
  QObject::connect(linkButton, &QPushButton::clicked, this, [this] { linkButtonAction(); });

  platform::NotificationCenter::defaultCenter().addObserver(
      this, QStringLiteral("UPDATE_LANGUAGE"), [this](const QVariant&) { changeLanageue(); });
  changeLanageue();
}

void TCPreferenceWindowController::changeLanageue() {
  name->setText(getLocalizedString(QStringLiteral("WINDOW_TOP_TITLE")));
  Introduction->setText(getLocalizedString(QStringLiteral("ABOUT_NODE")));
  copyright->setText(getLocalizedString(QStringLiteral("COPYRIGHT")));
  // The version line and the link's title are the layout's texts; they follow
  // the language as well.
  const QString version =
      platform::Bundle::mainBundle().infoDictionary().value(QStringLiteral("CFBundleShortVersionString")).toString();
  verson->setText(getLocalizedString(QStringLiteral("ABOUT_VERSION")).replace(QStringLiteral("%@"), version));
  linkButton->setText(getLocalizedString(QStringLiteral("ABOUT_LINK")));
}

QString TCPreferenceWindowController::aboutAddress() {
  const QString pattern = KVLinkUrl::GetUrl(QStringLiteral("AboutURL"));
  if (pattern.isEmpty()) return QString();
  return KVPublicUtilities::setLangWithLink(pattern);
}

void TCPreferenceWindowController::linkButtonAction() {
  const QString address = aboutAddress();
  if (!address.isEmpty()) platform::Workspace::shared().openURL(QUrl(address));
}

void TCPreferenceWindowController::closeWindow() {
  if (!aWindow) return;
  aWindow->close();
  uikit::stopModalForWindow(aWindow);
}
