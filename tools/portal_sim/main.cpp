// kestrel-portal-sim: a local stand-in for the e-filing portal's JSON interface, with accounts
// from a Velmar store or a fixture file and a scenario per account.
#include "http_server.h"
#include "sim_portal.h"

#include "support/runtime_error.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
#include <QSslCertificate>
#include <QSslKey>
#include <QTextStream>

#include <stdexcept>
#include <tuple>
#include <utility>

using namespace kestrel;
using namespace kestrel::sim;
using namespace kestrel::simcommon;

namespace {

// "250ms", "10s", "15m", "2h", or a plain number of milliseconds; at most a day.
qint64 duration(const QString& name, const QString& text) {
  static const QRegularExpression form(QStringLiteral("^(\\d{1,9})(ms|s|m|h)?$"));
  const QRegularExpressionMatch m = form.match(text.trimmed());
  const qint64 unit = !m.hasMatch()                         ? 0
                      : m.captured(2) == QLatin1String("s") ? 1000
                      : m.captured(2) == QLatin1String("m") ? 60000
                      : m.captured(2) == QLatin1String("h") ? 3600000
                                                            : 1;
  const qint64 ms = m.captured(1).toLongLong() * unit;
  if (unit == 0 || ms > 24 * 3600000LL)
    throw std::runtime_error(
        QStringLiteral("--%1 must be a duration such as 250ms, 10s or 15m, up to a day: %2")
            .arg(name, text)
            .toStdString());
  return ms;
}

qint64 duration(const QCommandLineParser& cli, const QString& name) {
  return duration(name, cli.value(name));
}

// "<count>/<duration>", or "0" for none.
std::pair<int, qint64> perDuration(const QCommandLineParser& cli, const QString& name) {
  const QString text = cli.value(name).trimmed();
  if (text == QLatin1String("0"))
    return {0, 0};
  const qsizetype slash = text.indexOf(QLatin1Char('/'));
  bool ok = false;
  const int count = text.left(slash).toInt(&ok);
  if (slash < 0 || !ok || count < 1 || count > 100000)
    throw std::runtime_error(QStringLiteral("--%1 must be a count and a duration such as 30/60s, or 0: %2")
                                 .arg(name, text)
                                 .toStdString());
  return {count, duration(name, text.mid(slash + 1))};
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
          "10 verification-refused, 11 busy, 12 malformed-profile, 13 truncated-profile, 14 html-profile, "
          "15 profile-error, 16 permission-denied, any other success.\n"
          "Durations: 250ms, 10s, 15m, 2h or plain milliseconds; 0 turns a rule off."));
  cli.addHelpOption();
  cli.addOptions({
      {QStringLiteral("port"), QStringLiteral("Port to listen on (0: any free port; default 18443)."),
       QStringLiteral("port"), QStringLiteral("18443")},
      {QStringLiteral("store"),
       QStringLiteral("Accounts from a Velmar store: sqlite:/file.db or mysql://..."),
       QStringLiteral("connection")},
      {QStringLiteral("fixture"), QStringLiteral("Accounts from a JSON fixture file."),
       QStringLiteral("file")},
      {QStringLiteral("latency"), QStringLiteral("Added to every answer (default 0)."),
       QStringLiteral("duration"), QStringLiteral("0")},
      {QStringLiteral("slow"), QStringLiteral("Added for the \"slow\" scenario (default 8s)."),
       QStringLiteral("duration"), QStringLiteral("8s")},
      {QStringLiteral("pace"),
       QStringLiteral("Keep the portal's own pace: --login-pause 10s --rate-limit 30/60s, unless given.")},
      {QStringLiteral("login-pause"),
       QStringLiteral("Refuse a password step sent sooner than this after its PAN step (default 0)."),
       QStringLiteral("duration")},
      {QStringLiteral("rate-limit"),
       QStringLiteral("Refuse requests beyond this many per window and client address, e.g. 30/60s "
                      "(default 0: none)."),
       QStringLiteral("n/duration")},
      {QStringLiteral("session-idle"), QStringLiteral("A session unused this long expires (default 15m)."),
       QStringLiteral("duration"), QStringLiteral("15m")},
      {QStringLiteral("lockout"),
       QStringLiteral("Lock an account after this many wrong passwords in a row, for this long "
                      "(default 5/30m)."),
       QStringLiteral("n/duration"), QStringLiteral("5/30m")},
      {QStringLiteral("pin-validity"),
       QStringLiteral("The PINs of a contact update stay valid this long (default 15m)."),
       QStringLiteral("duration"), QStringLiteral("15m")},
      {QStringLiteral("time-scale"),
       QStringLiteral("Multiply every pause, expiry, window and delay by this (default 1; 0.01 runs the "
                      "portal a hundred times faster)."),
       QStringLiteral("factor"), QStringLiteral("1")},
      {QStringLiteral("tls-cert"), QStringLiteral("PEM certificate (chain) to serve HTTPS with."),
       QStringLiteral("file")},
      {QStringLiteral("tls-key"), QStringLiteral("PEM private key of the certificate."),
       QStringLiteral("file")},
      {QStringLiteral("record"), QStringLiteral("Append every contact update to this file (JSON lines)."),
       QStringLiteral("file")},
      {QStringLiteral("mail-root"),
       QStringLiteral(
           "The firm's mail as the hosting panel simulator keeps it (its --maildir): the PIN mail of "
           "a contact update is delivered to the mailbox behind the new e-mail address."),
       QStringLiteral("dir")},
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
    options.latencyMs = int(std::min<qint64>(duration(cli, QStringLiteral("latency")), 600000));
    options.slowMs = int(std::min<qint64>(duration(cli, QStringLiteral("slow")), 600000));
    if (cli.isSet(QStringLiteral("pace")))
      UsePortalPace(options);
    if (cli.isSet(QStringLiteral("login-pause")))
      options.loginPauseMs = duration(cli, QStringLiteral("login-pause"));
    if (cli.isSet(QStringLiteral("rate-limit")))
      std::tie(options.rateLimit, options.rateWindowMs) = perDuration(cli, QStringLiteral("rate-limit"));
    options.sessionIdleMs = duration(cli, QStringLiteral("session-idle"));
    std::tie(options.lockoutAttempts, options.lockoutMs) = perDuration(cli, QStringLiteral("lockout"));
    options.pinValidityMs = duration(cli, QStringLiteral("pin-validity"));
    bool scaleOk = false;
    options.timeScale = cli.value(QStringLiteral("time-scale")).toDouble(&scaleOk);
    if (!scaleOk || !(options.timeScale > 0) || options.timeScale > 1000)
      throw std::runtime_error("--time-scale must be a factor above 0 and at most 1000");
    options.recordFile = cli.value(QStringLiteral("record"));
    options.announcePins = !cli.isSet(QStringLiteral("quiet"));
    options.mailRoot = cli.value(QStringLiteral("mail-root"));
    const int port = NumberOption(cli, QStringLiteral("port"), 0, 65535);

    const std::optional<QSslConfiguration> tls = TlsFromOptions(cli);
    options.secure = tls.has_value();

    Portal portal(std::move(accounts), options);
    HttpServer server([&portal](const HttpRequest& request) { return portal.handle(request); },
                      "application/json", tls);
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
