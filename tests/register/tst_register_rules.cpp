// The register's pure rules: markers and the secondary-details text when a row is filled, the
// party name, who may edit which cell, the key filters, the checks before a value leaves its
// cell, the serial range boxes, the count of the status line and what closing would lose.
#include "platform/grid/flexgrid_model.h"
#include "register/client_register_load.h"
#include "register/client_rows.h"
#include "register/edit_rules.h"
#include "register/register_layout.h"
#include "register/selection_rules.h"
#include "table_row.h"

#include <QTest>

using namespace kestrel;
using kestrel::testing::row;

namespace {

CommonValues sampleCommon() {
  return {"9000000001",  "9000000002", "firm@example.in", "alt@example.in||||R|1|1|2|2|91",
          "022-2345678", "Common@123"};
}

ClientRecord individual() {
  ClientRecord r;
  r.CodeNo = "C001";
  r.F_Nm = "Asha";
  r.L_Nm = "Rao";
  r.Pan = "ABCPR1234K";
  r.GMob = r.GMob2 = "9876543210";
  r.GMail = "asha@example.in";
  return r;
}

QString phone4(const QString& text) {
  return text == QLatin1String("M 9123456780") ? QStringLiteral("9123456780") : QString();
}

constexpr int SoftwareMobile1 = col::Software + col::Mobile1;
constexpr int SoftwareEMail1 = col::Software + col::EMail1;
constexpr int SoftwareMobile2 = col::Software + col::Mobile2;
constexpr int SoftwareEMail2 = col::Software + col::EMail2;

// A registration field holding a marker, and the register cell it shows in.
struct MarkerCase {
  const char* tag = "";
  QString ClientRecord::*field = nullptr;
  QString stored;
  int column = 0;
  QString shown;
};

// The cells the secondary-details text fills: "Sec Det" and the suite's group.
struct SecondaryCells {
  QString secDet{}, residency{}, isd{}, mobile1Rel{}, email1Rel{}, mobile2Rel{}, email2{}, email2Rel{};
};

// A register of clients in four kinds, in this order: ticked and shown, ticked and hidden by
// the search, unticked and shown, unticked and hidden.
struct Ticks {
  int shown = 0, hidden = 0, untickedShown = 0, untickedHidden = 0;
};

void fillRegister(grid::FlexGridModel& g, const Ticks& t) {
  FormatRegisterGrid(g);
  ResetRegister(g);
  int r = FirstDataRow;
  const auto add = [&](int n, bool ticked, bool hidden) {
    for (; n > 0; --n, ++r) {
      g.setRows(r + 1);
      g.setCellChecked(r, col::SrNo, ticked ? grid::flexChecked : grid::flexUnchecked);
      g.setRowHidden(r, hidden);
    }
  };
  add(t.shown, true, false);
  add(t.hidden, true, true);
  add(t.untickedShown, false, false);
  add(t.untickedHidden, false, true);
}

}  // namespace

Q_DECLARE_METATYPE(Ticks)
Q_DECLARE_METATYPE(MarkerCase)
Q_DECLARE_METATYPE(SecondaryCells)
Q_DECLARE_METATYPE(kestrel::RangeBox)

class TestRegisterRules : public QObject {
  Q_OBJECT

