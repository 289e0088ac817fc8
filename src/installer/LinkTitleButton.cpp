#include "installer/LinkTitleButton.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QTextDocument>

#include "uikit/Style.h"

namespace {
QString linked(const QString& text) {
  return QStringLiteral("<span style=\"color:#0564ff;text-decoration:underline\">%1</span>").arg(text.toHtmlEscaped());
}
}  // namespace

void LinkTitleButton::setLinkTitle(const QString& title, const QString& linkPart, bool allLink) {
  setText(title);
  const int at = linkPart.isEmpty() ? -1 : title.indexOf(linkPart);
  if (allLink)
    html_ = linked(title);
  else if (at < 0)
    html_ = title.toHtmlEscaped();
  else
    html_ = title.left(at).toHtmlEscaped() + linked(linkPart) + title.mid(at + linkPart.size()).toHtmlEscaped();
  update();
}

void LinkTitleButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  QTextDocument doc;
  doc.setDefaultFont(font());
  doc.setDefaultStyleSheet(QStringLiteral("body{color:#3a3a3a}"));
  doc.setHtml(QStringLiteral("<body>") + html_ + QStringLiteral("</body>"));
  doc.setDocumentMargin(0);
  doc.setTextWidth(width());
  QTextOption option = doc.defaultTextOption();
  option.setAlignment(align_ & Qt::AlignHorizontal_Mask);
  doc.setDefaultTextOption(option);
  const double top = (align_ & Qt::AlignVCenter) ? (height() - doc.size().height()) / 2 : 0;
  p.translate(0, top);
  doc.drawContents(&p);
}
