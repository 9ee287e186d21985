#pragma once

// The dialog that asks for the two PINs of a contact update while the portal waits for them.

#include <QRect>
#include <QSize>

namespace kestrel {

// Where the PIN dialog stands: centred across the window and clear of the progress panel
// (else of its Cancel button alone), above it or below it, whichever is nearer the window's
// middle, inside the screen. Its top left corner.
QPoint PinDialogPosition(const QSize& dialog, const QRect& window, const QRect& panel, const QRect& cancel,
                         const QRect& screen);

}  // namespace kestrel