 private slots:
  void markers_data() {
    QTest::addColumn<MarkerCase>("c");
    const QString common = "#?#COMMON#?#";
    // clang-format off
    const MarkerCase cases[] = {
        {"password common", &ClientRecord::LoginPwd, common, col::Password, "Common@123"},
        {"password pan", &ClientRecord::LoginPwd, "#?#PAN#?#", col::Password, "ABCPR1234K"},
        {"telephone common", &ClientRecord::TelNo, "#?#TELNO#?#", col::Phone, "022-2345678"},
        {"mobile own, blanks around", &ClientRecord::MobNo, "  #?#MOBNO#?# ", SoftwareMobile1, "9876543210"},
        {"mobile common", &ClientRecord::MobNo, common, SoftwareMobile1, "9000000001"},
        {"mobile stored as is", &ClientRecord::MobNo, " 98 ", SoftwareMobile1, " 98 "},
        {"e-mail own", &ClientRecord::EmailID, "#?#EMAILID#?#", SoftwareEMail1, "asha@example.in"},
        {"second mobile common", &ClientRecord::MobNo1, common, SoftwareMobile2, "9000000002"},
        {"second e-mail common is the whole common text", &ClientRecord::EmailId1, common + "||||R",
         SoftwareEMail2, "alt@example.in||||R|1|1|2|2|91"},
        {"second e-mail own", &ClientRecord::EmailId1, "#?#EMAILID#?#|x", SoftwareEMail2, "asha@example.in"},
        {"marker in the wrong field stays", &ClientRecord::TelNo, "#?#PAN#?#", col::Phone, "#?#PAN#?#"},
    };
    // clang-format on
    for (const MarkerCase& c : cases) QTest::newRow(c.tag) << c;
  }
  void markers() {
    QFETCH(MarkerCase, c);
    ClientRecord r = individual();
    r.*c.field = c.stored;
    QCOMPARE(FillRegisterRow(r, sampleCommon(), phone4)[size_t(c.column)], c.shown);
  }

  void withoutCommonRowOrMasterMobile() {
    ClientRecord r = individual();
    r.LoginPwd = r.MobNo = "#?#COMMON#?#";
    QCOMPARE(FillRegisterRow(r, CommonValues{}, phone4)[col::Password], QString());
    r.GMob = "NOPH";
    r.GMob2 = "M 9123456780";
    r.MobNo = "#?#MOBNO#?#";
    const auto cells = FillRegisterRow(r, CommonValues{}, phone4);
    QCOMPARE(cells[col::PartyMobile], QStringLiteral("9123456780"));
    QCOMPARE(cells[SoftwareMobile1], QStringLiteral("9123456780"));
  }

