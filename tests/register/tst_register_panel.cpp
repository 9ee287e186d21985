// The main panel offscreen: editing rules through the grid's notifications, Space and the header
// tick, search, serial ranges with their refusals and focus, and the column-display setup.
#include "platform/grid/flexgrid.h"
#include "register/edit_rules.h"
#include "register/register_editing.h"
#include "register/register_grid.h"
#include "register/register_layout.h"
#include "register/register_panel.h"
#include "register/selection_rules.h"
#include "register/setup_panel.h"
#include "scripted_interaction.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

using namespace kestrel;
using namespace kestrel::testing;

namespace {
using col::NewIsd;
using col::NewResidency;

struct Client {
  const char* code;
  const char* name;
  const char* pan;
  const char* mobile;
};
constexpr Client Clients[] = {
    {"C001", "Asha Rao", "ABCPR1234K", "9876543210"},   {"C002", "Ravi Kumar", "BBBPK2222B", "9811111111"},
    {"C003", "Meera Iyer", "CCCPI3333C", "9822222222"}, {"C004", "Rao & Sons", "DDDHR4444D", "9833333333"},
    {"C005", "Karan Mehta", "EEEPM5555E", ""},
};

struct Panel {
  RegisterPanel panel;
  ScopedInteraction script;

  Panel() {
    grid::FlexGridModel& m = model();
    FormatRegisterGrid(m);
    MergeHeaders(m);
    ResetRegister(m);
    int serial = 0;
    for (const Client& c : Clients) {
      const int row = m.Rows();
      m.setRows(row + 1);
      m.setTextMatrix(row, col::SrNo, QString::number(++serial));
      m.setCellChecked(row, col::SrNo, grid::flexUnchecked);
      m.setTextMatrix(row, col::PartyCode, QString::fromLatin1(c.code));
      m.setTextMatrix(row, col::PartyName, QString::fromLatin1(c.name));
      m.setTextMatrix(row, col::Pan, QString::fromLatin1(c.pan));
      m.setTextMatrix(row, col::Software + col::Mobile1, QString::fromLatin1(c.mobile));
    }
    panel.resize(1100, 600);
    panel.show();
    QApplication::setActiveWindow(&panel);
    (void)QTest::qWaitForWindowActive(&panel);
  }

  grid::FlexGrid& grid() { return *panel.vsCL; }
  grid::FlexGridModel& model() { return *panel.vsCL->model(); }
  QStringList ticked() {
    QStringList codes;
    for (int r = FirstDataRow; r < model().Rows(); ++r)
      if (model().CellChecked(r, col::SrNo) == grid::flexChecked)
        codes << model().TextMatrix(r, col::PartyCode);
    return codes;
  }
  QStringList shown() {
    QStringList codes;
    for (int r = FirstDataRow; r < model().Rows(); ++r)
      if (!model().RowHidden(r))
        codes << model().TextMatrix(r, col::PartyCode);
    return codes;
  }
  QStringList messages() {
    QStringList texts;
    for (const auto& m : script->messages) texts << m.text;
    return texts;
  }
};

}  // namespace

class TestRegisterPanel : public QObject {
  Q_OBJECT

