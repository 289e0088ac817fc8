#pragma once
// The update window: checks the network, reads the update description from the
// "IniURL" link on its own thread and shows one of three panes: no network, up
// to date, or the new version with its notes and a button to the update page.
#include <QLabel>
#include <QObject>
#include <QPointer>
#include <QProgressBar>
#include <QPropertyAnimation>
#include <QScrollArea>
#include <QUrl>
#include <QVariantMap>
#include <functional>
#include <optional>

#include "uikit/ImageButtons.h"
#include "uikit/TCImageWindow.h"

class KVCheckUpdateWindowController : public QObject {
  Q_OBJECT
  Q_PROPERTY(double alphaValue READ alphaValue WRITE setAlphaValue)
 public:
  struct Sources {
    // Whether the network answers; the default is the utilities' probe.
    std::function<bool()> networkProbe;
    // Where the description is read; the default is the "IniURL" link.
    std::function<QUrl()> descriptionURL;
  };

  explicit KVCheckUpdateWindowController(Sources sources = {}, QObject* parent = nullptr);
  ~KVCheckUpdateWindowController() override;

  // Loads the window on first use; loading starts the check.
  TCImageWindow* window();

  void changeLanageue();
  // Applies a description (or none) to the panes: the comparison and the list.
  void whatIsNewVersionDiff(const std::optional<QVariantMap>& description);
  void showNoNetwork();
  void updateClickHereAction();
  void closeWindow();
  void closeWindowAction() { closeWindow(); }

  bool isClosed() const { return closed_; }
  // The window's alpha as the fades animate it.
  double alphaValue() const { return alpha_; }
  void setAlphaValue(double alpha);
  // Which pane shows: 0 checking, 1 no network, 2 up to date, 3 update available.
  int visiblePane() const;
  QLabel* titleOfUpdate() const { return newTitleLabel; }
  QLabel* versionOfUpdate() const { return versionLabel; }
  QWidget* notesDocument() const { return showVersionScrollView; }
  QList<QLabel*> noteFields() const;
  TextImageButton* install() const { return installButton; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Shows `pane` and hides the other three.
  void showPane(QWidget* pane);
  void windowDidLoad();
  void startCheck();
  void fadeTo(double opacity);

  Sources sources_;
  TCImageWindow* aWindow = nullptr;
  QWidget* checkProgressView = nullptr;
  QWidget* noNetworkView = nullptr;
  QWidget* noUpdateView = nullptr;
  QWidget* haveUpdateView = nullptr;
  QLabel* versionLabel = nullptr;
  QScrollArea* changeValueScrollView = nullptr;
  QProgressBar* progressBar = nullptr;
  QWidget* showVersionScrollView = nullptr;
  QWidget* titleBarView = nullptr;
  bool shuttingDown = false;
  TextImageButton* installButton = nullptr;
  QLabel* checkUpdateLabel = nullptr;
  QLabel* faileCheckLabel = nullptr;
  QLabel* CongreLabel = nullptr;
  QLabel* lastVersionLabel = nullptr;
  QLabel* whatNewLabel = nullptr;
  QLabel* newTitleLabel = nullptr;
  QPointer<QPropertyAnimation> fade_;
  bool closed_ = false;
  double alpha_ = 1;
};
