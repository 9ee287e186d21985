#include "controls/zen_button_paint.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>

namespace kestrel {

namespace {

using Look = ZENButton::Look;

constexpr int kPadding = 2;  // between the inner rectangle and the content
constexpr int kGap = 4;      // between picture and caption

// The picture as drawn: mask colour made transparent, greyed when asked, faded when disabled.
QImage preparePicture(const ButtonPaintState& s) {
  QImage image = s.picture.toImage().convertToFormat(QImage::Format_ARGB32);
  const QRgb mask = s.colors.mask.rgb() & RGB_MASK;
  const bool grey = s.greyPicture || !s.enabled;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      QRgb px = image.pixel(x, y);
      if (s.useMaskColor && (px & RGB_MASK) == mask) {
        image.setPixel(x, y, 0);
        continue;
      }
      int alpha = qAlpha(px);
      if (!s.enabled)
        alpha /= 2;
      if (grey) {
        const int g = qGray(px);
        px = qRgba(g, g, g, alpha);
      } else {
        px = qRgba(qRed(px), qGreen(px), qBlue(px), alpha);
      }
      image.setPixel(x, y, px);
    }
  }
  return image;
}

// The picture's shape filled with one colour, for the shadow and emboss effects.
QImage silhouette(const QImage& image, const QColor& color) {
  QImage result = image;
  QPainter p(&result);
  p.setCompositionMode(QPainter::CompositionMode_SourceIn);
  p.fillRect(result.rect(), color);
  return result;
}

void drawPicture(QPainter& p, const ButtonPaintState& s, const QImage& image, const QPoint& at) {
  switch (s.specialEffect) {
    case 1:
      p.drawImage(at + QPoint(2, 2), silhouette(image, s.colors.shadow));
      break;
    case 2:
      p.drawImage(at - QPoint(1, 1), silhouette(image, s.colors.highlight));
      p.drawImage(at + QPoint(1, 1), silhouette(image, s.colors.darkShadow));
      break;
    default:
      break;
  }
  p.drawImage(at, image);
}

// Disabled captions are drawn engraved: light copy one pixel down and right, shadow on top.
void drawCaption(QPainter& p, const ButtonPaintState& s, const QRect& r) {
  constexpr int flags = Qt::AlignCenter | Qt::TextShowMnemonic;
  if (!s.enabled) {
    p.setPen(s.colors.highlight);
    p.drawText(r.translated(1, 1), flags, s.caption);
    p.setPen(s.colors.shadow);
  } else {
    p.setPen(s.look == Look::Normal ? s.colors.text : s.colors.hoverText);
  }
  p.drawText(r, flags, s.caption);
}

// Lays the picture and the caption out as one block centred in the area.
void paintContent(QPainter& p, const ButtonPaintState& s) {
  QRect area = s.inner.adjusted(kPadding, kPadding, -kPadding, -kPadding);
  if (s.down)
    area.translate(1, 1);
  p.setFont(s.font);
  const QSize text = s.caption.isEmpty() ? QSize() : p.fontMetrics().size(Qt::TextShowMnemonic, s.caption);
  const QImage image = s.picture.isNull() ? QImage() : preparePicture(s);
  const QSize pic = image.size();
  const int gap = !text.isEmpty() && !pic.isEmpty() ? kGap : 0;
  const QPoint centre = area.center();

  QPoint picAt;
  QRect textRect;
  switch (s.picturePosition) {
    case 1: {  // right of the caption
      const int left = centre.x() - (text.width() + gap + pic.width()) / 2;
      textRect = QRect(left, area.top(), text.width(), area.height());
      picAt = QPoint(left + text.width() + gap, centre.y() - pic.height() / 2);
      break;
    }
    case 2:    // above
    case 3: {  // below
      const int top = centre.y() - (text.height() + gap + pic.height()) / 2;
      const bool above = s.picturePosition == 2;
      const int textTop = above ? top + pic.height() + gap : top;
      textRect = QRect(area.left(), textTop, area.width(), text.height());
      picAt = QPoint(centre.x() - pic.width() / 2, above ? top : top + text.height() + gap);
      break;
    }
    case 4:  // behind the caption
      textRect = area;
      picAt = QPoint(centre.x() - pic.width() / 2, centre.y() - pic.height() / 2);
      break;
    default: {  // left of the caption
      const int left = centre.x() - (pic.width() + gap + text.width()) / 2;
      picAt = QPoint(left, centre.y() - pic.height() / 2);
      textRect = QRect(left + pic.width() + gap, area.top(), text.width(), area.height());
      break;
    }
  }
  p.save();
  p.setClipRect(s.inner);
  if (!image.isNull())
    drawPicture(p, s, image, picAt);
  if (!s.caption.isEmpty())
    drawCaption(p, s, textRect);
  p.restore();
}

void paintFocus(QPainter& p, const ButtonPaintState& s) {
  const int inset = s.inner == s.bounds ? 3 : 0;
  // Round ends of the pill style leave less room at the sides.
  const int sides = s.type == 6 ? s.bounds.height() / 3 : inset;
  const QRect r = s.inner.adjusted(sides, inset, -sides - 1, -inset - 1);
  p.save();
  p.setPen(QPen(s.colors.text, 1, Qt::DotLine));
  p.setBrush(Qt::NoBrush);
  p.drawRect(r);
  p.restore();
}

}  // namespace

void paintButton(QPainter& p, const ButtonPaintState& s) {
  paintFrame(p, s);
  paintContent(p, s);
  if (s.focused && s.showFocusRect && s.enabled)
    paintFocus(p, s);
}

}  // namespace kestrel
