#pragma once

#include "controls/zen_button.h"

#include <QRegion>

class QPainter;

namespace kestrel {

// What one paint of a button depends on.
struct ButtonPaintState {
  int type = 2;
  ZENButton::Look look = ZENButton::Look::Normal;
  bool down = false;  // drawn pushed in: the pressed look, or a check button that is on
  bool focused = false;
  bool enabled = true;
  bool showFocusRect = true;
  QString caption;
  QFont font;
  QPixmap picture;
  int picturePosition = 0;
  int specialEffect = 0;
  bool useMaskColor = true;
  bool greyPicture = false;
  ZenColorSet colors;
  QRect bounds;
  QRect inner;
};

// The area the caption and picture are laid out in, for a style and a client rectangle.
QRect buttonInnerRect(int type, const QRect& client);
// The window region of a style; empty when the button is a plain rectangle.
QRegion buttonRegion(int type, const QRect& client);

// The one paint routine: frame and background of the style, picture, caption, focus rect.
void paintButton(QPainter& p, const ButtonPaintState& s);
// Frame and background of the style, for paintButton.
void paintFrame(QPainter& p, const ButtonPaintState& s);

}  // namespace kestrel
