#pragma once

#include "platform/base/store_address.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <vector>

class QSqlError;

namespace kestrel {

// One open database connection on QtSql. Every failure raises RuntimeError with number
// DatabaseFailure and the driver's own description; every wait is bounded by the address's
// timeouts. A MariaDB connection that the server dropped raises "MySQL server has gone away"
// and the next call opens the connection again; a read finding it dropped reconnects and runs
// once more before it fails so.
class SqlStore {
 public:
  // Run on every new connection, the first and each reconnect: what the session keeps.
  using SessionSetup = std::function<void(SqlStore&)>;

  explicit SqlStore(const QString& connectionString, QString source = QStringLiteral("SqlStore"));
  SqlStore(StoreAddress address, QString source, SessionSetup setup = {});
  ~SqlStore();
  SqlStore(const SqlStore&) = delete;
  SqlStore& operator=(const SqlStore&) = delete;

  StoreBackend backend() const { return address_.backend; }
  bool isMariaDb() const { return address_.backend == StoreBackend::MariaDB; }
  const StoreAddress& address() const { return address_; }
  const QString& source() const { return source_; }

  // Runs a statement that returns no rows. It is never sent twice: the server may have run it
  // before the connection broke.
  void exec(const QString& sql);
  // Runs a read; the query is forward-only and positioned before its first row. A read that
  // finds the connection lost is sent again once on a new connection, unless retry is false
  // (a read of what only the lost session held), a transaction is open, or the server stalled
  // for the whole network timeout.
  QSqlQuery select(const QString& sql, bool retry = true);
  // The first field of the first row of a read; null when there is no row.
  QVariant scalar(const QString& sql);

  bool hasTable(QStringView name);
  QStringList tables();

  // Starts a transaction, on a new connection when the current one was dropped while idle.
  void begin();
  void commit();
  void rollback();
  bool inTransaction() const { return transactions_ > 0; }

  // The text made safe between single quotes for this backend; see escapeForMariaDb and
  // escapeForSqlite.
  QString escape(QStringView text) const;
  // Reads the session's sql_mode and the database's character set again (done on every
  // connect): with NO_BACKSLASH_ESCAPES a backslash is an ordinary character in a literal and
  // only quotes may be escaped.
  void readSessionSettings();
  bool noBackslashEscapes() const { return noBackslashEscapes_; }
  // The character set that tables created without one get ("utf8mb4" on SQLite).
  const QString& databaseCharset() const { return databaseCharset_; }

  // Raises the error of a failed QtSql call, noting a lost connection for the next call.
  [[noreturn]] void raise(const QSqlError& error);
  // A query on this connection, reconnecting first when the last call lost it.
  QSqlQuery newQuery();

  static QString escapeForMariaDb(QStringView text, bool noBackslashEscapes);
  static QString escapeForSqlite(QStringView text);

 private:
  void open();
  void reconnectIfLost();
  // Opens a new connection for a statement that may be sent again; raises the lost connection
  // when none can be opened.
  void reconnectForRetry();
  bool mayRetryRead(const QSqlError& error, qint64 elapsedMs) const;
  QString scrub(QString text) const;

  StoreAddress address_;
  QString source_;
  SessionSetup setup_;
  QString connectionName_;
  bool lost_ = false;
  bool everOpened_ = false;
  bool noBackslashEscapes_ = false;
  QString databaseCharset_ = QStringLiteral("utf8mb4");
  int transactions_ = 0;
  bool transactionLost_ = false;
};

// Rolls back on scope exit unless committed.
class StoreTransaction {
 public:
  explicit StoreTransaction(SqlStore& store) : store_(store) { store_.begin(); }
  ~StoreTransaction();
  StoreTransaction(const StoreTransaction&) = delete;
  StoreTransaction& operator=(const StoreTransaction&) = delete;
  void commit();

 private:
  SqlStore& store_;
  bool done_ = false;
};

// Inserts many rows into one table with multi-row INSERT statements (prepared on SQLite,
// escaped literals on MariaDB), a batch of rows per statement: a few hundred thousand rows
// take seconds on either backend. Rows are sent when a batch is full and by flush(); call
// flush() before committing.
class BatchInserter {
 public:
  BatchInserter(SqlStore& store, const QString& table, const QStringList& columns, int rowsPerStatement = 0);
  ~BatchInserter() = default;
  BatchInserter(const BatchInserter&) = delete;
  BatchInserter& operator=(const BatchInserter&) = delete;

  // One row: exactly one value per column, a null QVariant for NULL.
  void add(const QVariantList& row);
  void flush();
  qint64 rowsSent() const { return sent_; }

 private:
  QString head() const;
  QString statementFor(int rows) const;
  void send(int rows, QSqlQuery& query);
  void addLiteral(const QVariantList& row);
  void sendLiteral();

  SqlStore& store_;
  QString table_;
  QStringList columns_;
  int rowsPerStatement_;
  std::vector<QVariant> pending_;
  int pendingRows_ = 0;
  QSqlQuery full_;
  bool fullPrepared_ = false;
  bool literal_ = false;
  QString literalSql_;
  qint64 sent_ = 0;
};

// An identifier the store accepts unquoted: a letter or underscore, then letters, digits,
// underscores or '$'.
bool IsPlainIdentifier(QStringView name);

}  // namespace kestrel
