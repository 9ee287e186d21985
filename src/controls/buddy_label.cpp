#include "controls/buddy_label.h"

#include <algorithm>

namespace kestrel {

namespace {
int unkernedWidth(const QLabel& label) {
  int width = 0;
  for (const QChar c : QString(label.text()).remove(u'&')) width += label.fontMetrics().horizontalAdvance(c);
  const QMargins margins = label.contentsMargins();
  return width + margins.left() + margins.right() + 2 * label.margin() + 1;
}
}  // namespace

BuddyLabel::BuddyLabel(const QString& text, QWidget* buddy, QWidget* parent) : QLabel(text, parent) {
  setBuddy(buddy);
}

QSize BuddyLabel::sizeHint() const {
  const QSize hint = QLabel::sizeHint();
  return {std::max(hint.width(), unkernedWidth(*this)), hint.height()};
}

QSize BuddyLabel::minimumSizeHint() const {
  const QSize hint = QLabel::minimumSizeHint();
  return {std::max(hint.width(), unkernedWidth(*this)), hint.height()};
}

}  // namespace kestrel
