// bench_mail: what the web session component costs per hosting-panel request beyond the HTTP
// round trip itself, how long the window goes without processing events while it waits, and the
// same two figures for the mail window's alias run (alias_run_bench.cpp).
//
//   bench_mail [--requests N] [--clients N] [--store-dir dir] [--sim path]
//
// 1. Overhead: N forwarder requests against the simulator answering at once, each as the mail
//    window sends it (a fresh component: InitComponent "WHR", OpenWHR, judge the page, Quit),
//    beside bare QNetworkAccessManager GETs of the same addresses, a fresh manager per request
//    (the same connection pattern as the component's).
// 2. Responsiveness: requests against the simulator answering after 300 ms while a QTimer
//    ticks every 5 ms; the longest gap between ticks.
// 3. The alias run over N ticked clients beside N bare requests, and its responsiveness.
#include "alias_run_bench.h"
#include "hosting_simulator.h"
#include "mail/hosting_requests.h"
#include "web_session_component.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <memory>
#include <stdexcept>

using namespace kestrel;

namespace {

const QString Domain = QStringLiteral("bench.example.in");
const QString Target = QStringLiteral("office");

void startSimulator(testing::HostingSimulator& sim, const QString& program, const QStringList& args) {
  if (!sim.start(args, program))
    throw std::runtime_error("the hosting simulator did not start");
}

QString alias(const char* pass, int i) {
  return QStringLiteral("%1-%2").arg(QLatin1String(pass)).arg(i);
}

bool componentRequest(const WebSessionOptions& options, const QString& address, const QString& name) {
  auto session = makeWebSession(options);
  bool ok = session->InitComponent(QStringLiteral("WHR"), QDir::tempPath() + QLatin1Char('/'), false, 1) &&
            session->OpenWHR(QStringLiteral("GET"), address, QString());
  ok = ok && mail::IsHostingSuccess(mail::JudgeForwarderAnswer(session->HtmlSource(), name, Target, Domain));
  session->Quit();
  return ok;
}

bool bareRequest(QNetworkAccessManager& network, const QString& address) {
  std::unique_ptr<QNetworkReply> reply(network.get(QNetworkRequest(QUrl(address))));
  QEventLoop loop;
  QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
  if (!reply->isFinished())
    loop.exec();
  return reply->readAll().contains("forward to");
}

// ms per request of `requests` requests, and how many failed.
double perRequest(int requests, int& failures, const std::function<bool(int)>& request) {
  QElapsedTimer clock;
  clock.start();
  for (int i = 0; i < requests; ++i) failures += request(i) ? 0 : 1;
  return double(clock.nsecsElapsed()) / 1e6 / requests;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QCommandLineParser cli;
  cli.addHelpOption();
  cli.addOptions(
      {{QStringLiteral("requests"), QStringLiteral("Forwarder requests per pass (default 5000)."),
        QStringLiteral("N"), QStringLiteral("5000")},
       {QStringLiteral("clients"), QStringLiteral("Ticked clients of the alias run (default 5000)."),
        QStringLiteral("N"), QStringLiteral("5000")},
       {QStringLiteral("store-dir"), QStringLiteral("Folder of the alias run's SQLite store."),
        QStringLiteral("dir"), QDir::tempPath()},
       {QStringLiteral("sim"), QStringLiteral("The simulator program."), QStringLiteral("path"),
        QStringLiteral(KESTREL_HOSTING_SIM)}});
  cli.process(app);
  const int requests = std::max(1, cli.value(QStringLiteral("requests")).toInt());
  const QString program = cli.value(QStringLiteral("sim"));
  QTextStream out(stdout);

  try {
    WebSessionOptions options;
    {
      testing::HostingSimulator sim;
      startSimulator(sim, program, {});
      const QString base = mail::HostingBaseAddress(sim.url.toString());
      QNetworkAccessManager setup;
      bareRequest(setup,
                  mail::NewMailboxRequest(base, Target, QStringLiteral("pw"), QStringLiteral("pw"), Domain));
      if (!componentRequest(options, mail::ForwarderRequest(base, QStringLiteral("warm"), Target, Domain),
                            QStringLiteral("warm")))
        throw std::runtime_error("the simulator does not take forwarders");
      // The two kinds take turns in blocks, so that a change in the machine's load meanwhile
      // falls on both alike.
      int failures = 0;
      double component = 0, fresh = 0;
      constexpr int Blocks = 10;
      for (int block = 0; block < Blocks; ++block) {
        const int first = block * requests / Blocks;
        const int count = (block + 1) * requests / Blocks - first;
        if (count == 0)
          continue;
        component +=
            count * perRequest(count, failures, [&](int i) {
              const QString name = alias("c", first + i);
              return componentRequest(options, mail::ForwarderRequest(base, name, Target, Domain), name);
            });
        fresh += count * perRequest(count, failures, [&](int i) {
                   QNetworkAccessManager network;
                   return bareRequest(network,
                                      mail::ForwarderRequest(base, alias("f", first + i), Target, Domain));
                 });
      }
      component /= requests;
      fresh /= requests;
      out << "Forwarder requests, simulator answering at once, " << requests << " of each kind:\n"
          << QStringLiteral("  component (fresh per request)   %1 ms/request\n").arg(component, 0, 'f', 3)
          << QStringLiteral("  bare GET, fresh manager         %1 ms/request\n").arg(fresh, 0, 'f', 3)
          << QStringLiteral("  component overhead              %1 ms/request (%2x the fresh bare GET)\n")
                 .arg(component - fresh, 0, 'f', 3)
                 .arg(component / fresh, 0, 'f', 2)
          << "  failed requests                 " << failures << "\n";
    }
    {
      testing::HostingSimulator sim;
      startSimulator(sim, program, {QStringLiteral("--delay"), QStringLiteral("300")});
      const QString base = mail::HostingBaseAddress(sim.url.toString());
      QNetworkAccessManager network;
      bareRequest(network,
                  mail::NewMailboxRequest(base, Target, QStringLiteral("pw"), QStringLiteral("pw"), Domain));
      constexpr int Slow = 10;
      QElapsedTimer sinceTick;
      qint64 longest = 0;
      int ticks = 0;
      QTimer ticker;
      ticker.setTimerType(Qt::PreciseTimer);
      QObject::connect(&ticker, &QTimer::timeout, [&] {
        longest = std::max(longest, sinceTick.restart());
        ++ticks;
      });
      int failures = 0;
      sinceTick.start();
      ticker.start(5);
      const double each = perRequest(Slow, failures, [&](int i) {
        return componentRequest(options, mail::ForwarderRequest(base, alias("w", i), Target, Domain),
                                alias("w", i));
      });
      ticker.stop();
      out << "Component requests, simulator answering after 300 ms, QTimer every 5 ms, " << Slow
          << " requests:\n"
          << QStringLiteral("  each request took               %1 ms\n").arg(each, 0, 'f', 1)
          << "  ticks                           " << ticks << "\n"
          << "  longest gap between ticks       " << longest << " ms\n"
          << "  failed requests                 " << failures << "\n";
    }
    registerWebSession(options);
    bench::BenchAliasRun(out, program, std::max(10, cli.value(QStringLiteral("clients")).toInt()),
                         cli.value(QStringLiteral("store-dir")));
  } catch (const std::exception& e) {
    out << "bench_mail: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
