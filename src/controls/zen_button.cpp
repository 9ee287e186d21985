#include "controls/zen_button.h"

#include "controls/zen_button_paint.h"

#include <QCursor>
#include <QEvent>
#include <QPainter>
#include <QScopedValueRollback>

#include <algorithm>
#include <optional>

namespace kestrel {

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kOverInterval = 50;  // ms between polls of the pointer while hovered
constexpr int kCustomPointer = 99;

ColorRef toColorRef(const QVariant& value, ColorRef fallback) {
  if (value.metaType() == QMetaType::fromType<ColorRef>())
    return value.value<ColorRef>();
  if (value.metaType() == QMetaType::fromType<QColor>())
    return ColorRef(value.value<QColor>());
  bool ok = false;
  const qlonglong stored = value.toLongLong(&ok);
  return ok ? ColorRef::fromStored(static_cast<quint32>(stored)) : fallback;
}

QVariant fromColorRef(ColorRef color) {
  return QVariant::fromValue(color);
}

// The standard pointers by their stored number.
std::optional<Qt::CursorShape> pointerShape(int pointer) {
  static constexpr Qt::CursorShape shapes[] = {
      Qt::ArrowCursor,     Qt::ArrowCursor,   Qt::CrossCursor,     Qt::IBeamCursor,
      Qt::ArrowCursor,     Qt::SizeAllCursor, Qt::SizeBDiagCursor, Qt::SizeVerCursor,
      Qt::SizeFDiagCursor, Qt::SizeHorCursor, Qt::UpArrowCursor,   Qt::WaitCursor,
      Qt::ForbiddenCursor, Qt::BusyCursor,    Qt::WhatsThisCursor, Qt::SizeAllCursor};
  if (pointer < 1 || pointer > 15)
    return std::nullopt;
  return shapes[pointer];
}

}  // namespace

ZENButton::ZENButton(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::StrongFocus);
  setMouseTracking(true);
  m_overTimer.setObjectName(u"OverTimer"_s);
  m_overTimer.setInterval(kOverInterval);
  connect(&m_overTimer, &QTimer::timeout, this, &ZENButton::pollPointer);
  setPointerProbe(nullptr);
  recomputeColors();
  recomputeGeometry();
}

ZENButton::~ZENButton() = default;

// ---- properties -----------------------------------------------------------------------

template <class T, class Apply>
void ZENButton::storeProperty(T& member, const T& value, const QString& key, Repaint repaint, Apply&& apply) {
  if (value == member)
    return;
  member = value;
  apply();
  propertyChanged(key, repaint == Repaint::Colours);
}

void ZENButton::setButtonType(int type) {
  storeProperty(m_buttonType, std::clamp(type, 1, 14), u"BTYPE"_s, Repaint::Look, [this] {
    recomputeGeometry();
    updateGeometry();
  });
}

void ZENButton::setCaption(const QString& caption) {
  storeProperty(m_caption, caption, u"TX"_s, Repaint::Look, [this] {
    updateAccessKey();
    updateGeometry();
  });
}

void ZENButton::setColorScheme(int scheme) {
  storeProperty(m_colorScheme, scheme, u"COLTYPE"_s, Repaint::Colours);
}

void ZENButton::setShowFocusRect(bool on) {
  storeProperty(m_showFocusRect, on, u"FOCUSR"_s);
}

void ZENButton::setBackColor(ColorRef color) {
  storeProperty(m_backColor, color, u"BCOL"_s, Repaint::Colours);
}

void ZENButton::setBackOver(ColorRef color) {
  storeProperty(m_backOver, color, u"BCOLO"_s, Repaint::Colours);
}

void ZENButton::setForeColor(ColorRef color) {
  storeProperty(m_foreColor, color, u"FCOL"_s, Repaint::Colours);
}

void ZENButton::setForeOver(ColorRef color) {
  storeProperty(m_foreOver, color, u"FCOLO"_s, Repaint::Colours);
}

void ZENButton::setMaskColor(ColorRef color) {
  storeProperty(m_maskColor, color, u"MCOL"_s, Repaint::Colours);
}

void ZENButton::setMousePointer(int pointer) {
  storeProperty(m_mousePointer, pointer, u"MPTR"_s, Repaint::Look, [this] { applyCursor(); });
}

