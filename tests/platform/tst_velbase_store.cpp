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

namespace {

// The error a statement raises ("no error" when it raises none).
template <class F>
ErrObject errorOf(F&& statement) {
  try {
    statement();
  } catch (const RuntimeError& e) {
    return e.err();
  }
  return {0, QStringLiteral("no error"), {}};
}

QStringList fieldNames(const Recordset& rs) {
  QStringList names;
  for (int i = 0; i < rs.FieldCount(); ++i) names << rs.FieldName(i);
  return names;
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
  QString textTable() const {
    return store_->isMariaDb() ? QStringLiteral(" DEFAULT CHARSET=utf8mb4") : QString();
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
        {"plain", QStringLiteral("Ramesh Sharma")},
        {"quote", QStringLiteral("D'Souza")},
        {"quotes only", QStringLiteral("''''")},
        {"backslash", QStringLiteral("C:\\Velmar\\Data")},
        {"backslash before quote", QStringLiteral("a\\'b")},
        {"trailing backslash", QStringLiteral("end\\")},
        {"NUL inside", QStringLiteral("a") + QChar(0) + QStringLiteral("b")},
        {"NUL at the ends", QChar(0) + QStringLiteral("x") + QChar(0)},
        {"CR LF and tab", QStringLiteral("line1\r\nline2\tend\n")},
        {"Ctrl-Z", QStringLiteral("a") + QChar(0x1a) + QStringLiteral("b")},
        {"Devanagari", QStringLiteral("राजेश कुमार शर्मा")},
        {"emoji", QStringLiteral("ok 😀👍🏽 done")},
        {"looks like the NUL splice", QStringLiteral("'||char(0)||'")},
        {"statement injection", QStringLiteral("x'); DROP TABLE RoundTrip; --")},
        {"everything", QStringLiteral("\\'\"") + QChar(0) + QStringLiteral("\r\n😀अ\\\\''")},
        {"empty", QString()},
        {"long", QStringLiteral("ab'\\cd").repeated(500)},
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
      base_->ConQuery(
          QStringLiteral("SET SESSION sql_mode = CONCAT(@@SESSION.sql_mode, ',NO_BACKSLASH_ESCAPES')"));
      base_->store().readSqlMode();
      QVERIFY(base_->store().noBackslashEscapes());
    }
    base_->ConQuery(QStringLiteral("DROP TABLE IF EXISTS RoundTrip"));
    base_->ConQuery(QStringLiteral("CREATE TABLE RoundTrip (id int, v text)") + textTable());
    const QString quoted = QLatin1Char('\'') + base_->TruncVarSQL(text) + QLatin1Char('\'');
    base_->ConQuery(QStringLiteral("INSERT INTO RoundTrip (id, v) VALUES (1, ") + quoted + QLatin1Char(')'));
    auto rs = open(QStringLiteral("SELECT id, v FROM RoundTrip WHERE v = ") + quoted);
    QVERIFY(!rs->Eof());
    QCOMPARE(rs->Text(1), text);
    rs->MoveNext();
    QVERIFY(rs->Eof());
    QCOMPARE(open(QStringLiteral("SELECT COUNT(*) FROM RoundTrip"))->Text(0), QStringLiteral("1"));

    // The batch inserter the seed uses sends the same text intact.
    BatchInserter batch(base_->store(), QStringLiteral("RoundTrip"),
                        {QStringLiteral("id"), QStringLiteral("v")});
    batch.add({2, text});
    batch.flush();
    QCOMPARE(open(QStringLiteral("SELECT v FROM RoundTrip WHERE id = 2"))->Text(0), text);
  }

  void nullsReadAsEmptyText() {
    base_->ConQuery(QStringLiteral("DROP TABLE IF EXISTS Nulls"));
    base_->ConQuery(
        QStringLiteral("CREATE TABLE Nulls (s varchar(10), n int, d date, t text, b tinyint(1))"));
    base_->ConQuery(QStringLiteral("INSERT INTO Nulls VALUES (NULL, NULL, NULL, NULL, NULL)"));
    base_->ConQuery(QStringLiteral("INSERT INTO Nulls VALUES ('', 0, '2024-03-31', 'x', 1)"));
    auto rs = open(QStringLiteral("SELECT * FROM Nulls ORDER BY n"));
    for (int i = 0; i < 5; ++i) {
      QVERIFY(rs->Value(i).isNull());
      QCOMPARE(rs->Text(i), QString());
    }
    rs->MoveNext();
    QCOMPARE(rs->Text(0), QString());
    QCOMPARE(rs->Text(1), QStringLiteral("0"));
    QCOMPARE(rs->Text(2), QStringLiteral("2024-03-31"));
    QCOMPARE(rs->Text(u"T"), QStringLiteral("x"));
    QCOMPARE(rs->Text(u"b"), QStringLiteral("1"));
  }

