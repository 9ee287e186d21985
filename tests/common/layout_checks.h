#pragma once

#include "controls/zen_button.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QStringList>

#include <algorithm>

namespace kestrel::testing {

// The controls of a panel that do not show whole: outside the part of the window the panel
// shows in, or narrower than they need (a box its minimum, a button its caption, a label its
// glyphs drawn without kerning). Named by object name, else by text.
inline QStringList clippedControls(const QWidget& panel) {
  QStringList clipped;
  const QRect shown = QRect(panel.mapTo(panel.window(), QPoint(0, 0)), panel.size()) & panel.window()->rect();
  for (const QWidget* w : panel.findChildren<QWidget*>()) {
    const auto* label = qobject_cast<const QLabel*>(w);
    const bool boxed = qobject_cast<const QLineEdit*>(w) || qobject_cast<const QAbstractSpinBox*>(w) ||
                       qobject_cast<const QComboBox*>(w);
    // The text box inside a spin box or combo box is the box's own business.
    const bool inner = qobject_cast<const QAbstractSpinBox*>(w->parentWidget()) ||
                       qobject_cast<const QComboBox*>(w->parentWidget());
    if (!w->isVisibleTo(&panel) || inner ||
        !(boxed || qobject_cast<const QAbstractButton*>(w) || qobject_cast<const ZENButton*>(w) ||
          (label && !label->wordWrap())))
      continue;
    int needs = boxed ? w->minimumSizeHint().width() : w->sizeHint().width();
    if (const auto* b = qobject_cast<const ZENButton*>(w))
      needs = w->fontMetrics().size(Qt::TextShowMnemonic, b->Caption()).width() + 4;
    if (label && label->textFormat() != Qt::RichText)
      for (int glyphs = 0; const QChar c : QString(label->text()).remove(u'&'))
        needs = std::max(needs, glyphs += w->fontMetrics().horizontalAdvance(c));
    if (!shown.contains(QRect(w->mapTo(panel.window(), QPoint(0, 0)), w->size())) || w->width() < needs)
      clipped << (w->objectName().isEmpty() ? w->property("text").toString() : w->objectName());
  }
  return clipped;
}

}  // namespace kestrel::testing