// Pictures have no cheap comparison: setting one always counts as a change.
void ZENButton::setMouseIcon(const QPixmap& icon) {
  m_mouseIcon = icon;
  applyCursor();
  propertyChanged(u"MICON"_s);
}

void ZENButton::setPictureNormal(const QPixmap& picture) {
  m_pictureNormal = picture;
  updateGeometry();
  propertyChanged(u"PICN"_s);
}

void ZENButton::setPictureOver(const QPixmap& picture) {
  m_pictureOver = picture;
  propertyChanged(u"PICH"_s);
}

void ZENButton::setUseMaskColor(bool on) {
  storeProperty(m_useMaskColor, on, u"UMCOL"_s);
}

void ZENButton::setSoftBevel(bool on) {
  storeProperty(m_softBevel, on, u"SOFT"_s, Repaint::Colours);
}

void ZENButton::setPicturePosition(int position) {
  storeProperty(m_picturePosition, position, u"PICPOS"_s);
}

void ZENButton::setUseGreyscale(bool on) {
  storeProperty(m_useGreyscale, on, u"NGREY"_s);
}

void ZENButton::setSpecialEffect(int effect) {
  storeProperty(m_specialEffect, effect, u"FX"_s);
}

void ZENButton::setHandPointer(bool on) {
  storeProperty(m_handPointer, on, u"HAND"_s, Repaint::Look, [this] { applyCursor(); });
}

void ZENButton::setCheckBoxBehaviour(bool on) {
  storeProperty(m_checkBox, on, u"CHECK"_s);
}

void ZENButton::setValue(bool value) {
  storeProperty(m_value, value, u"VALUE"_s);
}

void ZENButton::setFontBold(bool on) {
  QFont f = font();
  f.setBold(on);
  setFont(f);
}

void ZENButton::setFontItalic(bool on) {
  QFont f = font();
  f.setItalic(on);
  setFont(f);
}

void ZENButton::setFontUnderline(bool on) {
  QFont f = font();
  f.setUnderline(on);
  setFont(f);
}

void ZENButton::setFontSize(double points) {
  QFont f = font();
  f.setPointSizeF(points);
  setFont(f);
}

void ZENButton::setFontName(const QString& family) {
  QFont f = font();
  f.setFamily(family);
  setFont(f);
}

void ZENButton::propertyChanged(const QString& key, bool colours) {
  if (m_loading)
    return;
  m_propertyChanged = true;
  if (colours)
    recomputeColors();
  paintLook(m_look, true);
  emit PropertyChanged(key);
}

// ---- stored property set --------------------------------------------------------------

void ZENButton::ReadProperties(const PropertyBag& bag) {
  {
    const QScopedValueRollback loading(m_loading, true);
    m_buttonType = std::clamp(bag.ReadProperty(u"BTYPE"_s, 2).toInt(), 1, 14);
    m_caption = bag.ReadProperty(u"TX"_s, QString()).toString();
    setEnabled(bag.ReadProperty(u"ENAB"_s, true).toBool());
    const QFont loaded = bag.ReadProperty(u"FONT"_s, QVariant::fromValue(font())).value<QFont>();
    if (loaded != font())
      setFont(loaded);
    m_colorScheme = bag.ReadProperty(u"COLTYPE"_s, 1).toInt();
    m_showFocusRect = bag.ReadProperty(u"FOCUSR"_s, true).toBool();
    const ColorRef buttonFace = ColorRef::system(SysColor::ButtonFace);
    m_backColor = toColorRef(bag.ReadProperty(u"BCOL"_s, fromColorRef(buttonFace)), buttonFace);
    m_backOver = toColorRef(bag.ReadProperty(u"BCOLO"_s, fromColorRef(m_backColor)), m_backColor);
    const ColorRef buttonText = ColorRef::system(SysColor::ButtonText);
    m_foreColor = toColorRef(bag.ReadProperty(u"FCOL"_s, fromColorRef(buttonText)), buttonText);
    m_foreOver = toColorRef(bag.ReadProperty(u"FCOLO"_s, fromColorRef(m_foreColor)), m_foreColor);
    const ColorRef lightGrey(QColor(0xC0, 0xC0, 0xC0));
    m_maskColor = toColorRef(bag.ReadProperty(u"MCOL"_s, fromColorRef(lightGrey)), lightGrey);
    m_mousePointer = bag.ReadProperty(u"MPTR"_s, 0).toInt();
    m_mouseIcon = bag.ReadProperty(u"MICON"_s).value<QPixmap>();
    m_pictureNormal = bag.ReadProperty(u"PICN"_s).value<QPixmap>();
    m_pictureOver = bag.ReadProperty(u"PICH"_s).value<QPixmap>();
    m_useMaskColor = bag.ReadProperty(u"UMCOL"_s, true).toBool();
    m_softBevel = bag.ReadProperty(u"SOFT"_s, false).toBool();
    m_picturePosition = bag.ReadProperty(u"PICPOS"_s, 0).toInt();
    m_useGreyscale = bag.ReadProperty(u"NGREY"_s, false).toBool();
    m_specialEffect = bag.ReadProperty(u"FX"_s, 0).toInt();
    m_handPointer = bag.ReadProperty(u"HAND"_s, false).toBool();
    m_checkBox = bag.ReadProperty(u"CHECK"_s, false).toBool();
    m_value = bag.ReadProperty(u"VALUE"_s, false).toBool();
  }
  applyCursor();
  updateAccessKey();
  updateGeometry();
  recomputeColors();
  recomputeGeometry();
  paintLook(m_look, true);
}

