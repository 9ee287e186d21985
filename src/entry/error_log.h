#pragma once

#include "support/runtime_error.h"

#include <QString>

#include <exception>
#include <utility>

namespace kestrel {

// Records a trapped failure. Numbers 0 and 5 are ignored; a lost database connection
// (DatabaseFailure with the exact text "MySQL server has gone away") is shown to the user;
// anything else becomes one tab-separated line in VelLog.log of the program folder:
// date and time, number, description, source, ErrLocation.
void LogError(const ErrObject& err);

// The log file LogError appends to ("" while no base component is available).
QString ErrorLogPath();

// Turns whatever a statement threw into the error the log records.
ErrObject errFromCurrentException();

// The error trap of one routine. Each statement that may fail runs through it; a failure is
// logged with the window and routine name and the routine carries on with its next statement:
//
//   ErrorTrap trap(u"frmKestrel", u"ShowData");
//   trap([&] { Base().ConQuery(sql); });
//   auto n = trap.value([&] { return rs->Text(u"Cnt").toInt(); }, 0);
//
// Nothing thrown by a statement leaves the trap.
class ErrorTrap {
 public:
  ErrorTrap(QStringView window, QStringView routine)
      : location_(window.toString() + QLatin1Char('\t') + routine.toString()) {}

  // Runs the statement; false when it failed (and was logged).
  template <class F>
  bool operator()(F&& statement) noexcept {
    try {
      std::forward<F>(statement)();
      return true;
    } catch (...) {
      record(errFromCurrentException());
      return false;
    }
  }

  // Runs an expression; its value, or the fallback when it failed.
  template <class F, class T>
  T value(F&& expression, T fallback) noexcept {
    try {
      return std::forward<F>(expression)();
    } catch (...) {
      record(errFromCurrentException());
      return fallback;
    }
  }

  bool anyFailed() const { return failures_ > 0; }
  int failures() const { return failures_; }
  const ErrObject& lastError() const { return last_; }
  const QString& location() const { return location_; }

 private:
  void record(const ErrObject& err) noexcept;

  QString location_;
  ErrObject last_;
  int failures_ = 0;
};

}  // namespace kestrel
