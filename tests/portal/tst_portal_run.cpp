#include "controls/zen_button.h"
#include "entry/mod_it_main.h"
#include "fake_base.h"
#include "fake_portal.h"
#include "platform/grid/flexgrid_model.h"
#include "portal/portal_run.h"
#include "portal/progress_panel.h"
#include "register/register_layout.h"
#include "scripted_interaction.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTest>

Q_DECLARE_METATYPE(kestrel::testing::PortalScript)

using namespace kestrel;
using namespace kestrel::testing;

namespace {

const QString ProgId = QString::fromLatin1(PortalLogin::ProgId);
const QColor Default;
const QColor Cyan(227, 250, 251);
const QColor Green(192, 255, 192);
const QColor Pink(255, 227, 235);
const QColor Blue(0, 0, 255);

// The main window's side of a run: the register, the progress panel and the panel switch.
struct Window {
  grid::FlexGridModel vsCL;
  ProgressPanel FraProgress;
  QList<bool> running;
  PortalRun run{vsCL, FraProgress, [this](bool on) {
                  running << on;
                  FraProgress.setVisible(on);
                }};

  Window() {
    vsCL.setCols(col::Count);
    vsCL.setRows(HeaderRows);
    vsCL.setFixedRows(HeaderRows);
    vsCL.setColHidden(col::ImportLogs, true);
  }

  // A client row: code, name "<code> Client", the PAN given, password "pw-<code>".
  int addClient(const QString& code, const QString& pan, bool ticked = true, bool hidden = false) {
    const int r = vsCL.Rows();
    vsCL.setRows(r + 1);
    vsCL.setTextMatrix(r, col::SrNo, QString::number(r - 1));
    vsCL.setTextMatrix(r, col::PartyCode, code);
    vsCL.setTextMatrix(r, col::PartyName, code + QStringLiteral(" Client"));
    vsCL.setTextMatrix(r, col::Pan, pan);
    vsCL.setTextMatrix(r, col::Password, QStringLiteral("pw-") + code);
    vsCL.setCellChecked(r, col::SrNo, ticked ? 1 : 2);
    vsCL.setRowHidden(r, hidden);
    // Traces of an earlier run, which the run must clear.
    vsCL.setTextMatrix(r, col::ImportLogs, QStringLiteral("earlier"));
    vsCL.setCellBackColor(r, 0, r, col::ImportLogs, Pink);
    return r;
  }

  void setChange(int r, const QStringList& cells) {
    for (int i = 0; i < cells.size(); ++i) vsCL.setTextMatrix(r, col::Change + i, cells[i]);
  }

  // The row's colour when every cell has it; an impossible colour otherwise.
  QColor rowColour(int r, bool back) const {
    const QColor first = back ? vsCL.CellBackColor(r, 0) : vsCL.CellForeColor(r, 0);
    for (int c = 1; c <= col::ImportLogs; ++c) {
      if ((back ? vsCL.CellBackColor(r, c) : vsCL.CellForeColor(r, c)) != first)
        return QColor(1, 2, 3);
    }
    return first;
  }
};

QString session(const QString& pan, const QString& code, const QStringList& middle) {
  QStringList calls = {"InitMe", "ShowError(false)", QStringLiteral("LoginWHR_CL(%1, pw-%2)").arg(pan, code)};
  calls << middle << QStringLiteral("CheckForLogInCL(%1, true)").arg(pan);
  return calls.join(", ");
}

QStringList logLines() {
  QFile file(Base().ExePath() + QStringLiteral("/VelLog.log"));
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
    return {};
  return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

const char* const ZaraProfile = R"({"firstName":"Zara","lastName":"Khan","priMobileNum":"9000000001"})";

}  // namespace

class TestPortalRun : public QObject {
  Q_OBJECT

  std::shared_ptr<FakeBase> base_;
  std::shared_ptr<PortalJournal> journal_;

 private slots:
  void init() {
    base_ = std::make_shared<FakeBase>();
    ObjectRegistry::instance().registerFactory(QStringLiteral("VelBase.ClsMain"), [b = base_] { return b; });
    ModuleStart();
    journal_ = std::make_shared<PortalJournal>();
    registerFakePortal(journal_);
  }
  void cleanup() {
    ModuleShutdown();
    ObjectRegistry::instance().unregister(QStringLiteral("VelBase.ClsMain"));
    ObjectRegistry::instance().unregister(ProgId);
    base_.reset();
  }