void ZENButton::WriteProperties(PropertyBag& bag) const {
  bag.WriteProperty(u"BTYPE"_s, m_buttonType);
  bag.WriteProperty(u"TX"_s, m_caption);
  bag.WriteProperty(u"ENAB"_s, isEnabled());
  bag.WriteProperty(u"FONT"_s, QVariant::fromValue(font()));
  bag.WriteProperty(u"COLTYPE"_s, m_colorScheme);
  bag.WriteProperty(u"FOCUSR"_s, m_showFocusRect);
  bag.WriteProperty(u"BCOL"_s, fromColorRef(m_backColor));
  bag.WriteProperty(u"BCOLO"_s, fromColorRef(m_backOver));
  bag.WriteProperty(u"FCOL"_s, fromColorRef(m_foreColor));
  bag.WriteProperty(u"FCOLO"_s, fromColorRef(m_foreOver));
  bag.WriteProperty(u"MCOL"_s, fromColorRef(m_maskColor));
  bag.WriteProperty(u"MPTR"_s, m_mousePointer);
  bag.WriteProperty(u"MICON"_s, QVariant::fromValue(m_mouseIcon));
  bag.WriteProperty(u"PICN"_s, QVariant::fromValue(m_pictureNormal));
  bag.WriteProperty(u"PICH"_s, QVariant::fromValue(m_pictureOver));
  bag.WriteProperty(u"UMCOL"_s, m_useMaskColor);
  bag.WriteProperty(u"SOFT"_s, m_softBevel);
  bag.WriteProperty(u"PICPOS"_s, m_picturePosition);
  bag.WriteProperty(u"NGREY"_s, m_useGreyscale);
  bag.WriteProperty(u"FX"_s, m_specialEffect);
  bag.WriteProperty(u"HAND"_s, m_handPointer);
  bag.WriteProperty(u"CHECK"_s, m_checkBox);
  bag.WriteProperty(u"VALUE"_s, m_value);
}

// ---- colours, region, pointer, access key ----------------------------------------------

void ZENButton::recomputeColors() {
  const QPalette& pal = palette();
  ZenColorInputs in;
  in.scheme = m_colorScheme;
  in.softBevel = m_softBevel;
  in.system = pal;
  in.back = m_backColor.resolve(pal);
  in.backOver = m_backOver.resolve(pal);
  in.fore = m_foreColor.resolve(pal);
  in.foreOver = m_foreOver.resolve(pal);
  in.mask = m_maskColor.resolve(pal);
  const QWidget* surface = parentWidget() ? parentWidget() : this;
  in.parentBack = surface->palette().color(surface->backgroundRole());
  in.parentText = surface->palette().color(surface->foregroundRole());
  m_colors = makeColorSet(in);
}

