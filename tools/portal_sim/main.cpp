// kestrel-portal-sim: a local stand-in for the e-filing portal's JSON interface, with accounts
// from a Velmar store or a fixture file and a scenario per account.
#include "sim_http.h"

#include "support/runtime_error.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QSslCertificate>
#include <QSslKey>
#include <QTextStream>

#include <stdexcept>

using namespace kestrel;
using namespace kestrel::sim;

namespace {

QByteArray readFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    throw std::runtime_error(
        QStringLiteral("cannot read %1: %2").arg(path, file.errorString()).toStdString());
  return file.readAll();
}

int number(const QCommandLineParser& cli, const QString& name, int low, int high) {
  bool ok = false;
  const int value = cli.value(name).toInt(&ok);
  if (!ok || value < low || value > high)
    throw std::runtime_error(
        QStringLiteral("--%1 must be a number from %2 to %3").arg(name).arg(low).arg(high).toStdString());
  return value;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("kestrel-portal-sim"));

  QCommandLineParser cli;
  cli.setApplicationDescription(
      QStringLiteral(
          "Simulates the e-filing portal's login, profile and contact update interface on 127.0.0.1.\n"
          "Scenarios: ") +
      ScenarioNames().join(QStringLiteral(", ")) +
      QStringLiteral(
          ".\nA store account's scenario comes from its PAN's four digits modulo 100: "
          "00 unknown-user, 01 wrong-password, 02 unverified, 03 pin-pending, 04 contact-validated, "
          "05 session-open, 06 empty-profile, 07 garbage, 08 http-500, 09 slow, "
          "10 verification-refused, 11 busy, any other success."));
  cli.addHelpOption();
  cli.addOptions({
      {QStringLiteral("port"), QStringLiteral("Port to listen on (0: any free port; default 18443)."),
       QStringLiteral("port"), QStringLiteral("18443")},
      {QStringLiteral("store"),
       QStringLiteral("Accounts from a Velmar store: sqlite:/file.db or mysql://..."),
       QStringLiteral("connection")},
      {QStringLiteral("fixture"), QStringLiteral("Accounts from a JSON fixture file."),
       QStringLiteral("file")},
      {QStringLiteral("latency"), QStringLiteral("Milliseconds added to every answer (default 0)."),
       QStringLiteral("ms"), QStringLiteral("0")},
      {QStringLiteral("slow"), QStringLiteral("Milliseconds added for the \"slow\" scenario (default 8000)."),
       QStringLiteral("ms"), QStringLiteral("8000")},
      {QStringLiteral("tls-cert"), QStringLiteral("PEM certificate (chain) to serve HTTPS with."),
       QStringLiteral("file")},
      {QStringLiteral("tls-key"), QStringLiteral("PEM private key of the certificate."),
       QStringLiteral("file")},
      {QStringLiteral("record"), QStringLiteral("Append every contact update to this file (JSON lines)."),
       QStringLiteral("file")},
      {QStringLiteral("quiet"), QStringLiteral("Do not print the PINs sent.")},
  });
  cli.process(app);

  QTextStream out(stdout);
  QTextStream err(stderr);
  try {
    if (cli.isSet(QStringLiteral("store")) == cli.isSet(QStringLiteral("fixture")))
      throw std::runtime_error("give exactly one of --store and --fixture");
    Accounts accounts = cli.isSet(QStringLiteral("store"))
                            ? LoadStoreAccounts(cli.value(QStringLiteral("store")))
                            : LoadFixture(cli.value(QStringLiteral("fixture")));
    PortalOptions options;
    options.latencyMs = number(cli, QStringLiteral("latency"), 0, 600000);
    options.slowMs = number(cli, QStringLiteral("slow"), 0, 600000);
    options.recordFile = cli.value(QStringLiteral("record"));
    options.announcePins = !cli.isSet(QStringLiteral("quiet"));
    const int port = number(cli, QStringLiteral("port"), 0, 65535);

    std::optional<QSslConfiguration> tls;
    if (cli.isSet(QStringLiteral("tls-cert")) != cli.isSet(QStringLiteral("tls-key")))
      throw std::runtime_error("--tls-cert and --tls-key go together");
    if (cli.isSet(QStringLiteral("tls-cert"))) {
      const QList<QSslCertificate> chain =
          QSslCertificate::fromData(readFile(cli.value(QStringLiteral("tls-cert"))), QSsl::Pem);
      const QSslKey key(readFile(cli.value(QStringLiteral("tls-key"))), QSsl::Rsa, QSsl::Pem);
      const QSslKey ecKey =
          key.isNull() ? QSslKey(readFile(cli.value(QStringLiteral("tls-key"))), QSsl::Ec, QSsl::Pem) : key;
      if (chain.isEmpty() || ecKey.isNull())
        throw std::runtime_error("the TLS certificate or key could not be read");
      QSslConfiguration conf = QSslConfiguration::defaultConfiguration();
      conf.setLocalCertificateChain(chain);
      conf.setPrivateKey(ecKey);
      conf.setPeerVerifyMode(QSslSocket::VerifyNone);
      tls = conf;
      options.secure = true;
    }

    Portal portal(std::move(accounts), options);
    HttpServer server(portal, tls);
    if (!server.listen(QHostAddress::LocalHost, quint16(port)))
      throw std::runtime_error(QStringLiteral("cannot listen on 127.0.0.1:%1: %2")
                                   .arg(port)
                                   .arg(server.errorString())
                                   .toStdString());
    out << "kestrel-portal-sim listening on " << (tls ? "https" : "http")
        << "://127.0.0.1:" << server.serverPort() << " with " << portal.accountCount() << " accounts"
        << Qt::endl;
    return app.exec();
  } catch (const RuntimeError& e) {
    err << "kestrel-portal-sim: " << e.description() << Qt::endl;
  } catch (const std::exception& e) {
    err << "kestrel-portal-sim: " << e.what() << Qt::endl;
  }
  return 2;
}
