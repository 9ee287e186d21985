// The main panel offscreen: editing rules through the grid's notifications, Space and the header
// tick, search, serial ranges with their refusals and focus, and the column-display setup.
#include "platform/grid/flexgrid.h"
#include "register/client_register_load.h"
#include "register/edit_rules.h"
#include "register/register_editing.h"
#include "register/register_layout.h"
#include "register/register_panel.h"
#include "register/selection_rules.h"
#include "register/setup_panel.h"
#include "scripted_interaction.h"
#include "table_row.h"

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
// Rows 2 to 6, serial numbers 1 to 5.
constexpr Client Clients[] = {
    // clang-format off
    {"C001", "Asha Rao",    "ABCPR1234K", "9876543210"},
    {"C002", "Ravi Kumar",  "BBBPK2222B", "9811111111"},
    {"C003", "Meera Iyer",  "CCCPI3333C", "9822222222"},
    {"C004", "Rao & Sons",  "DDDHR4444D", "9833333333"},
    {"C005", "Karan Mehta", "EEEPM5555E", ""},
    // clang-format on
};

struct Panel {
  RegisterPanel panel;
  ScopedInteraction script;

  Panel() {
    grid::FlexGridModel& m = model();
    FormatRegisterGrid(m);
    MergeHeaders(m);
    ResetRegister(m);
    for (const Client& c : Clients) {
      const int r = m.Rows();
      m.setRows(r + 1);
      m.setTextMatrix(r, col::SrNo, QString::number(r - FirstDataRow + 1));
      m.setTextMatrix(r, col::PartyCode, c.code);
      m.setTextMatrix(r, col::PartyName, c.name);
      m.setTextMatrix(r, col::Pan, c.pan);
      m.setTextMatrix(r, col::Software + col::Mobile1, c.mobile);
      m.setCellChecked(r, col::SrNo, grid::flexUnchecked);
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

Q_DECLARE_METATYPE(kestrel::RangeBox)

class TestRegisterPanel : public QObject {
  Q_OBJECT

 private slots:
  // Editing through the grid's own path: whether the editor opens (at once on entering, or when
  // asked), the key filter while typing, and the check before the value is stored.
  void editing_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("residency");
    QTest::addColumn<bool>("atOnce");
    QTest::addColumn<bool>("opens");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored");  // "" when refused
    QTest::addColumn<QString>("message");
    const QString none, mobile = MobileMessage;
    row("header row 1", 1, int(col::NewMobile1), none, false, false, none, none, none);
    row("residency of an H PAN", 5, int(NewResidency), none, false, false, none, none, none);
    row("relation list waits", 3, col::Change + col::Mobile1Rel, none, false, true, none, none, none);
    row("isd of a non-resident", 2, int(NewIsd), QString("Yes"), true, true, QString("+971"), QString("971"),
        none);
    row("mobile drops letters", 2, col::NewMobile1, none, true, true, QString("98a765x4321-0"),
        QString("9876543210"), none);
    row("mobile with leading zero", 2, col::NewMobile1, none, true, true, QString("0987654321"), none,
        mobile);
    row("e-mail lower-cased", 2, col::NewEMail1, none, true, true, QString("Asha@Example.IN"),
        QString("asha@example.in"), none);
    row("bad e-mail is silent", 2, col::NewEMail2, none, true, true, QString("asha@"), none, none);
  }
  void editing() {
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QString, residency);
    QFETCH(bool, atOnce);
    QFETCH(bool, opens);
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    QFETCH(QString, message);
    Panel p;
    p.model().setTextMatrix(row, NewResidency, residency);
    p.model().setCurrentCell(row, column);
    QCOMPARE(p.grid().isEditing(), atOnce);
    p.grid().EditCell();
    QCOMPARE(p.grid().isEditing(), opens);
    if (typed.isEmpty())
      return;
    p.grid().typeText(typed);
    QCOMPARE(p.grid().commitEdit(), !stored.isEmpty());
    QCOMPARE(p.grid().isEditing(), stored.isEmpty());
    QCOMPARE(p.messages(), message.isEmpty() ? QStringList() : QStringList{message});
    if (!stored.isEmpty())
      QCOMPARE(p.model().TextMatrix(row, column), stored);
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
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("shown");
    row("name anywhere, any case", QString("Party Name"), QString("rao"), QStringList{"C001", "C004"});
    row("mobile", QString("Mobile 1"), QString("98222"), QStringList{"C003"});
    row("empty shows all", QString("Party Code"), QString(),
        QStringList{"C001", "C002", "C003", "C004", "C005"});
  }
  void search() {
    QFETCH(QString, entry);
    QFETCH(QString, text);
    QFETCH(QStringList, shown);
    Panel p;
    p.model().setCellChecked(6, col::SrNo, grid::flexChecked);
    p.panel.CmbSearch->setCurrentIndex(0);
    p.panel.TxtSearch->setText(QStringLiteral("zz"));
    p.panel.CmdSearch_Click();
    p.panel.CmbSearch->setCurrentIndex(p.panel.CmbSearch->findText(entry));
    QVERIFY(p.panel.CmbSearch->currentIndex() >= 0);
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
    QTest::addColumn<RangeBox>("refusedIn");  // None: accepted
    row("one client", QString("3"), QString("3"), QStringList{"C003"}, RangeBox::None);
    row("reversed", QString("5"), QString("3"), QStringList{"C002"}, RangeBox::To);
    row("from empty", QString(), QString("3"), QStringList{"C002"}, RangeBox::From);
  }
  void range() {
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QStringList, ticked);
    QFETCH(RangeBox, refusedIn);
    Panel p;
    p.model().setCellChecked(3, col::SrNo, grid::flexChecked);  // C002, replaced by an accepted range
    p.panel.TxtFromR[0]->setText(from);
    p.panel.TxtFromR[1]->setText(to);
    p.panel.CmdOKRange_Click();
    QCOMPARE(p.ticked(), ticked);
    if (refusedIn == RangeBox::None) {
      QVERIFY(p.messages().isEmpty());
    } else {
      QCOMPARE(p.messages(), QStringList{QString::fromLatin1(InvalidSerialMessage)});
      QVERIFY(p.panel.TxtFromR[refusedIn == RangeBox::From ? 0 : 1]->hasFocus());
    }
  }

  void rangeBoxLeavesItsNumber() {
    Panel p;
    p.panel.TxtFromR[0]->setFocus();
    p.panel.TxtFromR[0]->setText(QStringLiteral("12ab"));
    p.panel.TxtFromR[1]->setFocus();
    QCOMPARE(p.panel.TxtFromR[0]->text(), QStringLiteral("12"));
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
