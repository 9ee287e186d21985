#pragma once

// The portal simulator (kestrel-portal-sim) for tests that talk to it over real HTTP: one
// process on a free port of 127.0.0.1, stopped with the object, and what it recorded.
#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QUrl>
#include <QtDebug>

#include <memory>

namespace kestrel::testing {

// One simulator process on a free port; stopped when this goes.
class Simulator {
 public:
  // program: the simulator's path; by default the one this program was built with.
  bool start(const QStringList& args, QString program = {}) {
#ifdef KESTREL_PORTAL_SIM
    if (program.isEmpty())
      program = QStringLiteral(KESTREL_PORTAL_SIM);
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
    qWarning() << "simulator did not start:" << output_;
    return false;
  }
  ~Simulator() {
    process_.kill();
    process_.waitForFinished(5000);
  }
  QUrl url;

 private:
  QProcess process_;
  QString output_;
};

// The contact updates the simulator accepted or holds, oldest first.
inline QJsonArray simUpdates(const QUrl& base) {
  QNetworkAccessManager network;
  QUrl url = base;
  url.setPath(QStringLiteral("/sim/updates"));
  std::unique_ptr<QNetworkReply> reply(network.get(QNetworkRequest(url)));
  QEventLoop loop;
  QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
  loop.exec();
  return QJsonDocument::fromJson(reply->readAll()).object().value(QStringLiteral("updates")).toArray();
}

// Every POST the simulator answered, oldest first: "at", "service", "pan", "code".
inline QJsonArray simRequests(const QUrl& base) {
  QNetworkAccessManager network;
  QUrl url = base;
  url.setPath(QStringLiteral("/sim/requests"));
  std::unique_ptr<QNetworkReply> reply(network.get(QNetworkRequest(url)));
  QEventLoop loop;
  QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
  loop.exec();
  return QJsonDocument::fromJson(reply->readAll()).object().value(QStringLiteral("requests")).toArray();
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
