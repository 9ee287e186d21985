#pragma once

// Small builders the panels share: a named button wide enough for its caption, and a label
// that names its buddy field.
#include "controls/buddy_label.h"
#include "controls/zen_button.h"

#include <QLabel>

namespace kestrel {

inline ZENButton* MakeButton(const char* objectName, const char* caption, QWidget* parent) {
  auto* b = new ZENButton(parent);
  b->setObjectName(QString::fromLatin1(objectName));
  b->setCaption(QString::fromUtf8(caption));
  b->setMinimumWidth(b->sizeHint().width() + 16);
  return b;
}

inline QLabel* MakeBuddyLabel(const char* text, QWidget* buddy, QWidget* parent) {
  return new BuddyLabel(QString::fromUtf8(text), buddy, parent);
}

}  // namespace kestrel
