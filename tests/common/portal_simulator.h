#pragma once

// The portal simulator (kestrel-portal-sim) and what it recorded.
#include "sim_process.h"

#include <QJsonArray>

namespace kestrel::testing {

class Simulator : public SimProcess {
 public:
  // program: the simulator's path; by default the one this program was built with.
  bool start(const QStringList& args, QString program = {}) {
#ifdef KESTREL_PORTAL_SIM
    if (program.isEmpty())
      program = QStringLiteral(KESTREL_PORTAL_SIM);
#endif
    return SimProcess::start(program, args);
  }
};

// The contact updates the simulator accepted or holds, oldest first.
inline QJsonArray simUpdates(const QUrl& base) {
  return SimPage(base, QStringLiteral("/sim/updates")).value(QStringLiteral("updates")).toArray();
}

// Every POST the simulator answered, oldest first: "at", "service", "pan", "code".
inline QJsonArray simRequests(const QUrl& base) {
  return SimPage(base, QStringLiteral("/sim/requests")).value(QStringLiteral("requests")).toArray();
}

inline QJsonObject lastUpdate(const QUrl& base, const QString& pan) {
  QJsonObject found;
  for (const QJsonValue& v : simUpdates(base)) {
    if (v.toObject().value(QStringLiteral("pan")).toString() == pan)
      found = v.toObject();
  }
  return found;
}

}  // namespace kestrel::testing
