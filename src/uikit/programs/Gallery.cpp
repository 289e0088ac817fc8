// The UI kit's gallery: each control with sample content in one window.
//   qdc-gallery [--screenshot FILE.png]
#include <QApplication>
#include <QCommandLineParser>
#include <QEnterEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QStandardItemModel>
#include <QTimer>

#include "platform/Bundle.h"
#include "services/Color.h"
#include "services/Localization.h"
#include "uikit/AttachedWindow.h"
#include "uikit/Backgrounds.h"
#include "uikit/ImageButtons.h"
#include "uikit/Layout.h"
#include "uikit/ListItems.h"
#include "uikit/PVPopover.h"
#include "uikit/ProgressBars.h"
#include "uikit/Style.h"
#include "uikit/TCImageWindow.h"
#include "uikit/Tables.h"

using namespace uikit;

namespace {

QLabel* label(QWidget* parent, const QString& text, const QFont& font, const QColor& color, int x, int y) {
  auto* l = new QLabel(text, parent);
  l->setFont(font);
  setTextColor(l, color);
  l->move(x, y);
  l->adjustSize();
  return l;
}

QLabel* heading(QWidget* parent, const QString& text, int x, int y) {
  return label(parent, text, sBoldFont(14), getColor(94, 96, 97, 1), x, y);
}

QLabel* caption(QWidget* parent, const QString& text, int x, int y) {
  return label(parent, text, systemFont(11), getColor(128, 132, 136, 1), x, y);
}

// A bundle image as a sharp pixmap, at its own size or `side` points square.
QPixmap iconPixmap(const QString& name, int side = 0) {
  const Image img = Image::named(name);
  const QSizeF size = side > 0 ? QSizeF(side, side) : img.size();
  QPixmap pm(size.toSize() * 2);
  pm.setDevicePixelRatio(2);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  img.draw(p, QRectF(QPointF(0, 0), size));
  return pm;
}

// Puts a button into one of its four looks for display.
void showState(FourImageButton* b, int state) {
  if (state == 1) {
    QEnterEvent e(QPointF(3, 3), QPointF(3, 3), QPointF(3, 3));
    QApplication::sendEvent(b, &e);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(3, 3), QPointF(3, 3), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(b, &press);
  } else if (state == 2) {
    QEnterEvent e(QPointF(3, 3), QPointF(3, 3), QPointF(3, 3));
    QApplication::sendEvent(b, &e);
  } else if (state == 3) {
    b->setButtonEnabled(false);
  }
}

// A drop-down list of hover rows, as the screens build theirs.
class SampleList : public QWidget, public SortSelectBgViewDelegate {
 public:
  explicit SampleList(QWidget* parent = nullptr) : QWidget(parent) {
    const QStringList keys = {"UIKIT_GALLERY_ROW_ALL", "UIKIT_GALLERY_ROW_SOME"};
    resize(180, 30 * keys.size());
    for (int i = 0; i < keys.size(); ++i) {
      auto* row = new SortSelectBgView(this);
      row->setTag(i);
      row->setDelegate(this);
      setFrame(row, NSMakeRect(0, height() - 30 * (i + 1), 180, 30));
      auto* l = new QLabel(getLocalizedString(keys[i]), row);
      l->setAttribute(Qt::WA_TransparentForMouseEvents);
      l->setGeometry(14, 0, 160, 30);
      labels_ << l;
    }
    mouseInView(false, 0);
  }
  void mouseInView(bool inside, int tag) override {
    for (int i = 0; i < labels_.size(); ++i) {
      setTextColor(labels_[i], inside && i == tag ? QColor(Qt::white) : getColor(58, 58, 58, 1));
    }
  }
  void selectSortType(SortSelectBgView*) override {}

 private:
  QList<QLabel*> labels_;
};

class Gallery : public QObject, public TCImageWindowDelegate {
 public:
  Gallery() {
    window_.resize(1560, 1080);
    window_.setTitleBarHeight(kMainTitleBarHeight);
    window_.setTrafficLightButtonsLeftMargin(kMainButtonsLeftMargin);
    window_.setTopButtonMoveUp(kMainButtonsMoveUp);
    window_.setDelegate(this);
    auto* title = new QLabel(getLocalizedString("UIKIT_GALLERY_TITLE"), window_.titleBarView());
    title->setFont(sBoldFont(16));
    setTextColor(title, getColor(94, 96, 97, 1));
    title->setAlignment(Qt::AlignCenter);
    title->setGeometry(630, 14, 300, 20);
    auto* line = new QWidget(window_.titleBarView());
    line->setAutoFillBackground(true);
    QPalette lp = line->palette();
    lp.setColor(QPalette::Window, deviceColor(230, 230, 235, 1));
    line->setPalette(lp);
    line->setGeometry(0, 47, 1560, 1);
    content_ = new BGMView;
    window_.setContentView(content_);
    window_.layoutTrafficLightsAndContent();
    buildButtons();
    buildProgress();
    buildTables();
    buildBackgrounds();
    buildAttached();
    buildPopover();
  }
  TCImageWindow& window() { return window_; }