  void outcomeOfOneClient_data() {
    QTest::addColumn<bool>("update");
    QTest::addColumn<PortalScript>("script");
    QTest::addColumn<QString>("log");
    QTest::addColumn<QColor>("back");
    QTest::addColumn<QColor>("fore");
    QTest::addColumn<QStringList>("calls");  // between the login and CheckForLogInCL
    QTest::addColumn<QString>("loginName");
    QTest::addColumn<bool>("writtenBack");

    const QStringList failed = {"ErrData"};
    const QStringList profile = {"GeteUserProfile"};
    const QStringList verify = {"GeteUserProfile", "VerifyContactDet"};
    QTest::newRow("fetch, profile read")
        << false << PortalScript{true, "", ZaraProfile, true} << "Login Success" << Default << Default
        << profile << "Zara Khan" << false;
    QTest::newRow("fetch, profile missing")
        << false << PortalScript{true, "", "", true} << "Failed to Open 'myProfile' Page" << Default
        << Default << profile << "" << false;
    QTest::newRow("fetch, profile not JSON")
        << false << PortalScript{true, "", "Session expired", true} << "Unknown Response" << Default
        << Default << profile << "" << false;
    QTest::newRow("not verified") << false << PortalScript{false, "NON Verified Details", "", true}
                                  << "NON Verified Details" << Cyan << Default << failed << "" << false;
    QTest::newRow("PIN to validate") << true << PortalScript{false, "Validate PIN Details", "", true}
                                     << "Validate PIN Details" << Green << Default << failed << "" << false;
    QTest::newRow("wrong password") << false
                                    << PortalScript{false, "Invalid Password, Please retry", "", true}
                                    << "Invalid Password, Please retry" << Pink << Default << failed << ""
                                    << false;
    QTest::newRow("failed login that confirmed the contacts")
        << false << PortalScript{false, "Validate Contact Success", "", true} << "Validate Contact Success"
        << Default << Blue << failed << "" << true;
    QTest::newRow("update accepted") << true << PortalScript{true, "", ZaraProfile, true}
                                     << "Validate Contact Success" << Default << Blue << verify << "" << true;
    QTest::newRow("update refused") << true << PortalScript{true, "", ZaraProfile, false}
                                    << "Failed to Open 'Verify Contact Detail' Page" << Default << Default
                                    << verify << "" << false;
    QTest::newRow("update without profile")
        << true << PortalScript{true, "", "", true} << "Failed to Open 'myProfile' Page" << Default << Default
        << profile << "" << false;
  }
  void outcomeOfOneClient() {
    QFETCH(bool, update);
    QFETCH(PortalScript, script);
    QFETCH(QString, log);
    QFETCH(QColor, back);
    QFETCH(QColor, fore);
    QFETCH(QStringList, calls);
    QFETCH(QString, loginName);
    QFETCH(bool, writtenBack);
    ScopedInteraction ui;
    Window w;
    const int unticked = w.addClient("X", "AAAPX1111X", false);
    const int hidden = w.addClient("Y", "AAAPY1111Y", true, true);
    const int z = w.addClient("Z", "AAAPZ1111Z");
    w.setChange(z, {"No", "", "9876543210", "5", "z@x.in", "1"});
    journal_->scripts.insert("AAAPZ1111Z", script);

    w.run.LoginToITR(update);

    QCOMPARE(journal_->sessions, QStringList{session("AAAPZ1111Z", "Z", calls)});
    QCOMPARE(w.vsCL.TextMatrix(z, col::ImportLogs), log);
    QCOMPARE(w.rowColour(z, true), back);
    QCOMPARE(w.rowColour(z, false), fore);
    QCOMPARE(w.vsCL.TextMatrix(z, col::LoginName), loginName);
    QCOMPARE(w.run.StatusText, log);
    QCOMPARE(w.run.CurrentRow, z);
    QVERIFY(!w.run.Portal);
    for (int r : {unticked, hidden}) {
      QCOMPARE(w.vsCL.TextMatrix(r, col::ImportLogs), QString());
      QCOMPARE(w.rowColour(r, true), Default);
    }

    if (journal_->submitted.isEmpty() == verifyCalled(calls))
      QFAIL("VerifyContactDet and the submitted values disagree");
    if (!journal_->submitted.isEmpty())
      QCOMPARE(journal_->submitted.first(),
               QStringList({"91", "9876543210", "2", "z@x.in", "1", "", "", "", ""}));

    if (writtenBack) {
      QCOMPARE(base_->statements,
               QStringList(
                   {"UPDATE OnlineRegInfo SET EmailID='z@x.in', MobNo='9876543210',EmailId1='|||||R|5|1|||', "
                    "MobNo1='' WHERE Code_No='Z'",
                    "Flush Tables"}));
      QCOMPARE(w.vsCL.TextMatrix(z, col::SecDet), QStringLiteral("||||R|5|1|||"));
      for (int i = 0; i < 10; ++i) {
        QCOMPARE(w.vsCL.TextMatrix(z, col::Software + i), w.vsCL.TextMatrix(z, col::Change + i));
        QCOMPARE(w.vsCL.TextMatrix(z, col::Login + i), w.vsCL.TextMatrix(z, col::Change + i));
      }
    } else {
      QCOMPARE(base_->statements, QStringList());
      QCOMPARE(w.vsCL.TextMatrix(z, col::Software + col::Mobile1), QString());
    }
    QCOMPARE(w.running, QList<bool>({true, false}));
    QVERIFY(w.FraProgress.isHidden());
    QVERIFY(!w.vsCL.ColHidden(col::ImportLogs));
    QCOMPARE(w.FraProgress.lblPartyName->text(), QStringLiteral("Fetching Details for - Z Client"));
    QCOMPARE(logLines(), QStringList());
  }

