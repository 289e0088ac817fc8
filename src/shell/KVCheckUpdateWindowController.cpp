#include "shell/KVCheckUpdateWindowController.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <cmath>
#include <thread>

#include "platform/NotificationCenter.h"
#include "platform/Queue.h"
#include "platform/SystemLog.h"
#include "platform/Workspace.h"
#include "services/Color.h"
#include "services/KVLinkUrl.h"
#include "services/KVPublicUtilities.h"
#include "services/Localization.h"
#include "services/Settings.h"
#include "shell/UpdateCheck.h"
#include "shell/WindowSetup.h"
#include "uikit/ModalSession.h"
#include "uikit/Style.h"
#include "uikit/TCWindowButton.h"

using namespace uikit;

namespace {
constexpr NSSize kUpdateWindowSize{480, 420};
constexpr double kTitleBar = 38;
constexpr double kContentHeight = kUpdateWindowSize.height - kTitleBar;

QWidget* pane(QWidget* content) {
  auto* view = new QWidget(content);
  setFrame(view, NSMakeRect(0, 0, kUpdateWindowSize.width, kContentHeight));
  return view;
}

qint64 localVersionCheck() {
  return update::versionCheckValue(bundleSettings().value(QStringLiteral("VersionCheck")));
}
}  // namespace

KVCheckUpdateWindowController::KVCheckUpdateWindowController(Sources sources, QObject* parent)
    : QObject(parent), sources_(std::move(sources)) {
  if (!sources_.networkProbe) sources_.networkProbe = [] { return KVPublicUtilities::isCanBeUseNetWork(); };
  if (!sources_.descriptionURL)
    sources_.descriptionURL = [] { return QUrl(KVLinkUrl::GetUrl(QStringLiteral("IniURL"))); };
}

KVCheckUpdateWindowController::~KVCheckUpdateWindowController() {
  closed_ = true;
  platform::NotificationCenter::defaultCenter().removeObserver(this);
  delete aWindow;
}

TCImageWindow* KVCheckUpdateWindowController::window() {
  if (!aWindow) {
    aWindow = shell::newFixedWindow(kUpdateWindowSize);
    shell::setWhiteGround(aWindow);
    aWindow->installEventFilter(this);
    // Fade in when first shown.
    setAlphaValue(0);
    fadeTo(1);
    windowDidLoad();
  }
  return aWindow;
}