  void fieldsByNameIgnoreCase_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("index");
    QTest::newRow("as created") << "f_Nm" << 1;
    QTest::newRow("as the loader spells it") << "F_Nm" << 1;
    QTest::newRow("upper") << "L_NM" << 2;
    QTest::newRow("alias") << "codeno" << 3;
    QTest::newRow("missing") << "Pan" << -1;
  }
  void fieldsByNameIgnoreCase() {
    QFETCH(QString, name);
    QFETCH(int, index);
    base_->ConQuery(QStringLiteral("DROP TABLE IF EXISTS People"));
    base_->ConQuery(
        QStringLiteral("CREATE TABLE People (Code varchar(10), f_Nm varchar(50), l_nm varchar(50))") +
        textTable());
    base_->ConQuery(QStringLiteral("INSERT INTO People VALUES ('C1', 'Ravi', 'Iyer'), ('C2', 'Uma', 'Rao')"));
    auto rs = open(QStringLiteral("SELECT Code, f_Nm, l_nm, Code AS CodeNo FROM People ORDER BY Code"));
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
    QTest::newRow("table option") << "WebMailDomain" << ado::adCmdTable;
    QTest::newRow("no blank in the text") << "WebMailDomain" << ado::adOptionUnspecified;
    QTest::newRow("other case, blanks around") << "  webmaildomain " << ado::adOptionUnspecified;
    QTest::newRow("statement") << "SELECT DomainID, sUrl, sDomain FROM WebMailDomain"
                               << ado::adOptionUnspecified;
  }
  void opensTablesByName() {
    QFETCH(QString, text);
    QFETCH(int, options);
    base_->ConQuery(QStringLiteral("DROP TABLE IF EXISTS WebMailDomain"));
    base_->ConQuery(QStringLiteral(
        "CREATE TABLE WebMailDomain (DomainID int(11), sUrl varchar(250), sDomain varchar(250))"));
    auto rs = open(text, options);
    QCOMPARE(rs->FieldCount(), 3);
    QCOMPARE(fieldNames(*rs).join(u','), QStringLiteral("DomainID,sUrl,sDomain"));
    QVERIFY(rs->Eof());
    rs->Close();
    QVERIFY(!rs->isOpen());
  }

  void refusesOddTableNames_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("statement as a table") << "WebMailDomain; DROP TABLE WebMailDomain";
    QTest::newRow("quote") << "Web'MailDomain";
    QTest::newRow("comment") << "WebMailDomain--";
  }
  void refusesOddTableNames() {
    QFETCH(QString, text);
    base_->ConQuery(QStringLiteral("CREATE TABLE IF NOT EXISTS WebMailDomain (DomainID int(11))"));
    const ErrObject err = errorOf([&] { open(text, ado::adCmdTable); });
    QCOMPARE(err.Number, errnum::DatabaseFailure);
    QVERIFY(base_->store().hasTable(u"WebMailDomain"));
  }

  void flushTablesOnEveryBackend_data() {
    QTest::addColumn<QString>("sql");
    QTest::newRow("as the module writes it") << "Flush Tables";
    QTest::newRow("blanks and semicolon") << "  FLUSH\tTABLES ;";
  }
  void flushTablesOnEveryBackend() {
    QFETCH(QString, sql);
    base_->ConQuery(sql);
    QCOMPARE(errorOf([&] { base_->ConQuery(QStringLiteral("Flush Tablez")); }).Number,
             errnum::DatabaseFailure);
  }

  void failuresCarryTheDriversText() {
    const ErrObject err = errorOf([&] { base_->ConQuery(QStringLiteral("SELECT * FROM NoSuchTable")); });
    QCOMPARE(err.Number, errnum::DatabaseFailure);
    QVERIFY2(err.Description.contains(u"nosuchtable", Qt::CaseInsensitive), qPrintable(err.Description));
    QCOMPARE(err.Source, QStringLiteral("VelBase"));
    const ErrObject read = errorOf([&] { open(QStringLiteral("SELECT nothing FROM")); });
    QCOMPARE(read.Number, errnum::DatabaseFailure);
    QVERIFY(!read.Description.isEmpty());
  }

  void wrongPasswordStaysOutOfTheMessage() {
    if (!store_->isMariaDb())
      QSKIP("SQLite has no password");
    StoreAddress a = ParseStoreAddress(store_->connectionString());
    const QString conn = QStringLiteral("mysql://%1:Wrong-Secret-77@%2:%3/%4")
                             .arg(a.user, a.host, QString::number(a.port), a.database);
    const ErrObject err = errorOf([&] { SqlStore wrong(conn, QStringLiteral("VelBase")); });
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
    const QString before = open(QStringLiteral("SELECT CONNECTION_ID()"))->Text(0);
    {
      SqlStore killer(store_->connectionString());
      killer.exec(QStringLiteral("KILL ") + before);
    }
    const ErrObject err = errorOf([&] {
      if (viaRead)
        open(QStringLiteral("SELECT 1"));
      else
        base_->ConQuery(QStringLiteral("DO 1"));
    });
    QCOMPARE(err.Number, -2147467259L);
    QCOMPARE(err.Description, QStringLiteral("MySQL server has gone away"));
    base_->ConQuery(QStringLiteral("DO 1"));
    const QString after = open(QStringLiteral("SELECT CONNECTION_ID()"))->Text(0);
    QVERIFY(after != before);
    // Text still arrives as utf8mb4 after the reconnect.
    const QString hindi = QStringLiteral("नमस्ते 😀");
    QCOMPARE(open(QStringLiteral("SELECT '") + base_->TruncVarSQL(hindi) + QStringLiteral("'"))->Text(0),
             hindi);
  }

  void readsManyRowsForwardOnly() {
    const int rows = 100000;
    base_->ConQuery(QStringLiteral("DROP TABLE IF EXISTS Many"));
    base_->ConQuery(QStringLiteral("CREATE TABLE Many (Code_No varchar(20), f_Nm varchar(50), n int)") +
                    textTable());
    {
      StoreTransaction tx(base_->store());
      BatchInserter insert(base_->store(), QStringLiteral("Many"),
                           {QStringLiteral("Code_No"), QStringLiteral("f_Nm"), QStringLiteral("n")});
      for (int i = 0; i < rows; ++i)
        insert.add(
            {QStringLiteral("C%1").arg(i), i % 7 == 0 ? QVariant() : QVariant(QStringLiteral("Ravi")), i});
      insert.flush();
      tx.commit();
    }
    QElapsedTimer timer;
    timer.start();
    auto rs = open(QStringLiteral("SELECT * FROM Many ORDER BY n"));
    qint64 count = 0;
    qint64 sum = 0;
    int empty = 0;
    for (; !rs->Eof(); rs->MoveNext()) {
      sum += rs->Text(u"N").toLongLong();
      empty += rs->Text(u"F_NM").isEmpty() ? 1 : 0;
      count += rs->Text(u"code_no").isEmpty() ? 0 : 1;
    }
    const qint64 ms = timer.elapsed();
    QCOMPARE(count, qint64(rows));
    QCOMPARE(sum, qint64(rows) * (rows - 1) / 2);
    QCOMPARE(empty, (rows + 6) / 7);
    qInfo("read %d rows by field name in %lld ms", rows, ms);
    QVERIFY2(ms < 15000, "reading 100,000 rows must take seconds at most");
  }

  void moduleTablesAreIdempotent() {
    store_->dropAllTables();
    ModIT_Main().BaseComponent = base_;
    CreateModuleTables();
    base_->ConQuery(QStringLiteral("INSERT INTO TblITR_PriMob (s_Mobile) VALUES ('9876543210')"));
    CreateModuleTables();
    for (const QString& table :
         {QStringLiteral("ITRDet_Temp"), QStringLiteral("TblITR_PINS"), QStringLiteral("TblITR_SecMail"),
          QStringLiteral("TblITR_SecMob"), QStringLiteral("TblITR_PriMail"), QStringLiteral("TblITR_PriMob"),
          QStringLiteral("WebMailDomain"), QStringLiteral("WebMailUser"), QStringLiteral("WebMailFwder"),
          QStringLiteral("WebEMailAc")})
      QVERIFY2(base_->store().hasTable(table), qPrintable(table));
    QCOMPARE(open(QStringLiteral("SELECT COUNT(*) FROM TblITR_PriMob"))->Text(0), QStringLiteral("1"));
    QCOMPARE(open(QStringLiteral("WebMailDomain"), ado::adCmdTable)->FieldCount(), 4);
    QVERIFY2(!QFile::exists(ErrorLogPath()), "creating the module tables must log no failure");
  }

  void webMailDomainGainsSmtpOnce_data() {
    QTest::addColumn<QString>("create");
    QTest::addColumn<QString>("fieldsAfter");
    QTest::newRow("three columns") << "CREATE TABLE WebMailDomain(DomainID int(11), sUrl varchar(250), "
                                      "sDomain varchar(250))"
                                   << "DomainID,sUrl,sDomain,sSMTP";
    QTest::newRow("four columns") << "CREATE TABLE WebMailDomain(DomainID int(11), sUrl varchar(250), "
                                     "sDomain varchar(250), sNote varchar(20))"
                                  << "DomainID,sUrl,sDomain,sNote";
  }
  void webMailDomainGainsSmtpOnce() {
    QFETCH(QString, create);
    QFETCH(QString, fieldsAfter);
    base_->ConQuery(QStringLiteral("DROP TABLE IF EXISTS WebMailDomain"));
    base_->ConQuery(create);
    base_->ConQuery(
        QStringLiteral("INSERT INTO WebMailDomain (DomainID, sDomain) VALUES (1, 'firm.example.in')"));
    ModIT_Main().BaseComponent = base_;
    CreateModuleTables();
    CreateModuleTables();
    auto rs = open(QStringLiteral("WebMailDomain"), ado::adCmdTable);
    QCOMPARE(fieldNames(*rs).join(u','), fieldsAfter);
    QCOMPARE(rs->Text(u"sDomain"), QStringLiteral("firm.example.in"));
    QVERIFY2(!QFile::exists(ErrorLogPath()), "no failure may be logged");
  }

  void suiteTablesAreCreatedOnceAndNeverAltered() {
    store_->dropAllTables();
    SqlStore& store = base_->store();
    // A suite database whose Owner1 differs from the stand-in: it must stay as it is.
    store.exec(QStringLiteral("CREATE TABLE Owner1 (Code varchar(10), Extra int)"));
    store.exec(QStringLiteral("INSERT INTO Owner1 VALUES ('X1', 5)"));
    QCOMPARE(EnsureSuiteTables(store),
             QStringList({QStringLiteral("Main_Info1"), QStringLiteral("OnlineRegInfo"),
                          QStringLiteral("tempcltbl")}));
    QCOMPARE(EnsureSuiteTables(store), QStringList());
    auto owner = open(QStringLiteral("Owner1"), ado::adCmdTable);
    QCOMPARE(fieldNames(*owner).join(u','), QStringLiteral("Code,Extra"));
    QCOMPARE(owner->Text(u"Extra"), QStringLiteral("5"));
    owner->Close();

    store.exec(QStringLiteral("DROP TABLE Owner1"));
    QCOMPARE(EnsureSuiteTables(store), QStringList(QStringLiteral("Owner1")));
    for (const QString& column :
         {QStringLiteral("Code"), QStringLiteral("f_Nm"), QStringLiteral("m_Nm"), QStringLiteral("l_nm"),
          QStringLiteral("Dob"), QStringLiteral("Pan"), QStringLiteral("Mobile"), QStringLiteral("Email")})
      QVERIFY2(open(QStringLiteral("Owner1"), ado::adCmdTable)->FieldIndex(column) >= 0, qPrintable(column));
    // A duplicate client code is refused, as the suite keys its clients by code.
    store.exec(QStringLiteral("INSERT INTO Owner1 (Code, f_Nm) VALUES ('C1', 'अमित')"));
    QCOMPARE(errorOf([&] { store.exec(QStringLiteral("INSERT INTO Owner1 (Code) VALUES ('C1')")); }).Number,
             errnum::DatabaseFailure);
    QCOMPARE(open(QStringLiteral("SELECT f_Nm FROM Owner1 WHERE Code='C1'"))->Text(0),
             QStringLiteral("अमित"));
  }
};

QTEST_MAIN(TestVelBaseStore)
#include "tst_velbase_store.moc"
