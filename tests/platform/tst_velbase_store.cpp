#include "entry/error_log.h"
#include "entry/mod_it_main.h"
#include "platform/base/suite_schema.h"
#include "store/schema.h"
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
        {"Devanagari and emoji", u"राजेश शर्मा 😀👍🏽"_s},
        {"looks like the NUL splice", u"'||char(0)||'"_s},
        {"statement injection", u"x'); DROP TABLE RoundTrip; --"_s},
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
    auto rs = open(u"SELECT id, v FROM RoundTrip WHERE v = "_s + quoted);
    QVERIFY(!rs->Eof());
    QCOMPARE(rs->Text(1), text);
    rs->MoveNext();
    QVERIFY(rs->Eof());
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
    for (int i = 0; i < 5; ++i) {
      QVERIFY(rs->Value(i).isNull());
      QCOMPARE(rs->Text(i), QString());
    }
    rs->MoveNext();
    QStringList texts;
    for (int i = 0; i < 5; ++i) texts << rs->Text(i);
    QCOMPARE(texts.join(u','), u",0,2024-03-31,x,1"_s);
  }

  void fieldsByNameIgnoreCase_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("index");
    QTest::newRow("as the loader spells it") << "F_Nm" << 1;
    QTest::newRow("upper") << "L_NM" << 2;
    QTest::newRow("alias") << "codeno" << 3;
    QTest::newRow("missing") << "Pan" << -1;
  }
  void fieldsByNameIgnoreCase() {
    QFETCH(QString, name);
    QFETCH(int, index);
    create(u"People"_s, u"Code varchar(10), f_Nm varchar(50), l_nm varchar(50)"_s);
    run(u"INSERT INTO People VALUES ('C1', 'Ravi', 'Iyer'), ('C2', 'Uma', 'Rao')"_s);
    auto rs = open(u"SELECT Code, f_Nm, l_nm, Code AS CodeNo FROM People ORDER BY Code"_s);
    for (int pass = 0; pass < 2; ++pass) {  // the second row answers from the cached lookup
      QCOMPARE(rs->FieldIndex(name), index);
      if (index >= 0)
        QCOMPARE(rs->Text(name), rs->Text(index));
      else
        QCOMPARE(errorOf([&] { rs->Text(name); }).Number, 3265L);
      rs->MoveNext();
    }
    QVERIFY(rs->Eof());
    QCOMPARE(errorOf([&] { rs->Text(0); }).Number, 3021L);
  }

  void opensTablesByName_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("options");
    QTest::addColumn<bool>("opens");
    QTest::newRow("table option") << "WebMailDomain" << ado::adCmdTable << true;
    QTest::newRow("other case, blanks around") << "  webmaildomain " << ado::adOptionUnspecified << true;
    QTest::newRow("statement") << "SELECT DomainID, sUrl, sDomain FROM WebMailDomain"
                               << ado::adOptionUnspecified << true;
    QTest::newRow("statement as a table")
        << "WebMailDomain; DROP TABLE WebMailDomain" << ado::adCmdTable << false;
    QTest::newRow("quote in a table name") << "Web'MailDomain" << ado::adCmdTable << false;
  }
  void opensTablesByName() {
    QFETCH(QString, text);
    QFETCH(int, options);
    QFETCH(bool, opens);
    create(u"WebMailDomain"_s, u"DomainID int(11), sUrl varchar(250), sDomain varchar(250)"_s);
    if (!opens) {
      QCOMPARE(errorOf([&] { open(text, options); }).Number, errnum::DatabaseFailure);
      QVERIFY(base_->store().hasTable(u"WebMailDomain"));
      return;
    }
    auto rs = open(text, options);
    QCOMPARE(fieldNames(*rs), u"DomainID,sUrl,sDomain"_s);
    QVERIFY(rs->Eof());
    rs->Close();
    QVERIFY(!rs->isOpen());
  }

  void failuresCarryTheDriversText() {
    const ErrObject err = errorOf([&] { run(u"SELECT * FROM NoSuchTable"_s); });
    QCOMPARE(err.Number, errnum::DatabaseFailure);
    QVERIFY2(err.Description.contains(u"nosuchtable", Qt::CaseInsensitive), qPrintable(err.Description));
    QCOMPARE(err.Source, u"VelBase"_s);
    const ErrObject read = errorOf([&] { open(u"SELECT nothing FROM"_s); });
    QCOMPARE(read.Number, errnum::DatabaseFailure);
    QVERIFY(!read.Description.isEmpty());
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
    QVERIFY(!err.Description.isEmpty());
    QVERIFY2(!err.Description.contains(u"Wrong-Secret-77"), qPrintable(err.Description));
  }

  void lostConnectionThenReconnects_data() {
    QTest::addColumn<bool>("viaRead");
    QTest::newRow("ConQuery") << false;
    QTest::newRow("RecordsetQuery") << true;
  }
  void lostConnectionThenReconnects() {
    QFETCH(bool, viaRead);
    if (!store_->isMariaDb())
      QSKIP("an embedded store cannot lose its connection");
    const QString before = first(u"SELECT CONNECTION_ID()"_s);
    SqlStore(store_->connectionString()).exec(u"KILL "_s + before);
    const ErrObject err = errorOf([&] { viaRead ? void(open(u"SELECT 1"_s)) : run(u"DO 1"_s); });
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
    QElapsedTimer timer;
    timer.start();
    qint64 count = 0, sum = 0, empty = 0;
    for (auto rs = open(u"SELECT * FROM Many ORDER BY n"_s); !rs->Eof(); rs->MoveNext()) {
      sum += rs->Text(u"N").toLongLong();
      empty += rs->Text(u"F_NM").isEmpty() ? 1 : 0;
      count += rs->Text(u"code_no").isEmpty() ? 0 : 1;
    }
    const qint64 ms = timer.elapsed();
    QCOMPARE(count, qint64(rows));
    QCOMPARE(sum, qint64(rows) * (rows - 1) / 2);
    QCOMPARE(empty, qint64(rows + 6) / 7);
    qInfo("read %d rows by field name in %lld ms", rows, ms);
    QVERIFY2(ms < 15000, "reading 100,000 rows must take seconds at most");
  }

  void moduleTablesAreIdempotent_data() {
    QTest::addColumn<QString>("webMailDomain");  // the columns of an older table; empty: none yet
    QTest::addColumn<QString>("fieldsAfter");
    const QString three = u"DomainID int(11), sUrl varchar(250), sDomain varchar(250)"_s;
    QTest::newRow("fresh store") << QString() << "DomainID,sUrl,sDomain,sSMTP";
    QTest::newRow("three columns gain sSMTP") << three << "DomainID,sUrl,sDomain,sSMTP";
    QTest::newRow("four columns stay") << three + u", sNote varchar(20)"_s << "DomainID,sUrl,sDomain,sNote";
  }
  void moduleTablesAreIdempotent() {
    QFETCH(QString, webMailDomain);
    store_->dropAllTables();
    if (!webMailDomain.isEmpty()) {
      create(u"WebMailDomain"_s, webMailDomain);
      run(u"INSERT INTO WebMailDomain (DomainID, sDomain) VALUES (1, 'firm.example.in')"_s);
    }
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
    QTEST(fieldNames(*rs), "fieldsAfter");
    QCOMPARE(rs->Eof(), webMailDomain.isEmpty());
    if (!rs->Eof())
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
    QCOMPARE(first(u"SELECT Extra FROM Owner1"_s), u"5"_s);

    store.exec(u"DROP TABLE Owner1"_s);
    QCOMPARE(EnsureSuiteTables(store), QStringList(u"Owner1"_s));
    store.exec(
        u"INSERT INTO Owner1 (Code, f_Nm, m_Nm, l_nm, Dob, Pan, Mobile, Email) "
        u"VALUES ('C1', 'अमित', NULL, NULL, NULL, NULL, NULL, NULL)"_s);
    // A duplicate client code is refused, as the suite keys its clients by code.
    QCOMPARE(errorOf([&] { store.exec(u"INSERT INTO Owner1 (Code) VALUES ('C1')"_s); }).Number,
             errnum::DatabaseFailure);
    QCOMPARE(first(u"SELECT f_Nm FROM Owner1 WHERE Code='C1'"_s), u"अमित"_s);
  }
};

QTEST_MAIN(TestVelBaseStore)
#include "tst_velbase_store.moc"