  void tcimageWindowBecomeKeyWindow() override {}

 private:
  void buildButtons() {
    heading(content_, "TextImageButton", 20, 16);
    struct Family { QString n, p, h, d; };
    const QList<Family> families = {
        {"btn_pri", "btn_pri_press", "btn_pri_hover", "btn_pri_disable"},
        {"btn_sec", "btn_sec_press", "btn_sec_hover", "btn_sec_disable"},
        {"btn_pri_l", "btn_pri_l_press", "btn_pri_l_hover", "btn_pri_l_dis"},
        {"btn_pop_pri", "btn_pop_pri_press", "btn_pop_pri_hover", "btn_pop_disable"},
        {"btn_pop_sec", "btn_pop_press", "btn_pop_hover", "btn_pop_disable"},
        {"btn_rename", "btn_rename_press", "btn_rename_hover", "btn_rename_disable"},
        {"btn_main", "btn_main_press", "btn_main_hover", "btn_main_disable"},
        {"btn_tool", "btn_tool_press", "btn_tool_hover", "btn_tool_disable"},
        {"btn_cancel", "btn_cancel_press", "btn_cancel_hover", "btn_cancel_disable"},
    };
    const char* states[] = {"normal", "pressed", "hover", "disabled"};
    for (int s = 0; s < 4; ++s) caption(content_, states[s], 125 + s * 245, 40);
    int y = 58;
    for (const Family& f : families) {
      caption(content_, f.n, 20, y + 8);
      const QSizeF size = Image::named(f.n).size();
      for (int s = 0; s < 4; ++s) {
        auto* b = new TextImageButton(content_);
        b->setGeometry(125 + s * 245, y, int(size.width()), int(size.height()));
        b->setImageFromFileNormalName(f.n, f.p, f.h, f.d);
        b->setTextWithName(getLocalizedString(f.n == "btn_sec" || f.n == "btn_pop_sec" || f.n == "btn_cancel"
                                                  ? "UIKIT_GALLERY_CANCEL"
                                              : f.n == "btn_rename" ? "UIKIT_GALLERY_RENAME"
                                                                    : "UIKIT_GALLERY_OK"));
        showState(b, s);
      }
      y += int(size.height()) + 8;
    }
    caption(content_, "Cancel / TCImage", 20, y + 8);
    for (int s = 0; s < 4; ++s) {
      auto* c = new CancelTextImageButton(content_);
      c->setGeometry(125 + s * 245, y, 120, 36);
      // Its text is white, then blue on hover and pressed, pale when disabled:
      // a filled image, two light ones and a darker grey one suit it.
      c->setImageFromFileNormalName("btn_pop_pri", "btn_pop_press", "btn_pop_hover", "btn_tool_disable");
      c->setTextWithName(getLocalizedString("UIKIT_GALLERY_CANCEL"));
      showState(c, s);
      auto* t = new TCImageButton(content_);
      t->setGeometry(125 + s * 245 + 128, y, 16, 16);
      t->setImageFromFileNormalName("ic_open", "ic_open_press", "ic_open_hover", "ic_open_disable");
      showState(t, s);
      auto* x = new TCImageButton(content_);
      x->setGeometry(125 + s * 245 + 152, y, 16, 16);
      x->setImageFromFileNormalName("ic_close", "ic_close_press", "ic_close_hover", "ic_close");
      showState(x, s);
    }
    auto* link = new KVHandButton(content_);
    link->setText("KVHandButton");
    link->setGeometry(20, y + 44, 110, 20);
    buttonsBottom_ = y + 70;
  }

  void buildProgress() {
    const int x0 = 20;
    int y = buttonsBottom_ + 10;
    heading(content_, "StripedProgressBar / DiskSizeProgress / KVProgressView / ProgressView", x0, y);
    y += 28;
    const double values[] = {0.0, 0.25, 0.6, 1.0};
    for (int i = 0; i < 4; ++i) {
      auto* bar = new StripedProgressBar(content_);
      bar->setGeometry(x0 + i * 250, y, 220, 12);
      bar->setFloatValue(values[i]);
      caption(content_, QString::number(int(values[i] * 100)) + " %", x0 + i * 250, y + 14);
    }
    y += 34;
    const float percents[] = {10, 50, 99.6f, 100};
    for (int i = 0; i < 4; ++i) {
      auto* d = new DiskSizeProgress(content_);
      d->setGeometry(x0 + i * 250, y, 200, 4);
      d->changeProgressValue(percents[i]);
      auto* pv = new ProgressView(content_);
      pv->setGeometry(x0 + i * 250, y + 14, 200, 6);
      pv->changeProgressValue(int(percents[i]));
      caption(content_, QString::number(percents[i]) + " %", x0 + i * 250, y + 22);
    }
    y += 42;
    for (int i = 0; i < 2; ++i) {
      auto* kv = new KVProgressView(content_);
      kv->setGeometry(x0 + i * 500, y, 436, 22);
      kv->changeProgressValue(i ? 75 : 30);
    }
    progressBottom_ = y + 30;
  }

