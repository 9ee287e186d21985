// The main window and the notice offscreen, on a fake base component and a fake portal login
// component: the load in its order, a dead database, the keys the window previews, the panels
// in front of the main panel, a portal run's progress and cancel, the help document and the way
// in through OpenForm.
#include "assign/default_panel.h"
#include "controls/zen_button.h"
#include "entry/cls_main.h"
#include "entry/main_window.h"
#include "entry/mod_it_main.h"
#include "entry/notice_dialog.h"
#include "fake_base.h"
#include "fake_portal.h"
#include "layout_checks.h"
#include "platform/grid/flexgrid.h"
#include "portal/progress_panel.h"
#include "portal/run_summary_panel.h"
#include "register/client_rows.h"
#include "register/register_layout.h"
#include "register/register_panel.h"
#include "register/setup_panel.h"
#include "reports/report_panel.h"
#include "scripted_interaction.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

using namespace kestrel;
using namespace kestrel::testing;

namespace {

FakeTable clientTable() {
  FakeTable t;
  t.fields =
      QStringList{"Code_No", "AsYr", "EmailID", "EmailId1", "MobNo", "MobNo1", "TelNo", "LoginPwd", "CodeNo",
                  "f_Nm",    "m_Nm", "l_nm",    "Dob",      "Pan",   "GMob",   "GMob2", "GMail"};
  auto row = [&](const char* code, const char* first, const char* last, const char* pan) {
    t.rows.push_back({code, 0, "a@example.in", "", "9876543210", "", "", "pw", code, first, "", last,
                      "1980-01-01", pan, "9876543210", "9876543210", "a@example.in"});
  };
  row("C001", "Asha", "Rao", "ABCPR1234K");
  row("C002", "Ravi", "Kumar", "BBBPK2222B");
  row("C003", "Meera", "Iyer", "CCCPI3333C");
  return t;
}

struct Module {
  std::shared_ptr<FakeBase> base = std::make_shared<FakeBase>();
  std::shared_ptr<Journal> portal = std::make_shared<Journal>();
  ScopedInteraction script;

  Module() {
    base->results.insert(ClientListStatement(), clientTable());
    ObjectRegistry::instance().registerFactory(QStringLiteral("VelBase.ClsMain"), [b = base] { return b; });
    registerFakePortal(portal);
    ModuleStart();
  }
  ~Module() {
    if (MainWindow* w = MainWindow::instance())
      delete w;
    ModuleShutdown();
  }
  MainWindow& open() {
    MainWindow& w = MainWindow::loadDefault();
    w.show();
    QApplication::setActiveWindow(&w);
    (void)QTest::qWaitForWindowActive(&w);
    return w;
  }
  QString log() const {
    QFile f(base->ExePath() + QStringLiteral("/VelLog.log"));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
  }
};

// What the user does while a register cell is being edited.
enum class Command { Reload, AssignDefaults, Fetch, Proceed };

int indexOf(const QStringList& list, const QString& prefix, int from = 0) {
  for (int i = from; i < list.size(); ++i)
    if (list[i].startsWith(prefix))
      return i;
  return -1;
}

}  // namespace

Q_DECLARE_METATYPE(Command)

class TestMainWindow : public QObject {
  Q_OBJECT

