#pragma once

#include <QString>
#include <QStringView>

#include <memory>

namespace kestrel {

// Text widths as a spreadsheet program's AutoFit measures them, so that a sheet can carry the
// widths AutoFit would give without a spreadsheet program at hand.
//
// AutoFit lays a cell's text out on a 96-dpi screen, where Tahoma 8 is 11 pixels high, every
// glyph advances by a whole number of pixels and nothing is kerned; the column then gets 7
// pixels of cell padding on top of its widest text, up to 1790 pixels (255 characters).
//
// The texts are measured in Tahoma at 11 pixels without smoothing, which uses the whole-pixel
// widths of the font's hand-made 11-pixel bitmaps. A desktop without Tahoma gets Wine's
// (Debian's fonts-wine), made to Tahoma's advance widths, with such bitmaps of its own.
// Characters Tahoma lacks are measured in the font the desktop substitutes. Should the
// bitmaps differ from what a given spreadsheet program draws: the font's plain design widths,
// rounded, differ from them in 10 of the 95 printable ASCII glyphs by one pixel (regular) and
// in 28 by up to two (bold, used for the short header captions), in both directions, so over
// the texts of a report a column stays within one character (7 pixels) of AutoFit.
class AutoFitMetrics {
 public:
  explicit AutoFitMetrics(const QString& family = QStringLiteral("Tahoma"), double pointSize = 8);
  ~AutoFitMetrics();
  AutoFitMetrics(const AutoFitMetrics&) = delete;
  AutoFitMetrics& operator=(const AutoFitMetrics&) = delete;

  // The text's width in pixels.
  int textPixels(QStringView text, bool bold) const;

  // The column width in pixels AutoFit gives a column whose widest text is that wide.
  static int columnPixels(int widestTextPixels);
  static constexpr int CellPadding = 7;
  static constexpr int MaxColumnPixels = 1790;

  // What the widths come from: a font file or a family name.
  QString source(bool bold) const;

 private:
  struct Face;
  std::unique_ptr<Face> regular_;
  std::unique_ptr<Face> bold_;
};

}  // namespace kestrel
