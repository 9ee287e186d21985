#pragma once

#include <QString>
#include <QtGlobal>

namespace kestrel {

// The pace of a portal run as the practitioner sets it: how many clients are logged in to the
// portal at once, how far apart new logins start, and what becomes of a client whose taxpayer
// is logged in elsewhere; and how the run rests when the portal keeps refusing requests as too
// fast. The first three live in the settings file "ITRELFdefCongi.ini", section "ITRPORTAL"; a
// key not there falls back to the environment, then to the defaults below.
struct PortalPace {
  static constexpr int MaxSessions = 4;
  static constexpr int MaxLoginSpacingSeconds = 600;

  // "SESSIONS", KESTREL_PORTAL_SESSIONS: 1 to 4.
  int sessions = 1;
  // "LOGINGAP" in seconds, KESTREL_PORTAL_LOGIN_SPACING_MS: with several sessions, the least
  // time between the start of one client's login and the next one's.
  int loginSpacingMs = 3000;
  // "SESSIONOPEN" "CONTINUE" or "SKIP", KESTREL_PORTAL_SESSION_OPEN "continue" or "skip".
  bool takeOverOpenSession = true;
  // This many clients given up in a row as "Portal busy" rest the run for busyPauseMs.
  int busyGiveUpsBeforePause = 3;
  qint64 busyPauseMs = 15 * 60 * 1000;
  // KESTREL_PORTAL_TIME_SCALE: multiplies the spacing and the rest, as it does the component's
  // pauses.
  double timeScale = 1.0;

  qint64 scaled(qint64 ms) const;
};

// The pace from the settings file and the environment (routine "ReadPortalSetting"). Values
// out of range are brought within it; unreadable ones are left to the fallback.
PortalPace ReadPortalPace();

// Writes the three keys of the settings file (routine "SavePortalSetting"); the file's other
// sections and keys stay as they are.
void SavePortalPace(const PortalPace& pace);

}  // namespace kestrel
