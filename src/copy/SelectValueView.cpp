#include "copy/SelectValueView.h"

#include <QFileInfo>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include "platform/Paths.h"
#include "services/FileSizeReader.h"
#include "uikit/ImageButtons.h"
#include "uikit/Style.h"

using namespace uikit;

// ------------------------------------------------------------------ eumeArr

QString volumeIconName(const VolumeObj& volume) {
  if (volume.bCanEject) return QStringLiteral("ic_usb_main");
  if (volume.volumeMountPoint == QLatin1String("/")) return QStringLiteral("ic_os_main_b");
  return QStringLiteral("ic_disk_main");
}

FileNodeList eumeArr(const QStringList& macPaths) {
  static const QStringList kSkipped = {".DS_Store", ".Trashes",        ".Trash",   ".vol",
                                       ".fseventsd", ".Spotlight-V100", ".Volumes", ".Volume"};
  FileNodeList nodes;
  FileSizeReader reader;
  for (const QString& path : macPaths) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const QString name = slash < 0 ? path : path.mid(slash + 1);
    if (kSkipped.contains(name)) continue;
    const bool folder = QFileInfo(platform::hostPath(path)).isDir();
    FileNodePtr node = FileNode::initWithPath(path, name, folder, nullptr);
    if (!folder) node->setSize(reader.getOneFileSizeWithPath(path));
    nodes.append(node);
  }
  return nodes;
}

// -------------------------------------------------------------- SelectBgView

SelectBgView::SelectBgView(QWidget* parent) : QWidget(parent) {}

void SelectBgView::enterEvent(QEnterEvent*) {
  if (auto* d = delegate_.get()) d->mouseInSelectBgView(true);
}

void SelectBgView::leaveEvent(QEvent*) {
  if (auto* d = delegate_.get()) d->mouseInSelectBgView(false);
}

void SelectBgView::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  if (auto* d = delegate_.get()) d->mouseDownAction();
}

// ------------------------------------------------------ SizeView and WbgView

void SizeView::setSizeFloat(float percent) {
  pointSize_ = percent * float(width()) / 100.0f;
  update();
}

void SizeView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const double h = height();
  QPainterPath track;
  track.addRoundedRect(toQtF(NSInsetRect(NSMakeRect(0, 0, width(), h), 0.5, 0.5), h), 3, 3);
  p.fillPath(track, deviceColor(215, 220, 231, 1));
  if (pointSize_ > 0) {
    QPainterPath bar;
    bar.addRoundedRect(toQtF(NSInsetRect(NSMakeRect(0, 0, pointSize_, 6), 0.5, 0.5), h), 3, 3);
    p.fillPath(bar, deviceColor(107, 146, 242, 1));
  }
}

void WbgView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  QPainterPath path;
  path.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 16, 16);
  p.fillPath(path, deviceColor(255, 255, 255, 1));
}

// ------------------------------------------------- named images and buttons

ImageNameButton::ImageNameButton(QWidget* parent) : QAbstractButton(parent) {
  setFocusPolicy(Qt::NoFocus);
  setCursor(Qt::PointingHandCursor);
}

void ImageNameButton::setImageNamed(const QString& name) {
  imageName_ = name;
  update();
}

namespace {
void drawNamedImage(QWidget* w, const QString& name) {
  QPainter p(w);
  p.setRenderHint(QPainter::Antialiasing);
  Image::named(name).draw(p, QRectF(w->rect()));
}
}  // namespace

void ImageNameButton::paintEvent(QPaintEvent*) { drawNamedImage(this, imageName_); }

void NamedImageView::setImageNamed(const QString& name) {
  imageName_ = name;
  update();
}

void NamedImageView::paintEvent(QPaintEvent*) { drawNamedImage(this, imageName_); }

// ----------------------------------------------------------- SelectValueView

namespace {
QLabel* boxLabel(QWidget* parent, const QFont& font, const QColor& color, const NSRect& frame) {
  auto* l = new QLabel(parent);
  l->setFont(font);
  l->setAlignment(Qt::AlignCenter);
  l->setWordWrap(true);
  l->setAttribute(Qt::WA_TransparentForMouseEvents);
  setTextColor(l, color);
  setFrame(l, frame);
  return l;
}
}  // namespace

