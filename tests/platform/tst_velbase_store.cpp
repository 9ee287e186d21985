#include "entry/error_log.h"
#include "entry/mod_it_main.h"
#include "entry/module_tables.h"
#include "platform/base/suite_schema.h"
#include "store/client_codes.h"
#include "table_row.h"
#include "test_store.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTest>

using namespace kestrel;
using namespace kestrel::testing;
using namespace Qt::StringLiterals;

namespace {

// The error a statement raises ("no error" when it raises none).
template <class F>
ErrObject errorOf(F&& statement) {
  try {
    statement();
  } catch (const RuntimeError& e) {
    return e.err();
  }
  return {0, u"no error"_s, {}};
}

QString firstValue(BaseComponent& base, const QString& sql) {
  std::unique_ptr<Recordset> rs;
  base.RecordsetQuery(rs, sql, base.DBObj(), ado::adOpenForwardOnly, ado::adLockReadOnly);
  return rs->Eof() ? QString() : rs->Text(0);
}

// How a connection is lost before the statement: a KILL from another session, the server's
// idle timeout, or a KILL while its database is dropped so that no new connection can be made.
enum class Loss { Killed, IdleTimeout, NoReconnect };

struct CodeCase {
  QStringList stored;  // OnlineRegInfo codes, years 0, 1, ...
  QString written;
  bool serverSeesOne;  // the codes compare as equal on a case-insensitive server
};

QString fieldNames(const Recordset& rs) {
  QStringList names;
  for (int i = 0; i < rs.FieldCount(); ++i) names << rs.FieldName(i);
  return names.join(u',');
}

}  // namespace

Q_DECLARE_METATYPE(Loss)
Q_DECLARE_METATYPE(CodeCase)

class TestVelBaseStore : public QObject {
  Q_OBJECT

  std::unique_ptr<TestStore> store_;
  std::shared_ptr<VelBase> base_;

  std::unique_ptr<Recordset> open(const QString& sqlOrTable, int options = ado::adOptionUnspecified) {
    std::unique_ptr<Recordset> rs;
    base_->RecordsetQuery(rs, sqlOrTable, base_->DBObj(), ado::adOpenForwardOnly, ado::adLockReadOnly,
                          options);
    return rs;
  }
  QString first(const QString& sql) { return open(sql)->Text(0); }
  // The test store's server with another database.
  QString onDatabase(const QString& database) const {
    const StoreAddress a = ParseStoreAddress(store_->connectionString());
    return u"mysql://%1:%2@%3:%4/%5"_s.arg(a.user, a.password, a.host, QString::number(a.port), database);
  }
  std::shared_ptr<VelBase> baseOn(const QString& connection) {
    VelBaseOptions options;
    options.connectionString = connection;
    return store_->makeBase(options);
  }
  void run(const QString& sql) { base_->ConQuery(sql); }
  // Creates a table afresh; text columns hold utf8mb4 on MariaDB.
  void create(const QString& table, const QString& columns) {
    run(u"DROP TABLE IF EXISTS "_s + table);
    run(u"CREATE TABLE %1 (%2)%3"_s.arg(table, columns,
                                        store_->isMariaDb() ? u" DEFAULT CHARSET=utf8mb4"_s : QString()));
  }

 private slots:
  void initTestCase() { store_ = std::make_unique<TestStore>(); }
  void init() { base_ = store_->makeBase(); }
  void cleanup() {
    ModuleShutdown();
    base_.reset();
  }

