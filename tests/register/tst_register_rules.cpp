#include "register/client_loading.h"
#include "register/edit_rules.h"
#include "register/register_layout.h"
#include "register/selection_rules.h"

#include <QTest>

using namespace kestrel;

namespace {

CommonValues sampleCommon() {
  CommonValues c;
  c.MobNo = QStringLiteral("9000000001");
  c.MobNo1 = QStringLiteral("9000000002");
  c.EmailID = QStringLiteral("firm@example.in");
  c.EmailId1 = QStringLiteral("alt@example.in||||R|1|1|2|2|91");
  c.TelNo = QStringLiteral("022-2345678");
  c.LoginPwd = QStringLiteral("Common@123");
  return c;
}

ClientRecord individual() {
  ClientRecord r;
  r.CodeNo = QStringLiteral("C001");
  r.F_Nm = QStringLiteral("Asha");
  r.M_Nm = QStringLiteral("K");
  r.L_Nm = QStringLiteral("Rao");
  r.Pan = QStringLiteral("ABCPR1234K");
  r.Dob = QStringLiteral("01/02/1980");
  r.GMob = QStringLiteral("9876543210");
  r.GMob2 = r.GMob;
  r.GMail = QStringLiteral("asha@example.in");
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
    const QString common = QStringLiteral("#?#COMMON#?#");
    QTest::newRow("password common") << "LoginPwd" << common << 8 << "Common@123";
    QTest::newRow("password pan") << "LoginPwd"
                                  << "#?#PAN#?#" << 8 << "ABCPR1234K";
    QTest::newRow("password plain") << "LoginPwd"
                                    << "pw'1\\" << 8 << "pw'1\\";
    QTest::newRow("telephone common") << "TelNo"
                                      << "#?#TELNO#?#" << 9 << "022-2345678";
    QTest::newRow("mobile own") << "MobNo"
                                << "#?#MOBNO#?#" << 15 << "9876543210";
    QTest::newRow("mobile own, blanks around") << "MobNo"
                                               << "  #?#MOBNO#?# " << 15 << "9876543210";
    QTest::newRow("mobile common") << "MobNo" << common << 15 << "9000000001";
    QTest::newRow("mobile stored as is") << "MobNo"
                                         << " 98 " << 15 << " 98 ";
    QTest::newRow("e-mail own") << "EmailID"
                                << "#?#EMAILID#?#" << 17 << "asha@example.in";
    QTest::newRow("e-mail common") << "EmailID" << common << 17 << "firm@example.in";
    QTest::newRow("second mobile own") << "MobNo1"
                                       << "#?#MOBNO#?#" << 19 << "9876543210";
    QTest::newRow("second mobile common") << "MobNo1" << common << 19 << "9000000002";
    QTest::newRow("second e-mail common is the whole common text")
        << "EmailId1" << common + QStringLiteral("||||R") << 21 << "alt@example.in||||R|1|1|2|2|91";
    QTest::newRow("second e-mail own") << "EmailId1"
                                       << "#?#EMAILID#?#|x" << 21 << "asha@example.in";
    QTest::newRow("marker in the wrong field stays") << "TelNo"
                                                     << "#?#PAN#?#" << 9 << "#?#PAN#?#";
  }
  void markers() {
    QFETCH(QString, field);
    QFETCH(QString, stored);
    QFETCH(int, column);
    QFETCH(QString, shown);
    ClientRecord r = individual();
    if (field == QLatin1String("LoginPwd"))
      r.LoginPwd = stored;
    if (field == QLatin1String("TelNo"))
      r.TelNo = stored;
    if (field == QLatin1String("MobNo"))
      r.MobNo = stored;
    if (field == QLatin1String("MobNo1"))
      r.MobNo1 = stored;
    if (field == QLatin1String("EmailID"))
      r.EmailID = stored;
    if (field == QLatin1String("EmailId1"))
      r.EmailId1 = stored;
    QCOMPARE(FillRegisterRow(r, sampleCommon(), phone4)[size_t(column)], shown);
  }

  void noCommonRowGivesEmptyValues() {
    ClientRecord r = individual();
    r.LoginPwd = QStringLiteral("#?#COMMON#?#");
    r.MobNo = QStringLiteral("#?#COMMON#?#");
    const auto cells = FillRegisterRow(r, CommonValues{}, phone4);
    QCOMPARE(cells[8], QString());
    QCOMPARE(cells[15], QString());
  }

