#pragma once

// The hosting panel simulator (kestrel-hosting-sim) and its /sim pages.
#include "sim_process.h"

namespace kestrel::testing {

class HostingSimulator : public SimProcess {
 public:
  // program: the simulator's path; by default the one this program was built with.
  bool start(const QStringList& args, QString program = {}) {
#ifdef KESTREL_HOSTING_SIM
    if (program.isEmpty())
      program = QStringLiteral(KESTREL_HOSTING_SIM);
#endif
    return SimProcess::start(program, args);
  }

  QJsonObject sim(const QString& path, const QUrlQuery& query = {},
                  const QList<QSslCertificate>& caCertificates = {}) const {
    return SimPage(url, path, query, caCertificates);
  }
  QJsonObject state(const QList<QSslCertificate>& ca = {}) const {
    return sim(QStringLiteral("/sim/state"), {}, ca);
  }
  void reset(const QList<QSslCertificate>& ca = {}) const {
    sim(QStringLiteral("/sim/reset"), {}, ca);
  }
  // scenario: "delay=300&login=1" and the like.
  void scenario(const QString& settings, const QList<QSslCertificate>& ca = {}) const {
    sim(QStringLiteral("/sim/scenario"), QUrlQuery(settings), ca);
  }
};

}  // namespace kestrel::testing
