#pragma once

// A simulator process (kestrel-portal-sim, kestrel-hosting-sim) for tests that talk to it over
// real HTTP: started on a free port of 127.0.0.1, stopped with the object; and its /sim pages.
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

class SimProcess {
 public:
  bool start(const QString& program, const QStringList& args) {
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
    qWarning() << program << "did not start:" << output_;
    return false;
  }
  ~SimProcess() {
    process_.kill();
    process_.waitForFinished(5000);
  }

  QUrl url;

 private:
  QProcess process_;
  QString output_;
};

// GET of one of a simulator's own pages ("/sim/state", "/sim/updates"...) with the given query;
// the answer as JSON. caCertificates: trusted for a simulator on HTTPS.
inline QJsonObject SimPage(const QUrl& base, const QString& path, const QUrlQuery& query = {},
                           const QList<QSslCertificate>& caCertificates = {}) {
  QUrl address = base;
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

}  // namespace kestrel::testing
