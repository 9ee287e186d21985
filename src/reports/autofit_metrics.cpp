#include "reports/autofit_metrics.h"

#include <QFileInfo>
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace kestrel {

namespace {

bool isInstalled(const QString& family) {
  return QFontInfo(QFont(family)).family().compare(family, Qt::CaseInsensitive) == 0;
}

// Wine's metric-compatible Tahoma, registered with the application once when the desktop has
// no Tahoma of its own. Returns the file that now provides the family, or "".
QString provideWineTahoma(const QString& family) {
  static QString provided;
  static bool tried = false;
  if (family.compare(QLatin1String("Tahoma"), Qt::CaseInsensitive) != 0)
    return {};
  if (!tried) {
    tried = true;
    if (!isInstalled(family)) {
      const QString regular = QStringLiteral("/usr/share/wine/fonts/tahoma.ttf");
      const QString bold = QStringLiteral("/usr/share/wine/fonts/tahomabd.ttf");
      if (QFileInfo::exists(regular) && QFontDatabase::addApplicationFont(regular) >= 0) {
        provided = regular;
        if (QFileInfo::exists(bold))
          QFontDatabase::addApplicationFont(bold);
      }
    }
  }
  return provided;
}

}  // namespace

struct AutoFitMetrics::Face {
  Face(const QString& family, int pixelSize, bool bold, const QString& providedBy) {
    QFont font(family);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setKerning(false);
    font.setStyleStrategy(QFont::NoAntialias);
    font.setHintingPreference(QFont::PreferFullHinting);
    metrics = std::make_unique<QFontMetricsF>(font);
    const QString shown = QFontInfo(font).family();
    if (shown.compare(family, Qt::CaseInsensitive) != 0)
      source = shown + QStringLiteral(" (in place of ") + family + u')';
    else
      source = providedBy.isEmpty() ? family : family + QStringLiteral(" from ") + providedBy;
    for (char16_t c = 0x20; c < 0x7F; ++c) advance(c);
  }

  int advance(char16_t unit) const {
    std::int16_t& known = widths[unit];
    if (known < 0)
      known = static_cast<std::int16_t>(std::clamp(qRound(metrics->horizontalAdvance(QChar(unit))), 0, 1000));
    return known;
  }

  int pairAdvance(QStringView pair) const { return qRound(metrics->horizontalAdvance(pair.toString())); }

  std::unique_ptr<QFontMetricsF> metrics;
  QString source;
  mutable std::vector<std::int16_t> widths = std::vector<std::int16_t>(0x10000, -1);
};

AutoFitMetrics::AutoFitMetrics(const QString& family, double pointSize) {
  // Windows rounds a font's height to whole pixels: 8 points at 96 dpi are 11 pixels.
  const int pixelSize = std::max(1, qRound(pointSize * 96.0 / 72.0));
  const QString providedBy = provideWineTahoma(family);
  regular_ = std::make_unique<Face>(family, pixelSize, false, providedBy);
  bold_ = std::make_unique<Face>(family, pixelSize, true, providedBy);
}

AutoFitMetrics::~AutoFitMetrics() = default;

int AutoFitMetrics::textPixels(QStringView text, bool bold) const {
  const Face& face = bold ? *bold_ : *regular_;
  int pixels = 0;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar ch = text[i];
    if (ch.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
      pixels += face.pairAdvance(text.mid(i, 2));
      ++i;
    } else {
      pixels += face.advance(ch.unicode());
    }
  }
  return pixels;
}

int AutoFitMetrics::columnPixels(int widestTextPixels) {
  return std::min(widestTextPixels + CellPadding, MaxColumnPixels);
}

QString AutoFitMetrics::source(bool bold) const {
  return bold ? bold_->source : regular_->source;
}

}  // namespace kestrel
