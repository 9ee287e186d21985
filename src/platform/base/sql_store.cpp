#include "platform/base/sql_store.h"

#include "support/owner_only.h"
#include "support/runtime_error.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QSqlError>

#include <algorithm>
#include <atomic>
#include <utility>

namespace kestrel {

namespace {

// Client and server errors that mean the connection is gone: server has gone away, lost
// connection during query, cannot connect (socket / TCP), server lost, connection killed,
// disconnected for inactivity.
bool isLostConnection(const QString& nativeCode) {
  static const QStringList codes = {QStringLiteral("2006"), QStringLiteral("2013"), QStringLiteral("2002"),
                                    QStringLiteral("2003"), QStringLiteral("2055"), QStringLiteral("1927"),
                                    QStringLiteral("4031")};
  return codes.contains(nativeCode.trimmed());
}

}  // namespace

bool IsPlainIdentifier(QStringView name) {
  if (name.isEmpty() || name.size() > 64)
    return false;
  for (qsizetype i = 0; i < name.size(); ++i) {
    const char16_t c = name[i].unicode();
    const bool letter = (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_';
    const bool digit = c >= u'0' && c <= u'9';
    if (!(letter || (i > 0 && (digit || c == u'$'))))
      return false;
  }
  return true;
}

// ---------------------------------------------------------------------------------------------

SqlStore::SqlStore(const QString& connectionString, QString source)
    : SqlStore(ParseStoreAddress(connectionString), std::move(source)) {}

SqlStore::SqlStore(StoreAddress address, QString source, SessionSetup setup)
    : address_(std::move(address)), source_(std::move(source)), setup_(std::move(setup)) {
  static std::atomic<int> counter{0};
  connectionName_ = QStringLiteral("kestrel-store-%1").arg(++counter);
  open();
}

SqlStore::~SqlStore() {
  {
    QSqlDatabase db = QSqlDatabase::database(connectionName_, false);
    if (db.isValid())
      db.close();
  }
  QSqlDatabase::removeDatabase(connectionName_);
}

void SqlStore::open() {
  const bool sqlite = address_.backend == StoreBackend::SQLite;
  const QString driver = sqlite ? QStringLiteral("QSQLITE") : QStringLiteral("QMYSQL");
  if (!QSqlDatabase::isDriverAvailable(driver))
    throw RuntimeError(errnum::DatabaseFailure,
                       QStringLiteral("The Qt SQL driver %1 is not installed").arg(driver), source_);

  QSqlDatabase db = QSqlDatabase::contains(connectionName_)
                        ? QSqlDatabase::database(connectionName_, false)
                        : QSqlDatabase::addDatabase(driver, connectionName_);
  const StoreTimeouts& t = address_.timeouts;
  if (sqlite) {
    // The store holds clients' portal passwords: a new file is the owner's alone, and SQLite
    // gives its journal the same permissions.
    if (address_.path != u":memory:") {
      MakeOwnerOnlyFolder(QFileInfo(address_.path).absolutePath(), ExistingFolder::Leave);
      CreateOwnerOnlyFile(address_.path);
    }
    db.setDatabaseName(address_.path);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(t.lockWait * 1000));
  } else {
    db.setHostName(address_.host);
    db.setPort(address_.port);
    db.setUserName(address_.user);
    db.setPassword(address_.password);
    db.setDatabaseName(address_.database);
    // No MYSQL_OPT_RECONNECT: a silent reconnect would lose the session's state unnoticed.
    db.setConnectOptions(
        QStringLiteral("MYSQL_OPT_CONNECT_TIMEOUT=%1;MYSQL_OPT_READ_TIMEOUT=%2;MYSQL_OPT_WRITE_TIMEOUT=%2")
            .arg(t.connect)
            .arg(t.network));
  }
  if (!db.open())
    raise(db.lastError());
  lost_ = false;
  everOpened_ = true;
  if (!sqlite) {
    // The server's own lock wait is a day: a table locked by another workstation would hold
    // the window as long.
    exec(QStringLiteral(
             "SET NAMES utf8mb4, SESSION lock_wait_timeout = %1, SESSION innodb_lock_wait_timeout = "
             "%1, SESSION max_statement_time = %2")
             .arg(t.lockWait)
             .arg(t.statement));
    readSessionSettings();
  }
  if (setup_)
    setup_(*this);
}

void SqlStore::reconnectIfLost() {
  if (!lost_)
    return;
  {
    QSqlDatabase db = QSqlDatabase::database(connectionName_, false);
    db.close();
  }
  open();
}

QString SqlStore::scrub(QString text) const {
  // Drivers do not quote passwords, but a message must never carry one; very short ones
  // would blank out ordinary words and are left.
  if (address_.password.size() >= 3)
    text.replace(address_.password, QStringLiteral("***"));
  return text;
}

void SqlStore::raise(const QSqlError& error) {
  // A server that cannot be reached at the first connect is reported as the driver says; only
  // a connection that worked and then failed is a lost one.
  if (isMariaDb() && everOpened_ && isLostConnection(error.nativeErrorCode())) {
    lost_ = true;
    transactionLost_ = transactionLost_ || transactions_ > 0;
    throw RuntimeError(errnum::DatabaseFailure, QString::fromLatin1(LostConnectionText), source_);
  }
  QString text = error.databaseText().trimmed();
  if (text.isEmpty())
    text = error.driverText().trimmed();
  if (text.isEmpty())
    text = QStringLiteral("Unknown database error");
  throw RuntimeError(errnum::DatabaseFailure, scrub(text), source_);
}

QSqlQuery SqlStore::newQuery() {
  reconnectIfLost();
  return QSqlQuery(QSqlDatabase::database(connectionName_, false));
}

void SqlStore::exec(const QString& sql) {
  QSqlQuery query = newQuery();
  if (!query.exec(sql))
    raise(query.lastError());
}

bool SqlStore::mayRetryRead(const QSqlError& error, qint64 elapsedMs) const {
  return isMariaDb() && everOpened_ && transactions_ == 0 && isLostConnection(error.nativeErrorCode()) &&
         elapsedMs < qint64(address_.timeouts.network) * 1000;
}

void SqlStore::reconnectForRetry() {
  lost_ = true;
  if (!ignoreErrors([this] { reconnectIfLost(); }))
    throw RuntimeError(errnum::DatabaseFailure, QString::fromLatin1(LostConnectionText), source_);
}

QSqlQuery SqlStore::select(const QString& sql, bool retry) {
  QElapsedTimer timer;
  timer.start();
  QSqlQuery query = newQuery();
  query.setForwardOnly(true);
  if (query.exec(sql))
    return query;
  if (!retry || !mayRetryRead(query.lastError(), timer.elapsed()))
    raise(query.lastError());
  // A connection dropped while idle (the server's wait_timeout, a restart, a KILL) fails the
  // first statement sent on it; a read can safely be sent again on a new one.
  query = QSqlQuery();
  reconnectForRetry();
  query = newQuery();
  query.setForwardOnly(true);
  if (!query.exec(sql))
    raise(query.lastError());
  return query;
}

QVariant SqlStore::scalar(const QString& sql) {
  QSqlQuery query = select(sql);
  if (query.next())
    return query.value(0);
  if (query.lastError().isValid())
    raise(query.lastError());
  return {};
}

bool SqlStore::hasTable(QStringView name) {
  const QString sql = isMariaDb()
                          ? QStringLiteral(
                                "SELECT COUNT(*) FROM information_schema.tables "
                                "WHERE table_schema = DATABASE() AND LOWER(table_name) = LOWER('%1')")
                          : QStringLiteral(
                                "SELECT COUNT(*) FROM sqlite_master WHERE type = 'table' AND name = '%1' "
                                "COLLATE NOCASE");
  return scalar(sql.arg(escape(name))).toInt() > 0;
}

QStringList SqlStore::tables() {
  QSqlQuery query = select(isMariaDb() ? QStringLiteral("SHOW TABLES")
                                       : QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' "
                                                        "AND name NOT LIKE 'sqlite_%' ORDER BY name"));
  QStringList names;
  while (query.next()) names << query.value(0).toString();
  return names;
}

