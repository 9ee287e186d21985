#include "alias_run_bench.h"

#include "entry/mod_it_main.h"
#include "entry/module_tables.h"
#include "hosting_simulator.h"
#include "mail/alias_panel.h"
#include "mail/client_grid.h"
#include "mail/hosting_requests.h"
#include "mail/mail_setup_panel.h"
#include "mail/mail_store.h"
#include "mail/mail_window.h"
#include "platform/base/velbase.h"
#include "platform/grid/flexgrid.h"
#include "web_session_component.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <stdexcept>

namespace kestrel::bench {

namespace {

const QString Domain = QStringLiteral("bench.example.in");

bool bareForwarder(const QString& address) {
  QNetworkAccessManager network;
  std::unique_ptr<QNetworkReply> reply(network.get(QNetworkRequest(QUrl(address))));
  QEventLoop loop;
  QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
  if (!reply->isFinished())
    loop.exec();
  return reply->readAll().contains("forward to");
}

// The mail window on a fresh store, its domain on the simulator, the mailbox user "office"
// selected and the aliases built from the party code.
struct Desk {
  QTemporaryDir dir;
  std::unique_ptr<mail::MailWindow> window;

  Desk(const QString& storeFolder, const QUrl& simulator, int clients)
      : dir(storeFolder + QStringLiteral("/kestrel-bench-XXXXXX")) {
    VelBaseOptions options;
    options.connectionString = QStringLiteral("sqlite:") + dir.path() + QStringLiteral("/bench.db");
    options.suiteHome = dir.path();
    auto base = std::make_shared<VelBase>(options);
    ObjectRegistry::instance().registerFactory(QStringLiteral("VelBase.ClsMain"), [base] { return base; });
    ModuleStart();
    CreateModuleTables();
    window = std::make_unique<mail::MailWindow>();
    std::vector<mail::AliasClient> rows;
    for (int i = 0; i < clients; ++i)
      rows.push_back({QStringLiteral("B%1").arg(i, 5, 10, QLatin1Char('0')),
                      QStringLiteral("Client %1").arg(i),
                      {},
                      {},
                      QStringLiteral("9%1").arg(i, 9, 10, QLatin1Char('0'))});
    window->loadClients(rows);
    window->mainPanel->hostField->setText(simulator.host() + QLatin1Char(':') +
                                          QString::number(simulator.port()));
    window->mainPanel->domainField->setText(Domain);
    window->identifyDomain();
    mail::InsertUser(window->state.currentDomainId, QStringLiteral("office"), QStringLiteral("pw"));
    window->loadUsers();
    window->aliasPanel->optionBoxes[0]->setCurrentIndex(mail::part::PartyCode);
    window->show();
    if (window->mainPanel->selectedUserId() < 1)
      throw std::runtime_error("the bench's mailbox user is not selected");
  }
  ~Desk() {
    window.reset();
    ModuleShutdown();
    ObjectRegistry::instance().unregister(QStringLiteral("VelBase.ClsMain"));
  }
  grid::FlexGridModel& grid() { return *window->mainPanel->clientGrid->model(); }
  // Ticks only rows first .. first + count - 1 (grid rows from 1).
  void tickOnly(int first, int count) {
    grid::FlexGridModel& g = grid();
    for (int r = mail::vs::FirstRow; r < g.Rows(); ++r)
      g.setCellChecked(r, mail::vs::Tick,
                       r >= first && r < first + count ? grid::flexChecked : grid::flexUnchecked);
  }
  int confirmed(int first, int count) {
    int n = 0;
    for (int r = first; r < first + count; ++r)
      n += grid().TextMatrix(r, mail::vs::ImportLogs).startsWith(QLatin1String("SUCCESS:")) ? 1 : 0;
    return n;
  }
};

void createMailbox(const QUrl& simulator) {
  const QString base =
      mail::HostingBaseAddress(simulator.host() + QLatin1Char(':') + QString::number(simulator.port()));
  bareForwarder(mail::NewMailboxRequest(base, QStringLiteral("office"), QStringLiteral("pw"),
                                        QStringLiteral("pw"), Domain));
}

}  // namespace

void BenchAliasRun(QTextStream& out, const QString& simProgram, int clients, const QString& storeFolder) {
  {
    testing::HostingSimulator sim;
    if (!sim.start({}, simProgram))
      throw std::runtime_error("the hosting simulator did not start");
    createMailbox(sim.url);
    Desk desk(storeFolder, sim.url, clients);
    const QString base = mail::HostingBaseAddress(desk.window->mainPanel->hostField->text());

    // The window's run and bare requests take turns in blocks, so that a change in the
    // machine's load falls on both alike; the store writes alone are measured the same way.
    constexpr int Blocks = 10;
    double window = 0, bare = 0, store = 0;
    int confirmed = 0, bareFailures = 0;
    for (int block = 0; block < Blocks; ++block) {
      const int first = block * clients / Blocks;
      const int count = (block + 1) * clients / Blocks - first;
      desk.tickOnly(mail::vs::FirstRow + first, count);
      QElapsedTimer clock;
      clock.start();
      desk.window->createAliases();
      window += double(clock.nsecsElapsed()) / 1e6;
      confirmed += desk.confirmed(mail::vs::FirstRow + first, count);
      clock.restart();
      for (int i = first; i < first + count; ++i)
        bareFailures += bareForwarder(mail::ForwarderRequest(base, QStringLiteral("bare%1").arg(i),
                                                             QStringLiteral("office"), Domain))
                            ? 0
                            : 1;
      bare += double(clock.nsecsElapsed()) / 1e6;
      clock.restart();
      for (int i = first; i < first + count; ++i)
        mail::RecordAlias(desk.window->state.currentDomainId, QStringLiteral("S%1").arg(i),
                          QStringLiteral("s%1").arg(i), 1);
      store += double(clock.nsecsElapsed()) / 1e6;
    }
    const double perClient = (window - bare) / clients;
    out << "Alias run of the mail window over " << clients
        << " ticked clients, simulator answering at once,\n"
        << "store in " << storeFolder << ":\n"
        << QStringLiteral("  window's run                    %1 ms/client\n").arg(window / clients, 0, 'f', 3)
        << QStringLiteral("  bare GET, fresh manager         %1 ms/client\n").arg(bare / clients, 0, 'f', 3)
        << QStringLiteral("  window's own cost               %1 ms/client (goal <= 1 ms)\n")
               .arg(perClient, 0, 'f', 3)
        << QStringLiteral("    of it the two store writes    %1 ms/client\n").arg(store / clients, 0, 'f', 3)
        << QStringLiteral("    without them                  %1 ms/client\n")
               .arg(perClient - store / clients, 0, 'f', 3)
        << "  aliases confirmed               " << confirmed << " of " << clients << "\n"
        << "  failed bare requests            " << bareFailures << "\n";
  }
  {
    testing::HostingSimulator sim;
    if (!sim.start({QStringLiteral("--delay"), QStringLiteral("300")}, simProgram))
      throw std::runtime_error("the hosting simulator did not start");
    createMailbox(sim.url);
    constexpr int Slow = 10;
    Desk desk(storeFolder, sim.url, Slow);
    QElapsedTimer sinceTick;
    qint64 longest = 0;
    int ticks = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
      longest = std::max(longest, sinceTick.restart());
      ++ticks;
    });
    sinceTick.start();
    ticker.start(5);
    QElapsedTimer clock;
    clock.start();
    desk.window->createAliases();
    const double each = double(clock.nsecsElapsed()) / 1e6 / Slow;
    ticker.stop();
    out << "Alias run, simulator answering after 300 ms, QTimer every 5 ms, " << Slow << " clients:\n"
        << QStringLiteral("  each client took                %1 ms\n").arg(each, 0, 'f', 1)
        << "  ticks                           " << ticks << "\n"
        << "  longest gap between ticks       " << longest << " ms (goal <= 100 ms)\n"
        << "  aliases confirmed               " << desk.confirmed(1, Slow) << " of " << Slow << "\n";
  }
}

}  // namespace kestrel::bench
