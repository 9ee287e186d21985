#include "entry/cls_main.h"
#include "entry/error_log.h"
#include "entry/mod_it_main.h"
#include "entry/module_tables.h"
#include "fake_base.h"
#include "scripted_interaction.h"
#include "store/schema.h"

#include <QFile>
#include <QTest>

using namespace kestrel;
using namespace kestrel::testing;

namespace {

QStringList logLines(const BaseComponent& base) {
  QFile file(base.ExePath() + QStringLiteral("/VelLog.log"));
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
    return {};
  QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  return lines;
}

// Registers a fresh FakeBase under the base component's identifier and starts the module.
std::shared_ptr<FakeBase> startWithFake(bool versionOk = true) {
  auto base = std::make_shared<FakeBase>();
  base->versionOk = versionOk;
  ObjectRegistry::instance().registerFactory(QStringLiteral("VelBase.ClsMain"), [base] { return base; });
  ModuleStart();
  return base;
}

// What creating the module's tables sends: the tables, "Flush Tables" and the look at the mail
// domain table.
qsizetype creationStatements() {
  return ModuleTableStatements().size() + 2;
}

enum class Thrown { ComponentError, Other };

}  // namespace

Q_DECLARE_METATYPE(Thrown)

class TestEntry : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() {
    ModuleShutdown();
    ObjectRegistry::instance().unregister(QStringLiteral("VelBase.ClsMain"));
  }

  void startWithoutBaseComponentReachesHost() {
    ScopedInteraction ui;
    try {
      ClsMain module;
      QFAIL("creating the module without a base component must fail");
    } catch (const RuntimeError& e) {
      QCOMPARE(e.number(), 429L);
    }
    QVERIFY(!ModuleStarted());
    QVERIFY(ui->messages.empty());
  }

  void startChecksVersionOnce_data() {
    QTest::addColumn<bool>("versionOk");
    QTest::addColumn<int>("messages");
    QTest::newRow("compatible") << true << 0;
    QTest::newRow("incompatible") << false << 1;
  }
  void startChecksVersionOnce() {
    QFETCH(bool, versionOk);
    QFETCH(int, messages);
    ScopedInteraction ui;
    int created = 0;
    auto base = std::make_shared<FakeBase>();
    base->versionOk = versionOk;
    ObjectRegistry::instance().registerFactory(QStringLiteral("velbase.clsmain"), [&] {
      ++created;
      return base;
    });
    ClsMain first;
    ClsMain second;
    QCOMPARE(created, 1);
    QCOMPARE(int(ui->messages.size()), messages);
    if (messages)
      QCOMPARE(ui->messages[0].text,
               QStringLiteral(
                   "File [VelBase.dll] is not compatible. Please update the latest software properly."));
    QCOMPARE(&Base(), base.get());
  }

  void logError_data() {
    QTest::addColumn<long>("number");
    QTest::addColumn<QString>("description");
    QTest::addColumn<bool>("logged");
    QTest::addColumn<bool>("shown");
    const QString gone = QStringLiteral("MySQL server has gone away");
    QTest::newRow("number 0 ignored") << 0L << QStringLiteral("anything") << false << false;
    QTest::newRow("number 5 ignored") << 5L << QStringLiteral("Invalid procedure call") << false << false;
    QTest::newRow("lost connection shown") << -2147467259L << gone << false << true;
    QTest::newRow("lost connection text, other number") << 3704L << gone << true << false;
    QTest::newRow("other database failure logged")
        << -2147467259L << QStringLiteral("MySQL server has gone away ") << true << false;
    QTest::newRow("ordinary error logged") << 13L << QStringLiteral("Type mismatch") << true << false;
  }
  void logError() {
    QFETCH(long, number);
    QFETCH(QString, description);
    QFETCH(bool, logged);
    QFETCH(bool, shown);
    auto base = startWithFake();
    ScopedInteraction ui;
    ModIT_Main().ErrLocation = QStringLiteral("frmKestrel\tShowData");
    LogError({number, description, QStringLiteral("VelBase")});
    const QStringList lines = logLines(*base);
    QCOMPARE(lines.size(), logged ? 1 : 0);
    QCOMPARE(int(ui->messages.size()), shown ? 1 : 0);
    if (shown)
      QCOMPARE(ui->messages[0].text, description);
    if (logged) {
      const QStringList fields = lines[0].split(QLatin1Char('\t'));
      QCOMPARE(fields.size(), 6);  // date, number, description, source, window, routine
      QVERIFY(QDateTime::fromString(fields[0], QStringLiteral("dd-MM-yyyy HH:mm:ss")).isValid());
      QCOMPARE(fields[1], QString::number(number));
      QCOMPARE(fields[2], description);
      QCOMPARE(fields[3], QStringLiteral("VelBase"));
      QCOMPARE(fields[4], QStringLiteral("frmKestrel"));
      QCOMPARE(fields[5], QStringLiteral("ShowData"));
    }
  }

  void logWithoutBaseComponentIsHarmless() {
    ScopedInteraction ui;
    LogError({13, QStringLiteral("Type mismatch"), QStringLiteral("x")});
    QVERIFY(ui->messages.empty());
    QVERIFY(ErrorLogPath().isEmpty());
  }

  void trapCarriesOnAfterFailures_data() {
    QTest::addColumn<Thrown>("thrown");
    QTest::addColumn<long>("number");
    QTest::newRow("component error keeps its number") << Thrown::ComponentError << 13L;
    QTest::newRow("anything else") << Thrown::Other << 51L;
  }
  void trapCarriesOnAfterFailures() {
    QFETCH(Thrown, thrown);
    QFETCH(long, number);
    auto base = startWithFake();
    ErrorTrap trap(u"frmKestrel", u"ValidateData");
    QStringList ran;
    const bool ok = trap([&] {
      ran << QStringLiteral("first");
      if (thrown == Thrown::ComponentError)
        throw RuntimeError(13, QStringLiteral("Type mismatch"), QStringLiteral("Kestrel"));
      throw 42;
    });
    trap([&] { ran << QStringLiteral("second"); });
    const int fallback = trap.value([]() -> int { throw RuntimeError(6, QStringLiteral("Overflow")); }, -1);
    QVERIFY(!ok);
    QCOMPARE(ran, (QStringList{QStringLiteral("first"), QStringLiteral("second")}));
    QCOMPARE(fallback, -1);
    QCOMPARE(trap.failures(), 2);
    QCOMPARE(ModIT_Main().ErrLocation, QStringLiteral("frmKestrel\tValidateData"));
    const QStringList lines = logLines(*base);
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines[0].section(QLatin1Char('\t'), 1, 1), QString::number(number));
    QVERIFY(lines[1].endsWith(QStringLiteral("\tfrmKestrel\tValidateData")));
  }

  void ignoredErrorsLeaveNoLine() {
    auto base = startWithFake();
    QVERIFY(!ignoreErrors([] { throw RuntimeError(13, QStringLiteral("Type mismatch")); }));
    QVERIFY(logLines(*base).isEmpty());
  }

  void moduleTablesInOrder() {
    auto base = startWithFake();
    CreateModuleTables();
    QStringList expected = ModuleTableStatements();
    expected << QStringLiteral("Flush Tables") << QStringLiteral("WebMailDomain");
    QCOMPARE(base->statements, expected);
  }

  void oldMailDomainTableGainsSmtp_data() {
    QTest::addColumn<int>("fields");
    QTest::addColumn<bool>("altered");
    QTest::newRow("three fields") << 3 << true;
    QTest::newRow("four fields") << 4 << false;
    QTest::newRow("unreadable") << -1 << false;
  }
  void oldMailDomainTableGainsSmtp() {
    QFETCH(int, fields);
    QFETCH(bool, altered);
    auto base = startWithFake();
    FakeTable table;
    table.fields = QStringList{QStringLiteral("DomainID"), QStringLiteral("sUrl"), QStringLiteral("sDomain"),
                               QStringLiteral("sSMTP")}
                       .mid(0, qMax(fields, 0));
    base->results.insert(QStringLiteral("WebMailDomain"), table);
    if (fields < 0)
      base->fails = [](const QString& sql) { return sql == QLatin1String("WebMailDomain"); };
    CreateModuleTables();
    const QStringList tail = base->statements.mid(creationStatements());
    if (altered)
      QCOMPARE(tail, (QStringList{QStringLiteral("ALTER TABLE WebMailDomain ADD sSMTP varchar(250)"),
                                  QStringLiteral("Flush Tables")}));
    else
      QVERIFY(tail.isEmpty());
    QCOMPARE(logLines(*base).size(), fields < 0 ? 1 : 0);
  }

  void failingCreateIsLoggedAndCreationGoesOn() {
    auto base = startWithFake();
    base->fails = [](const QString& sql) { return sql.contains(QLatin1String("TblITR_SecMail")); };
    CreateModuleTables();
    QCOMPARE(base->statements.size(), creationStatements());
    const QStringList lines = logLines(*base);
    QCOMPARE(lines.size(), 1);
    QVERIFY(lines[0].endsWith(QStringLiteral("frmKestrel\tForm_Load")));
  }
};

QTEST_GUILESS_MAIN(TestEntry)
#include "tst_entry.moc"