void KVCheckUpdateWindowController::windowDidLoad() {
  titleBarView = aWindow->titleBarView();
  shell::placeTitleBar(aWindow, kTitleBar, 15, 0);
  QWidget* content = aWindow->contentView();

  checkProgressView = pane(content);
  progressBar = new QProgressBar(checkProgressView);
  progressBar->setTextVisible(false);
  setFrame(progressBar, NSMakeRect(140, 200, 200, 10));
  checkUpdateLabel = shell::centredLabel(checkProgressView, regularFont(14), getColor(71, 71, 71, 1),
                                         NSMakeRect(40, 160, 400, 24));

  noNetworkView = pane(content);
  faileCheckLabel = shell::centredLabel(noNetworkView, regularFont(14), getColor(71, 71, 71, 1),
                                        NSMakeRect(40, 150, 400, 64));

  noUpdateView = pane(content);
  CongreLabel = shell::centredLabel(noUpdateView, sBoldFont(20), getColor(51, 51, 51, 1), NSMakeRect(40, 200, 400, 30));
  lastVersionLabel = shell::centredLabel(noUpdateView, regularFont(14), getColor(99, 100, 104, 1),
                                         NSMakeRect(40, 166, 400, 24));

  haveUpdateView = pane(content);
  newTitleLabel = shell::centredLabel(haveUpdateView, sBoldFont(18), getColor(51, 51, 51, 1),
                                      NSMakeRect(33, kContentHeight - 52, 414, 28));
  versionLabel = shell::centredLabel(haveUpdateView, regularFont(13), getColor(99, 100, 104, 1),
                                     NSMakeRect(33, kContentHeight - 76, 414, 20));
  whatNewLabel = shell::centredLabel(haveUpdateView, sBoldFont(13), getColor(71, 71, 71, 1),
                                     NSMakeRect(33, kContentHeight - 104, 414, 20));
  whatNewLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  changeValueScrollView = new QScrollArea(haveUpdateView);
  changeValueScrollView->setFrameShape(QFrame::NoFrame);
  // The list's white border of 5 and white ground.
  changeValueScrollView->setStyleSheet(QStringLiteral("QScrollArea { border: 5px solid white; background: white; }"));
  changeValueScrollView->viewport()->setAutoFillBackground(true);
  shell::setWhiteGround(changeValueScrollView->viewport());
  changeValueScrollView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setFrame(changeValueScrollView, NSMakeRect(28, 84, 424, kContentHeight - 104 - 84 - 6));
  showVersionScrollView = new QWidget;
  showVersionScrollView->resize(int(update::kDocumentWidth), int(update::kDocumentMinHeight));
  changeValueScrollView->setWidget(showVersionScrollView);
  // The scroll area fills its document with the window grey; the list is white.
  shell::setWhiteGround(showVersionScrollView);
  installButton = new TextImageButton(haveUpdateView);
  setFrame(installButton, NSMakeRect(180, 24, 120, 36));  // the image's own size
  installButton->setImageFromFileNormalName(QStringLiteral("btn_pop_pri"), QStringLiteral("btn_pop_pri_press"),
                                            QStringLiteral("btn_pop_pri_hover"), QStringLiteral("btn_pop_disable"));
  installButton->setButtonEnabled(true);
  QObject::connect(installButton, &QAbstractButton::clicked, this, [this] { updateClickHereAction(); });

  noNetworkView->hide();
  noUpdateView->hide();
  haveUpdateView->hide();
  progressBar->setRange(0, 0);  // animating until a pane replaces it

  shell::routeCloseButton(aWindow, this, [this] { closeWindow(); });
  startCheck();
  changeValueScrollView->ensureVisible(0, 0);
  platform::NotificationCenter::defaultCenter().addObserver(
      this, QStringLiteral("UPDATE_LANGUAGE"), [this](const QVariant&) { changeLanageue(); });
  changeLanageue();
}

void KVCheckUpdateWindowController::changeLanageue() {
  checkUpdateLabel->setText(getLocalizedString(QStringLiteral("UPDATE_CHECKUPDATE")));
  faileCheckLabel->setText(getLocalizedString(QStringLiteral("UPDATE_FAILECHECK")));
  CongreLabel->setText(getLocalizedString(QStringLiteral("UPDATE_CONGRELABEL")));
  lastVersionLabel->setText(getLocalizedString(QStringLiteral("UPDATE_LAST_VERSION")));
  whatNewLabel->setText(getLocalizedString(QStringLiteral("UPDATE_WHAT_NEW")));
  installButton->setTextWithName(getLocalizedString(QStringLiteral("UPDATE_install")));
}

void KVCheckUpdateWindowController::startCheck() {
  // The worker holds only a guarded pointer and touches nothing of the window:
  // a result that arrives after the window closed (or went away) is dropped.
  QPointer<KVCheckUpdateWindowController> self(this);
  std::function<bool()> probe = sources_.networkProbe;
  const QUrl url = sources_.descriptionURL();
  std::thread([self, probe, url] {
    if (!probe()) {
      platform::dispatchMain([self] {
        if (self && !self->closed_) self->showNoNetwork();
      });
      return;
    }
    std::optional<QVariantMap> description = update::dictionaryWithContentsOfURL(url);
    platform::dispatchMain([self, description] {
      if (self && !self->closed_) self->whatIsNewVersionDiff(description);
    });
  }).detach();
}

void KVCheckUpdateWindowController::showPane(QWidget* pane) {
  for (QWidget* view : {checkProgressView, noNetworkView, noUpdateView, haveUpdateView})
    view->setVisible(view == pane);
}

void KVCheckUpdateWindowController::showNoNetwork() { showPane(noNetworkView); }

