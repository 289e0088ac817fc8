#include "disktool/FormatPanels.h"

#include <QPainter>
#include <QProgressBar>
#include <QTimer>

#include "disktool/DiskManagerModel.h"
#include "disktool/DiskManagerViews.h"
#include "platform/Bundle.h"
#include "platform/Queue.h"
#include "services/Localization.h"
#include "uikit/Backgrounds.h"
#include "uikit/Layout.h"
#include "uikit/Style.h"

namespace {

constexpr double kBoxWidth = 520;

// A panel button: primary (blue) or secondary, with its localized title.
TextImageButton* makePopButton(QWidget* parent, const QString& name, bool primary, const QRect& frame,
                               const QString& titleKey) {
  auto* b = new TextImageButton(parent);
  b->setObjectName(name);
  if (primary)
    b->setImageFromFileNormalName(QStringLiteral("btn_pop_pri"), QStringLiteral("btn_pop_pri_press"),
                                  QStringLiteral("btn_pop_pri_hover"), QStringLiteral("btn_pop_disable"));
  else
    b->setImageFromFileNormalName(QStringLiteral("btn_pop_sec"), QStringLiteral("btn_pop_press"),
                                  QStringLiteral("btn_pop_hover"), QStringLiteral("btn_pop_disable"));
  b->setGeometry(frame);
  b->setTextWithName(getLocalizedString(titleKey));
  b->setButtonEnabled(true);
  return b;
}

// The small chevron of the file-system field.
class DropArrow : public QWidget {
 public:
  using QWidget::QWidget;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(getColor(58, 58, 58, 1), 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const double w = width(), h = height();
    p.drawPolyline(QPolygonF({QPointF(w * 0.2, h * 0.35), QPointF(w * 0.5, h * 0.65), QPointF(w * 0.8, h * 0.35)}));
  }
};

}  // namespace

// ---- base ------------------------------------------------------------------

FormatPanelBase::FormatPanelBase(const QSize& windowSize, double boxHeight, QWidget* parent) : QWidget(parent) {
  resize(windowSize);
  box = new PopBgView(this);
  box->setObjectName(QStringLiteral("panelBox"));
  // Centred across the window, so that the file-system field of the
  // confirmation lies just below the drop-down's fixed point (665, 182).
  const double x = (windowSize.width() - kBoxWidth) / 2;
  const double y = 245 - boxHeight / 2;
  uikit::setFrame(box, uikit::NSMakeRect(x, y, kBoxWidth, boxHeight));
}

QRect FormatPanelBase::boxFrame(double x, double y, double w, double h) const {
  return uikit::toQt(uikit::NSMakeRect(x, y, w, h), box->height());
}

void FormatPanelBase::closeWindow() {
  if (!superDelegate) return;
  StatusAttachedWindow* w = superDelegate;
  superDelegate = nullptr;
  w->close();
  w->dismiss();
}

// ---- drop-down list ---------------------------------------------------------

FormatTypeViewController::FormatTypeViewController(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("FormatTypeViewController"));
  setAttribute(Qt::WA_Hover);
  resize(290, 4 * 30 + 8);
  for (int i = 0; i < 4; ++i) {
    auto* row = new SortSelectBgView(this);
    row->setObjectName(QStringLiteral("view_%1").arg(i + 1));
    row->setIdentifier(QString::number(i));
    row->setDelegate(this);
    row->setGeometry(0, 4 + i * 30, 290, 30);
    auto* label = makeTextField(row, QStringLiteral("label_%1").arg(i + 1), uikit::regularFont(13), getColor(58, 58, 58, 1));
    label->setText(QString::fromLatin1(diskmanager::kFormatPersonalities[i]));
    label->setGeometry(14, 0, 262, 30);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    views_[i] = row;
    labels_[i] = label;
  }
}

void FormatTypeViewController::mouseInView(bool inside, int tag) {
  for (int i = 0; i < 4; ++i)
    setTextFieldColor(labels_[i], inside && tag == i ? QColor(Qt::white) : getColor(58, 58, 58, 1));
}

void FormatTypeViewController::selectSortType(SortSelectBgView* row) {
  if (auto* d = delegate_.get()) d->selectFormatbyType(row->identifier().toInt());
}

void FormatTypeViewController::enterEvent(QEnterEvent* e) {
  QWidget::enterEvent(e);
  if (auto* d = delegate_.get()) d->mouseEixtView(false);
}

