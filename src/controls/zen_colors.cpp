#include "controls/zen_colors.h"

#include <algorithm>

namespace kestrel {

QPalette::ColorRole paletteRole(SysColor color) {
  switch (color) {
    case SysColor::Window:
      return QPalette::Window;
    case SysColor::WindowText:
      return QPalette::WindowText;
    case SysColor::Highlight:
      return QPalette::Highlight;
    case SysColor::HighlightText:
      return QPalette::HighlightedText;
    case SysColor::ButtonFace:
      return QPalette::Button;
    case SysColor::ButtonShadow:
      return QPalette::Dark;
    case SysColor::ButtonText:
      return QPalette::ButtonText;
    case SysColor::ButtonHighlight:
      return QPalette::Light;
    case SysColor::DarkShadow3D:
      return QPalette::Shadow;
    case SysColor::Light3D:
      return QPalette::Midlight;
  }
  return QPalette::Button;
}

ColorRef::ColorRef(const QColor& color)
    : m_value(static_cast<quint32>(color.red()) | static_cast<quint32>(color.green()) << 8 |
              static_cast<quint32>(color.blue()) << 16) {}

QColor ColorRef::resolve(const QPalette& palette) const {
  if (isSystem()) {
    const auto index = static_cast<SysColor>(m_value & 0xFFu);
    return palette.color(paletteRole(index));
  }
  return QColor(static_cast<int>(m_value & 0xFFu), static_cast<int>((m_value >> 8) & 0xFFu),
                static_cast<int>((m_value >> 16) & 0xFFu));
}

QColor shiftColor(const QColor& color, int amount) {
  const auto part = [amount](int c) { return std::clamp(c + amount, 0, 255); };
  return QColor(part(color.red()), part(color.green()), part(color.blue()));
}

QColor tintColor(const QColor& color) {
  constexpr int w = 176;
  const auto part = [](int c) { return c * (255 - w) / 255 + w; };
  return QColor(part(color.red()), part(color.green()), part(color.blue()));
}

ZenColorSet makeColorSet(const ZenColorInputs& in) {
  // Soft bevels halve every shift (integer division, towards zero).
  const int div = in.softBevel ? 2 : 1;
  const auto shifted = [div](const QColor& c, int amount) { return shiftColor(c, amount / div); };
  const QPalette& sys = in.system;

  ZenColorSet set;
  set.mask = in.mask;
  switch (in.scheme) {
    case 2:
      set.face = in.back;
      set.hoverFace = in.backOver;
      set.light = shifted(set.face, 31);
      set.highlight = shifted(set.face, 47);
      set.shadow = shifted(set.face, -64);
      set.darkShadow = shifted(set.face, -192);
      set.text = in.fore;
      set.hoverText = in.foreOver;
      set.selection = shifted(set.face, -128);
      set.selectionTint = set.face;
      break;
    case 3:
      set.face = QColor(0xC0, 0xC0, 0xC0);
      set.hoverFace = set.face;
      set.light = QColor(0xDF, 0xDF, 0xDF);
      set.highlight = QColor(0xFF, 0xFF, 0xFF);
      set.shadow = QColor(0x80, 0x80, 0x80);
      set.darkShadow = QColor(0, 0, 0);
      set.text = QColor(0, 0, 0);
      set.hoverText = set.text;
      set.selection = QColor(0, 0, 0x80);
      set.selectionTint = QColor(0xAD, 0xAD, 0xD1);
      break;
    case 4:
      set.face = in.parentBack;
      set.hoverFace = set.face;
      set.light = shifted(set.face, 31);
      set.highlight = shifted(set.face, 47);
      set.shadow = shifted(set.face, -64);
      set.darkShadow = shifted(set.face, -192);
      set.text = in.parentText;
      set.hoverText = set.text;
      set.selection = sys.color(QPalette::Highlight);
      set.selectionTint = tintColor(set.selection);
      break;
    default:
      set.face = sys.color(QPalette::Button);
      set.hoverFace = set.face;
      set.light = sys.color(QPalette::Midlight);
      set.highlight = sys.color(QPalette::Light);
      set.shadow = sys.color(QPalette::Dark);
      set.darkShadow = sys.color(QPalette::Shadow);
      set.text = sys.color(QPalette::ButtonText);
      set.hoverText = set.text;
      set.selection = sys.color(QPalette::Highlight);
      set.selectionTint = tintColor(set.selection);
      break;
  }
  return set;
}

}  // namespace kestrel