 private slots:
  void loadsInOrder() {
    Module m;
    MainWindow& w = m.open();
    const QStringList& s = m.base->statements;
    // Tables first, then the register, then the remembered defaults.
    const int create = indexOf(s, "CREATE TABLE IF NOT EXISTS ITRDet_Temp");
    const int common = s.indexOf(CommonRowStatement());
    const int clients = s.indexOf(ClientListStatement());
    const int defaults = indexOf(s, "SELECT DISTINCT s_eMail FROM TblITR_PriMail");
    QVERIFY(create >= 0);
    QVERIFY(create < common && common < clients && clients < defaults);
    QCOMPARE(m.base->resizes, 1);
    // One portal login component, held by the window: what it reports shows in the progress
    // panel, and it sees the panel's cancel mark.
    QCOMPARE(m.portal->live, 1);
    QCOMPARE(QDir::fromNativeSeparators(m.portal->init.value(0)), m.base->ExePath() + "/VelLog.log");
    QVERIFY(m.portal->progress);
    m.portal->progress->showProgress("Connecting ...");
    QCOMPARE(w.progressPanel->progressLabel->text(), "Connecting ...");
    QVERIFY(!m.portal->progress->cancelRequested());
    w.progressPanel->setCancelRequested(true);
    QVERIFY(m.portal->progress->cancelRequested());
    QCOMPARE(w.registerGrid->Rows(), HeaderRows + 3);
    QCOMPARE(w.windowTitle(), QStringLiteral("Bulk Contact Detail Updation @ITD Portal"));
    QCOMPARE(w.setupPanel->ChkColShow[col::Software + col::Mobile2]->text(), QStringLiteral("Mobile-2"));
    QVERIFY(w.setupPanel->ChkColShow[col::PartyName]->isChecked());
    QVERIFY(!w.setupPanel->ChkColShow[col::Password]->isChecked());
    QVERIFY(w.setupPanel->ChkSoftware->isChecked() && w.setupPanel->ChkLogin->isChecked() &&
            w.setupPanel->ChkChange->isChecked());
    for (QComboBox* box : w.defaultPanel->relationBoxes) QCOMPARE(box->currentIndex(), 0);
    // Only the headers merge: row 0 across the group captions, SrNo down both header rows.
    const grid::FlexGridModel& g = *w.registerGrid->model();
    QCOMPARE(g.mergedRange(0, col::Software + col::Mobile1Rel),
             (grid::CellRange{0, col::Software, 0, col::Software + 9}));
    QCOMPARE(g.mergedRange(0, col::SrNo), (grid::CellRange{0, col::SrNo, 1, col::SrNo}));
    QVERIFY(m.log().isEmpty());
  }

  void deadDatabaseLeavesHeaders() {
    Module m;
    m.base->fails = [](const QString&) { return true; };
    MainWindow& w = m.open();
    QCOMPARE(w.registerGrid->Rows(), HeaderRows);
    QVERIFY(w.isVisible());
    QVERIFY(m.log().contains(QStringLiteral("frmKestrel\tShowData")));
  }

  void lostConnectionIsShown() {
    Module m;
    m.base->fails = [](const QString& sql) { return sql == ClientListStatement(); };
    m.base->failure = ErrObject{errnum::DatabaseFailure, QStringLiteral("MySQL server has gone away"), {}};
    m.open();
    QCOMPARE(m.script->messages.size(), std::size_t(1));
    QCOMPARE(m.script->messages[0].text, QStringLiteral("MySQL server has gone away"));
  }

  void enterMovesOnOrPresses() {
    Module m;
    MainWindow& w = m.open();
    QLineEdit* from = w.registerPanel->TxtFromR[0];
    from->setFocus();
    QTest::keyClick(from, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.registerPanel->TxtFromR[1]));