void FormatTypeViewController::leaveEvent(QEvent* e) {
  QWidget::leaveEvent(e);
  if (auto* d = delegate_.get()) d->mouseEixtView(true);
}

// ---- confirmation -----------------------------------------------------------

MakeSureFormatViewController::MakeSureFormatViewController(const QSize& windowSize, QWidget* parent)
    : FormatPanelBase(windowSize, 330, parent) {
  setObjectName(QStringLiteral("MakeSureFormatViewController"));
  const QColor dark = getColor(58, 58, 58, 1);
  titleLabel = makeTextField(box, QStringLiteral("titleLabel"), uikit::sBoldFont(16), dark);
  titleLabel->setGeometry(boxFrame(30, 272, 460, 30));
  titleLabel->setWordWrap(true);
  nodeLabel = makeTextField(box, QStringLiteral("nodeLabel"), uikit::regularFont(12), getColor(110, 110, 110, 1));
  nodeLabel->setGeometry(boxFrame(30, 196, 460, 68));
  nodeLabel->setWordWrap(true);
  nodeLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  nameLabel = makeTextField(box, QStringLiteral("nameLabel"), uikit::regularFont(13), dark);
  nameLabel->setGeometry(boxFrame(30, 130, 170, 30));
  nameLabel->setText(getLocalizedString(QStringLiteral("Format_name")));
  auto* nameBg = new TextFiledBgView(box);
  nameBg->setGeometry(boxFrame(210, 130, 290, 30));
  nameTextFiled = makeEditField(nameBg, QStringLiteral("nameTextFiled"), QRect(8, 3, 274, 24));

  fileSystemLabel = makeTextField(box, QStringLiteral("fileSystemLabel"), uikit::regularFont(13), dark);
  fileSystemLabel->setGeometry(boxFrame(30, 70, 170, 30));
  fileSystemLabel->setText(getLocalizedString(QStringLiteral("Format_tyle")));
  fileSysBg = new QLabel(box);
  fileSysBg->setObjectName(QStringLiteral("fileSysBg"));
  fileSysBg->setScaledContents(true);
  fileSysBg->setGeometry(boxFrame(210, 70, 290, 30));
  typeLabel = makeTextField(box, QStringLiteral("typeLabel"), uikit::regularFont(13), dark);
  typeLabel->setGeometry(boxFrame(222, 73, 240, 24));
  openImageV = new DropArrow(box);
  openImageV->setObjectName(QStringLiteral("openImageV"));
  openImageV->setGeometry(boxFrame(470, 77, 16, 16));
  typeSelectBut = new QPushButton(box);
  typeSelectBut->setObjectName(QStringLiteral("typeSelectBut"));
  typeSelectBut->setFlat(true);
  typeSelectBut->setStyleSheet(QStringLiteral("QPushButton { background: transparent; border: none; }"));
  typeSelectBut->setGeometry(boxFrame(210, 70, 290, 30));
  connect(typeSelectBut, &QPushButton::clicked, this, &MakeSureFormatViewController::openMenuAction);

  noButton = makePopButton(box, QStringLiteral("noButton"), false, boxFrame(244, 18, 120, 36),
                           QStringLiteral("COMM_CANCEL"));
  connect(noButton, &QAbstractButton::clicked, this, &MakeSureFormatViewController::noButtonAction);
  okButton = makePopButton(box, QStringLiteral("okButton"), true, boxFrame(380, 18, 120, 36),
                           QStringLiteral("COMM_Continue"));
  connect(okButton, &QAbstractButton::clicked, this, &MakeSureFormatViewController::okButtonAction);
}

MakeSureFormatViewController::~MakeSureFormatViewController() {
  // A panel that goes without an answer (its window closed some other way)
  // counts as cancelled, so the next Format click opens a new one.
  if (!answered_)
    if (auto* d = delegate_.get()) d->cancelFormatVoluem();
}