  void fetchFillsLoginColumnsOnly() {
    ScopedInteraction ui;
    Window w;
    const int r = w.addClient("N", "AAAPN1111N");
    w.setChange(r, {"No", "", "9876543210", "1"});
    journal_->scripts.insert("AAAPN1111N",
                             {true, "",
                              R"({"firstName":"Nina","residentialStatusCd":"NRI","countryCd":"971",)"
                              R"("priMobileNum":"5012345678","priMobBelongsTo":"5","secEmailId":"n@x.in",)"
                              R"("secEmailRelationId":"0"})",
                              true});
    w.run.LoginToITR(false);
    QStringList login;
    for (int c = col::LoginName; c <= col::Login + 9; ++c) login << w.vsCL.TextMatrix(r, c);
    QCOMPARE(login, QStringList({"Nina", "Yes", "971", "5012345678", "5", "", "", "", "", "n@x.in", ""}));
    QCOMPARE(w.vsCL.TextMatrix(r, col::Change + col::Mobile1), QStringLiteral("9876543210"));
    QVERIFY(journal_->submitted.isEmpty());
  }

  void clientsInGridOrderOneInstanceEach() {
    ScopedInteraction ui;
    Window w;
    w.addClient("A", "AAAPA1111A");
    w.addClient("B", "AAAPB1111B");
    w.addClient("C", "AAAPC1111C");
    journal_->scripts.insert("AAAPA1111A", {true, "", ZaraProfile, true});
    journal_->scripts.insert("AAAPB1111B", {false, "NON Verified Details", "", true});
    journal_->scripts.insert("AAAPC1111C", {true, "", ZaraProfile, false});
    // The window's own instance, made when it loads, is replaced by the first client's.
    w.run.Portal = w.run.NewPortalLogin();

    w.run.LoginToITR(true);

    QCOMPARE(journal_->sessions,
             QStringList({"InitMe", session("AAAPA1111A", "A", {"GeteUserProfile", "VerifyContactDet"}),
                          session("AAAPB1111B", "B", {"ErrData"}),
                          session("AAAPC1111C", "C", {"GeteUserProfile", "VerifyContactDet"})}));
    QCOMPARE(journal_->created, 4);
    QVERIFY2(journal_->mostLive == 1, "an instance outlived its client");
    QCOMPARE(journal_->live, 0);
    // One yield per row, one for the profile and one for the request of each logged-in client.
    QCOMPARE(ui->yields, 3 + 2 + 2);
  }

  void newPortalLoginIsPrepared() {
    ScopedInteraction ui;
    Window w;
    auto portal = w.run.NewPortalLogin();
    QVERIFY(portal);
    QCOMPARE(journal_->logFile, Base().ExePath() + QDir::separator() + QStringLiteral("VelLog.log"));
    QCOMPARE(journal_->tmpPath, Base().vTmpPath());
    QCOMPARE(journal_->progressLabel, static_cast<const void*>(w.FraProgress.lblprog));
    QCOMPARE(journal_->cancelButton, static_cast<const void*>(w.FraProgress.cmdprogC));
  }

  void cancel_data() {
    QTest::addColumn<int>("clickDuring");  // index of the client whose profile is being read
    QTest::addColumn<bool>("answer");
    QTest::addColumn<int>("processed");
    QTest::newRow("yes during the first") << 0 << true << 1;
    QTest::newRow("yes during the last") << 2 << true << 3;
    QTest::newRow("no") << 0 << false << 3;
  }
  void cancel() {
    QFETCH(int, clickDuring);
    QFETCH(bool, answer);
    QFETCH(int, processed);
    ScopedInteraction ui;
    Window w;
    const QStringList pans = {"AAAPA1111A", "AAAPB1111B", "AAAPC1111C"};
    QList<int> rows;
    for (const QString& pan : pans) {
      rows << w.addClient(pan.mid(4, 1), pan);
      journal_->scripts.insert(pan, {true, "", ZaraProfile, true});
    }
    ui->answers = {answer};
    int clicks = 0;
    ui->onYield = [&] {
      // Pressed twice while the client's profile is being read: the second press asks nothing.
      if (w.run.Portal && w.run.CurrentRow == rows[clickDuring] && clicks++ == 0) {
        emit w.FraProgress.cmdprogC->Click();
        emit w.FraProgress.cmdprogC->Click();
      }
    };
    w.FraProgress.setCancelMark("C");  // left over from an earlier run

    w.run.LoginToITR(false);

    QCOMPARE(journal_->sessions.size(), processed);
    // Yes marks the run, so the second press asks nothing; after No the second press asks again.
    QCOMPARE(ui->questions.size(), answer ? 1 : 2);
    QCOMPARE(ui->questions.first(), QStringLiteral("Do you really want to Cancel?"));
    for (int i = 0; i < rows.size(); ++i)
      QCOMPARE(w.vsCL.TextMatrix(rows[i], col::ImportLogs), QString(i < processed ? "Login Success" : ""));
    QCOMPARE(w.FraProgress.CancelMark(), QString(answer ? "C" : ""));
    QCOMPARE(w.running, QList<bool>({true, false}));
    QVERIFY(w.FraProgress.isHidden());
    QVERIFY(!w.vsCL.ColHidden(col::ImportLogs));
  }