void ZENButton::recomputeGeometry() {
  m_inner = buttonInnerRect(m_buttonType, rect());
  const QRegion region = buttonRegion(m_buttonType, rect());
  if (region.isEmpty())
    clearMask();
  else
    setMask(region);
}

void ZENButton::applyCursor() {
  if (m_handPointer) {
    setCursor(Qt::PointingHandCursor);
  } else if (m_mousePointer == kCustomPointer && !m_mouseIcon.isNull()) {
    setCursor(QCursor(m_mouseIcon));
  } else if (const auto shape = pointerShape(m_mousePointer)) {
    setCursor(*shape);
  } else {
    unsetCursor();
  }
}

void ZENButton::updateAccessKey() {
  if (m_accessKeyId != 0)
    releaseShortcut(m_accessKeyId);
  m_accessKeyId = 0;
  const QKeySequence key = QKeySequence::mnemonic(m_caption);
  if (!key.isEmpty())
    m_accessKeyId = grabShortcut(key);
}

// ---- painting -------------------------------------------------------------------------

void ZENButton::DisableRefresh() {
  m_paintAllowed = false;
  setUpdatesEnabled(false);
}

void ZENButton::Refresh() {
  recomputeColors();
  recomputeGeometry();
  m_paintAllowed = true;
  setUpdatesEnabled(true);
  paintLook(m_look, true);
}

void ZENButton::paintLook(Look look, bool force) {
  const bool unchanged = look == m_look && m_caption == m_lookCaption;
  m_look = look;
  if (!m_paintAllowed || (unchanged && !force))
    return;
  m_lookCaption = m_caption;
  update();
}

void ZENButton::paintEvent(QPaintEvent*) {
  if (!m_paintAllowed)
    return;
  ButtonPaintState s;
  s.type = m_buttonType;
  s.look = m_look;
  s.down = m_look == Look::Pressed || (m_checkBox && m_value);
  s.focused = m_focused;
  s.enabled = isEnabled();
  s.showFocusRect = m_showFocusRect;
  s.caption = m_caption;
  s.font = font();
  const bool over = m_look != Look::Normal;
  s.picture = over && !m_pictureOver.isNull() ? m_pictureOver : m_pictureNormal;
  s.picturePosition = m_picturePosition;
  s.specialEffect = m_specialEffect;
  s.useMaskColor = m_useMaskColor;
  s.greyPicture = m_useGreyscale && !over;
  s.colors = m_colors;
  s.bounds = rect();
  s.inner = m_inner;
  QPainter p(this);
  paintButton(p, s);
  ++m_paintCount;
}

void ZENButton::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  recomputeGeometry();
  paintLook(m_look, true);
}

void ZENButton::changeEvent(QEvent* e) {
  QWidget::changeEvent(e);
  switch (e->type()) {
    case QEvent::EnabledChange:
      propertyChanged(u"ENAB"_s);
      break;
    case QEvent::FontChange:
      updateGeometry();
      propertyChanged(u"FONT"_s);
      break;
    case QEvent::PaletteChange:
    case QEvent::ParentChange:
      recomputeColors();
      paintLook(m_look, true);
      break;
    default:
      break;
  }
}

QSize ZENButton::sizeHint() const {
  const QSize text = fontMetrics().size(Qt::TextShowMnemonic, m_caption);
  const QSize pic = m_pictureNormal.size();
  const QRect probe(0, 0, 200, 200);
  const QRect inner = buttonInnerRect(m_buttonType, probe);
  const int frameW = probe.width() - inner.width() + 12;
  const int frameH = probe.height() - inner.height() + 8;
  const bool sideBySide = m_picturePosition == 0 || m_picturePosition == 1;
  int w = sideBySide ? text.width() + pic.width() + 4 : std::max(text.width(), pic.width());
  int h = sideBySide ? std::max(text.height(), pic.height()) : text.height() + pic.height() + 4;
  if (m_picturePosition == 4) {
    w = std::max(text.width(), pic.width());
    h = std::max(text.height(), pic.height());
  }
  return QSize(std::max(w + frameW, 75), std::max(h + frameH, 23));
}

bool isZENButton(const QObject* object) {
  return qobject_cast<const ZENButton*>(object) != nullptr;
}

}  // namespace kestrel