  void secondaryDetails_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<SecondaryCells>("expected");
    row("address only", QString("sec@x.in"), SecondaryCells{.email2 = "sec@x.in"});
    // clang-format off
    row("full", QString("sec@x.in|a|b|c|d|NR|1|1|10|12|971"),
        SecondaryCells{.secDet = "a|b|c|d|NR|1|1|10|12|971", .residency = "Yes", .isd = "971",
                       .mobile1Rel = "1", .email1Rel = "1", .mobile2Rel = "10", .email2 = "sec@x.in",
                       .email2Rel = "12"});
    row("resident, cut short", QString("s@x.in|||||R|2"),
        SecondaryCells{.secDet = "||||R|2", .residency = "No", .mobile1Rel = "2", .email2 = "s@x.in"});
    row("unknown residency", QString("||||X|||||"), SecondaryCells{.secDet = "|||X|||||"});
    row("more elements than used", QString("a|1|2|3|4|R|5|6|7|11|1|extra"),
        SecondaryCells{.secDet = "1|2|3|4|R|5|6|7|11|1|extra", .residency = "No", .isd = "1",
                       .mobile1Rel = "5", .email1Rel = "6", .mobile2Rel = "7", .email2 = "a",
                       .email2Rel = "11"});
    // clang-format on
    row("separator only", QString("|"), SecondaryCells{});
  }
  void secondaryDetails() {
    QFETCH(QString, stored);
    QFETCH(SecondaryCells, expected);
    ClientRecord r = individual();
    r.EmailId1 = stored;
    const auto cells = FillRegisterRow(r, CommonValues{}, phone4);
    const auto software = [&](int field) { return cells[size_t(col::Software + field)]; };
    QCOMPARE(cells[col::SecDet], expected.secDet);
    QCOMPARE(software(col::NonResident), expected.residency);
    QCOMPARE(software(col::Isd), expected.isd);
    QCOMPARE(software(col::Mobile1Rel), expected.mobile1Rel);
    QCOMPARE(software(col::EMail1Rel), expected.email1Rel);
    QCOMPARE(software(col::Mobile2Rel), expected.mobile2Rel);
    QCOMPARE(software(col::EMail2), expected.email2);
    QCOMPARE(software(col::EMail2Rel), expected.email2Rel);
  }

  void partyName_data() {
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("middle");
    QTest::addColumn<QString>("last");
    QTest::addColumn<QString>("name");
    row("no middle name", QString("Asha"), QString(), QString("Rao"), QString("Asha Rao"));
    row("company", QString(), QString(), QString("Sundaram Traders"), QString("Sundaram Traders"));
    row("double blank replaced once", QString("A  B"), QString(), QString("C"), QString("A B C"));
    row("four blanks become two", QString("A"), QString("  "), QString("B"), QString("A  B"));
  }
  void partyName() {
    QFETCH(QString, first);
    QFETCH(QString, middle);
    QFETCH(QString, last);
    QFETCH(QString, name);
    QCOMPARE(PartyName(first, middle, last), name);
  }

  void editPermission_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("pan");
    QTest::addColumn<QString>("residency");
    QTest::addColumn<bool>("allowed");
    const QString none;
    const int loginEMail2Rel = col::Login + col::EMail2Rel;
    row("header check box", 0, int(col::SrNo), none, none, true);
    row("second header row check box", 1, int(col::SrNo), none, none, false);
    row("row check box", 2, int(col::SrNo), none, none, true);
    row("login group", 5, loginEMail2Rel, none, none, false);
    row("import logs", 5, int(col::ImportLogs), none, none, false);
    row("header of change group", 1, int(col::NewMobile1), none, none, false);
    row("new mobile of an H PAN", 2, int(col::NewMobile1), QString("ABCPH1234K"), none, true);
    row("residency, HUF refused", 2, int(col::NewResidency), QString("ABCHR1234K"), none, false);
    row("residency, short PAN", 2, int(col::NewResidency), QString("ABC"), none, true);
    row("ISD without Yes", 2, int(col::NewIsd), none, QString("No"), false);
    row("ISD with Yes", 2, int(col::NewIsd), none, QString("Yes"), true);
    row("ISD with yes in lower case", 2, int(col::NewIsd), none, QString("yes"), false);
    row("last relation", 7, int(col::NewEMail2Rel), none, none, true);
  }
  void editPermission() {
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QString, pan);
    QFETCH(QString, residency);
    QFETCH(bool, allowed);
    QCOMPARE(CanEditRegisterCell(row, column, pan, residency), allowed);
  }

  void keyFilter_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("passed");
    row("letter in mobile dropped", int(col::NewMobile1), int('a'), 0);
    row("minus in ISD dropped", int(col::NewIsd), int('-'), 0);
    row("point in second mobile", int(col::NewMobile2), int('.'), int('.'));
    row("backspace", int(col::NewMobile2), 8, 8);
    row("enter", int(col::NewIsd), 13, 13);
    row("second e-mail lower-cased", int(col::NewEMail2), int('Z'), int('z'));
    row("other column unchanged", int(col::NewMobile1Rel), int('A'), int('A'));
  }
  void keyFilter() {
    QFETCH(int, column);
    QFETCH(int, key);
    QFETCH(int, passed);
    QCOMPARE(FilterEditKey(column, key), passed);
  }

  void cellValue_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("message");
    const QString isd = CountryCodeMessage, mob = MobileMessage, none;
    const int isdCol = col::NewIsd, mobile1 = col::NewMobile1, mobile2 = col::NewMobile2;
    row("empty ISD", isdCol, none, true, none);
    row("five-digit ISD", isdCol, QString("12345"), true, none);
    row("six-digit ISD", isdCol, QString("123456"), false, isd);
    row("ISD with leading zeros", isdCol, QString("000971"), true, none);
    row("ISD not numeric", isdCol, QString("9a"), false, isd);
    row("nine digits", mobile1, QString("987654321"), false, mob);
    row("eleven digits", mobile2, QString("98765432101"), false, mob);
    row("ten digits with leading zero", mobile1, QString("0987654321"), false, mob);
    row("two points", mobile1, QString("98.76.54321"), false, mob);
    row("e-mail refused silently", int(col::NewEMail2), QString("a@b.xyzq"), false, none);
    row("relation not checked", int(col::NewMobile1Rel), QString("anything"), true, none);
  }
  void cellValue() {
    QFETCH(int, column);
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    QFETCH(QString, message);
    const CellVerdict v = CheckCellValue(column, text);
    QCOMPARE(v.accepted, accepted);
    QCOMPARE(v.message, message);
  }

  void range_data() {
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<RangeBox>("refusedIn");  // None: accepted
    row("one client", QString("3"), QString("3"), RangeBox::None);
    row("reversed", QString("5"), QString("3"), RangeBox::To);
    row("To past the end", QString("1"), QString("11"), RangeBox::To);
    row("From past the end", QString("11"), QString("12"), RangeBox::From);
    row("From letters", QString("ab"), QString("3"), RangeBox::From);
    row("To empty", QString("2"), QString(), RangeBox::To);
    row("leading number read", QString("2x"), QString(" 4y"), RangeBox::None);
    row("From negative", QString("-2"), QString("4"), RangeBox::From);
  }
  void range() {
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(RangeBox, refusedIn);
    const RangeVerdict v = CheckRange(from, to, 10);  // ten clients
    QCOMPARE(v.accepted, refusedIn == RangeBox::None);
    QCOMPARE(v.focus, refusedIn);
  }

  void rangeBoxText() {
    QCOMPARE(RangeBoxText("007"), QStringLiteral("7"));
    QCOMPARE(RangeBoxText("5abc"), QStringLiteral("5"));
    QCOMPARE(RangeBoxText("0"), QString());
    QCOMPARE(RangeBoxText("abc"), QString());
  }

  // The ticked count is what a run would take; ticked clients the search hides are told apart.
  void statusCount_data() {
    QTest::addColumn<Ticks>("ticks");
    QTest::addColumn<QString>("text");
    row("no client", Ticks{}, QString("0 client(s), 0 ticked"));
    row("all shown", Ticks{2, 0, 1, 0}, QString("3 client(s), 2 ticked"));
    row("search hides unticked only", Ticks{2, 0, 1, 4}, QString("7 client(s), 3 shown, 2 ticked"));
    row("search hides ticked", Ticks{2, 3, 1, 1},
        QString("7 client(s), 3 shown, 2 ticked (3 more hidden by the search)"));
    row("every ticked hidden", Ticks{0, 2, 1, 0},
        QString("3 client(s), 1 shown, 0 ticked (2 more hidden by the search)"));
  }
  void statusCount() {
    QFETCH(Ticks, ticks);
    QFETCH(QString, text);
    grid::FlexGridModel g;
    fillRegister(g, ticks);
    QCOMPARE(CountText(CountClients(g)), text);
  }

  // Closing loses what only the register holds: portal details, changes and outcomes.
  void unsubmittedWork_data() {
    QTest::addColumn<int>("column");  // -1: nothing written
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("hidden");  // the row hidden by the search
    QTest::addColumn<bool>("lost");
    row("freshly loaded", -1, QString(), false, false);
    row("suite's own details", int(col::Software + col::Mobile1), QString("9876543210"), false, false);
    row("portal's name", int(col::LoginName), QString("ASHA RAO"), false, true);
    row("portal's secondary e-mail relation", int(col::Login + col::EMail2Rel), QString("12"), false, true);
    row("typed mobile", int(col::NewMobile1), QString("9123456780"), false, true);
    row("typed mobile, row hidden", int(col::NewMobile1), QString("9123456780"), true, true);
    row("blanks only", int(col::NewEMail2), QString("  "), false, false);
    row("relation none", int(col::NewMobile1Rel), QString("0"), false, false);
    row("relation Self", int(col::NewEMail1Rel), QString("1"), false, true);
    row("outcome", int(col::ImportLogs), QString("Login Success"), false, true);
  }
  void unsubmittedWork() {
    QFETCH(int, column);
    QFETCH(QString, text);
    QFETCH(bool, hidden);
    QFETCH(bool, lost);
    grid::FlexGridModel g;
    fillRegister(g, Ticks{1, 0, 1, 0});
    if (column >= 0)
      g.setTextMatrix(FirstDataRow + 1, column, text);
    g.setRowHidden(FirstDataRow + 1, hidden);
    QCOMPARE(HoldsUnsubmittedWork(g), lost);
  }
};

QTEST_GUILESS_MAIN(TestRegisterRules)
#include "tst_register_rules.moc"
