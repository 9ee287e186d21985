#pragma once

// Small builders the mail window's panels share.
#include "controls/buddy_label.h"
#include "controls/zen_button.h"

#include <QLabel>

namespace kestrel::mail {

inline ZENButton* MakeButton(const char* objectName, const char* caption, QWidget* parent) {
  auto* b = new ZENButton(parent);
  b->setObjectName(QString::fromLatin1(objectName));
  b->setCaption(QString::fromUtf8(caption));
  b->setMinimumWidth(b->sizeHint().width() + 16);
  return b;
}

inline QLabel* BuddyLabel(const char* text, QWidget* buddy, QWidget* parent) {
  return new kestrel::BuddyLabel(QString::fromUtf8(text), buddy, parent);
}

}  // namespace kestrel::mail