void KVCheckUpdateWindowController::whatIsNewVersionDiff(const std::optional<QVariantMap>& description) {
  SystemLog("check update -----------------------------5");
  if (!update::isUpdateAvailable(localVersionCheck(), description)) {
    showPane(noUpdateView);
    return;
  }
  showPane(haveUpdateView);
  const QString version = description->value(QStringLiteral("Version")).toString();
  newTitleLabel->setText(getLocalizedString(QStringLiteral("UPDATE_TITLE")).replace(QStringLiteral("%@"), version));
  versionLabel->setText(
      getLocalizedString(QStringLiteral("UPDATE_NEW_VERSION")).replace(QStringLiteral("%@"), version));
  SystemLog("check update -----------------------------6");

  const QVariantMap notes = update::notesForLanguage(*description, KVPublicUtilities::getLangSort());
  SystemLog("check update -----------------------------7");
  const QFont font = systemFont(12);
  const update::NotesLayout layout = update::layoutNotes(notes, [&font](const QString& text) {
    return update::heightForStringDrawing(text, font, update::kNoteWidth);
  });
  SystemLog("check update -----------------------------8");
  showVersionScrollView->resize(int(update::kDocumentWidth), int(std::ceil(layout.documentHeight)));
  for (const update::NoteRow& row : layout.rows) {
    auto* field = new QLabel(showVersionScrollView);
    field->setObjectName(QStringLiteral("note"));
    field->setWordWrap(true);
    field->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    field->setFont(font);
    field->setTextFormat(Qt::PlainText);
    setTextColor(field, getColor(129, 129, 129, 1));
    field->setText(row.shown);
    field->setToolTip(row.text);
    setFrame(field, NSMakeRect(row.frame.x(), row.frame.y(), row.frame.width(), row.frame.height()));
    field->show();
  }
  changeValueScrollView->ensureVisible(0, 0);
  SystemLog("check update -----------------------------9");
}

QList<QLabel*> KVCheckUpdateWindowController::noteFields() const {
  QList<QLabel*> fields;
  if (!showVersionScrollView) return fields;
  for (QObject* child : showVersionScrollView->children())
    if (auto* label = qobject_cast<QLabel*>(child); label && label->objectName() == QLatin1String("note"))
      fields << label;
  return fields;
}

int KVCheckUpdateWindowController::visiblePane() const {
  if (!checkProgressView) return 0;
  if (!haveUpdateView->isHidden()) return 3;
  if (!noUpdateView->isHidden()) return 2;
  if (!noNetworkView->isHidden()) return 1;
  return 0;
}

void KVCheckUpdateWindowController::updateClickHereAction() {
  const QString address = KVLinkUrl::GetUrl(QStringLiteral("UpdateURL"));
  if (!address.isEmpty()) platform::Workspace::shared().openURL(QUrl(address));
}

void KVCheckUpdateWindowController::closeWindow() {
  if (closed_) return;
  closed_ = true;
  shuttingDown = true;
  if (!aWindow) return;
  uikit::stopModalForWindow(aWindow);
  aWindow->close();
}

void KVCheckUpdateWindowController::fadeTo(double opacity) {
  if (fade_) fade_->stop();
  auto* animation = new QPropertyAnimation(this, "alphaValue", this);
  animation->setDuration(250);
  animation->setEndValue(opacity);
  QObject::connect(animation, &QPropertyAnimation::finished, this, [this, opacity] {
    // Only the end of a fade-out closes; the end of the fade-in does nothing.
    if (opacity == 0.0 && alpha_ == 0.0) closeWindow();
  });
  fade_ = animation;
  animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void KVCheckUpdateWindowController::setAlphaValue(double alpha) {
  alpha_ = alpha;
  // Headless platforms have no window alpha and say so on every change.
  static const bool supported = QGuiApplication::platformName() != QLatin1String("offscreen") &&
                                QGuiApplication::platformName() != QLatin1String("minimal");
  if (aWindow && supported) aWindow->setWindowOpacity(alpha);
}

bool KVCheckUpdateWindowController::eventFilter(QObject* watched, QEvent* event) {
  if (watched == aWindow && event->type() == QEvent::Close && !shuttingDown) {
    // A close from the window system fades out first.
    event->ignore();
    fadeTo(0);
    return true;
  }
  return QObject::eventFilter(watched, event);
}
