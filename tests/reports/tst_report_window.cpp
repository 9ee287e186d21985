// The Copy and Reports menus in the main window offscreen, on a fake base component: their state
// as panels come and go, the buttons that pop them up, the report panel's way there and back, the
// details switch, and the export button writing through the registered spreadsheet writer.
#include "controls/zen_button.h"
#include "entry/main_window.h"
#include "entry/mod_it_main.h"
#include "fake_base.h"
#include "fake_portal.h"
#include "platform/grid/flexgrid.h"
#include "portal/progress_panel.h"
#include "register/client_rows.h"
#include "register/register_layout.h"
#include "register/register_panel.h"
#include "reports/report_commands.h"
#include "reports/report_export.h"
#include "reports/report_panel.h"
#include "reports/report_sheet.h"
#include "scripted_interaction.h"

#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

using namespace kestrel;
using namespace kestrel::testing;

namespace {

// Records the sheets it is given, and whether the wait cursor was up meanwhile.
struct RecordingWriter final : SpreadsheetWriter {
  QStringList paths;
  QList<int> rows;
  bool waitCursor = false;
  bool WriteWorkbook(const sheet::Sheet& sheet, const QString& path) override {
    paths << path;
    rows << sheet.rowCount;
    waitCursor = QGuiApplication::overrideCursor()->shape() == Qt::WaitCursor;
    return true;
  }
  QString LastError() const override { return {}; }
  QStringList Notes() const override { return {}; }
};

}  // namespace

class TestReportWindow : public QObject {
  Q_OBJECT

  std::shared_ptr<FakeBase> base_;
  std::shared_ptr<RecordingWriter> writer_ = std::make_shared<RecordingWriter>();
  std::unique_ptr<ScopedInteraction> ui_;
  MainWindow* w_ = nullptr;

  ReportCommands& commands() { return *w_->reportCommands; }
  bool enabled(QMenu* menu) { return menu->menuAction()->isEnabled(); }

 private slots:
  void init() {
    base_ = std::make_shared<FakeBase>();
    FakeTable t{{"Code_No", "AsYr", "EmailID", "EmailId1", "MobNo", "MobNo1", "TelNo", "LoginPwd", "CodeNo",
                 "f_Nm", "m_Nm", "l_nm", "Dob", "Pan", "GMob", "GMob2", "GMail"},
                {{"C001", 0, "a@example.in", "", "", "", "", "pw", "C001", "Asha", "", "Rao", "1980-01-01",
                  "ABCPR1234K", "", "", ""}}};
    base_->results.insert(ClientListStatement(), t);
    ObjectRegistry::instance().registerFactory("VelBase.ClsMain", [b = base_] { return b; });
    ObjectRegistry::instance().registerFactory(SpreadsheetWriter::ProgId, [w = writer_] { return w; });
    registerFakePortal(std::make_shared<Journal>());
    ModuleStart();
    ui_ = std::make_unique<ScopedInteraction>();
    w_ = &MainWindow::loadDefault();
    w_->show();
  }
  void cleanup() {
    delete w_;
    ui_.reset();
    ModuleShutdown();
  }

  void menusFollowThePanelInFront() {
    QMenu* copy = commands().copyMenu;
    QMenu* reports = commands().reportsMenu;
    QVERIFY(enabled(copy) && enabled(reports));
    w_->showSetup();
    QVERIFY(!enabled(copy) && !enabled(reports));
    QTest::keyClick(w_->registerGrid, Qt::Key_Escape);
    QVERIFY(enabled(copy) && enabled(reports));
    commands().item("MnuEmailMismatch")->trigger();
    QVERIFY(!enabled(copy) && enabled(reports));
    w_->showPanel(w_->progressPanel);  // a run in front of the report
    QVERIFY(!enabled(reports));
    w_->hidePanel(w_->progressPanel);
    QVERIFY(enabled(reports));
  }

  void buttonsPopUpTheMenus() {
    for (auto [button, menu] : {std::pair{w_->registerPanel->CmdKeepSame, commands().copyMenu},
                                std::pair{w_->registerPanel->CmdReport, commands().reportsMenu}}) {
      button->PerformClick();
      QVERIFY(menu->isVisible());
      QCOMPARE(menu->pos(), button->mapToGlobal(QPoint(0, button->height())));
      menu->hide();
    }
  }

  void reportsAndBack() {
    ReportPanel& panel = *w_->reportPanel;
    commands().item("MnuMobBlankSw")->trigger();
    QVERIFY(panel.isVisible() && !w_->registerPanel->isVisible());
    QCOMPARE(panel.titleLabel->text(), "List of Blank Primary Mobile in Software.");
    QVERIFY(panel.VSRpt->isVisible() && !panel.detailGrid->isVisible() && !panel.showDetailsBox->isVisible());
    QCOMPARE(panel.VSRpt->TextMatrix(2, 1), "C001");
    QTest::keyClick(panel.VSRpt, Qt::Key_Escape);
    QVERIFY(w_->registerPanel->isVisible() && !panel.isVisible());

    // The occurrence report keeps its column; the details switch rebuilds it either way.
    commands().item("MnuLMobAssigned")->trigger();
    QVERIFY(panel.detailGrid->isVisible() && panel.showDetailsBox->isVisible() && !panel.VSRpt->isVisible());
    QCOMPARE(panel.detailGrid->property("Tag").toString(), "26");
    QTest::mouseClick(panel.showDetailsBox, Qt::LeftButton);
    QCOMPARE(panel.titleLabel->text(), "Party List According to Mobile");
    QCOMPARE(base_->statements.last(), "SELECT * FROM ITRDet_Temp ORDER BY EMail_Mob, Code_No");
    QTest::mouseClick(panel.showDetailsBox, Qt::LeftButton);
    QCOMPARE(panel.titleLabel->text(), "Mobile Occurance List");
    panel.CmdBack->PerformClick();
    QVERIFY(w_->registerPanel->isVisible());
  }

  void excelWritesTheListOnScreen() {
    ReportPanel& panel = *w_->reportPanel;
    commands().item("MnuMobBlankSw")->trigger();
    panel.excelButton->PerformClick();
    const int listRows = SheetRowsFor(*panel.VSRpt->model());
    commands().item("MnuEMailAssigned")->trigger();
    panel.excelButton->PerformClick();
    const QString path = ExportWorkbookPath();
    QCOMPARE(writer_->paths, QStringList({path, path}));
    QCOMPARE((*ui_)->opened, QStringList({path, path}));
    QCOMPARE(writer_->rows, QList<int>({listRows, SheetRowsFor(*panel.detailGrid->model())}));
    QVERIFY(listRows != writer_->rows.back());
    QVERIFY(writer_->waitCursor && !QGuiApplication::overrideCursor());
  }

  void anOpenEditIsDroppedBeforeACopy() {
    grid::FlexGrid& g = *w_->registerGrid;
    g.model()->setCellChecked(2, col::SrNo, grid::flexChecked);
    g.model()->setTextMatrix(2, col::Software + col::Mobile1, "9800000001");
    g.model()->setCurrentCell(2, col::NewMobile1);
    QVERIFY(g.beginEdit());
    g.typeText("12345");
    commands().item("MnuCopySw")->trigger();
    QVERIFY(!g.isEditing());
    QCOMPARE(g.TextMatrix(2, col::NewMobile1), "9800000001");
  }
};

QTEST_MAIN(TestReportWindow)
#include "tst_report_window.moc"