void MakeSureFormatViewController::setName(const QString& volumeName, const QString& fileSystem) {
  titleLabel->setText(getLocalizedString(QStringLiteral("Format_title")).replace(QStringLiteral("%@"), volumeName));
  nodeLabel->setText(getLocalizedString(QStringLiteral("Format_node")).replace(QStringLiteral("%@"), volumeName));
  nameTextFiled->setReadOnly(true);
  nameTextFiled->setText(volumeName);
  QPointer<QLineEdit> field(nameTextFiled);
  platform::dispatchMain([field] {
    if (field) field->setReadOnly(false);
  });
  typeLabel->setText(fileSystem);
  setTextFieldColor(typeLabel, getColor(58, 58, 58, 1));
  openImageV->show();
  fileSysBgName_ = QStringLiteral("format_input");
  fileSysBg->setPixmap(platform::Bundle::mainBundle().imageNamed(QStringLiteral("format_input"), QSize(580, 60)));
  if (fileSystem.toLower().contains(QLatin1String("apfs"))) {
    setTextFieldColor(typeLabel, getColor(218, 220, 224, 1));
    openImageV->hide();
    typeSelectBut->setEnabled(false);
    fileSysBgName_ = QStringLiteral("format_input_disable");
    fileSysBg->setPixmap(
        platform::Bundle::mainBundle().imageNamed(QStringLiteral("format_input_disable"), QSize(580, 60)));
  }
}

void MakeSureFormatViewController::openMenuAction() {
  if (sortDropDown->isOpen() || !superDelegate) return;
  auto* content = new FormatTypeViewController;
  content->setDelegate(this);
  formatTypeVC = content;
  sortDropDown->open(superDelegate, content->view(), uikit::kDropDownPointFormat);
}

void MakeSureFormatViewController::closeMattachedWindow() {
  sortDropDown->close();
  formatTypeVC = nullptr;
}

void MakeSureFormatViewController::mouseEixtView(bool exited) {
  if (exited) closeMattachedWindow();
}

void MakeSureFormatViewController::selectFormatbyType(int index) {
  if (index >= 0 && index < 4) typeLabel->setText(QString::fromLatin1(diskmanager::kFormatPersonalities[index]));
  mouseEixtView(true);
}

void MakeSureFormatViewController::okButtonAction() {
  if (answered_) return;
  answered_ = true;
  const QString name = nameTextFiled->text();
  const QString type = typeLabel->text();
  // The window goes first: the delegate may show the next panel at once.
  closeWindow();
  if (auto* d = delegate_.get()) d->makeSureToFormatSelectVolumeWithName(name, type);
}

void MakeSureFormatViewController::noButtonAction() {
  if (answered_) return;
  answered_ = true;
  closeWindow();
  if (auto* d = delegate_.get()) d->cancelFormatVoluem();
}

// ---- progress ---------------------------------------------------------------

FormatingViewController::FormatingViewController(const QSize& windowSize, QWidget* parent)
    : FormatPanelBase(windowSize, 160, parent) {
  setObjectName(QStringLiteral("FormatingViewController"));
  nodelLabel = makeTextField(box, QStringLiteral("nodelLabel"), uikit::sBoldFont(15), getColor(58, 58, 58, 1));
  nodelLabel->setAlignment(Qt::AlignCenter);
  nodelLabel->setWordWrap(true);
  nodelLabel->setGeometry(boxFrame(30, 86, 460, 44));
  nodelLabel->setText(getLocalizedString(QStringLiteral("Format_formatting")));
  auto* busy = new QProgressBar(box);
  busy->setObjectName(QStringLiteral("formatBusy"));
  busy->setRange(0, 0);
  busy->setTextVisible(false);
  busy->setGeometry(boxFrame(60, 46, 400, 8));
}

// ---- completion -------------------------------------------------------------

FormatEndViewController::FormatEndViewController(const QSize& windowSize, QWidget* parent)
    : FormatPanelBase(windowSize, 190, parent) {
  setObjectName(QStringLiteral("FormatEndViewController"));
  titleLabel = makeTextField(box, QStringLiteral("titleLabel"), uikit::sBoldFont(15), getColor(58, 58, 58, 1));
  titleLabel->setAlignment(Qt::AlignCenter);
  titleLabel->setWordWrap(true);
  titleLabel->setGeometry(boxFrame(30, 80, 460, 84));
  titleLabel->setText(getLocalizedString(QStringLiteral("Format_complet")));
  closeButton = makePopButton(box, QStringLiteral("closeButton"), true, boxFrame(200, 24, 120, 36),
                              QStringLiteral("COMMNT_OK"));
  connect(closeButton, &QAbstractButton::clicked, this, &FormatEndViewController::closeWindow);
}

void FormatEndViewController::setFailureText(const QString& text) {
  titleLabel->setText(text);
  setTextFieldColor(titleLabel, getColor(230, 72, 72, 1));
}
