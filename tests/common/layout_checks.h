#pragma once

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QStringList>
#include <QWidget>

#include <algorithm>

#include "controls/zen_button.h"

namespace kestrel::testing {

// The controls of a panel that do not show whole: outside the part of the window the panel
// shows in, or narrower than their text needs (a button its caption, a box its minimum).
// Named by object name, else by text.
inline QStringList clippedControls(const QWidget& panel) {
  QStringList clipped;
  const QWidget* window = panel.window();
  const QRect shown = QRect(panel.mapTo(window, QPoint(0, 0)), panel.size()) & window->rect();
  for (const QWidget* w : panel.findChildren<QWidget*>()) {
    // The text box inside a spin box or combo box is the box's own business.
    const bool inner = qobject_cast<const QAbstractSpinBox*>(w->parentWidget()) ||
                       qobject_cast<const QComboBox*>(w->parentWidget());
    const bool boxed = qobject_cast<const QLineEdit*>(w) || qobject_cast<const QAbstractSpinBox*>(w) ||
                       qobject_cast<const QComboBox*>(w);
    const bool control = (!inner && boxed) || qobject_cast<const QAbstractButton*>(w) ||
                         qobject_cast<const ZENButton*>(w) ||
                         (qobject_cast<const QLabel*>(w) && !static_cast<const QLabel*>(w)->wordWrap());
    if (!control || !w->isVisibleTo(&panel))
      continue;
    const QRect at(w->mapTo(window, QPoint(0, 0)), w->size());
    int needs = w->sizeHint().width();
    if (boxed)
      needs = w->minimumSizeHint().width();
    else if (const auto* b = qobject_cast<const ZENButton*>(w))  // its caption, without padding
      needs = w->fontMetrics().size(Qt::TextShowMnemonic, b->Caption()).width() + 4;
    else if (const auto* l = qobject_cast<const QLabel*>(w); l && l->textFormat() != Qt::RichText) {
      // Glyphs drawn one after the other, as wide as they are without kerning.
      int glyphs = 0;
      for (const QChar c : QString(l->text()).remove(u'&')) glyphs += l->fontMetrics().horizontalAdvance(c);
      needs = std::max(needs, glyphs);
    }
    if (!shown.contains(at) || w->width() < needs)
      clipped << (w->objectName().isEmpty() ? w->property("text").toString() : w->objectName());
  }
  return clipped;
}

}  // namespace kestrel::testing