void SqlStore::begin() {
  reconnectIfLost();
  if (!QSqlDatabase::database(connectionName_, false).transaction()) {
    // Nothing has run in the transaction yet, so it may start again on a new connection.
    const QSqlError error = QSqlDatabase::database(connectionName_, false).lastError();
    if (!mayRetryRead(error, 0))
      raise(error);
    reconnectForRetry();
    QSqlDatabase db = QSqlDatabase::database(connectionName_, false);
    if (!db.transaction())
      raise(db.lastError());
  }
  ++transactions_;
}

void SqlStore::commit() {
  transactions_ = std::max(0, transactions_ - 1);
  // A new connection after a lost one would commit nothing and report success.
  if (std::exchange(transactionLost_, false))
    throw RuntimeError(errnum::DatabaseFailure, QString::fromLatin1(LostConnectionText), source_);
  QSqlDatabase db = QSqlDatabase::database(connectionName_, false);
  if (!db.commit())
    raise(db.lastError());
}

void SqlStore::rollback() {
  transactions_ = std::max(0, transactions_ - 1);
  transactionLost_ = false;
  QSqlDatabase db = QSqlDatabase::database(connectionName_, false);
  if (!db.rollback())
    raise(db.lastError());
}

void SqlStore::readSessionSettings() {
  if (!isMariaDb())
    return;
  QSqlQuery query = select(QStringLiteral("SELECT @@SESSION.sql_mode, @@character_set_database"), false);
  if (!query.next())
    raise(query.lastError());
  noBackslashEscapes_ = query.value(0).toString().contains(u"NO_BACKSLASH_ESCAPES");
  databaseCharset_ = query.value(1).toString();
}

