// The register's pure rules: markers and the secondary-details text when a row is filled, the
// party name, who may edit which cell, the key filters, the checks before a value leaves its
// cell, and the serial range boxes.
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

}  // namespace

class TestRegisterRules : public QObject {
  Q_OBJECT

 private slots:
  void markers_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("shown");
    const QString common = "#?#COMMON#?#";
    row("password common", QString("LoginPwd"), common, 8, QString("Common@123"));
    row("password pan", QString("LoginPwd"), QString("#?#PAN#?#"), 8, QString("ABCPR1234K"));
    row("telephone common", QString("TelNo"), QString("#?#TELNO#?#"), 9, QString("022-2345678"));
    row("mobile own, blanks around", QString("MobNo"), QString("  #?#MOBNO#?# "), 15, QString("9876543210"));
    row("mobile common", QString("MobNo"), common, 15, QString("9000000001"));
    row("mobile stored as is", QString("MobNo"), QString(" 98 "), 15, QString(" 98 "));
    row("e-mail own", QString("EmailID"), QString("#?#EMAILID#?#"), 17, QString("asha@example.in"));
    row("second mobile common", QString("MobNo1"), common, 19, QString("9000000002"));
    row("second e-mail common is the whole common text", QString("EmailId1"), common + "||||R", 21,
        QString("alt@example.in||||R|1|1|2|2|91"));
    row("second e-mail own", QString("EmailId1"), QString("#?#EMAILID#?#|x"), 21, QString("asha@example.in"));
    row("marker in the wrong field stays", QString("TelNo"), QString("#?#PAN#?#"), 9, QString("#?#PAN#?#"));
  }
  void markers() {
    QFETCH(QString, field);
    QFETCH(QString, stored);
    QFETCH(int, column);
    QFETCH(QString, shown);
    ClientRecord r = individual();
    QString* target = field == u"LoginPwd"  ? &r.LoginPwd
                      : field == u"TelNo"   ? &r.TelNo
                      : field == u"MobNo"   ? &r.MobNo
                      : field == u"MobNo1"  ? &r.MobNo1
                      : field == u"EmailID" ? &r.EmailID
                                            : &r.EmailId1;
    *target = stored;
    QCOMPARE(FillRegisterRow(r, sampleCommon(), phone4)[size_t(column)], shown);
  }

  void withoutCommonRowOrMasterMobile() {
    ClientRecord r = individual();
    r.LoginPwd = r.MobNo = "#?#COMMON#?#";
    QCOMPARE(FillRegisterRow(r, CommonValues{}, phone4)[8], QString());
    r.GMob = "NOPH";
    r.GMob2 = "M 9123456780";
    r.MobNo = "#?#MOBNO#?#";
    const auto cells = FillRegisterRow(r, CommonValues{}, phone4);
    QCOMPARE(cells[10], QStringLiteral("9123456780"));
    QCOMPARE(cells[15], QStringLiteral("9123456780"));
  }

  void secondaryDetails_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("expected");  // columns 12, 13, 14, 16, 18, 20, 21, 22 joined by ","
    row("address only", QString("sec@x.in"), QString(",,,,,,sec@x.in,"));
    row("full", QString("sec@x.in|a|b|c|d|NR|1|1|10|12|971"),
        QString("a|b|c|d|NR|1|1|10|12|971,Yes,971,1,1,10,sec@x.in,12"));
    row("resident, cut short", QString("s@x.in|||||R|2"), QString("||||R|2,No,,2,,,s@x.in,"));
    row("unknown residency", QString("||||X|||||"), QString("|||X|||||,,,,,,,"));
    row("more elements than used", QString("a|1|2|3|4|R|5|6|7|11|1|extra"),
        QString("1|2|3|4|R|5|6|7|11|1|extra,No,1,5,6,7,a,11"));
    row("separator only", QString("|"), QString(",,,,,,,"));
  }
  void secondaryDetails() {
    QFETCH(QString, stored);
    QFETCH(QString, expected);
    ClientRecord r = individual();
    r.EmailId1 = stored;
    const auto cells = FillRegisterRow(r, CommonValues{}, phone4);
    QStringList got;
    for (int c : {12, 13, 14, 16, 18, 20, 21, 22}) got << cells[size_t(c)];
    QCOMPARE(got.join(u','), expected);
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

  void clientStatementPieces() {
    const QString sql = ClientListStatement();
    QVERIFY(
        sql.contains("O.Email as GMail  FROM Owner1 as O INNER JOIN OnLineRegInfo as R ON "
                     "R.Code_No = O.Code AND R.AsYr=0 UNION ALL SELECT R.*"));
    QVERIFY(sql.endsWith("R.AsYr=0 ORDER BY CodeNo"));
  }

  void editPermission_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("pan");
    QTest::addColumn<QString>("residency");
    QTest::addColumn<bool>("allowed");
    const QString none;
    row("header check box", 0, 0, none, none, true);
    row("second header row check box", 1, 0, none, none, false);
    row("row check box", 2, 0, none, none, true);
    row("login group", 5, 33, none, none, false);
    row("import logs", 5, 44, none, none, false);
    row("header of change group", 1, 36, none, none, false);
    row("new mobile of an H PAN", 2, 36, QString("ABCPH1234K"), none, true);
    row("residency, HUF refused", 2, 34, QString("ABCHR1234K"), none, false);
    row("residency, short PAN", 2, 34, QString("ABC"), none, true);
    row("ISD without Yes", 2, 35, none, QString("No"), false);
    row("ISD with Yes", 2, 35, none, QString("Yes"), true);
    row("ISD with yes in lower case", 2, 35, none, QString("yes"), false);
    row("last relation", 7, 43, none, none, true);
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
    row("letter in mobile dropped", 36, int('a'), 0);
    row("minus in ISD dropped", 35, int('-'), 0);
    row("point in second mobile", 40, int('.'), int('.'));
    row("backspace", 40, 8, 8);
    row("enter", 35, 13, 13);
    row("second e-mail lower-cased", 42, int('Z'), int('z'));
    row("other column unchanged", 37, int('A'), int('A'));
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
    row("empty ISD", 35, none, true, none);
    row("five-digit ISD", 35, QString("12345"), true, none);
    row("six-digit ISD", 35, QString("123456"), false, isd);
    row("ISD with leading zeros", 35, QString("000971"), true, none);
    row("ISD not numeric", 35, QString("9a"), false, isd);
    row("nine digits", 36, QString("987654321"), false, mob);
    row("eleven digits", 40, QString("98765432101"), false, mob);
    row("ten digits with leading zero", 36, QString("0987654321"), false, mob);
    row("two points", 36, QString("98.76.54321"), false, mob);
    row("e-mail refused silently", 42, QString("a@b.xyzq"), false, none);
    row("relation not checked", 37, QString("anything"), true, none);
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
    QTest::addColumn<int>("focus");  // 0 accepted, 1 From, 2 To
    row("one client", QString("3"), QString("3"), 0);
    row("reversed", QString("5"), QString("3"), 2);
    row("To past the end", QString("1"), QString("11"), 2);
    row("From past the end", QString("11"), QString("12"), 1);
    row("From letters", QString("ab"), QString("3"), 1);
    row("To empty", QString("2"), QString(), 2);
    row("leading number read", QString("2x"), QString(" 4y"), 0);
    row("From negative", QString("-2"), QString("4"), 1);
  }
  void range() {
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(int, focus);
    const RangeVerdict v = CheckRange(from, to, 10);
    QCOMPARE(v.accepted, focus == 0);
    QCOMPARE(int(v.focus), focus);
  }

  void rangeBoxText() {
    QCOMPARE(RangeBoxText("007"), QStringLiteral("7"));
    QCOMPARE(RangeBoxText("5abc"), QStringLiteral("5"));
    QCOMPARE(RangeBoxText("0"), QString());
    QCOMPARE(RangeBoxText("abc"), QString());
  }
};

QTEST_GUILESS_MAIN(TestRegisterRules)
#include "tst_register_rules.moc"
