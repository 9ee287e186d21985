#include "entry/error_log.h"

#include "entry/interaction.h"
#include "entry/mod_it_main.h"
#include "support/owner_only.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

#include <new>

namespace kestrel {

QString ErrorLogPath() {
  auto& base = ModIT_Main().BaseComponent;
  if (!base)
    return {};
  return base->ExePath() + QDir::separator() + QStringLiteral("VelLog.log");
}

void LogError(const ErrObject& err) {
  if (err.Number == 0 || err.Number == errnum::InvalidProcedureCall)
    return;
  if (err.Number == errnum::DatabaseFailure && err.Description == QLatin1String(LostConnectionText)) {
    ui().MsgBox(err.Description, Interaction::Icon::Information);
    return;
  }
  // The logger must never fail the routine that called it: a log that cannot be written
  // loses this line and nothing else.
  try {
    const QString path = ErrorLogPath();
    if (path.isEmpty())
      return;
    QFile file(path);
    // The log holds PANs: a new one is the owner's alone.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text, OwnerOnlyFile))
      return;
    const QString line = QDateTime::currentDateTime().toString(QStringLiteral("dd-MM-yyyy HH:mm:ss")) +
                         QLatin1Char('\t') + QString::number(err.Number) + QLatin1Char('\t') +
                         err.Description + QLatin1Char('\t') + err.Source + QLatin1Char('\t') +
                         ModIT_Main().ErrLocation + QLatin1Char('\n');
    file.write(line.toUtf8());
    file.close();
  } catch (...) {
  }
}

ErrObject errFromCurrentException() {
  try {
    throw;
  } catch (const RuntimeError& e) {
    return e.err();
  } catch (const std::bad_alloc&) {
    return {7, QStringLiteral("Out of memory"), QStringLiteral("Kestrel")};
  } catch (const std::exception& e) {
    return {440, QString::fromUtf8(e.what()), QStringLiteral("Kestrel")};
  } catch (...) {
    return {51, QStringLiteral("Internal error"), QStringLiteral("Kestrel")};
  }
}

void ErrorTrap::record(const ErrObject& err) noexcept {
  ++failures_;
  try {
    last_ = err;
    ModIT_Main().ErrLocation = location_;
    LogError(err);
  } catch (...) {
  }
}

}  // namespace kestrel
