#pragma once
// A link-style button whose title has a linked part (blue, underlined); the rest
// of the title stays plain.
#include "uikit/ListItems.h"

class LinkTitleButton : public KVHandButton {
  Q_OBJECT
 public:
  using KVHandButton::KVHandButton;
  // `linkPart` empty or not found in `title`: the whole title is plain text,
  // unless `allLink`, when all of it is the link.
  void setLinkTitle(const QString& title, const QString& linkPart, bool allLink = false);
  // The title as drawn (HTML), for tests.
  QString html() const { return html_; }
  void setAlignment(Qt::Alignment a) { align_ = a; update(); }

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  QString html_;
  Qt::Alignment align_ = Qt::AlignCenter;
};
