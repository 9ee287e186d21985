#include "controls/zen_button_paint.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace kestrel {

namespace {

using Look = ZENButton::Look;

QColor mix(const QColor& a, const QColor& b, double t) {
  const auto part = [t](int x, int y) { return static_cast<int>(x + (y - x) * t + 0.5); };
  return QColor(part(a.red(), b.red()), part(a.green(), b.green()), part(a.blue(), b.blue()));
}

// Top and left edges of r in tl, bottom and right edges in br, one pixel wide.
void bevel(QPainter& p, const QRect& r, const QColor& tl, const QColor& br) {
  p.setPen(tl);
  p.drawLine(r.topLeft(), r.topRight());
  p.drawLine(r.topLeft(), r.bottomLeft());
  p.setPen(br);
  p.drawLine(r.bottomLeft(), r.bottomRight());
  p.drawLine(r.topRight(), r.bottomRight());
}

void outline(QPainter& p, const QRect& r, const QColor& color) {
  bevel(p, r, color, color);
}

QRect shrink(const QRect& r, int by) {
  return r.adjusted(by, by, -by, -by);
}

// Rectangle with its corners cut in a two-step staircase.
QRegion cutCorners(const QRect& r) {
  QRegion region(r);
  const int l = r.left(), t = r.top(), rt = r.right(), b = r.bottom();
  for (const QRect& corner :
       {QRect(l, t, 2, 1), QRect(l, t, 1, 2), QRect(rt - 1, t, 2, 1), QRect(rt, t, 1, 2), QRect(l, b, 2, 1),
        QRect(l, b - 1, 1, 2), QRect(rt - 1, b, 2, 1), QRect(rt, b - 1, 1, 2)})
    region -= corner;
  return region;
}

// 1: classic thin bevel; hover lifts it with a second ring, pressed sinks it.
void drawClassic(QPainter& p, const ButtonPaintState& s, const QColor& face) {
  const ZenColorSet& c = s.colors;
  p.fillRect(s.bounds, face);
  if (s.down) {
    bevel(p, s.bounds, c.darkShadow, c.highlight);
    return;
  }
  bevel(p, s.bounds, c.highlight, c.darkShadow);
  if (s.look == Look::Hover)
    bevel(p, shrink(s.bounds, 1), c.light, c.shadow);
}

// 2: the standard two-ring bevel; hover adds a tinted ring, pressed draws flat dark rings.
void drawStandard(QPainter& p, const ButtonPaintState& s, const QColor& face) {
  const ZenColorSet& c = s.colors;
  p.fillRect(s.bounds, face);
  if (s.down) {
    outline(p, s.bounds, c.darkShadow);
    outline(p, shrink(s.bounds, 1), c.shadow);
    return;
  }
  bevel(p, s.bounds, c.highlight, c.darkShadow);
  bevel(p, shrink(s.bounds, 1), c.light, c.shadow);
  if (s.look == Look::Hover)
    outline(p, shrink(s.bounds, 2), c.selectionTint);
}

// 3: rounded with a vertical gradient; hover borders in the selection colour.
void drawRounded(QPainter& p, const ButtonPaintState& s, const QColor& face) {
  const ZenColorSet& c = s.colors;
  const QRectF r = QRectF(s.bounds).adjusted(0.5, 0.5, -0.5, -0.5);
  QLinearGradient gradient(r.topLeft(), r.bottomLeft());
  gradient.setColorAt(0, s.down ? c.shadow : c.highlight);
  gradient.setColorAt(1, face);
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setPen(s.look == Look::Hover && !s.down ? c.selection : c.darkShadow);
  p.setBrush(gradient);
  p.drawRoundedRect(r, 4, 4);
  p.setRenderHint(QPainter::Antialiasing, false);
}

// 4: split face, lighter upper half; pressed darkens the upper half.
void drawSplit(QPainter& p, const ButtonPaintState& s, const QColor& face) {
  const ZenColorSet& c = s.colors;
  QRect top = s.bounds;
  top.setHeight(s.bounds.height() / 2);
  const QRect bottom(top.left(), top.bottom() + 1, top.width(), s.bounds.height() - top.height());
  if (s.down) {
    p.fillRect(top, mix(face, c.shadow, 0.5));
    p.fillRect(bottom, face);
    outline(p, s.bounds, c.darkShadow);
    return;
  }
  const bool hover = s.look == Look::Hover;
  p.fillRect(top, hover ? c.highlight : c.light);
  p.fillRect(bottom, face);
  outline(p, s.bounds, hover ? c.selection : c.shadow);
}

// 5: etched groove; hover etches in the selection colour, pressed sinks two rings.
void drawEtched(QPainter& p, const ButtonPaintState& s, const QColor& face) {
  const ZenColorSet& c = s.colors;
  p.fillRect(s.bounds, face);
  if (s.down) {
    bevel(p, s.bounds, c.darkShadow, c.highlight);
    bevel(p, shrink(s.bounds, 1), c.shadow, c.light);
    return;
  }
  outline(p, s.bounds.adjusted(1, 1, 0, 0), c.highlight);
  outline(p, s.bounds.adjusted(0, 0, -1, -1), s.look == Look::Hover ? c.selection : c.shadow);
}

// 6: pill with round ends.
void drawPill(QPainter& p, const ButtonPaintState& s, const QColor& face) {
  const ZenColorSet& c = s.colors;
  const bool hover = s.look == Look::Hover && !s.down;
  const qreal radius = s.bounds.height() / 2.0;
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setBrush(s.down ? mix(face, c.shadow, 0.5) : face);
  p.setPen(QPen(hover ? c.selection : c.darkShadow, hover ? 2.0 : 1.0));
  p.drawRoundedRect(QRectF(s.bounds).adjusted(1, 1, -1, -1), radius - 1, radius - 1);
  p.setRenderHint(QPainter::Antialiasing, false);
}

// 7, 8, 12: flat; a thin bevel shows only under the pointer or when pressed.
void drawFlat(QPainter& p, const ButtonPaintState& s, const QColor& face) {
  const ZenColorSet& c = s.colors;
  p.fillRect(s.bounds, face);
  if (s.down)
    bevel(p, s.bounds, c.shadow, c.highlight);
  else if (s.look == Look::Hover)
    bevel(p, s.bounds, c.highlight, c.shadow);
}

// 9: thin border; under the pointer the face takes the selection tint.
void drawHighlight(QPainter& p, const ButtonPaintState& s, const QColor& face) {
  const ZenColorSet& c = s.colors;
  if (s.down) {
    p.fillRect(s.bounds, mix(c.selectionTint, c.selection, 0.35));
    outline(p, s.bounds, c.selection);
  } else if (s.look == Look::Hover) {
    p.fillRect(s.bounds, c.selectionTint);
    outline(p, s.bounds, c.selection);
  } else {
    p.fillRect(s.bounds, face);
    outline(p, s.bounds, c.shadow);
  }
}

// 10: thick three-ring bevel.
void drawThick(QPainter& p, const ButtonPaintState& s, const QColor& face) {
  const ZenColorSet& c = s.colors;
  p.fillRect(s.bounds, face);
  if (s.down) {
    bevel(p, s.bounds, c.darkShadow, c.highlight);
    bevel(p, shrink(s.bounds, 1), c.shadow, c.light);
    bevel(p, shrink(s.bounds, 2), c.shadow, c.light);
    return;
  }
  bevel(p, s.bounds, c.highlight, c.darkShadow);
  bevel(p, shrink(s.bounds, 1), c.light, c.shadow);
  if (s.look == Look::Hover)
    bevel(p, shrink(s.bounds, 2), c.selectionTint, c.selection);
  else
    bevel(p, shrink(s.bounds, 2), c.light, c.shadow);
}

// 11: rounded two-pixel outline in the text colour.
void drawOutline(QPainter& p, const ButtonPaintState& s, const QColor& face) {
  const ZenColorSet& c = s.colors;
  const bool hover = s.look == Look::Hover;
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setBrush(s.down ? c.selectionTint : face);
  p.setPen(QPen(s.down || hover ? c.selection : c.text, 2.0));
  p.drawRoundedRect(QRectF(s.bounds).adjusted(1, 1, -1, -1), 3, 3);
  p.setRenderHint(QPainter::Antialiasing, false);
}

// 13: open frame over a three-pixel bar along the bottom.
void drawUnderlined(QPainter& p, const ButtonPaintState& s, const QColor& face) {
  const ZenColorSet& c = s.colors;
  const QRect& r = s.bounds;
  p.fillRect(r, s.down ? mix(face, c.light, 0.5) : face);
  p.setPen(c.shadow);
  p.drawLine(r.topLeft(), r.topRight());
  p.drawLine(r.topLeft(), r.bottomLeft());
  p.drawLine(r.topRight(), r.bottomRight());
  const QColor bar = s.down ? c.darkShadow : s.look == Look::Hover ? c.selection : c.shadow;
  p.fillRect(QRect(r.left(), r.bottom() - 2, r.width(), 3), bar);
}

// 14: outer frame around an inset bevelled panel.
void drawDoubleFrame(QPainter& p, const ButtonPaintState& s, const QColor& face) {
  const ZenColorSet& c = s.colors;
  p.fillRect(s.bounds, face);
  outline(p, s.bounds, s.look == Look::Hover && !s.down ? c.selection : c.darkShadow);
  const QRect panel = shrink(s.bounds, 4);
  if (s.down)
    bevel(p, panel, c.shadow, c.highlight);
  else
    bevel(p, panel, c.highlight, c.shadow);
}

}  // namespace