    w.registerPanel->CmdSetup->setFocus();
    QTest::keyClick(w.registerPanel->CmdSetup, Qt::Key_Return);
    QVERIFY(w.setupPanel->isVisible());
    QVERIFY(!w.registerPanel->isEnabled());
  }

  void f5ReloadsOnlyOnTheMainPanel() {
    Module m;
    MainWindow& w = m.open();
    auto loads = [&] { return m.base->statements.count(ClientListStatement()); };
    w.registerGrid->setFocus();
    QTest::keyClick(w.registerGrid, Qt::Key_F5);
    QCOMPARE(loads(), 2);
    w.showSetup();
    QTest::keyClick(w.setupPanel->ChkColShow[0], Qt::Key_F5);
    QCOMPARE(loads(), 2);
  }

  void escapeClosesThePanelInFront_data() {
    QTest::addColumn<QString>("panel");
    QTest::newRow("setup") << "FraSetup";
    QTest::newRow("defaults") << "FraDefault";
    QTest::newRow("report") << "FraReport";
    QTest::newRow("none: quit") << "";
  }
  void escapeClosesThePanelInFront() {
    QFETCH(QString, panel);
    Module m;
    MainWindow& w = m.open();
    QPointer<MainWindow> window(&w);
    if (panel == u"FraSetup")
      w.showSetup();
    else if (panel == u"FraDefault")
      w.showDefaults();
    else if (panel == u"FraReport") {
      w.registerPanel->hide();
      w.reportPanel->show();
    }
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : &w;
    QTest::keyClick(target, Qt::Key_Escape);
    if (panel.isEmpty()) {
      QVERIFY(!window || !window->isVisible());
      return;
    }
    QVERIFY(window && window->isVisible());
    QVERIFY(!w.findChild<QWidget*>(panel)->isVisible());
    QVERIFY(w.registerPanel->isVisible() && w.registerPanel->isEnabled());
  }

  void onePanelInFront() {
    Module m;
    MainWindow& w = m.open();
    w.showSetup();
    w.showDefaults();
    QVERIFY(!w.setupPanel->isVisible());
    QVERIFY(w.defaultPanel->isVisible());
    QCOMPARE(w.panelInFront(), static_cast<QWidget*>(w.defaultPanel));
    QVERIFY(!w.registerPanel->isEnabled());
    w.defaultPanel->closePanel();
    QVERIFY(w.registerPanel->isEnabled());
    QCOMPARE(w.panelInFront(), nullptr);
  }

  // A run puts the progress panel in front of the disabled main panel and shows each client,
  // step and the count in it; Escape asks to cancel, and the client in progress is finished. A
  // mark left by an earlier run does not stop the next one. The run's summary stays under the
  // register until the clients are loaded again.
  void runShowsProgressAndCancelsByEscape() {
    Module m;
    MainWindow& w = m.open();
    grid::FlexGridModel& g = *w.registerGrid->model();
    for (int r = FirstDataRow; r < g.Rows(); ++r) g.setCellChecked(r, col::SrNo, grid::flexChecked);
    w.progressPanel->setCancelRequested(true);
    struct Seen {
      bool inFront, mainEnabled;
      QString client, progress, count;
    };
    QList<Seen> seen;
    m.script->answers = {true};
    m.script->onYield = [&] {
      seen.append({w.panelInFront() == w.progressPanel, w.registerPanel->isEnabled(),
                   w.progressPanel->clientLabel->text(), w.progressPanel->progressLabel->text(),
                   w.progressPanel->countLabel->text()});
      if (seen.size() == 1)
        QTest::keyClick(w.progressPanel->cancelButton, Qt::Key_Escape);
    };

    w.fetchProfiles();

    QCOMPARE(m.script->questions, QStringList{"Do you really want to Cancel?"});
    QCOMPARE(seen.size(), 2);  // the first client's row and its profile; then the run stops
    for (const Seen& s : seen) QVERIFY(s.inFront && !s.mainEnabled);
    QCOMPARE(seen[0].client, "");
    QCOMPARE(seen[1].client, "Fetching Details for - " + g.TextMatrix(FirstDataRow, col::PartyName));
    QCOMPARE(seen[1].progress, "Opening 'myProfile' Page ...");
    QCOMPARE(seen[1].count, "0 of 3 clients done");
    QVERIFY(!w.progressPanel->isVisible());
    QVERIFY(w.registerPanel->isEnabled());
    QCOMPARE(g.TextMatrix(FirstDataRow, col::ImportLogs), "Failed to Open 'myProfile' Page");
    QCOMPARE(g.TextMatrix(FirstDataRow + 1, col::ImportLogs), "");
    QVERIFY(m.log().isEmpty());

    const QString summary = w.runSummaryPanel->textLabel->text();
    QVERIFY(w.runSummaryPanel->isVisibleTo(w.registerPanel));
    QVERIFY2(summary.startsWith("Fetch from the portal stopped after ") &&
                 summary.endsWith(": 1 of 3 clients processed — 1 × Failed to Open 'myProfile' Page, "
                                  "2 × not processed."),
             qPrintable(summary));
    QTest::keyClick(w.registerGrid, Qt::Key_F5);
    QVERIFY(!w.runSummaryPanel->isVisibleTo(w.registerPanel));
  }

  // A refused proceed leaves an editor open on the blank cell. Whatever rewrites the register
  // next closes it unstored, so that its text lands neither over the new value nor, after a
  // reload, on another client.
  void openEditorIsCancelledFirst_data() {
    QTest::addColumn<Command>("command");
    QTest::addColumn<QString>("mobile");  // row 2's new primary mobile afterwards
    QTest::newRow("F5, the first client gone") << Command::Reload << "";
    QTest::newRow("assigning defaults") << Command::AssignDefaults << "9123456780";
    QTest::newRow("fetch run") << Command::Fetch << "";
    QTest::newRow("proceed again") << Command::Proceed << "";
  }
  void openEditorIsCancelledFirst() {
    QFETCH(Command, command);
    Module m;
    MainWindow& w = m.open();
    grid::FlexGrid& grid = *w.registerGrid;
    grid.model()->setCellChecked(FirstDataRow, col::SrNo, grid::flexChecked);
    w.proceedWithUpdate();
    QCoreApplication::processEvents();
    QVERIFY(grid.isEditing() && grid.editRow() == FirstDataRow && grid.editCol() == col::NewMobile1);
    grid.setEditText("9000000099");
    if (command == Command::Reload) {
      auto& rows = m.base->results[ClientListStatement()].rows;
      rows.erase(rows.begin());
      QTest::keyClick(&grid, Qt::Key_F5);
    } else if (command == Command::AssignDefaults) {
      w.showDefaults();
      w.defaultPanel->primaryMobileBox->setEditText("9123456780");
      w.defaultPanel->primaryEMailBox->setEditText("a@b.in");
      w.defaultPanel->assignToSelectedClients();
    } else {
      command == Command::Fetch ? w.fetchProfiles() : w.proceedWithUpdate();
    }
    // The next click elsewhere commits whatever editor is open.
    QCoreApplication::processEvents();
    grid.commitEdit();
    QTEST(grid.TextMatrix(FirstDataRow, col::NewMobile1), "mobile");
  }

  // F1 anywhere in the window, and the help button, ask the desktop to open the manual under the
  // program folder; without a manual nothing is opened; when the desktop cannot open it the user
  // is told where it is.
  void help_data() {
    QTest::addColumn<QString>("way");
    QTest::addColumn<bool>("manualPresent");
    QTest::addColumn<bool>("desktopOpens");
    QTest::newRow("F1 on the register, no manual") << "F1 register" << false << true;
    QTest::newRow("F1 on the register") << "F1 register" << true << true;
    QTest::newRow("F1 in the default contacts panel") << "F1 defaults" << true << true;
    QTest::newRow("help button") << "button" << true << true;
    QTest::newRow("F1, no PDF viewer") << "F1 register" << true << false;
  }
  void help() {
    QFETCH(QString, way);
    QFETCH(bool, manualPresent);
    QFETCH(bool, desktopOpens);
    Module m;
    m.script->openSucceeds = desktopOpens;
    MainWindow& w = m.open();
    const QString path = m.base->ExePath() + QStringLiteral("/HTMLHelp/ITR_Help.pdf");
    if (manualPresent) {
      QVERIFY(QDir().mkpath(m.base->ExePath() + QStringLiteral("/HTMLHelp")));
      QFile f(path);
      QVERIFY(f.open(QIODevice::WriteOnly));
    }
    if (way == "F1 register") {
      QTest::keyClick(w.registerGrid, Qt::Key_F1);
    } else if (way == "F1 defaults") {
      w.showDefaults();
      QTest::keyClick(w.defaultPanel->primaryMobileBox, Qt::Key_F1);
    } else {
      w.registerPanel->CmdHelp->PerformClick();
    }
    QCOMPARE(m.script->opened, manualPresent ? QStringList{QDir::toNativeSeparators(path)} : QStringList());
    const bool told = !m.script->messages.empty() &&
                      m.script->messages.back().text.contains(QDir::toNativeSeparators(path));
    QCOMPARE(told, manualPresent && !desktopOpens);
    QFile::remove(path);
  }

  // Quit, a bare Escape and closing the window ask first when the register holds what only
  // it holds; No keeps the window open. With nothing to lose the window closes at once.
  void closingAsksOverUnsubmittedWork_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("column");  // written in the second client's row; -1 for none
    QTest::addColumn<bool>("answer");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("closed");
    QTest::newRow("Quit, nothing to lose") << "quit" << -1 << false << false << true;
    QTest::newRow("Escape, nothing to lose") << "escape" << -1 << false << false << true;
    QTest::newRow("Quit over a typed mobile, No") << "quit" << int(col::NewMobile1) << false << true << false;
    QTest::newRow("Escape over a fetched name, No")
        << "escape" << int(col::LoginName) << false << true << false;
    QTest::newRow("window closed over an outcome, Yes")
        << "close" << int(col::ImportLogs) << true << true << true;
  }
  void closingAsksOverUnsubmittedWork() {
    QFETCH(QString, how);
    QFETCH(int, column);
    QFETCH(bool, answer);
    QFETCH(bool, asked);
    QFETCH(bool, closed);
    Module m;
    MainWindow& w = m.open();
    QPointer<MainWindow> window(&w);
    if (column >= 0)
      w.registerGrid->setTextMatrix(FirstDataRow + 1, column, "9123456780");
    m.script->answers = {answer};
    if (how == u"quit")
      w.registerPanel->CmdQuit->PerformClick();
    else if (how == u"escape")
      QTest::keyClick(w.registerGrid, Qt::Key_Escape);
    else
      w.close();
    QCOMPARE(m.script->questions, asked ? QStringList{MainWindow::CloseQuestion} : QStringList{});
    QCOMPARE(!window || !window->isVisible(), closed);
  }

  // At its minimum size, which fits a 1024×640 screen, the main panel and each panel in front
  // of it show every control whole.
  void smallestWindowClipsNothing_data() {
    QTest::addColumn<QString>("panel");
    QTest::newRow("main panel") << "FraMainOuter";
    QTest::newRow("column setup") << "FraSetup";
    QTest::newRow("defaults") << "FraDefault";
    QTest::newRow("progress") << "FraProgress";
    QTest::newRow("report") << "FraReport";
  }
  void smallestWindowClipsNothing() {
    QFETCH(QString, panel);
    Module m;
    MainWindow& w = m.open();
    w.registerPanel->showSaveConfirmed(true);  // the widest row of buttons
    QVERIFY2(w.minimumWidth() <= 1024 && w.minimumHeight() <= 600,
             qPrintable(QString("%1x%2").arg(w.minimumWidth()).arg(w.minimumHeight())));
    w.resize(w.minimumSize());
    if (panel == u"FraSetup")
      w.showSetup();
    else if (panel == u"FraDefault")
      w.showDefaults();
    else if (panel == u"FraProgress")
      w.showPanel(w.progressPanel);
    else if (panel == u"FraReport") {
      w.registerPanel->hide();
      w.reportPanel->show();
    }
    w.layoutPanels();
    QCoreApplication::processEvents();
    auto* shown = w.findChild<QWidget*>(panel);
    QVERIFY2(
        w.rect().contains(shown->geometry()),
        qPrintable(
            QString("%1 in %2x%3").arg(QDebug::toString(shown->geometry())).arg(w.width()).arg(w.height())));
    QCOMPARE(clippedControls(*shown).join(", "), QString());
    if (panel == u"FraMainOuter") {
      // The register keeps the room: a few rows of clients below its headers.
      QVERIFY(w.registerGrid->height() >= 8 * w.registerGrid->fontMetrics().height());
      QVERIFY(w.registerGrid->width() >= w.width() / 2);
      // Growing, the window moves the count beside the buttons only when it fits there whole.
      const QLabel& count = *w.registerPanel->lblCount;
      for (int width = w.minimumWidth(); width <= w.minimumWidth() + 600; width += 25) {
        w.resize(width, w.minimumHeight());
        QCoreApplication::processEvents();
        QVERIFY2(count.width() >= count.sizeHint().width(), qPrintable(QString::number(width)));
      }
    }
  }

  // The notice at its smallest shows its terms whole, the empty term as a gap, not a bullet.
  void noticeAtItsSmallest() {
    NoticeDialog notice;
    QVERIFY(notice.minimumWidth() <= 1024 && notice.minimumHeight() <= 600);
    notice.resize(notice.minimumSize());
    notice.show();
    QCoreApplication::processEvents();
    QLabel& terms = *notice.termsLabel;
    QVERIFY(terms.height() >= terms.heightForWidth(terms.width()));
    QCOMPARE(clippedControls(notice).join(", "), QString());
    QCOMPARE(terms.text().count("<li"), NoticeTerms().size() - NoticeTerms().count(QString()));
  }

  // OpenForm through the modal notice, answered by a key or a button.
  void openForm_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("opened");
    QTest::newRow("continue") << "continue" << true;
    QTest::newRow("back") << "back" << false;
    QTest::newRow("escape") << "escape" << false;
  }
  void openForm() {
    QFETCH(QString, answer);
    QFETCH(bool, opened);
    Module m;
    ClsMain cls;
    QTimer::singleShot(0, [answer] {
      NoticeDialog& notice = NoticeDialog::instance();
      if (answer == u"continue")
        notice.continueButton->PerformClick();
      else if (answer == u"back")
        notice.backButton->PerformClick();
      else
        QTest::keyClick(&notice, Qt::Key_Escape);
    });
    cls.OpenForm();
    QCOMPARE(ModIT_Main().NoticeAccepted, opened);
    QCOMPARE(MainWindow::instance() != nullptr, opened);
    if (opened)
      QVERIFY(MainWindow::instance()->isVisible());
    QTRY_VERIFY(!NoticeDialog::exists());
  }
};

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
