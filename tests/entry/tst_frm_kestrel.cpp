// The main window and the notice offscreen, on a fake base component and a fake portal login
// component: the load in its order, a dead database, the keys the window previews, the panels
// in front of the main panel, the help document and the way in through OpenForm.
#include "assign/default_panel.h"
#include "controls/zen_button.h"
#include "entry/cls_main.h"
#include "entry/frm_kestrel.h"
#include "entry/frm_notice.h"
#include "entry/mod_it_main.h"
#include "fake_base.h"
#include "fake_portal.h"
#include "platform/grid/flexgrid.h"
#include "portal/progress_panel.h"
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
    if (frmKestrel* w = frmKestrel::Instance())
      delete w;
    ModuleShutdown();
  }
  frmKestrel& open() {
    frmKestrel& w = frmKestrel::Load();
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

int indexOf(const QStringList& list, const QString& prefix, int from = 0) {
  for (int i = from; i < list.size(); ++i)
    if (list[i].startsWith(prefix))
      return i;
  return -1;
}

}  // namespace

class TestFrmKestrel : public QObject {
  Q_OBJECT

 private slots:
  void loadsInOrder() {
    Module m;
    frmKestrel& w = m.open();
    const QStringList& s = m.base->statements;
    // Tables first, then the register, then the remembered defaults.
    const int create = indexOf(s, "CREATE TABLE IF NOT EXISTS ITRDet_Temp");
    const int common = s.indexOf(CommonRowStatement());
    const int clients = s.indexOf(ClientListStatement());
    const int defaults = indexOf(s, "SELECT DISTINCT s_eMail FROM TblITR_PriMail");
    QVERIFY(create >= 0);
    QVERIFY(create < common && common < clients && clients < defaults);
    QCOMPARE(m.base->resizes, 1);
    // One portal login component, held by the window and prepared with the progress panel's
    // controls.
    QCOMPARE(m.portal->live, 1);
    QCOMPARE(m.portal->init.size(), 4);
    QCOMPARE(QDir::fromNativeSeparators(m.portal->init[0]),
             m.base->ExePath() + QStringLiteral("/VelLog.log"));
    QCOMPARE(m.portal->init[2], w.FraProgress->lblprog->objectName());
    QCOMPARE(m.portal->init[3], w.FraProgress->cmdprogC->objectName());
    QCOMPARE(w.vsCL->Rows(), HeaderRows + 3);
    QCOMPARE(w.windowTitle(), QStringLiteral("Bulk Contact Detail Updation @ITD Portal"));
    QCOMPARE(w.FraSetup->ChkColShow[col::Software + col::Mobile2]->text(), QStringLiteral("Mobile-2"));
    QVERIFY(w.FraSetup->ChkColShow[col::PartyName]->isChecked());
    QVERIFY(!w.FraSetup->ChkColShow[col::Password]->isChecked());
    QVERIFY(w.FraSetup->ChkSoftware->isChecked() && w.FraSetup->ChkLogin->isChecked() &&
            w.FraSetup->ChkChange->isChecked());
    for (QComboBox* box : w.FraDefault->cboContBelongsTo) QCOMPARE(box->currentIndex(), 0);
    // Only the headers merge: row 0 across the group captions, SrNo down both header rows.
    const grid::FlexGridModel& g = *w.vsCL->model();
    QCOMPARE(g.mergedRange(0, col::Software + 3), (grid::CellRange{0, col::Software, 0, col::Software + 9}));
    QCOMPARE(g.mergedRange(0, col::SrNo), (grid::CellRange{0, col::SrNo, 1, col::SrNo}));
    QVERIFY(m.log().isEmpty());
  }

  void deadDatabaseLeavesHeaders() {
    Module m;
    m.base->fails = [](const QString&) { return true; };
    frmKestrel& w = m.open();
    QCOMPARE(w.vsCL->Rows(), HeaderRows);
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
    frmKestrel& w = m.open();
    QLineEdit* from = w.FraMainOuter->TxtFromR[0];
    from->setFocus();
    QTest::keyClick(from, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.FraMainOuter->TxtFromR[1]));

    w.FraMainOuter->CmdSetup->setFocus();
    QTest::keyClick(w.FraMainOuter->CmdSetup, Qt::Key_Return);
    QVERIFY(w.FraSetup->isVisible());
    QVERIFY(!w.FraMainOuter->isEnabled());
  }

  void f5ReloadsOnlyOnTheMainPanel() {
    Module m;
    frmKestrel& w = m.open();
    auto loads = [&] { return m.base->statements.count(ClientListStatement()); };
    w.vsCL->setFocus();
    QTest::keyClick(w.vsCL, Qt::Key_F5);
    QCOMPARE(loads(), 2);
    w.CmdSetup_Click();
    QTest::keyClick(w.FraSetup->ChkColShow[0], Qt::Key_F5);
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
    frmKestrel& w = m.open();
    QPointer<frmKestrel> window(&w);
    if (panel == u"FraSetup")
      w.CmdSetup_Click();
    else if (panel == u"FraDefault")
      w.CmdSecEmail_Click();
    else if (panel == u"FraReport") {
      w.FraMainOuter->hide();
      w.FraReport->show();
    }
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : &w;
    QTest::keyClick(target, Qt::Key_Escape);
    if (panel.isEmpty()) {
      QVERIFY(!window || !window->isVisible());
      return;
    }
    QVERIFY(window && window->isVisible());
    QVERIFY(!w.findChild<QWidget*>(panel)->isVisible());
    QVERIFY(w.FraMainOuter->isVisible() && w.FraMainOuter->isEnabled());
  }

  void onePanelInFront() {
    Module m;
    frmKestrel& w = m.open();
    w.CmdSetup_Click();
    w.CmdSecEmail_Click();
    QVERIFY(!w.FraSetup->isVisible());
    QVERIFY(w.FraDefault->isVisible());
    QCOMPARE(w.PanelInFront(), static_cast<QWidget*>(w.FraDefault));
    QVERIFY(!w.FraMainOuter->isEnabled());
    w.FraDefault->CmdCancelDefault_Click();
    QVERIFY(w.FraMainOuter->isEnabled());
    QCOMPARE(w.PanelInFront(), nullptr);
  }

  void helpOpensOnlyAnExistingDocument() {
    Module m;
    frmKestrel& w = m.open();
    QTest::keyClick(w.vsCL, Qt::Key_F1);
    QVERIFY(m.script->opened.isEmpty());
    const QString path = m.base->ExePath() + QStringLiteral("/HTMLHelp/ITR_Help.pdf");
    QDir().mkpath(m.base->ExePath() + QStringLiteral("/HTMLHelp"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    w.CmdHelp_Click();
    QCOMPARE(m.script->opened, QStringList{QDir::toNativeSeparators(path)});
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
      FrmNotice& notice = FrmNotice::Instance();
      if (answer == u"continue")
        notice.CmdContinue->PerformClick();
      else if (answer == u"back")
        notice.CmdCancelNotice->PerformClick();
      else
        QTest::keyClick(&notice, Qt::Key_Escape);
    });
    cls.OpenForm();
    QCOMPARE(ModIT_Main().NoticeAccepted, opened);
    QCOMPARE(frmKestrel::Instance() != nullptr, opened);
    if (opened)
      QVERIFY(frmKestrel::Instance()->isVisible());
    QTRY_VERIFY(!FrmNotice::Exists());
  }
};

QTEST_MAIN(TestFrmKestrel)
#include "tst_frm_kestrel.moc"