  void buildTables() {
    const int x0 = 20, y = progressBottom_ + 10;
    heading(content_, "KVNSTableView / OverlayScrollView / CommOutlineView", x0, y);
    auto* model = new QStandardItemModel(40, 2, this);
    model->setHorizontalHeaderLabels({getLocalizedString("UIKIT_GALLERY_NAME"), getLocalizedString("UIKIT_GALLERY_SIZE")});
    const QPixmap disk = iconPixmap("ic_disk_main", 18);
    for (int r = 0; r < 40; ++r) {
      auto* name = new QStandardItem(QString("Volume %1").arg(r + 1));
      name->setData(disk, Qt::DecorationRole);
      model->setItem(r, 0, name);
      model->setItem(r, 1, new QStandardItem(QString("%1 GB").arg((r + 1) * 16)));
    }
    auto* sv = new OverlayScrollView(content_);
    auto* table = new KVNSTableView;
    table->setModel(model);
    table->setItemDelegateForColumn(0, new ImageAndTextCell(table));
    table->setColumnWidth(0, 200);
    sv->setDocumentView(table);
    sv->setGeometry(x0, y + 28, 340, 150);
    auto* empty = new KVNSTableView(content_);
    empty->setModel(new QStandardItemModel(0, 2, this));
    empty->setGeometry(x0 + 360, y + 28, 460, 150);
    empty->changeNoValue(false);
    // The outline's rows are views of their own, as the screens supply them.
    auto* outline = new CommOutlineView(content_);
    const QVariantList items = {"Applications", "Documents", "Pictures", "Music"};
    outline->loadDataFormDetail(items, 0);
    for (int r = 0; r < items.size(); ++r) {
      auto* cell = new QLabel(items[r].toString());
      cell->setFont(systemFont(13));
      cell->setContentsMargins(8, 0, 0, 0);
      outline->setIndexWidget(outline->model()->index(r, 0), cell);
    }
    outline->setGeometry(x0 + 840, y + 28, 160, 150);
    tablesBottom_ = y + 186;
  }

  void buildBackgrounds() {
    const int y = tablesBottom_ + 6;
    heading(content_, "Backgrounds", 20, y);
    QList<QPair<QString, QWidget*>> views = {
        {"TopBgView", new TopBgView(content_)},       {"BGWView", new BGWView(content_)},
        {"EndViewTipBgView", new EndViewTipBgView(content_)}, {"PopWBgView", new PopWBgView(content_)},
        {"PopNoHeaderV", new PopNoHeaderV(content_)}, {"PopWTopBgView", new PopWTopBgView(content_)},
        {"PopBgView", new PopBgView(content_)},       {"PopInView", new PopInView(content_)},
        {"BgProgressView", new BgProgressView(content_)}};
    for (int i = 0; i < views.size(); ++i) {
      caption(content_, views[i].first, 20 + i * 122, y + 96);
      QWidget* v = views[i].second;
      if (qobject_cast<BGWView*>(v)) {
        // It fills its frame as placed in its superview: give it a superview
        // of its own, so that frame is where the view is.
        auto* holder = new QWidget(content_);
        holder->setGeometry(20 + i * 122, y + 28, 112, 64);
        v->setParent(holder);
        v->setGeometry(0, 0, 112, 64);
        continue;
      }
      v->setGeometry(20 + i * 122, y + 28, 112, 64);
    }
  }