  void otherClientsTakeMobileFromPhone4() {
    ClientRecord r = individual();
    r.GMob = QStringLiteral("NOPH");
    r.GMob2 = QStringLiteral("M 9123456780");
    r.MobNo = QStringLiteral("#?#MOBNO#?#");
    const auto cells = FillRegisterRow(r, CommonValues{}, phone4);
    QCOMPARE(cells[10], QStringLiteral("9123456780"));
    QCOMPARE(cells[15], QStringLiteral("9123456780"));
  }

  void secondaryDetails_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QStringList>("expected");  // columns 12, 13, 14, 16, 18, 20, 21, 22
    QTest::newRow("address only") << "sec@x.in" << QStringList{"", "", "", "", "", "", "sec@x.in", ""};
    QTest::newRow("full") << "sec@x.in|a|b|c|d|NR|1|1|10|12|971"
                          << QStringList{
                                 "a|b|c|d|NR|1|1|10|12|971", "Yes", "971", "1", "1", "10", "sec@x.in", "12"};
    QTest::newRow("resident, cut after the first relation")
        << "s@x.in|||||R|2" << QStringList{"||||R|2", "No", "", "2", "", "", "s@x.in", ""};
    QTest::newRow("unknown residency leaves it empty")
        << "||||X|||||" << QStringList{"|||X|||||", "", "", "", "", "", "", ""};
    QTest::newRow("more elements than used")
        << "a|1|2|3|4|R|5|6|7|11|1|extra|more"
        << QStringList{"1|2|3|4|R|5|6|7|11|1|extra|more", "No", "1", "5", "6", "7", "a", "11"};
    QTest::newRow("empty") << "" << QStringList{"", "", "", "", "", "", "", ""};
    QTest::newRow("separator only") << "|" << QStringList{"", "", "", "", "", "", "", ""};
  }
  void secondaryDetails() {
    QFETCH(QString, stored);
    QFETCH(QStringList, expected);
    ClientRecord r = individual();
    r.EmailId1 = stored;
    const auto cells = FillRegisterRow(r, CommonValues{}, phone4);
    const int columns[] = {12, 13, 14, 16, 18, 20, 21, 22};
    for (int i = 0; i < 8; ++i) QCOMPARE(cells[size_t(columns[i])], expected[i]);
  }

  void partyName_data() {
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("middle");
    QTest::addColumn<QString>("last");
    QTest::addColumn<QString>("name");
    QTest::newRow("all three") << "Asha"
                               << "K"
                               << "Rao"
                               << "Asha K Rao";
    QTest::newRow("no middle name") << "Asha"
                                    << ""
                                    << "Rao"
                                    << "Asha Rao";
    QTest::newRow("company") << ""
                             << ""
                             << "Sundaram Traders"
                             << "Sundaram Traders";
    QTest::newRow("double blank inside replaced once") << "A  B"
                                                       << ""
                                                       << "C"
                                                       << "A B C";
    QTest::newRow("four blanks become two") << "A"
                                            << "  "
                                            << "B"
                                            << "A  B";
    QTest::newRow("non-ASCII") << "अनिल"
                               << ""
                               << "शर्मा"
                               << "अनिल शर्मा";
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
    QVERIFY(sql.startsWith(QStringLiteral("SELECT R.*, O.Code as CodeNo, O.f_Nm")));
    QVERIFY(
        sql.contains(QStringLiteral("O.Email as GMail  FROM Owner1 as O INNER JOIN OnLineRegInfo as R ON "
                                    "R.Code_No = O.Code AND R.AsYr=0 UNION ALL SELECT R.*")));
    QVERIFY(sql.endsWith(QStringLiteral("R.AsYr=0 ORDER BY CodeNo")));
  }

  void editPermission_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("pan");
    QTest::addColumn<QString>("residency");
    QTest::addColumn<bool>("allowed");
    QTest::newRow("header check box") << 0 << 0 << ""
                                      << "" << true;
    QTest::newRow("second header row check box") << 1 << 0 << ""
                                                 << "" << false;
    QTest::newRow("row check box") << 2 << 0 << ""
                                   << "" << true;
    QTest::newRow("party code") << 2 << 1 << ""
                                << "" << false;
    QTest::newRow("login group") << 5 << 33 << ""
                                 << "" << false;
    QTest::newRow("import logs") << 5 << 44 << ""
                                 << "" << false;
    QTest::newRow("header of change group") << 1 << 36 << ""
                                            << "" << false;
    QTest::newRow("new mobile") << 2 << 36 << "ABCPH1234K"
                                << "" << true;
    QTest::newRow("residency, individual") << 2 << 34 << "ABCPR1234K"
                                           << "" << true;
    QTest::newRow("residency, HUF refused") << 2 << 34 << "ABCHR1234K"
                                            << "" << false;
    QTest::newRow("residency, short PAN") << 2 << 34 << "ABC"
                                          << "" << true;
    QTest::newRow("ISD without Yes") << 2 << 35 << "ABCPR1234K"
                                     << "No" << false;
    QTest::newRow("ISD with Yes") << 2 << 35 << "ABCPR1234K"
                                  << "Yes" << true;
    QTest::newRow("ISD with yes in lower case") << 2 << 35 << "ABCPR1234K"
                                                << "yes" << false;
    QTest::newRow("last relation") << 7 << 43 << ""
                                   << "" << true;
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
    QTest::newRow("digit in mobile") << 36 << int('7') << int('7');
    QTest::newRow("letter in mobile dropped") << 36 << int('a') << 0;
    QTest::newRow("minus in ISD dropped") << 35 << int('-') << 0;
    QTest::newRow("point in second mobile") << 40 << int('.') << int('.');
    QTest::newRow("backspace") << 40 << 8 << 8;
    QTest::newRow("enter") << 35 << 13 << 13;
    QTest::newRow("e-mail lower-cased") << 38 << int('A') << int('a');
    QTest::newRow("second e-mail lower-cased") << 42 << int('Z') << int('z');
    QTest::newRow("e-mail digit unchanged") << 42 << int('5') << int('5');
    QTest::newRow("other column unchanged") << 37 << int('A') << int('A');
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
    const QString isd = QString::fromLatin1(CountryCodeMessage);
    const QString mob = QString::fromLatin1(MobileMessage);
    QTest::newRow("empty ISD") << 35 << "" << true << "";
    QTest::newRow("five-digit ISD") << 35 << "12345" << true << "";
    QTest::newRow("six-digit ISD") << 35 << "123456" << false << isd;
    QTest::newRow("ISD with leading zeros") << 35 << "000971" << true << "";
    QTest::newRow("ISD not numeric") << 35 << "9a" << false << isd;
    QTest::newRow("ten-digit mobile") << 36 << "9876543210" << true << "";
    QTest::newRow("nine digits") << 36 << "987654321" << false << mob;
    QTest::newRow("eleven digits") << 40 << "98765432101" << false << mob;
    QTest::newRow("ten digits with leading zero") << 36 << "0987654321" << false << mob;
    QTest::newRow("country prefix") << 36 << "919876543210" << false << mob;
    QTest::newRow("two points") << 36 << "98.76.54321" << false << mob;
    QTest::newRow("valid e-mail") << 38 << "a.b@example.in" << true << "";
    QTest::newRow("e-mail without @ refused silently") << 38 << "example.in" << false << "";
    QTest::newRow("e-mail bad ending refused silently") << 42 << "a@b.xyzq" << false << "";
    QTest::newRow("relation not checked") << 37 << "anything" << true << "";
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
    QTest::newRow("one client") << "3"
                                << "3" << 0;
    QTest::newRow("all") << "1"
                         << "10" << 0;
    QTest::newRow("reversed") << "5"
                              << "3" << 2;
    QTest::newRow("To past the end") << "1"
                                     << "11" << 2;
    QTest::newRow("From past the end") << "11"
                                       << "12" << 1;
    QTest::newRow("From zero") << "0"
                               << "3" << 1;
    QTest::newRow("From empty") << ""
                                << "3" << 1;
    QTest::newRow("From letters") << "ab"
                                  << "3" << 1;
    QTest::newRow("To empty") << "2"
                              << "" << 2;
    QTest::newRow("leading number read") << "2x"
                                         << " 4y" << 0;
    QTest::newRow("From negative") << "-2"
                                   << "4" << 1;
  }
  void range() {
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(int, focus);
    const RangeVerdict v = CheckRange(from, to, 10);
    QCOMPARE(v.accepted, focus == 0);
    QCOMPARE(int(v.focus), focus);
  }

  void rangeBoxText_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::newRow("plain") << "12"
                           << "12";
    QTest::newRow("leading zeros") << "007"
                                   << "7";
    QTest::newRow("trailing junk") << "5abc"
                                   << "5";
    QTest::newRow("zero leaves empty") << "0"
                                       << "";
    QTest::newRow("junk leaves empty") << "abc"
                                       << "";
  }
  void rangeBoxText() {
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QCOMPARE(RangeBoxText(typed), shown);
  }
};

QTEST_GUILESS_MAIN(TestRegisterRules)
#include "tst_register_rules.moc"