QString SqlStore::escape(QStringView text) const {
  return isMariaDb() ? escapeForMariaDb(text, noBackslashEscapes_) : escapeForSqlite(text);
}

QString SqlStore::escapeForMariaDb(QStringView text, bool noBackslashEscapes) {
  QString out;
  out.reserve(text.size() + 8);
  for (const QChar c : text) {
    QStringView escaped;
    switch (c.unicode()) {
      case u'\'':
        escaped = u"''";
        break;
      case u'\\':
        escaped = u"\\\\";
        break;
      case u'\0':
        escaped = u"\\0";
        break;
      case u'\n':
        escaped = u"\\n";
        break;
      case u'\r':
        escaped = u"\\r";
        break;
      case 0x1a:
        escaped = u"\\Z";
        break;
      default:
        break;
    }
    // Without backslash escapes only the quote needs doubling; every other character is
    // taken literally, NUL included.
    if (escaped.isEmpty() || (noBackslashEscapes && c != u'\''))
      out += c;
    else
      out += escaped;
  }
  return out;
}

QString SqlStore::escapeForSqlite(QStringView text) {
  QString out;
  out.reserve(text.size() + 8);
  for (const QChar c : text) {
    if (c == u'\'')
      out += u"''";
    else if (c.unicode() == 0)
      // SQLite's tokenizer ends the statement at a NUL, so the character is spliced in by
      // an expression; between the caller's quotes this reads '…'||char(0)||'…'.
      out += u"'||char(0)||'";
    else
      out += c;
  }
  return out;
}

// ---------------------------------------------------------------------------------------------

StoreTransaction::~StoreTransaction() {
  if (!done_)
    ignoreErrors([this] { store_.rollback(); });
}

void StoreTransaction::commit() {
  store_.commit();
  done_ = true;
}

// ---------------------------------------------------------------------------------------------

BatchInserter::BatchInserter(SqlStore& store, const QString& table, const QStringList& columns,
                             int rowsPerStatement)
    : store_(store), table_(table), columns_(columns) {
  if (!IsPlainIdentifier(table) || columns.isEmpty() ||
      !std::all_of(columns.begin(), columns.end(), [](const QString& c) { return IsPlainIdentifier(c); }))
    throw RuntimeError(errnum::DatabaseFailure,
                       QStringLiteral("Invalid table or column name for a batch insert"), store.source());
  // Qt's SQLite driver binds each parameter at a cost that grows with their number, so short
  // prepared statements are fastest there (and SQLite parses no text). With MariaDB, binding
  // through Qt costs more than the server spends parsing, so rows go as escaped literals in
  // long multi-row statements, well below the server's 16 MB packet limit.
  literal_ = store.isMariaDb();
  const int fit = std::max(1, 30000 / int(columns.size()));  // SQLite allows 32766 parameters
  rowsPerStatement_ = rowsPerStatement > 0 ? rowsPerStatement : literal_ ? 2000 : 32;
  if (!literal_)
    rowsPerStatement_ = std::min(rowsPerStatement_, fit);
  pending_.reserve(size_t(rowsPerStatement_) * size_t(columns.size()));
}