  void buildAttached() {
    // Callouts on each side of a marker, with an arrow so the side shows.
    const int cx = 1330, cyTop = 150;
    heading(content_, "NODEAttachedWindow", 1140, 16);
    auto* marker = new QWidget(content_);
    marker->setAutoFillBackground(true);
    QPalette mp = marker->palette();
    mp.setColor(QPalette::Window, getColor(65, 98, 255, 1));
    marker->setPalette(mp);
    marker->setGeometry(cx - 3, cyTop - 3, 6, 6);
    marker->show();
    const NSPoint p = fromQt(QPointF(cx, cyTop), content_->height());
    for (int side : {SideLeft, SideBelow, SideRight, SideAbove}) {
      auto* err = new ErrorViewController;
      err->setErrorStr(getLocalizedString("UIKIT_GALLERY_ERROR"));
      err->resize(120, err->height() + 14);
      err->errorLabel()->setGeometry(4, 0, 112, err->height());
      auto* w = NODEAttachedWindow::initWithView(err, p, content_, side, 16);
      w->setArrowHeight(8);
      w->setArrowBaseWidth(14);
      w->addToParentWindow();
    }
    // The error callout as the screens show it: no arrow, bottom edge on the point.
    auto* err = new ErrorViewController;
    err->setErrorStr(getLocalizedString("UIKIT_GALLERY_ERROR"));
    showErrorCallout(content_, err, fromQt(QPointF(1330, 330), content_->height()));

    // A drop-down list on its point.
    heading(content_, "RAttachedWindow", 1140, 370);
    showDropDown(content_, new SampleList, fromQt(QPointF(1330, 470), content_->height()));

    // A panel over a small stand-in for the main window.
    heading(content_, "StatusAttachedWindow", 1140, 490);
    auto* mini = new BGMView(content_);
    mini->setGeometry(1140, 518, 380, 240);
    auto* panel = new PopInView;
    panel->resize(mini->size());
    auto* inner = new QLabel(getLocalizedString("UIKIT_GALLERY_PANEL"), panel);
    inner->setAlignment(Qt::AlignCenter);
    inner->setGeometry(0, 70, 380, 30);
    auto* ok = new TextImageButton(panel);
    ok->setGeometry(130, 130, 120, 36);
    ok->setImageFromFileNormalName("btn_pop_pri", "btn_pop_pri_press", "btn_pop_pri_hover", "btn_pop_disable");
    ok->setTextWithName(getLocalizedString("UIKIT_GALLERY_OK"));
    showPanel(mini, panel);
  }

  void buildPopover() {
    heading(content_, "PVPopoverController", 1140, 780);
    popButton_ = new TextImageButton(content_);
    popButton_->setGeometry(1140, 810, 160, 40);
    popButton_->setImageFromFileNormalName("btn_pri", "btn_pri_press", "btn_pri_hover", "btn_pri_disable");
    popButton_->setTextWithName(getLocalizedString("UIKIT_GALLERY_POPOVER"));
    QObject::connect(popButton_, &QAbstractButton::clicked, this, [this] { togglePopover(); });

    heading(content_, "Images", 1140, 870);
    const QStringList names = {"ic_disk_main", "ic_usb_main", "ic_os_main_b", "checkbox_unsel", "checkbox_halfsel",
                               "checkbox_sel", "radiobutton_unsel", "radiobutton_sel", "arrow"};
    int x = 1140;
    for (const QString& n : names) {
      const Image img = Image::named(n);
      auto* l = new QLabel(content_);
      l->setPixmap(iconPixmap(n));
      l->setGeometry(x, 900 + (48 - int(img.size().height())) / 2, int(img.size().width()), int(img.size().height()));
      x += int(img.size().width()) + 10;
    }
  }

  void togglePopover() {
    if (popover_ && popover_->popoverIsVisible()) {
      popover_->closePopover();
      return;
    }
    // Each opening makes a new controller and content, on the next side.
    delete popover_;
    delete popContent_;
    popContent_ = new QLabel(getLocalizedString("UIKIT_GALLERY_PICKER"));
    popContent_->setAlignment(Qt::AlignCenter);
    popContent_->resize(220, 120);
    popover_ = new PVPopoverController(popContent_, this);
    popover_->setColor(Qt::white);
    popover_->setBorderColor(Qt::white);
    popover_->setBorderWidth(1);
    popover_->setAnimates(true);
    side_ = side_ % 4 + 1;
    popover_->presentPopoverFromRect(NSMakeRect(0, 0, popButton_->width(), popButton_->height()), popButton_,
                                     side_, true);
  }

  TCImageWindow window_;
  QWidget* content_ = nullptr;
  int buttonsBottom_ = 0, progressBottom_ = 0, tablesBottom_ = 0;
  TextImageButton* popButton_ = nullptr;
  QPointer<PVPopoverController> popover_;
  QPointer<QLabel> popContent_;
  int side_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QCommandLineParser parser;
  parser.addOption({"screenshot", "Write a picture of the window to FILE and exit.", "FILE"});
  parser.addHelpOption();
  parser.process(app);
  if (qEnvironmentVariableIsEmpty("QDC_BUNDLE")) {
    platform::Bundle::setMainBundlePath(QDC_BUILD_APP_BUNDLE);
  } else {
    platform::Bundle::setMainBundlePath(qEnvironmentVariable("QDC_BUNDLE"));
  }
  Gallery gallery;
  gallery.window().show();
  if (parser.isSet("screenshot")) {
    const QString file = parser.value("screenshot");
    QTimer::singleShot(300, &app, [&] {
      const bool ok = gallery.window().grab().save(file);
      if (!ok) qWarning("cannot write %s", qPrintable(file));
      app.exit(ok ? 0 : 1);
    });
  }
  return app.exec();
}
