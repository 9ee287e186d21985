#pragma once

#include <QLabel>

namespace kestrel {

// The caption of a control with the keyboard mnemonic that gives it the focus ("&To"). Drawn,
// the underlined letter stands apart from its neighbours and loses their kerning, so the caption
// is wider than QLabel measures it; it asks for the width of its glyphs one by one.
class BuddyLabel : public QLabel {
 public:
  BuddyLabel(const QString& text, QWidget* buddy, QWidget* parent);

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;
};

}  // namespace kestrel
