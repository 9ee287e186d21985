#include "entry/error_log.h"
#include "entry/mod_it_main.h"
#include "entry/module_tables.h"
#include "platform/base/suite_schema.h"
#include "test_store.h"

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

QString fieldNames(const Recordset& rs) {
  QStringList names;
  for (int i = 0; i < rs.FieldCount(); ++i) names << rs.FieldName(i);
  return names.join(u',');
}

}  // namespace

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
      base_->store().readSqlMode();
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

  void lostConnectionThenReconnects() {
    if (!store_->isMariaDb())
      QSKIP("an embedded store cannot lose its connection");
    const QString before = first(u"SELECT CONNECTION_ID()"_s);
    SqlStore(store_->connectionString()).exec(u"KILL "_s + before);
    const ErrObject err = errorOf([&] { open(u"SELECT 1"_s); });
    QCOMPARE(err.Number, -2147467259L);
    QCOMPARE(err.Description, u"MySQL server has gone away"_s);
    run(u"DO 1"_s);
    QVERIFY(first(u"SELECT CONNECTION_ID()"_s) != before);
    // Text still arrives as utf8mb4 after the reconnect.
    const QString hindi = u"नमस्ते 😀"_s;
    QCOMPARE(first(u"SELECT '"_s + base_->TruncVarSQL(hindi) + u"'"_s), hindi);
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
