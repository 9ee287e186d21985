#pragma once

#include "controls/property_bag.h"
#include "controls/zen_colors.h"

#include <QFont>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace kestrel {

// The module's owner-drawn push button. It paints its own frame (one of fourteen styles),
// caption and picture in a normal, hover or pressed look, can act as a two-state check
// button and raises its mouse and key events before it reacts to them.
class ZENButton : public QWidget {
  Q_OBJECT

 public:
  enum class Look { Normal, Hover, Pressed };
  Q_ENUM(Look)

  // Button numbers and shift bits as the events report them.
  static constexpr int kLeftButton = 1;
  static constexpr int kRightButton = 2;
  static constexpr int kMiddleButton = 4;
  static constexpr int kShiftMask = 1;
  static constexpr int kCtrlMask = 2;
  static constexpr int kAltMask = 4;

  explicit ZENButton(QWidget* parent = nullptr);
  ~ZENButton() override;

  // Stored properties. Enabled and Font are the widget's own (setEnabled, setFont).
  int ButtonType() const { return m_buttonType; }
  void setButtonType(int type);  // 1..14, clamped
  QString Caption() const { return m_caption; }
  // Presses the button as a left click would (windows turn Enter on a focused button into
  // this); nothing when it is disabled.
  void PerformClick();
  void setCaption(const QString& caption);
  bool Enabled() const { return isEnabled(); }
  QFont Font() const { return font(); }
  int ColorScheme() const { return m_colorScheme; }
  void setColorScheme(int scheme);
  bool ShowFocusRect() const { return m_showFocusRect; }
  void setShowFocusRect(bool on);
  ColorRef BackColor() const { return m_backColor; }
  void setBackColor(ColorRef color);
  ColorRef BackOver() const { return m_backOver; }
  void setBackOver(ColorRef color);
  ColorRef ForeColor() const { return m_foreColor; }
  void setForeColor(ColorRef color);
  ColorRef ForeOver() const { return m_foreOver; }
  void setForeOver(ColorRef color);
  ColorRef MaskColor() const { return m_maskColor; }
  void setMaskColor(ColorRef color);
  int MousePointer() const { return m_mousePointer; }
  void setMousePointer(int pointer);  // 0 default, 1..15 standard pointers, 99 MouseIcon
  QPixmap MouseIcon() const { return m_mouseIcon; }
  void setMouseIcon(const QPixmap& icon);
  QPixmap PictureNormal() const { return m_pictureNormal; }
  void setPictureNormal(const QPixmap& picture);
  QPixmap PictureOver() const { return m_pictureOver; }
  void setPictureOver(const QPixmap& picture);
  bool UseMaskColor() const { return m_useMaskColor; }
  void setUseMaskColor(bool on);
  bool SoftBevel() const { return m_softBevel; }
  void setSoftBevel(bool on);
  // 0 picture left of the caption, 1 right, 2 above, 3 below, 4 behind it (centred).
  int PicturePosition() const { return m_picturePosition; }
  void setPicturePosition(int position);
  // Pictures are drawn in grey until the pointer is over the button.
  bool UseGreyscale() const { return m_useGreyscale; }
  void setUseGreyscale(bool on);
  // 0 none, 1 drop shadow under the picture, 2 picture embossed (light above, shadow below).
  int SpecialEffect() const { return m_specialEffect; }
  void setSpecialEffect(int effect);
  bool HandPointer() const { return m_handPointer; }
  void setHandPointer(bool on);
  bool CheckBoxBehaviour() const { return m_checkBox; }
  void setCheckBoxBehaviour(bool on);
  bool Value() const { return m_value; }
  void setValue(bool value);

  // Shortcuts to the members of Font.
  bool FontBold() const { return font().bold(); }
  void setFontBold(bool on);
  bool FontItalic() const { return font().italic(); }
  void setFontItalic(bool on);
  bool FontUnderline() const { return font().underline(); }
  void setFontUnderline(bool on);
  double FontSize() const { return font().pointSizeF(); }
  void setFontSize(double points);
  QString FontName() const { return font().family(); }
  void setFontName(const QString& family);

  static QString Version() { return QStringLiteral("2.0.6 B"); }
  // The native window handle; asking for it gives the button a native window.
  WId Hwnd() { return winId(); }

  // DisableRefresh stops all painting; Refresh recomputes the colours and the window region,
  // allows painting again and repaints.
  void DisableRefresh();
  void Refresh();

