#include "demo_data.h"

#include "platform/base/sql_store.h"
#include "platform/base/suite_schema.h"
#include "support/runtime_error.h"

#include <QElapsedTimer>

namespace kestrel::demo {

namespace {

qint64 countRows(SqlStore& store, const QString& table) {
  return store.scalar(QStringLiteral("SELECT COUNT(*) FROM ") + table).toLongLong();
}

}  // namespace

SeedSummary SeedDemoStore(SqlStore& store, int clients, quint64 seed, bool reset) {
  QElapsedTimer timer;
  timer.start();
  EnsureSuiteTables(store);
  if (reset) {
    // TRUNCATE empties a large InnoDB table at once where DELETE would log every row.
    for (const QString& table : SuiteTableNames())
      store.exec((store.isMariaDb() ? QStringLiteral("TRUNCATE TABLE ") : QStringLiteral("DELETE FROM ")) +
                 table);
  } else {
    const qint64 existing = countRows(store, QStringLiteral("Owner1")) +
                            countRows(store, QStringLiteral("Main_Info1")) +
                            countRows(store, QStringLiteral("OnlineRegInfo"));
    if (existing > 0)
      throw RuntimeError(
          errnum::InvalidProcedureCall,
          QStringLiteral("The store holds clients already; seed it again with reset to replace them"),
          QStringLiteral("kestrel-seed"));
  }

  SeedSummary summary;
  StoreTransaction transaction(store);
  BatchInserter owners(store, QStringLiteral("Owner1"), OwnerRow::columns());
  BatchInserter others(store, QStringLiteral("Main_Info1"), OtherRow::columns());
  BatchInserter registrations(store, QStringLiteral("OnlineRegInfo"), RegRow::columns());

  registrations.add(DemoGenerator::commonRow().values());
  DemoGenerator generator(seed);
  for (int i = 0; i < clients; ++i) {
    const DemoClient client = generator.next();
    if (client.owner)
      owners.add(client.owner->values());
    if (client.other)
      others.add(client.other->values());
    bool year0 = false;
    for (const RegRow& row : client.registrations) {
      registrations.add(row.values());
      year0 = year0 || row.AsYr == 0;
    }
    summary.inBothTables += client.owner && client.other ? 1 : 0;
    summary.withoutYear0 += year0 ? 0 : 1;
  }
  owners.flush();
  others.flush();
  registrations.flush();
  transaction.commit();

  summary.clients = clients;
  summary.individuals = int(owners.rowsSent());
  summary.others = int(others.rowsSent());
  summary.registrations = int(registrations.rowsSent());
  summary.seconds = double(timer.nsecsElapsed()) / 1e9;
  return summary;
}

bool SeedDemoMailDomain(SqlStore& store, const QString& hostingAddress, const QString& domain) {
  store.exec(
      QStringLiteral("CREATE TABLE IF NOT EXISTS WebMailDomain(DomainID int(11), sUrl varchar(250), sDomain "
                     "varchar(250), sSMTP varchar(250))"));
  if (countRows(store, QStringLiteral("WebMailDomain")) > 0)
    return false;
  store.exec(QStringLiteral("INSERT INTO WebMailDomain(DomainID, sUrl, sDomain)VALUES(1,'") +
             store.escape(hostingAddress) + QStringLiteral("','") + store.escape(domain) +
             QStringLiteral("')"));
  return true;
}

QString DemoHostingAddress() {
  return QStringLiteral("127.0.0.1:") + qEnvironmentVariable("KESTREL_HOSTING_PORT", QStringLiteral("18444"));
}

QString SummaryLine(const SeedSummary& s, const QString& where) {
  const double rate = s.seconds > 0 ? s.clients / s.seconds : 0;
  return QStringLiteral(
             "kestrel-seed: %1 clients (%2 in Owner1, %3 in Main_Info1, %4 in both, %5 without a year-0 "
             "row), "
             "%6 OnlineRegInfo rows into %7 in %8 s (%9 clients/s)")
      .arg(s.clients)
      .arg(s.individuals)
      .arg(s.others)
      .arg(s.inBothTables)
      .arg(s.withoutYear0)
      .arg(s.registrations)
      .arg(where)
      .arg(s.seconds, 0, 'f', 2)
      .arg(qRound64(rate));
}

}  // namespace kestrel::demo