QString BatchInserter::head() const {
  return QStringLiteral("INSERT INTO ") + table_ + QStringLiteral(" (") + columns_.join(QLatin1Char(',')) +
         QStringLiteral(") VALUES ");
}

QString BatchInserter::statementFor(int rows) const {
  QString row = QStringLiteral("(?");
  for (qsizetype i = 1; i < columns_.size(); ++i) row += QStringLiteral(",?");
  row += QLatin1Char(')');
  QString sql = head();
  sql.reserve(sql.size() + rows * (row.size() + 1));
  for (int r = 0; r < rows; ++r) {
    if (r > 0)
      sql += QLatin1Char(',');
    sql += row;
  }
  return sql;
}

void BatchInserter::add(const QVariantList& row) {
  if (row.size() != columns_.size())
    throw RuntimeError(errnum::DatabaseFailure,
                       QStringLiteral("A row for %1 has %2 values for %3 columns")
                           .arg(table_)
                           .arg(row.size())
                           .arg(columns_.size()),
                       store_.source());
  if (literal_) {
    addLiteral(row);
    return;
  }
  pending_.insert(pending_.end(), row.begin(), row.end());
  if (++pendingRows_ == rowsPerStatement_) {
    if (!fullPrepared_) {
      full_ = store_.newQuery();
      if (!full_.prepare(statementFor(rowsPerStatement_)))
        store_.raise(full_.lastError());
      fullPrepared_ = true;
    }
    send(rowsPerStatement_, full_);
  }
}

void BatchInserter::addLiteral(const QVariantList& row) {
  literalSql_ += pendingRows_ == 0 ? head() + QLatin1Char('(') : QStringLiteral(",(");
  for (qsizetype i = 0; i < row.size(); ++i) {
    if (i > 0)
      literalSql_ += QLatin1Char(',');
    const QVariant& v = row[i];
    switch (v.typeId()) {
      case QMetaType::UnknownType:
        literalSql_ += QStringLiteral("NULL");
        break;
      case QMetaType::Int:
      case QMetaType::LongLong:
      case QMetaType::UInt:
      case QMetaType::ULongLong:
        literalSql_ += v.toString();
        break;
      default:
        if (v.isNull()) {
          literalSql_ += QStringLiteral("NULL");
        } else {
          literalSql_ += QLatin1Char('\'');
          literalSql_ += store_.escape(v.toString());
          literalSql_ += QLatin1Char('\'');
        }
    }
  }
  literalSql_ += QLatin1Char(')');
  if (++pendingRows_ == rowsPerStatement_ || literalSql_.size() > 1'000'000)
    sendLiteral();
}

void BatchInserter::sendLiteral() {
  const int rows = pendingRows_;
  const QString sql = std::exchange(literalSql_, QString());
  pendingRows_ = 0;
  store_.exec(sql);
  sent_ += rows;
}

void BatchInserter::flush() {
  if (pendingRows_ == 0)
    return;
  if (literal_) {
    sendLiteral();
    return;
  }
  QSqlQuery query = store_.newQuery();
  if (!query.prepare(statementFor(pendingRows_)))
    store_.raise(query.lastError());
  send(pendingRows_, query);
}

void BatchInserter::send(int rows, QSqlQuery& query) {
  for (size_t i = 0; i < pending_.size(); ++i) query.bindValue(int(i), pending_[i]);
  const bool ok = query.exec();
  pending_.clear();
  pendingRows_ = 0;
  if (!ok)
    store_.raise(query.lastError());
  sent_ += rows;
}

}  // namespace kestrel
