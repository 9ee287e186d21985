#pragma once

#include <QString>

#include <exception>
#include <utility>

namespace kestrel {

// The failure a routine of the module or of an outside component raises: the same three
// facts the error log records (number, description, source). Components raise it instead
// of returning error codes so that the caller's error trap can log it and carry on.
struct ErrObject {
  long Number = 0;
  QString Description;
  QString Source;
};

// Well-known error numbers, kept with the values the suite's components have always used
// so that log files stay comparable.
namespace errnum {
inline constexpr long InvalidProcedureCall = 5;
inline constexpr long Overflow = 6;
inline constexpr long TypeMismatch = 13;
inline constexpr long FileNotFound = 53;
inline constexpr long PathFileAccess = 75;
inline constexpr long CannotCreateObject = 429;
inline constexpr long KeyAlreadyAssociated = 457;
inline constexpr long DatabaseFailure = -2147467259;  // 0x80004005, every database failure
}  // namespace errnum

// The description of a DatabaseFailure raised for a lost MariaDB connection.
inline constexpr const char* LostConnectionText = "MySQL server has gone away";

class RuntimeError : public std::exception {
 public:
  RuntimeError(long number, QString description, QString source = {})
      : err_{number, std::move(description), std::move(source)}, what_(err_.Description.toUtf8()) {}
  explicit RuntimeError(ErrObject err) : err_(std::move(err)), what_(err_.Description.toUtf8()) {}

  const ErrObject& err() const noexcept { return err_; }
  long number() const noexcept { return err_.Number; }
  const QString& description() const noexcept { return err_.Description; }
  const char* what() const noexcept override { return what_.constData(); }

 private:
  ErrObject err_;
  QByteArray what_;
};

// Runs a statement whose failure is deliberately ignored (not logged): resize handlers,
// the version check at start-up and the few other places that tolerate any failure.
template <class F>
bool ignoreErrors(F&& statement) noexcept {
  try {
    std::forward<F>(statement)();
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace kestrel