SelectValueView::SelectValueView(QWidget* parent) : QWidget(parent) {
  resize(int(kSize.width), int(kSize.height));
  bg_ = new SelectBgView(this);
  bg_->setGeometry(rect());
  bg_->setDelegate(this);

  bgImageView_ = new NamedImageView(bg_);
  bgImageView_->setAttribute(Qt::WA_TransparentForMouseEvents);
  bgImageView_->setGeometry(rect());

  dragVie_ = new DragView(bg_);
  dragVie_->setGeometry(rect());
  dragVie_->setDelegate(this);
  dragVie_->installEventFilter(this);

  proSizeView_ = new SizeView(bg_);
  setFrame(proSizeView_, NSMakeRect(60, 28, 200, 6));
  proSizeView_->hide();

  selectDiskBut_ = new ImageNameButton(bg_);
  setFrame(selectDiskBut_, NSMakeRect(128, 108, 64, 64));
  connect(selectDiskBut_, &QAbstractButton::clicked, this, [this] { selectDiskButton(selectDiskBut_); });

  nameLabel_ = boxLabel(bg_, mBoldFont(15), getColor(51, 51, 51, 1), NSMakeRect(20, 76, 280, 24));
  sizeLabel_ = boxLabel(bg_, regularFont(12), getColor(129, 129, 129, 1), NSMakeRect(20, 54, 280, 20));
  nodeSelectLabel_ = boxLabel(bg_, regularFont(13), getColor(129, 129, 129, 1), NSMakeRect(20, 52, 280, 46));

  errorImage_ = new NamedImageView(bg_);
  errorImage_->setAttribute(Qt::WA_TransparentForMouseEvents);
  errorImage_->setImageNamed(QStringLiteral("ic_error"));
  setFrame(errorImage_, NSMakeRect(14, 190, 18, 18));
  errorImage_->hide();

  closeDisk_ = new TCImageButton(bg_);
  setFrame(closeDisk_, NSMakeRect(290, 190, 16, 16));
  closeDisk_->setImageFromFileNormalName(QStringLiteral("ic_close"), QStringLiteral("ic_close_press"),
                                         QStringLiteral("ic_close_hover"), QStringLiteral("ic_close"));
  closeDisk_->setButtonEnabled(true);
  connect(closeDisk_, &QAbstractButton::clicked, this, [this] { closeDiskValue(); });
  closeDisk_->hide();

  isCanSelect_ = true;
  isHaveD = false;
  setSelectImage(QStringLiteral("add"));
  setBgImage(QStringLiteral("source"));
}

void SelectValueView::setDiskFrom(int diskFrom) {
  diskFrom_ = diskFrom;
  const QString n = QString::number(diskFrom);
  setObjectName(QStringLiteral("SelectValueView") + n);
  selectDiskBut_->setObjectName(QStringLiteral("selectDiskBut") + n);
  closeDisk_->setObjectName(QStringLiteral("closeDisk") + n);
  nameLabel_->setObjectName(QStringLiteral("nameLabel") + n);
  sizeLabel_->setObjectName(QStringLiteral("sizeLabel") + n);
  nodeSelectLabel_->setObjectName(QStringLiteral("nodeSelectLabel") + n);
  errorImage_->setObjectName(QStringLiteral("errorImage") + n);
  bgImageView_->setObjectName(QStringLiteral("bgImageView") + n);
  if (dragVie_) dragVie_->setObjectName(QStringLiteral("dragVie") + n);
}

void SelectValueView::setIsHaveD(bool have) { isHaveD = have; }

void SelectValueView::setSelectImage(const QString& name) { selectDiskBut_->setImageNamed(name); }

void SelectValueView::setBgImage(const QString& name) { bgImageView_->setImageNamed(name); }

void SelectValueView::removeDragView() {
  if (!dragVie_) return;
  dragVie_->removeEventFilter(this);
  delete dragVie_.data();
}

void SelectValueView::selectDiskButton(QWidget* sender) {
  if (!isCanSelect_) return;
  if (auto* d = delegate_.get()) d->selectDiskButton(diskFrom_, sender);
}

void SelectValueView::openMenuButtonAction(QWidget* sender) { selectDiskButton(sender); }

void SelectValueView::mouseDownAction() {
  if (!isCanSelect_) return;
  if (auto* d = delegate_.get()) d->selectDiskButton(diskFrom_, selectDiskBut_);
}

void SelectValueView::closeDiskValue() {
  if (!isCanSelect_) return;
  if (auto* d = delegate_.get()) d->closeDiskValue(diskFrom_);
}

void SelectValueView::viewDragAction(const QStringList& paths) {
  if (!isCanSelect_) return;
  // DragView gives an empty Mac path for a file that lies outside the world.
  QStringList outside;
  for (const QString& p : paths)
    if (p.isEmpty()) outside.append(p);
  if (!outside.isEmpty()) {
    if (auto* d = delegate_.get()) d->viewDragRefused(paths);
    return;
  }
  const FileNodeList nodes = eumeArr(paths);
  if (auto* d = delegate_.get()) d->viewDragAction(nodes);
}

void SelectValueView::selectFileButtonAction(QObject* sender) {
  if (auto* d = delegate_.get()) d->selectFileButtonAction(sender);
}

void SelectValueView::mouseInSelectBgView(bool inside) {
  if (!isCanSelect_ || isHaveD) return;
  setBgImage(inside ? QStringLiteral("source_hover") : QStringLiteral("source"));
}

void SelectValueView::changeBgImageViewWithError(bool error) {
  if (!isCanSelect_) return;
  if (error) {
    errorImage_->show();
    setBgImage(QStringLiteral("source_sel_error"));
  } else {
    errorImage_->hide();
    setBgImage(isHaveD ? QStringLiteral("source_sel") : QStringLiteral("source"));
  }
}

bool SelectValueView::eventFilter(QObject* watched, QEvent* event) {
  // The drop area covers the box: a click on it is a click on the box.
  if (watched == dragVie_ && event->type() == QEvent::MouseButtonPress &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    mouseDownAction();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}