  void truncVarSqlRoundTrips_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("noBackslashEscapes");
    const QList<QPair<const char*, QString>> texts = {
        {"trailing backslash", u"end\\"_s},
        {"NULs inside and at the ends", QChar(0) + u"a"_s + QChar(0) + u"b"_s + QChar(0)},
        {"everything", u"\\'\""_s + QChar(0) + u"\r\n\tend"_s + QChar(0x1a) + u"😀अ\\\\''"_s},
        {"long", u"ab'\\cd"_s.repeated(500)},
    };
    for (const auto& [name, text] : texts) {
      QTest::newRow(name) << text << false;
      if (store_->isMariaDb())
        QTest::addRow("%s, no backslash escapes", name) << text << true;
    }
  }
  void truncVarSqlRoundTrips() {
    QFETCH(QString, text);
    QFETCH(bool, noBackslashEscapes);
    if (noBackslashEscapes) {
      run(u"SET SESSION sql_mode = CONCAT(@@SESSION.sql_mode, ',NO_BACKSLASH_ESCAPES')"_s);
      base_->store().readSessionSettings();
      QVERIFY(base_->store().noBackslashEscapes());
    }
    create(u"RoundTrip"_s, u"id int, v text"_s);
    const QString quoted = u"'"_s + base_->TruncVarSQL(text) + u"'"_s;
    run(u"INSERT INTO RoundTrip (id, v) VALUES (1, "_s + quoted + u")"_s);
    QCOMPARE(first(u"SELECT v FROM RoundTrip WHERE v = "_s + quoted), text);
    QCOMPARE(first(u"SELECT COUNT(*) FROM RoundTrip"_s), u"1"_s);
    // The batch inserter the seed uses sends the same text intact.
    BatchInserter batch(base_->store(), u"RoundTrip"_s, {u"id"_s, u"v"_s});
    batch.add({2, text});
    batch.flush();
    QCOMPARE(first(u"SELECT v FROM RoundTrip WHERE id = 2"_s), text);
  }

  void nullsReadAsEmptyText() {
    create(u"Nulls"_s, u"s varchar(10), n int, d date, t text, b tinyint(1)"_s);
    run(u"INSERT INTO Nulls VALUES (NULL, NULL, NULL, NULL, NULL), ('', 0, '2024-03-31', 'x', 1)"_s);
    auto rs = open(u"SELECT * FROM Nulls ORDER BY n"_s);
    for (int i = 0; i < 5; ++i) QVERIFY(rs->Value(i).isNull() && rs->Text(i).isEmpty());
    rs->MoveNext();
    QCOMPARE(rs->Text(2), u"2024-03-31"_s);
    QCOMPARE(rs->Text(4), u"1"_s);
  }

  void fieldsByNameIgnoreCase() {
    create(u"People"_s, u"Code varchar(10), f_Nm varchar(50), l_nm varchar(50)"_s);
    run(u"INSERT INTO People VALUES ('C1', 'Ravi', 'Iyer'), ('C2', 'Uma', 'Rao')"_s);
    auto rs = open(u"SELECT Code, f_Nm, l_nm, Code AS CodeNo FROM People ORDER BY Code"_s);
    for (int pass = 0; pass < 2; ++pass) {  // the second row answers from the cached lookup
      QCOMPARE(rs->Text(u"F_NM"), rs->Text(1));
      QCOMPARE(rs->FieldIndex(u"codeno"), 3);
      QCOMPARE(errorOf([&] { rs->Text(u"Pan"); }).Number, 3265L);
      rs->MoveNext();
    }
    QVERIFY(rs->Eof());
    QCOMPARE(errorOf([&] { rs->Text(0); }).Number, 3021L);
  }

  void opensTablesByName() {
    create(u"WebMailDomain"_s, u"DomainID int(11), sUrl varchar(250), sDomain varchar(250)"_s);
    QCOMPARE(fieldNames(*open(u"WebMailDomain"_s, ado::adCmdTable)), u"DomainID,sUrl,sDomain"_s);
    auto rs = open(u"  webmaildomain "_s);  // a bare name in any case opens the table
    QCOMPARE(fieldNames(*rs), u"DomainID,sUrl,sDomain"_s);
    QVERIFY(rs->Eof());
    rs->Close();
    QVERIFY(!rs->isOpen());
    const QString statement = u"WebMailDomain; DROP TABLE WebMailDomain"_s;
    QCOMPARE(errorOf([&] { open(statement, ado::adCmdTable); }).Number, errnum::DatabaseFailure);
    QVERIFY(base_->store().hasTable(u"WebMailDomain"));
  }

  void failuresCarryTheDriversText() {
    const ErrObject err = errorOf([&] { run(u"SELECT * FROM NoSuchTable"_s); });
    QCOMPARE(err.Number, errnum::DatabaseFailure);
    QVERIFY2(err.Description.contains(u"nosuchtable", Qt::CaseInsensitive), qPrintable(err.Description));
    QCOMPARE(err.Source, u"VelBase"_s);
    QCOMPARE(errorOf([&] { open(u"SELECT nothing FROM"_s); }).Number, errnum::DatabaseFailure);
    // The module's "Flush Tables" runs on every backend; a misspelt one still fails.
    run(u"  FLUSH\tTABLES ;"_s);
    QCOMPARE(errorOf([&] { run(u"Flush Tablez"_s); }).Number, errnum::DatabaseFailure);
  }

  void wrongPasswordStaysOutOfTheMessage() {
    if (!store_->isMariaDb())
      QSKIP("SQLite has no password");
    StoreAddress a = ParseStoreAddress(store_->connectionString());
    const QString conn =
        u"mysql://%1:Wrong-Secret-77@%2:%3/%4"_s.arg(a.user, a.host, QString::number(a.port), a.database);
    const ErrObject err = errorOf([&] { SqlStore wrong(conn, u"VelBase"_s); });
    QCOMPARE(err.Number, errnum::DatabaseFailure);
    QVERIFY2(!err.Description.contains(u"Wrong-Secret-77"), qPrintable(err.Description));
  }

  // A read finding its connection dropped is sent again on a new one; what could do harm or
  // cannot help sent again fails with the lost connection.
  void droppedConnection_data() {
    QTest::addColumn<Loss>("loss");
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QString>("outcome");  // the read's value, "done", or the failure
    QTest::addColumn<QString>("stored");   // Kept.n afterwards
    const QString gone = QString::fromLatin1(LostConnectionText), sum = u"SELECT SUM(n) FROM Kept"_s;
    testing::row("killed: a read", Loss::Killed, sum, u"1"_s, u"1"_s);
    testing::row("idle timeout: a read", Loss::IdleTimeout, sum, u"1"_s, u"1"_s);
    testing::row("killed: a write is not sent again", Loss::Killed, u"INSERT INTO Kept VALUES ('b', 2)"_s,
                 gone, u"1"_s);
    testing::row("idle timeout: a keyed change starts its transaction again", Loss::IdleTimeout,
                 u"UPDATE Kept SET n = 5 WHERE c = 'a'"_s, u"done"_s, u"5"_s);
    testing::row("killed: the private scratch rows are gone with it", Loss::Killed,
                 u"SELECT COUNT(*) FROM ITRDet_Temp"_s, gone, u"1"_s);
    testing::row("killed, no new connection possible", Loss::NoReconnect, sum, gone, QString());
  }
  void droppedConnection() {
    if (!store_->isMariaDb())
      QSKIP("an embedded store cannot lose its connection");
    QFETCH(Loss, loss);
    QFETCH(QString, statement);
    QFETCH(QString, outcome);
    QFETCH(QString, stored);
    SqlStore admin(store_->connectionString());
    const QString doomed = u"kestrel_test_doomed"_s;
    if (loss == Loss::NoReconnect)
      admin.exec(u"CREATE DATABASE IF NOT EXISTS "_s + doomed);
    auto base = loss == Loss::NoReconnect ? baseOn(onDatabase(doomed)) : base_;
    base->ConQuery(u"DROP TABLE IF EXISTS Kept"_s);
    base->ConQuery(u"CREATE TABLE Kept (c varchar(5), n int)"_s);
    base->ConQuery(u"INSERT INTO Kept VALUES ('a', 1)"_s);
    if (loss == Loss::IdleTimeout) {
      base->ConQuery(u"SET SESSION wait_timeout = 1"_s);
      QTest::qSleep(2500);
    } else {
      admin.exec(u"KILL "_s + firstValue(*base, u"SELECT CONNECTION_ID()"_s));
    }
    if (loss == Loss::NoReconnect)
      admin.exec(u"DROP DATABASE "_s + doomed);
    QString result = u"done"_s;
    try {
      if (statement.startsWith(u"SELECT"))
        result = firstValue(*base, statement);
      else
        base->ConQuery(statement);
    } catch (const RuntimeError& e) {
      result = e.description();
    }
    QCOMPARE(result, outcome);
    if (stored.isEmpty())
      return;
    QCOMPARE(firstValue(*base, u"SELECT GROUP_CONCAT(n ORDER BY n) FROM Kept"_s), stored);
    // The new connection is set up as the first was: utf8mb4 text and its private scratch table.
    const QString hindi = u"नमस्ते 😀"_s;
    QCOMPARE(firstValue(*base, u"SELECT '"_s + hindi + u"' FROM ITRDet_Temp RIGHT JOIN Kept ON 1=0"_s),
             hindi);
  }

  // A lock held by another workstation fails the statement within the bound (1 s here), and the
  // failure is logged like any other.
  void lockWaitsAreBounded_data() {
    QTest::addColumn<QString>("statement");
    QTest::newRow("read") << u"SELECT COUNT(*) FROM Locked"_s;
    QTest::newRow("write") << u"INSERT INTO Locked (n) VALUES (1)"_s;
  }
  void lockWaitsAreBounded() {
    QFETCH(QString, statement);
    create(u"Locked"_s, u"n int"_s);
    auto base = baseOn(store_->connectionString() + u"?lock_wait=1"_s);
    SqlStore holder(store_->connectionString());
    holder.exec(store_->isMariaDb() ? u"LOCK TABLES Locked WRITE"_s : u"BEGIN EXCLUSIVE"_s);
    ModIT_Main().BaseComponent = base;
    QFile::remove(ErrorLogPath());
    ErrorTrap trap(u"frmKestrel", u"ShowData");
    QElapsedTimer waited;
    waited.start();
    trap([&] {
      statement.startsWith(u"SELECT") ? void(firstValue(*base, statement)) : base->ConQuery(statement);
    });
    const qint64 ms = waited.elapsed();
    holder.exec(store_->isMariaDb() ? u"UNLOCK TABLES"_s : u"ROLLBACK"_s);
    const QString expected = store_->isMariaDb() ? u"Lock wait timeout exceeded"_s : u"database is locked"_s;
    QVERIFY2(trap.lastError().Description.contains(expected), qPrintable(trap.lastError().Description));
    QVERIFY2(ms < 8000, qPrintable(u"waited %1 ms"_s.arg(ms)));  // the server's own wait is a day
    QFile log(ErrorLogPath());
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QString line = QString::fromUtf8(log.readAll());
    QVERIFY2(line.contains(expected) && line.contains(u"\tVelBase\tfrmKestrel\tShowData"_s),
             qPrintable(line));
    QCOMPARE(log.permissions(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
    log.remove();
  }

  // Two workstations checking sharing limits at the same moment each count their own rows,
  // whatever the other empties or fills in between and after the window loads again.
  void scratchRowsBelongToTheirConnection() {
    auto deskA = store_->makeBase(), deskB = store_->makeBase();
    const auto fill = [](VelBase& desk, int rows) {
      desk.ConQuery(u"DELETE FROM ITRDet_Temp"_s);
      desk.ConQuery(u"Flush Tables"_s);
      QStringList groups;
      for (int i = 0; i < rows; ++i) groups << u"('same@firm.in','C%1','Name')"_s.arg(i);
      desk.ConQuery(u"INSERT INTO ITRDet_Temp (Email_Mob, Code_No, PartyName)VALUES"_s + groups.join(u','));
      desk.ConQuery(u"Flush Tables"_s);
    };
    const QString count =
        u"SELECT Count(Code_No) as Cnt, Email_Mob FROM ITRDet_Temp GROUP BY Email_Mob ORDER BY EMail_Mob"_s;
    ModIT_Main().BaseComponent = deskA;
    CreateModuleTables();
    fill(*deskA, 11);
    fill(*deskB, 2);
    ModIT_Main().BaseComponent = deskB;
    CreateModuleTables();
    QCOMPARE(firstValue(*deskA, count), u"11"_s);
    QCOMPARE(firstValue(*deskB, count), u"2"_s);
  }

  // A change keyed by a client code touches that code's rows only; codes the server cannot tell
  // apart are refused, changing nothing, and reported.
  void keyedChangesTouchTheirCodeOnly_data() {
    QTest::addColumn<CodeCase>("codes");
    testing::row("letter case", CodeCase{{u"D1"_s, u"d1"_s}, u"D1"_s, true});
    testing::row("trailing blank", CodeCase{{u"K7"_s, u"K7 "_s}, u"K7"_s, true});
    testing::row("accent", CodeCase{{u"É1"_s, u"E1"_s}, u"E1"_s, true});
    testing::row("quotes and backslashes", CodeCase{{u"O'K\\1"_s, u"o'k\\1"_s}, u"O'K\\1"_s, true});
    testing::row("one code in two years", CodeCase{{u"A1"_s, u"A1"_s}, u"A1"_s, false});
    testing::row("other codes", CodeCase{{u"B1"_s, u"B2"_s}, u"B1"_s, false});
  }
  void keyedChangesTouchTheirCodeOnly() {
    QFETCH(CodeCase, codes);
    store_->dropAllTables();
    EnsureSuiteTables(base_->store());
    for (int year = 0; year < codes.stored.size(); ++year)
      run(u"INSERT INTO OnlineRegInfo (Code_No, AsYr, EmailID) VALUES ('%1', %2, 'old')"_s.arg(
          base_->TruncVarSQL(codes.stored[year]), QString::number(year)));
    const ErrObject err = errorOf([&] {
      run(u"UPDATE OnlineRegInfo SET EmailID='new' WHERE Code_No='"_s + base_->TruncVarSQL(codes.written) +
          u"'"_s);
    });
    QStringList changed;
    for (auto rs = open(u"SELECT Code_No FROM OnlineRegInfo WHERE EmailID='new'"_s); !rs->Eof();
         rs->MoveNext())
      changed << rs->Text(0);
    QStringList spellings = codes.stored, exact;
    spellings.sort();
    spellings.removeDuplicates();
    for (const QString& code : codes.stored)
      if (code == codes.written)
        exact << code;
    const bool refused = codes.serverSeesOne && store_->isMariaDb();
    QCOMPARE(err.Number, refused ? errnum::DatabaseFailure : 0L);
    QCOMPARE(changed, refused ? QStringList() : exact);
    QCOMPARE(FindIndistinctClientCodes(*base_),
             refused ? QList<QStringList>{spellings} : QList<QStringList>());
  }

  // On a database whose default character set is latin1 the module's tables hold any script;
  // a table of the module made there earlier in latin1 refuses the start, naming what to change.
  void latin1Database() {
    if (!store_->isMariaDb())
      QSKIP("SQLite keeps every text as UTF-8");
    SqlStore admin(store_->connectionString());
    admin.exec(u"DROP DATABASE IF EXISTS kestrel_test_latin1"_s);
    admin.exec(u"CREATE DATABASE kestrel_test_latin1 CHARACTER SET latin1"_s);
    const QString latin1 = onDatabase(u"kestrel_test_latin1"_s);
    const QString hindi = u"राजेश@उदाहरण.भारत"_s;
    auto base = baseOn(latin1);
    ModIT_Main().BaseComponent = base;
    CreateModuleTables();
    base->ConQuery(u"INSERT INTO TblITR_PriMail (s_eMail) VALUES ('"_s + hindi + u"')"_s);
    base->ConQuery(u"INSERT INTO ITRDet_Temp (Email_Mob, Code_No, PartyName)VALUES('"_s + hindi +
                   u"','C1','N')"_s);
    QCOMPARE(firstValue(*base, u"SELECT s_eMail FROM TblITR_PriMail"_s), hindi);
    QCOMPARE(firstValue(*base, u"SELECT Email_Mob FROM ITRDet_Temp"_s), hindi);

    SqlStore(latin1).exec(u"DROP TABLE TblITR_SecMob"_s);
    SqlStore(latin1).exec(u"CREATE TABLE TblITR_SecMob(s_Mobile varchar(250))"_s);
    const ErrObject err = errorOf([&] { baseOn(latin1); });
    admin.exec(u"DROP DATABASE kestrel_test_latin1"_s);
    QVERIFY2(err.Description.startsWith(u"The tables TblITR_SecMob of database 'kestrel_test_latin1'"_s) &&
                 err.Description.contains(u"CONVERT TO CHARACTER SET utf8mb4"_s),
             qPrintable(err.Description));
  }

  void readsManyRowsForwardOnly() {
    const int rows = 100000;
    create(u"Many"_s, u"Code_No varchar(20), f_Nm varchar(50), n int"_s);
    {
      StoreTransaction tx(base_->store());
      BatchInserter insert(base_->store(), u"Many"_s, {u"Code_No"_s, u"f_Nm"_s, u"n"_s});
      for (int i = 0; i < rows; ++i)
        insert.add({u"C%1"_s.arg(i), i % 7 == 0 ? QVariant() : QVariant(u"Ravi"_s), i});
      insert.flush();
      tx.commit();
    }
    qint64 sum = 0, empty = 0;
    for (auto rs = open(u"SELECT * FROM Many ORDER BY n"_s); !rs->Eof(); rs->MoveNext()) {
      sum += rs->Text(u"N").toLongLong();
      empty += rs->Text(u"F_NM").isEmpty() ? 1 : 0;
    }
    QCOMPARE(sum, qint64(rows) * (rows - 1) / 2);
    QCOMPARE(empty, qint64(rows + 6) / 7);
  }

  // An older mail domain table gains sSMTP and keeps its rows; a second run changes nothing.
  void moduleTablesAreIdempotent() {
    store_->dropAllTables();
    create(u"WebMailDomain"_s, u"DomainID int(11), sUrl varchar(250), sDomain varchar(250)"_s);
    run(u"INSERT INTO WebMailDomain (DomainID, sDomain) VALUES (1, 'firm.example.in')"_s);
    ModIT_Main().BaseComponent = base_;
    CreateModuleTables();
    run(u"INSERT INTO TblITR_PriMob (s_Mobile) VALUES ('9876543210')"_s);
    CreateModuleTables();
    for (const QString& table :
         u"ITRDet_Temp TblITR_PINS TblITR_SecMail TblITR_SecMob TblITR_PriMail "
         u"TblITR_PriMob WebMailDomain WebMailUser WebMailFwder WebEMailAc"_s.split(u' '))
      QVERIFY2(base_->store().hasTable(table), qPrintable(table));
    QCOMPARE(first(u"SELECT COUNT(*) FROM TblITR_PriMob"_s), u"1"_s);
    auto rs = open(u"WebMailDomain"_s, ado::adCmdTable);
    QCOMPARE(fieldNames(*rs), u"DomainID,sUrl,sDomain,sSMTP"_s);
    QCOMPARE(rs->Text(u"sDomain"), u"firm.example.in"_s);
    QVERIFY2(!QFile::exists(ErrorLogPath()), "creating the module tables must log no failure");
  }

  void suiteTablesAreCreatedOnceAndNeverAltered() {
    store_->dropAllTables();
    SqlStore& store = base_->store();
    // A suite database whose Owner1 differs from the stand-in: it must stay as it is.
    store.exec(u"CREATE TABLE Owner1 (Code varchar(10), Extra int)"_s);
    store.exec(u"INSERT INTO Owner1 VALUES ('X1', 5)"_s);
    QCOMPARE(EnsureSuiteTables(store), (QStringList{u"Main_Info1"_s, u"OnlineRegInfo"_s, u"tempcltbl"_s}));
    QCOMPARE(EnsureSuiteTables(store), QStringList());
    QCOMPARE(fieldNames(*open(u"Owner1"_s, ado::adCmdTable)), u"Code,Extra"_s);
    store.exec(u"DROP TABLE Owner1"_s);
    QCOMPARE(EnsureSuiteTables(store), QStringList(u"Owner1"_s));
  }
};

QTEST_MAIN(TestVelBaseStore)
#include "tst_velbase_store.moc"
