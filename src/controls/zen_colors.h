#pragma once

#include <QColor>
#include <QMetaType>
#include <QPalette>

namespace kestrel {

// Indexes of the system colours a colour property may refer to (the numbering forms have
// always stored, with the high bit set to mark a reference).
enum class SysColor : quint8 {
  Window = 5,
  WindowText = 8,
  Highlight = 13,
  HighlightText = 14,
  ButtonFace = 15,
  ButtonShadow = 16,
  ButtonText = 18,
  ButtonHighlight = 20,
  DarkShadow3D = 21,
  Light3D = 22,
};

// The palette role that stands for a system colour on this desktop.
QPalette::ColorRole paletteRole(SysColor color);

// A colour property value: a plain colour or a reference to a system colour, kept in the
// stored form 0x00BBGGRR or 0x800000nn. References are resolved against a palette when the
// colour set is computed, so a button follows the desktop's colours.
class ColorRef {
 public:
  constexpr ColorRef() = default;
  // Implicit, so a plain colour can be passed wherever a colour property value is expected.
  ColorRef(const QColor& color);
  ColorRef(Qt::GlobalColor color) : ColorRef(QColor(color)) {}
  static constexpr ColorRef system(SysColor color) {
    return ColorRef(kSystemBit | static_cast<quint32>(color));
  }
  static constexpr ColorRef fromStored(quint32 value) { return ColorRef(value); }

  constexpr quint32 stored() const { return m_value; }
  constexpr bool isSystem() const { return (m_value & kSystemBit) != 0; }
  QColor resolve(const QPalette& palette) const;

  friend constexpr bool operator==(ColorRef a, ColorRef b) { return a.m_value == b.m_value; }

 private:
  static constexpr quint32 kSystemBit = 0x80000000u;
  constexpr explicit ColorRef(quint32 value) : m_value(value) {}
  quint32 m_value = 0;
};

// Moves each of red, green and blue by `amount`, each kept within 0..255.
QColor shiftColor(const QColor& color, int amount);
// Mixes a colour with white: each part c becomes c * (255 - w) / 255 + w, w = 176.
QColor tintColor(const QColor& color);

// The colours the paint routine draws with.
struct ZenColorSet {
  QColor face;
  QColor hoverFace;
  QColor light;
  QColor highlight;
  QColor shadow;
  QColor darkShadow;
  QColor text;
  QColor hoverText;
  QColor selection;
  QColor selectionTint;
  QColor mask;

  friend bool operator==(const ZenColorSet&, const ZenColorSet&) = default;
};

// Everything the colour set depends on, with colour properties already resolved.
struct ZenColorInputs {
  int scheme = 1;
  bool softBevel = false;
  QColor back, backOver, fore, foreOver, mask;
  QPalette system;    // the desktop's colours as the button sees them
  QColor parentBack;  // the parent window's drawing surface
  QColor parentText;
};

ZenColorSet makeColorSet(const ZenColorInputs& in);

}  // namespace kestrel

Q_DECLARE_METATYPE(kestrel::ColorRef)