  void emptyRegisterOnlyTogglesThePanels() {
    ScopedInteraction ui;
    Window w;
    w.run.LoginToITR(false);
    QCOMPARE(w.running, QList<bool>({true, false}));
    QCOMPARE(journal_->created, 0);
    QCOMPARE(ui->yields, 0);
    QVERIFY(!w.vsCL.ColHidden(col::ImportLogs));
  }

  void missingComponentIsLoggedAndShown() {
    ScopedInteraction ui;
    ObjectRegistry::instance().unregister(ProgId);
    Window w;
    const int r = w.addClient("M", "AAAPM1111M");
    const int next = w.addClient("N", "AAAPN1111N");
    w.run.LoginToITR(false);
    for (int row : {r, next}) {
      QVERIFY2(!w.vsCL.TextMatrix(row, col::ImportLogs).isEmpty(), "the reason belongs in Import Logs");
      QCOMPARE(w.rowColour(row, true), Pink);
    }
    // One line per client, not one per call on a component that is not there.
    const QStringList lines = logLines();
    QCOMPARE(lines.size(), 2);
    for (const QString& line : lines) QVERIFY2(line.endsWith("\tfrmKestrel\tLoginToITR"), qPrintable(line));
    QCOMPARE(w.vsCL.TextMatrix(r, col::ImportLogs), lines.first().section('\t', 2, 2));
    QCOMPARE(w.running, QList<bool>({true, false}));
  }

  void failingWriteBackKeepsTheGrid() {
    ScopedInteraction ui;
    base_->fails = [](const QString& sql) { return sql.startsWith("UPDATE"); };
    Window w;
    const int r = w.addClient("W", "AAAPW1111W");
    w.setChange(r, {"Yes", "1", "5012345678", "1"});
    journal_->scripts.insert("AAAPW1111W", {true, "", ZaraProfile, true});
    w.run.LoginToITR(true);
    QCOMPARE(w.vsCL.TextMatrix(r, col::ImportLogs), QStringLiteral("Validate Contact Success"));
    QCOMPARE(w.vsCL.TextMatrix(r, col::Software + col::Mobile1), QStringLiteral("5012345678"));
    QCOMPARE(w.vsCL.TextMatrix(r, col::SecDet), QStringLiteral("||||NR|1||||1"));
    QCOMPARE(w.rowColour(r, false), Blue);
    const QStringList lines = logLines();
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines.first().endsWith("\tfrmKestrel\tUpdateITRDetails"), qPrintable(lines.first()));
  }

  void cancelButton_data() {
    QTest::addColumn<QString>("mark");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<QString>("after");
    QTest::addColumn<int>("questions");
    QTest::newRow("running, yes") << "" << true << "C" << 1;
    QTest::newRow("running, no") << "" << false << "" << 1;
    QTest::newRow("already cancelled") << "C" << true << "C" << 0;
  }
  void cancelButton() {
    QFETCH(QString, mark);
    QFETCH(bool, answer);
    QFETCH(QString, after);
    QFETCH(int, questions);
    ScopedInteraction ui;
    ProgressPanel panel;
    QCOMPARE(panel.objectName(), QStringLiteral("FraProgress"));
    QCOMPARE(panel.cmdprogC->Caption(), QStringLiteral("&Cancel"));
    panel.setCancelMark(mark);
    ui->answers = {answer};
    emit panel.cmdprogC->Click();
    QCOMPARE(panel.CancelMark(), after);
    QCOMPARE(panel.cmdprogC->property(PortalLogin::CancelMarkProperty).toString(), after);
    QCOMPARE(ui->questions.size(), questions);
  }

 private:
  static bool verifyCalled(const QStringList& calls) { return calls.contains("VerifyContactDet"); }
};

QTEST_MAIN(TestPortalRun)
#include "tst_portal_run.moc"