  // Loads every property from a form's stored set (defaults for absent keys) and saves
  // every property into one, both in the stored order.
  void ReadProperties(const PropertyBag& bag);
  void WriteProperties(PropertyBag& bag) const;
  // Set whenever a property changes after loading; the form clears it once saved.
  bool isPropertyChanged() const { return m_propertyChanged; }
  void clearPropertyChanged() { m_propertyChanged = false; }

  // Run-time state.
  Look look() const { return m_look; }
  bool isHovered() const { return m_hovered; }
  bool hasFocusFlag() const { return m_focused; }
  int lastMouseButton() const { return m_lastButton; }
  int lastKeyCode() const { return m_lastKey; }
  const ZenColorSet& colorSet() const { return m_colors; }
  QRect innerRect() const { return m_inner; }
  int paintCount() const { return m_paintCount; }
  QTimer* overTimer() { return &m_overTimer; }

  // Whether the pointer is over the button; by default, whether the widget under the
  // pointer is this one. Replaceable so the hover logic can be driven without a cursor.
  using PointerProbe = std::function<bool(const ZENButton&)>;
  void setPointerProbe(PointerProbe probe);
  // What OverTimer does on each tick: raises MouseOut once the pointer has left.
  void pollPointer();

  QSize sizeHint() const override;

 signals:
  void Click();
  void MouseDown(int button, int shift, double x, double y);
  void MouseMove(int button, int shift, double x, double y);
  void MouseUp(int button, int shift, double x, double y);
  void KeyPress(int& keyAscii);
  void KeyDown(int& keyCode, int shift);
  void KeyUp(int& keyCode, int shift);
  void MouseOver();
  void MouseOut();
  void PropertyChanged(const QString& key);

 protected:
  bool event(QEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void keyReleaseEvent(QKeyEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  void changeEvent(QEvent* e) override;

 private:
  void propertyChanged(const QString& key, bool colours = false);
  // What a changed property needs redrawn: the look, or the colour set and then the look.
  enum class Repaint { Look, Colours };
  // The setter of a stored property: nothing when the value is unchanged; otherwise stores it,
  // runs apply (cursor, geometry, access key) and reports the change under its key.
  template <class T, class Apply = void (*)()>
  void storeProperty(
      T& member, const T& value, const QString& key, Repaint repaint = Repaint::Look, Apply&& apply = [] {});
  void recomputeColors();
  void recomputeGeometry();
  void applyCursor();
  void updateAccessKey();
  // Requests a paint in `look`; unless forced, skipped when neither the look nor the
  // caption changed since the last one.
  void paintLook(Look look, bool force = false);
  Look restingLook() const { return m_hovered ? Look::Hover : Look::Normal; }
  bool pointerOver() const;
  void mouseClick();  // a click by mouse or access key
  void toggleAndClick();

  int m_buttonType = 2;
  QString m_caption;
  int m_colorScheme = 1;
  bool m_showFocusRect = true;
  ColorRef m_backColor = ColorRef::system(SysColor::ButtonFace);
  ColorRef m_backOver = ColorRef::system(SysColor::ButtonFace);
  ColorRef m_foreColor = ColorRef::system(SysColor::ButtonText);
  ColorRef m_foreOver = ColorRef::system(SysColor::ButtonText);
  ColorRef m_maskColor = ColorRef(QColor(0xC0, 0xC0, 0xC0));
  int m_mousePointer = 0;
  QPixmap m_mouseIcon;
  QPixmap m_pictureNormal;
  QPixmap m_pictureOver;
  bool m_useMaskColor = true;
  bool m_softBevel = false;
  int m_picturePosition = 0;
  bool m_useGreyscale = false;
  int m_specialEffect = 0;
  bool m_handPointer = false;
  bool m_checkBox = false;
  bool m_value = false;

  bool m_focused = false;
  bool m_hovered = false;
  int m_lastButton = 0;
  int m_lastKey = 0;
  bool m_paintAllowed = true;
  bool m_loading = false;
  bool m_propertyChanged = false;
  Look m_look = Look::Normal;
  QString m_lookCaption;  // caption of the last paint request
  int m_paintCount = 0;
  int m_accessKeyId = 0;
  ZenColorSet m_colors;
  QRect m_inner;
  QTimer m_overTimer;
  PointerProbe m_pointerProbe;
};

// Whether a widget is a ZENButton; the windows ask before they turn Enter into Tab.
bool isZENButton(const QObject* object);

}  // namespace kestrel
