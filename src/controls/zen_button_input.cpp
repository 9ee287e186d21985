#include "controls/zen_button.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QShortcutEvent>

namespace kestrel {

namespace {

// Key codes the key events report.
constexpr int kKeySpace = 32;
constexpr int kKeyLeft = 37;
constexpr int kKeyUp = 38;
constexpr int kKeyRight = 39;
constexpr int kKeyDown = 40;

int buttonCode(Qt::MouseButton button) {
  switch (button) {
    case Qt::LeftButton:
      return ZENButton::kLeftButton;
    case Qt::RightButton:
      return ZENButton::kRightButton;
    case Qt::MiddleButton:
      return ZENButton::kMiddleButton;
    default:
      return 0;
  }
}

int buttonCodes(Qt::MouseButtons buttons) {
  int codes = 0;
  for (const Qt::MouseButton b : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
    if (buttons.testFlag(b))
      codes |= buttonCode(b);
  }
  return codes;
}

int shiftCode(Qt::KeyboardModifiers modifiers) {
  int shift = 0;
  if (modifiers.testFlag(Qt::ShiftModifier))
    shift |= ZENButton::kShiftMask;
  if (modifiers.testFlag(Qt::ControlModifier))
    shift |= ZENButton::kCtrlMask;
  if (modifiers.testFlag(Qt::AltModifier))
    shift |= ZENButton::kAltMask;
  return shift;
}

// Qt's key to the code the key events report (letters, digits and space are the same).
int keyCode(int key) {
  if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9) ||
      key == Qt::Key_Space)
    return key;
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
    return 112 + (key - Qt::Key_F1);
  switch (key) {
    case Qt::Key_Backspace:
      return 8;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return 13;
    case Qt::Key_Shift:
      return 16;
    case Qt::Key_Control:
      return 17;
    case Qt::Key_Alt:
      return 18;
    case Qt::Key_Escape:
      return 27;
    case Qt::Key_PageUp:
      return 33;
    case Qt::Key_PageDown:
      return 34;
    case Qt::Key_End:
      return 35;
    case Qt::Key_Home:
      return 36;
    case Qt::Key_Left:
      return kKeyLeft;
    case Qt::Key_Up:
      return kKeyUp;
    case Qt::Key_Right:
      return kKeyRight;
    case Qt::Key_Down:
      return kKeyDown;
    case Qt::Key_Insert:
      return 45;
    case Qt::Key_Delete:
      return 46;
    default:
      return key < 0x100 ? key : 0;
  }
}

}  // namespace

void ZENButton::setPointerProbe(PointerProbe probe) {
  if (probe) {
    m_pointerProbe = std::move(probe);
    return;
  }
  m_pointerProbe = [](const ZENButton& button) { return QApplication::widgetAt(QCursor::pos()) == &button; };
}

bool ZENButton::pointerOver() const {
  return m_pointerProbe(*this);
}

void ZENButton::mousePressEvent(QMouseEvent* e) {
  const int button = buttonCode(e->button());
  const QPointF at = e->position();
  emit MouseDown(button, shiftCode(e->modifiers()), at.x(), at.y());
  m_lastButton = button;
  if (button != kRightButton)
    paintLook(Look::Pressed);
}

void ZENButton::mouseMoveEvent(QMouseEvent* e) {
  const int buttons = buttonCodes(e->buttons());
  const QPointF at = e->position();
  emit MouseMove(buttons, shiftCode(e->modifiers()), at.x(), at.y());
  if (buttons != 0 && buttons != kLeftButton)
    return;
  const bool over = pointerOver();
  if (!over) {
    paintLook(Look::Normal);
  } else if (buttons == kLeftButton) {
    paintLook(Look::Pressed);
  } else if (!m_hovered) {
    m_overTimer.start();
    m_hovered = true;
    paintLook(Look::Hover);
    emit MouseOver();
  }
}

void ZENButton::mouseReleaseEvent(QMouseEvent* e) {
  const int button = buttonCode(e->button());
  const QPointF at = e->position();
  emit MouseUp(button, shiftCode(e->modifiers()), at.x(), at.y());
  if (button != kRightButton)
    paintLook(restingLook());
  if (rect().contains(at.toPoint()))
    mouseClick();
}

void ZENButton::mouseClick() {
  if (m_lastButton == kLeftButton && isEnabled())
    toggleAndClick();
}

void ZENButton::PerformClick() {
  if (isEnabled())
    toggleAndClick();
}

void ZENButton::toggleAndClick() {
  if (m_checkBox) {
    m_value = !m_value;
    m_propertyChanged = true;
    emit PropertyChanged(QStringLiteral("VALUE"));
  }
  paintLook(restingLook(), m_checkBox);
  emit Click();
}

void ZENButton::pollPointer() {
  if (m_hovered && pointerOver())
    return;
  m_overTimer.stop();
  if (!m_hovered)
    return;
  m_hovered = false;
  paintLook(m_look == Look::Hover ? Look::Normal : m_look);
  emit MouseOut();
}

void ZENButton::keyPressEvent(QKeyEvent* e) {
  int code = keyCode(e->key());
  emit KeyDown(code, shiftCode(e->modifiers()));
  bool handled = false;
  if (code != 0) {
    m_lastKey = code;
    switch (code) {
      case kKeySpace:
        paintLook(Look::Pressed);
        handled = true;
        break;
      case kKeyLeft:
      case kKeyUp:
        focusNextPrevChild(false);
        handled = true;
        break;
      case kKeyRight:
      case kKeyDown:
        focusNextPrevChild(true);
        handled = true;
        break;
      default:
        break;
    }
  }
  const QString text = e->text();
  if (!text.isEmpty()) {
    int ascii = text.at(0).unicode();
    emit KeyPress(ascii);
  }
  // Keys the button has no use for go on to its window (Enter, Escape, shortcuts).
  e->setAccepted(handled);
}

void ZENButton::keyReleaseEvent(QKeyEvent* e) {
  if (e->isAutoRepeat()) {
    e->ignore();
    return;
  }
  int code = keyCode(e->key());
  emit KeyUp(code, shiftCode(e->modifiers()));
  if (m_lastKey == kKeySpace && code == kKeySpace)
    toggleAndClick();
  else
    e->ignore();
}

void ZENButton::focusInEvent(QFocusEvent* e) {
  QWidget::focusInEvent(e);
  m_focused = true;
  paintLook(m_look, true);
}

void ZENButton::focusOutEvent(QFocusEvent* e) {
  QWidget::focusOutEvent(e);
  m_focused = false;
  // A Space held while the focus leaves would otherwise leave the button drawn pressed.
  Look look = m_look;
  if (m_lastKey == kKeySpace && look == Look::Pressed && QApplication::mouseButtons() == Qt::NoButton)
    look = restingLook();
  m_lastKey = 0;
  paintLook(look, true);
}

bool ZENButton::event(QEvent* e) {
  if (e->type() == QEvent::Shortcut) {
    const auto* shortcut = static_cast<QShortcutEvent*>(e);
    if (shortcut->shortcutId() == m_accessKeyId) {
      setFocus(Qt::ShortcutFocusReason);
      if (!shortcut->isAmbiguous()) {
        m_lastButton = kLeftButton;
        mouseClick();
      }
      return true;
    }
  }
  return QWidget::event(e);
}

}  // namespace kestrel
