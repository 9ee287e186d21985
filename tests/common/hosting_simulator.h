#pragma once

// The hosting panel simulator (kestrel-hosting-sim) for tests that talk to it over real HTTP:
// one process on a free port of 127.0.0.1, stopped with the object, and its /sim pages.
#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QSslConfiguration>
#include <QUrl>
#include <QUrlQuery>
#include <QtDebug>

#include <memory>

namespace kestrel::testing {

class HostingSimulator {
 public:
  // program: the simulator's path; by default the one this program was built with.
  bool start(const QStringList& args, QString program = {}) {
#ifdef KESTREL_HOSTING_SIM
    if (program.isEmpty())
      program = QStringLiteral(KESTREL_HOSTING_SIM);
#endif
    process_.setProgram(program);
    process_.setArguments(
        args + QStringList{QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--quiet")});
    process_.setProcessChannelMode(QProcess::MergedChannels);
    process_.start();
    QElapsedTimer clock;
    clock.start();
    static const QRegularExpression listening(QStringLiteral("listening on (\\S+)"));
    while (clock.elapsed() < 10000 && process_.waitForReadyRead(10000)) {
      output_ += QString::fromUtf8(process_.readAll());
      const auto match = listening.match(output_);
      if (match.hasMatch()) {
        url = QUrl(match.captured(1));
        return true;
      }
    }
    qWarning() << "hosting simulator did not start:" << output_;
    return false;
  }
  ~HostingSimulator() {
    process_.kill();
    process_.waitForFinished(5000);
  }

  // GET of one of the simulator's own pages ("/sim/state", "/sim/reset", "/sim/scenario"),
  // with the given query; the answer as JSON. caCertificates: trusted for an HTTPS simulator.
  QJsonObject sim(const QString& path, const QUrlQuery& query = {},
                  const QList<QSslCertificate>& caCertificates = {}) const {
    QUrl address = url;
    address.setPath(path);
    address.setQuery(query);
    QNetworkRequest request(address);
    if (!caCertificates.isEmpty()) {
      QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
      tls.addCaCertificates(caCertificates);
      request.setSslConfiguration(tls);
    }
    QNetworkAccessManager network;
    std::unique_ptr<QNetworkReply> reply(network.get(request));
    QEventLoop loop;
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    return QJsonDocument::fromJson(reply->readAll()).object();
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

  QUrl url;

 private:
  QProcess process_;
  QString output_;
};

}  // namespace kestrel::testing
