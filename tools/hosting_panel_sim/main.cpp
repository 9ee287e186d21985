// kestrel-hosting-sim: a local stand-in for the hosting control panel's mailbox and forwarder
// pages, with the misbehaviours a real panel shows (slow, failing, unrecognisable, behind a
// login page).
#include "hosting_panel.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QSslCertificate>
#include <QSslKey>
#include <QTextStream>

#include <stdexcept>

using namespace kestrel::hostingsim;
using namespace kestrel::simcommon;

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("kestrel-hosting-sim"));

  QCommandLineParser cli;
  cli.setApplicationDescription(QStringLiteral(
      "Simulates the hosting control panel's index.php (create a mailbox) and addforwarder.php (add a\n"
      "forwarder) on 127.0.0.1, also under /~tolvenar/. /sim/state shows what was created, /sim/reset\n"
      "forgets it, /sim/scenario?delay=ms&status=code&marker=0|1&login=0|1 changes the behaviour."));
  cli.addHelpOption();
  cli.addOptions({
      {QStringLiteral("port"), QStringLiteral("Port to listen on (0: any free port; default 18444)."),
       QStringLiteral("port"), QStringLiteral("18444")},
      {QStringLiteral("domain"),
       QStringLiteral("A domain of the hosting account (repeatable; none: every domain asked for)."),
       QStringLiteral("name")},
      {QStringLiteral("delay"), QStringLiteral("Milliseconds before each panel page answers (default 0)."),
       QStringLiteral("ms"), QStringLiteral("0")},
      {QStringLiteral("fail-status"), QStringLiteral("Answer every panel page with this HTTP status."),
       QStringLiteral("code")},
      {QStringLiteral("no-marker"),
       QStringLiteral("Panel pages say nothing about the mailbox or forwarder.")},
      {QStringLiteral("login-redirect"),
       QStringLiteral("Panel pages send a visitor without a session through /login.php first.")},
      {QStringLiteral("tls-cert"), QStringLiteral("PEM certificate (chain) to serve HTTPS with."),
       QStringLiteral("file")},
      {QStringLiteral("tls-key"), QStringLiteral("PEM private key of the certificate."),
       QStringLiteral("file")},
      {QStringLiteral("dovecot-passwd"),
       QStringLiteral("Also write each mailbox created into this Dovecot passwd-file (needs --maildir)."),
       QStringLiteral("file")},
      {QStringLiteral("maildir"),
       QStringLiteral("Where the mailboxes' Maildirs are created (<dir>/<domain>/<user>)."),
       QStringLiteral("dir")},
      {QStringLiteral("quiet"), QStringLiteral("Print nothing per request.")},
  });
  cli.process(app);

  QTextStream out(stdout);
  QTextStream err(stderr);
  try {
    PanelOptions options;
    options.domains = cli.values(QStringLiteral("domain"));
    options.quiet = cli.isSet(QStringLiteral("quiet"));
    options.scenario.delayMs = NumberOption(cli, QStringLiteral("delay"), 0, 600000);
    if (cli.isSet(QStringLiteral("fail-status")))
      options.scenario.status = NumberOption(cli, QStringLiteral("fail-status"), 100, 599);
    options.scenario.marker = !cli.isSet(QStringLiteral("no-marker"));
    options.scenario.loginRedirect = cli.isSet(QStringLiteral("login-redirect"));
    const int port = NumberOption(cli, QStringLiteral("port"), 0, 65535);

    if (cli.isSet(QStringLiteral("dovecot-passwd")) != cli.isSet(QStringLiteral("maildir")))
      throw std::runtime_error("--dovecot-passwd and --maildir go together");
    if (cli.isSet(QStringLiteral("dovecot-passwd")))
      options.dovecot = std::make_shared<DovecotFiles>(cli.value(QStringLiteral("dovecot-passwd")),
                                                       cli.value(QStringLiteral("maildir")));

    const std::optional<QSslConfiguration> tls = TlsFromOptions(cli);
    options.secure = tls.has_value();

    HostingPanel panel(options);
    HttpServer server([&panel](const HttpRequest& request) { return panel.handle(request); }, "text/html",
                      tls);
    if (!server.listen(QHostAddress::LocalHost, quint16(port)))
      throw std::runtime_error(QStringLiteral("cannot listen on 127.0.0.1:%1: %2")
                                   .arg(port)
                                   .arg(server.errorString())
                                   .toStdString());
    out << "kestrel-hosting-sim listening on " << (tls ? "https" : "http")
        << "://127.0.0.1:" << server.serverPort() << Qt::endl;
    return app.exec();
  } catch (const std::exception& e) {
    err << "kestrel-hosting-sim: " << e.what() << Qt::endl;
  }
  return 2;
}