QRect buttonInnerRect(int type, const QRect& client) {
  if (type >= 7 && type <= 13)
    return shrink(client, 3);
  if (type == 14)
    return shrink(shrink(client, 5).translated(1, 1), 4);
  return client;
}

QRegion buttonRegion(int type, const QRect& client) {
  if (client.width() < 4 || client.height() < 4)
    return {};
  switch (type) {
    case 3:
    case 11:
      return cutCorners(client);
    case 6: {
      QPainterPath path;
      const qreal radius = client.height() / 2.0;
      path.addRoundedRect(QRectF(client), radius, radius);
      return QRegion(path.toFillPolygon().toPolygon());
    }
    default:
      return {};
  }
}

void paintFrame(QPainter& p, const ButtonPaintState& s) {
  // A button is pressed with the pointer over it, so the pressed look keeps the over colours.
  const QColor face = s.look == Look::Normal ? s.colors.face : s.colors.hoverFace;
  p.save();
  switch (s.type) {
    case 1:
      drawClassic(p, s, face);
      break;
    case 3:
      drawRounded(p, s, face);
      break;
    case 4:
      drawSplit(p, s, face);
      break;
    case 5:
      drawEtched(p, s, face);
      break;
    case 6:
      drawPill(p, s, face);
      break;
    case 7:
    case 8:
    case 12:
      drawFlat(p, s, face);
      break;
    case 9:
      drawHighlight(p, s, face);
      break;
    case 10:
      drawThick(p, s, face);
      break;
    case 11:
      drawOutline(p, s, face);
      break;
    case 13:
      drawUnderlined(p, s, face);
      break;
    case 14:
      drawDoubleFrame(p, s, face);
      break;
    default:
      drawStandard(p, s, face);
      break;
  }
  p.restore();
}

}  // namespace kestrel
