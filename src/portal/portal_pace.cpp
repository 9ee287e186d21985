#include "portal/portal_pace.h"

#include "assign/default_store.h"
#include "entry/error_log.h"
#include "entry/mod_it_main.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace kestrel {

namespace {

constexpr char16_t Window[] = u"frmKestrel";
const QString Section = QStringLiteral("ITRPORTAL");
const QString SessionsKey = QStringLiteral("SESSIONS");
const QString SpacingKey = QStringLiteral("LOGINGAP");
const QString SessionOpenKey = QStringLiteral("SESSIONOPEN");

std::optional<int> wholeNumber(const QString& text) {
  bool ok = false;
  const int n = text.trimmed().toInt(&ok);
  return ok ? std::optional<int>(n) : std::nullopt;
}

// "continue" takes a session open elsewhere over, "skip" skips the client.
std::optional<bool> takeOver(const QString& text) {
  const QString word = text.trimmed().toLower();
  if (word == QLatin1String("continue"))
    return true;
  if (word == QLatin1String("skip"))
    return false;
  return std::nullopt;
}

// The environment's pace, the defaults where it says nothing usable.
PortalPace fromEnvironment() {
  PortalPace pace;
  if (const auto n = wholeNumber(qEnvironmentVariable("KESTREL_PORTAL_SESSIONS")))
    pace.sessions = *n;
  if (const auto ms = wholeNumber(qEnvironmentVariable("KESTREL_PORTAL_LOGIN_SPACING_MS")))
    pace.loginSpacingMs = *ms;
  if (const auto t = takeOver(qEnvironmentVariable("KESTREL_PORTAL_SESSION_OPEN")))
    pace.takeOverOpenSession = *t;
  bool ok = false;
  const double scale = qEnvironmentVariable("KESTREL_PORTAL_TIME_SCALE").trimmed().toDouble(&ok);
  if (ok && scale > 0 && scale <= 1000)
    pace.timeScale = scale;
  return pace;
}

}  // namespace

qint64 PortalPace::scaled(qint64 ms) const {
  return ms <= 0 ? 0 : qint64(std::ceil(double(ms) * std::max(0.0, timeScale)));
}

PortalPace ReadPortalPace() {
  ErrorTrap trap(Window, u"ReadPortalSetting");
  PortalPace pace = fromEnvironment();
  trap([&] {
    const QString file = DefaultSettingsFile();
    auto stored = [&](const QString& key) { return Base().GetSettingINI(Section, key, QString(), file); };
    if (const auto n = wholeNumber(stored(SessionsKey)))
      pace.sessions = *n;
    if (const auto seconds = wholeNumber(stored(SpacingKey)))
      pace.loginSpacingMs = std::clamp(*seconds, 0, PortalPace::MaxLoginSpacingSeconds) * 1000;
    if (const auto t = takeOver(stored(SessionOpenKey)))
      pace.takeOverOpenSession = *t;
  });
  pace.sessions = std::clamp(pace.sessions, 1, PortalPace::MaxSessions);
  pace.loginSpacingMs = std::clamp(pace.loginSpacingMs, 0, PortalPace::MaxLoginSpacingSeconds * 1000);
  return pace;
}

void SavePortalPace(const PortalPace& pace) {
  ErrorTrap trap(Window, u"SavePortalSetting");
  trap([&] {
    const QString file = DefaultSettingsFile();
    Base().SaveSettingINI(Section, SessionsKey,
                          QString::number(std::clamp(pace.sessions, 1, PortalPace::MaxSessions)), file);
    Base().SaveSettingINI(Section, SpacingKey, QString::number(std::max(0, pace.loginSpacingMs) / 1000),
                          file);
    Base().SaveSettingINI(Section, SessionOpenKey,
                          pace.takeOverOpenSession ? QStringLiteral("CONTINUE") : QStringLiteral("SKIP"),
                          file);
  });
}

}  // namespace kestrel
