#pragma once

#include <QCursor>
#include <QGuiApplication>

namespace kestrel {

// The wait cursor for one scope; the normal cursor comes back when it ends, also on an early
// return.
class WaitCursor {
 public:
  WaitCursor() { QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
  ~WaitCursor() { restore(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

  // Back to the normal cursor before the scope ends (before a closing message, say).
  void restore() {
    if (active_)
      QGuiApplication::restoreOverrideCursor();
    active_ = false;
  }

 private:
  bool active_ = true;
};

}  // namespace kestrel