 private slots:
  // Whether the editor opens on a cell, through the grid's own path (BeforeEdit decides).
  void editPermission_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("residency");
    QTest::addColumn<bool>("opens");
    QTest::newRow("header row 1") << 1 << NewIsd + 1 << "" << false;
    QTest::newRow("residency of an H PAN") << 5 << NewResidency << "" << false;
    QTest::newRow("isd of a non-resident") << 2 << NewIsd << "Yes" << true;
  }
  void editPermission() {
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QString, residency);
    QFETCH(bool, opens);
    Panel p;
    p.model().setTextMatrix(row, NewResidency, residency);
    p.model().setCurrentCell(row, column);
    p.grid().EditCell();
    QCOMPARE(p.grid().isEditing(), opens);
  }

  void entersEditingAtOnce_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<bool>("editing");
    QTest::newRow("mobile-1") << col::Change + col::Mobile1 << true;
    QTest::newRow("e-mail-2") << col::Change + col::EMail2 << true;
    QTest::newRow("relation list") << col::Change + col::Mobile1Rel << false;
    QTest::newRow("residency list") << NewResidency << false;
  }
  void entersEditingAtOnce() {
    QFETCH(int, column);
    QFETCH(bool, editing);
    Panel p;
    p.model().setCurrentCell(3, column);
    QCOMPARE(p.grid().isEditing(), editing);
  }

  void typing_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("text");
    QTest::newRow("mobile keeps digits and point") << col::Change + col::Mobile1 << "98a7-6.5 "
                                                   << "9876.5";
    QTest::newRow("isd") << NewIsd << "+971"
                         << "971";
    QTest::newRow("e-mail lower-cased") << col::Change + col::EMail1 << "Asha@Example.IN"
                                        << "asha@example.in";
  }
  void typing() {
    QFETCH(int, column);
    QFETCH(QString, typed);
    QFETCH(QString, text);
    Panel p;
    p.model().setTextMatrix(2, NewResidency, QStringLiteral("Yes"));
    p.model().setCurrentCell(2, column);
    QVERIFY(p.grid().isEditing());
    p.grid().typeText(typed);
    QCOMPARE(p.grid().EditText(), text);
  }

  void validation_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("stored");
    QTest::addColumn<QString>("message");
    const QString mobile = QString::fromLatin1(MobileMessage);
    QTest::newRow("leading zero") << col::Change + col::Mobile1 << "0987654321" << false << mobile;
    QTest::newRow("bad e-mail is silent") << col::Change + col::EMail1 << "asha@" << false << "";
    QTest::newRow("good e-mail") << col::Change + col::EMail2 << "asha@example.in" << true << "";
  }
  void validation() {
    QFETCH(int, column);
    QFETCH(QString, text);
    QFETCH(bool, stored);
    QFETCH(QString, message);
    Panel p;
    p.model().setTextMatrix(2, NewResidency, QStringLiteral("Yes"));
    p.model().setCurrentCell(2, column);
    QVERIFY(p.grid().isEditing());
    p.grid().setEditText(text);
    QCOMPARE(p.grid().commitEdit(), stored);
    QCOMPARE(p.grid().isEditing(), !stored);
    QCOMPARE(p.messages(), message.isEmpty() ? QStringList() : QStringList{message});
    if (stored)
      QCOMPARE(p.model().TextMatrix(2, column), text);
  }

  void residencyBackToNoClearsIsd() {
    Panel p;
    p.model().setTextMatrix(3, NewResidency, QStringLiteral("Yes"));
    p.model().setTextMatrix(3, NewIsd, QStringLiteral("971"));
    p.model().setCurrentCell(3, NewResidency);
    QVERIFY(p.grid().beginEdit());
    p.grid().setEditText(QStringLiteral("No"));
    QVERIFY(p.grid().commitEdit());
    QCOMPARE(p.model().TextMatrix(3, NewResidency), QStringLiteral("No"));
    QVERIFY(p.model().TextMatrix(3, NewIsd).isEmpty());
  }

  void headerTickAndSpace() {
    Panel p;
    QVERIFY(p.grid().toggleCheck(0, col::SrNo));
    QCOMPARE(p.ticked().size(), 5);
    QVERIFY(p.grid().toggleCheck(0, col::SrNo));
    QVERIFY(p.ticked().isEmpty());

    p.model().setCurrentCell(4, col::PartyName);
    p.grid().setFocus();
    QTest::keyClick(&p.grid(), Qt::Key_Space);
    QCOMPARE(p.ticked(), QStringList{QStringLiteral("C003")});
    QTest::keyClick(&p.grid(), Qt::Key_Space);
    QVERIFY(p.ticked().isEmpty());
  }

  void search_data() {
    QTest::addColumn<int>("entry");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("shown");
    QTest::newRow("name anywhere, any case") << 1 << "rao" << QStringList{"C001", "C004"};
    QTest::newRow("pan") << 2 << "dddh" << QStringList{"C004"};
    QTest::newRow("mobile") << 4 << "98222" << QStringList{"C003"};
    QTest::newRow("empty shows all") << 0 << "" << QStringList{"C001", "C002", "C003", "C004", "C005"};
    QTest::newRow("nothing matches") << 0 << "ZZ" << QStringList{};
  }
  void search() {
    QFETCH(int, entry);
    QFETCH(QString, text);
    QFETCH(QStringList, shown);
    Panel p;
    p.model().setCellChecked(6, col::SrNo, grid::flexChecked);
    p.panel.CmbSearch->setCurrentIndex(0);
    p.panel.TxtSearch->setText(QStringLiteral("zz"));
    p.panel.CmdSearch_Click();
    p.panel.CmbSearch->setCurrentIndex(entry);
    p.panel.TxtSearch->setText(text);
    p.panel.CmdSearch_Click();
    QCOMPARE(p.shown(), shown);
    QCOMPARE(p.ticked(), QStringList{QStringLiteral("C005")});  // hidden rows keep their tick
  }

  void searchWithoutColumn() {
    Panel p;
    p.panel.TxtSearch->setText(QStringLiteral("rao"));
    p.panel.CmdSearch_Click();
    QCOMPARE(p.messages(), QStringList{QString::fromLatin1(SelectSearchColumnMessage)});
    QVERIFY(p.panel.CmbSearch->hasFocus());
    QCOMPARE(p.shown().size(), 5);
  }

  void range_data() {
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QStringList>("ticked");
    QTest::addColumn<int>("focus");  // -1: accepted
    QTest::newRow("one client") << "3"
                                << "3" << QStringList{"C003"} << -1;
    QTest::newRow("reversed") << "5"
                              << "3" << QStringList{"C002"} << 1;
    QTest::newRow("from empty") << ""
                                << "3" << QStringList{"C002"} << 0;
  }
  void range() {
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QStringList, ticked);
    QFETCH(int, focus);
    Panel p;
    p.model().setCellChecked(3, col::SrNo, grid::flexChecked);  // C002, replaced by an accepted range
    p.panel.TxtFromR[0]->setText(from);
    p.panel.TxtFromR[1]->setText(to);
    p.panel.CmdOKRange_Click();
    QCOMPARE(p.ticked(), ticked);
    if (focus < 0) {
      QVERIFY(p.messages().isEmpty());
    } else {
      QCOMPARE(p.messages(), QStringList{QString::fromLatin1(InvalidSerialMessage)});
      QVERIFY(p.panel.TxtFromR[std::size_t(focus)]->hasFocus());
    }
  }

  void rangeBoxLeavesItsNumber_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::newRow("number and letters") << "12ab"
                                        << "12";
    QTest::newRow("zero") << "0"
                          << "";
  }
  void rangeBoxLeavesItsNumber() {
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    Panel p;
    p.panel.TxtFromR[0]->setFocus();
    QVERIFY(p.panel.TxtFromR[0]->hasFocus());
    p.panel.TxtFromR[0]->setText(typed);
    p.panel.TxtFromR[1]->setFocus();
    QCOMPARE(p.panel.TxtFromR[0]->text(), shown);
  }

  void setupGroups() {
    Panel p;
    SetupPanel setup(p.panel.vsCL);
    setup.LoadColumns();
    QCOMPARE(setup.ChkColShow[col::PartyName]->text(), QStringLiteral("Party Name"));
    QVERIFY(!setup.ChkColShow[col::FirstName]->isChecked());  // hidden at start
    for (QCheckBox* group : {setup.ChkSoftware, setup.ChkLogin, setup.ChkChange}) group->setChecked(true);

    // Unticking the login group hides all of its columns whatever their own boxes say.
    setup.ChkLogin->setChecked(false);
    setup.ChkLogin_Click();
    QVERIFY(!setup.ChkColShow[col::Login]->isEnabled());
    setup.CmdOKSetup_Click();
    for (int c = col::LoginName; c <= col::Login + 9; ++c) QVERIFY(p.model().ColHidden(c));
    QVERIFY(!p.model().ColHidden(col::Change));

    // Ticking it again shows only the columns whose boxes were ticked again.
    setup.ChkLogin->setChecked(true);
    setup.ChkLogin_Click();
    setup.ChkColShow[col::LoginName]->setChecked(true);
    setup.ChkColShow[col::Login + col::Mobile1]->setCheckState(Qt::PartiallyChecked);  // grey stays shown
    setup.CmdOKSetup_Click();
    QVERIFY(!p.model().ColHidden(col::LoginName));
    QVERIFY(!p.model().ColHidden(col::Login + col::Mobile1));
    QVERIFY(p.model().ColHidden(col::Login + col::EMail1));
    // Other boxes are obeyed one by one: showing a column hidden at start.
    setup.ChkColShow[col::FirstName]->setChecked(true);
    setup.CmdOKSetup_Click();
    QVERIFY(!p.model().ColHidden(col::FirstName));
  }
};

QTEST_MAIN(TestRegisterPanel)
#include "tst_register_panel.moc"
