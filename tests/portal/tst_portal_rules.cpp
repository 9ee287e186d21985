#include "fake_base.h"
#include "portal/profile_rules.h"

#include <QTest>

using namespace kestrel;
using namespace kestrel::testing;

namespace {

ContactGroup group(const QStringList& cells) {
  ContactGroup g;
  for (qsizetype i = 0; i < cells.size() && i < qsizetype(g.size()); ++i) g[size_t(i)] = cells[i];
  return g;
}

QStringList list(const ContactGroup& g) {
  return QStringList(g.begin(), g.end());
}

const char* const fullProfile =
    R"({"firstName":"Ravi","midName":"K","lastName":"Rao","residentialStatusCd":"RES","countryCd":"1",)"
    R"("priMobileNum":"9876543210","priMobBelongsTo":"1","priEmailId":"ravi@x.in","priEmailRelationId":"5",)"
    R"("secMobileNum":"9123456780","secMobRelationId":"26","secEmailId":"ca@x.in","secEmailRelationId":"2"})";

}  // namespace

class TestPortalRules : public QObject {
  Q_OBJECT

 private slots:
  void readProfile_data() {
    QTest::addColumn<QString>("profile");
    QTest::addColumn<QString>("pan");
    QTest::addColumn<QString>("failure");
    QTest::addColumn<bool>("hasName");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("login");  // empty: columns 24 to 33 untouched

    const QString pan = "ABCPR1234K";
    const QStringList full = {"No", "",           "9876543210", "1",       "ravi@x.in",
                              "5",  "9123456780", "26",         "ca@x.in", "2"};
    QTest::newRow("resident, every field") << fullProfile << pan << "" << true << "Ravi K Rao" << full;
    QTest::newRow("no middle name")
        << R"({"firstName":"Ravi","midName":"","lastName":"Rao","priMobileNum":"9"})" << pan << "" << true
        << "Ravi Rao" << QStringList{"", "", "9", "", "", "", "", "", "", ""};
    QTest::newRow("no first name") << R"({"midName":"K","lastName":"Rao","priEmailId":"k@x.in"})" << pan << ""
                                   << true << "K Rao"
                                   << QStringList{"", "", "", "", "k@x.in", "", "", "", "", ""};
    QTest::newRow("name of blanks") << R"({"firstName":" ","midName":"","lastName":"  ","secMobileNum":"9"})"
                                    << pan << "" << true << ""
                                    << QStringList{"", "", "", "", "", "", "9", "", "", ""};
    QTest::newRow("null and missing keys read empty")
        << R"({"firstName":null,"lastName":"Rao","priMobileNum":"9","priMobBelongsTo":null})" << pan << ""
        << true << "Rao" << QStringList{"", "", "9", "", "", "", "", "", "", ""};
    QTest::newRow("non-resident with country")
        << R"({"firstName":"A","residentialStatusCd":"NRI","countryCd":"971","priMobileNum":"5012345678"})"
        << pan << "" << true << "A" << QStringList{"Yes", "971", "5012345678", "", "", "", "", "", "", ""};
    QTest::newRow("resident ignores country")
        << R"({"residentialStatusCd":"RES","countryCd":"971","priMobileNum":"9"})" << pan << "" << true << ""
        << QStringList{"No", "", "9", "", "", "", "", "", "", ""};
    QTest::newRow("unknown residency")
        << R"({"residentialStatusCd":"OTH","countryCd":"1","priMobileNum":"9"})" << pan << "" << true << ""
        << QStringList{"", "", "9", "", "", "", "", "", "", ""};
    QTest::newRow("family PAN has no residency")
        << R"({"residentialStatusCd":"NRI","countryCd":"971","priMobileNum":"9"})"
        << "ABCHR1234K"
        << "" << true << "" << QStringList{"", "", "9", "", "", "", "", "", "", ""};
    QTest::newRow("relations of 0, blank, negative, text")
        << R"({"priMobileNum":"9","priMobBelongsTo":"0","priEmailId":"a@x.in","priEmailRelationId":"",)"
           R"("secMobileNum":"8","secMobRelationId":"-2","secEmailId":"b@x.in","secEmailRelationId":"Self"})"
        << pan << "" << true << "" << QStringList{"", "", "9", "", "a@x.in", "", "8", "", "b@x.in", ""};
    QTest::newRow("numbers read as digits")
        << R"({"priMobileNum":9876543210,"priMobBelongsTo":1})" << pan << "" << true << ""
        << QStringList{"", "", "9876543210", "1", "", "", "", "", "", ""};
    QTest::newRow("only a secondary e-mail")
        << R"({"firstName":"Z","secEmailId":"z@x.in","secEmailRelationId":"11"})" << pan << "" << true << "Z"
        << QStringList{"", "", "", "", "", "", "", "", "z@x.in", "11"};
    QTest::newRow("leading blanks before the object")
        << " \r\n\t{\"priMobileNum\":\"9\"}" << pan << "" << true << ""
        << QStringList{"", "", "9", "", "", "", "", "", "", ""};
    QTest::newRow("truncated object keeps what was read")
        << "{\"firstName\":\"Ravi\",\"priMobileNum\":\"9876543210\",\"priEmailId\":\"ra" << pan << "" << true
        << "Ravi" << QStringList{"", "", "9876543210", "", "ra", "", "", "", "", ""};
    QTest::newRow("no contact at all: name only")
        << R"({"firstName":"Ravi","residentialStatusCd":"RES","priMobBelongsTo":"1"})" << pan
        << "Unknown Response" << true << "Ravi" << QStringList{};
    QTest::newRow("array has none of the keys")
        << "[1,2]" << pan << "Unknown Response" << true << "" << QStringList{};
    QTest::newRow("not JSON") << "<html>Service Unavailable</html>" << pan << "Unknown Response" << false
                              << "" << QStringList{};
    QTest::newRow("empty text") << "" << pan << "Failed to Open 'myProfile' Page" << false << ""
                                << QStringList{};
  }
  void readProfile() {
    QFETCH(QString, profile);
    QFETCH(QString, pan);
    QFETCH(QString, failure);
    QFETCH(bool, hasName);
    QFETCH(QString, name);
    QFETCH(QStringList, login);
    const ProfileReading r = ReadProfile(profile, pan);
    QCOMPARE(r.failure, failure);
    QCOMPARE(r.hasName, hasName);
    QCOMPARE(r.name, name);
    QCOMPARE(r.hasContacts, !login.isEmpty());
    if (r.hasContacts)
      QCOMPARE(list(r.login), login);
  }

  void contactUpdate_data() {
    QTest::addColumn<QStringList>("change");  // columns 34 to 43
    QTest::addColumn<QStringList>("sent");    // the nine values

    QTest::newRow("resident sent with 91")
        << QStringList{"No", "44", "9876543210", "1", "a@x.in", "1"}
        << QStringList{"91", "9876543210", "1", "a@x.in", "1", "", "", "", ""};
    QTest::newRow("residency blank sent with 91")
        << QStringList{"", "44", "9876543210", "1"}
        << QStringList{"91", "9876543210", "1", "", "-1", "", "", "", ""};
    QTest::newRow("non-resident sends its ISD")
        << QStringList{"Yes", "971", "5012345678", "5", "a@x.in", "12"}
        << QStringList{"971", "5012345678", "2", "a@x.in", "26", "", "", "", ""};
    QTest::newRow("contacts without relations")
        << QStringList{"No", "", "9876543210", "", "a@x.in", "0", "9123456780", "", "b@x.in", "0"}
        << QStringList{"91", "9876543210", "-1", "a@x.in", "-1", "9123456780", "", "b@x.in", ""};
    QTest::newRow("relation dropped with its empty contact")
        << QStringList{"No", "", "", "2", "", "5", "", "10", "", "11"}
        << QStringList{"91", "", "-1", "", "-1", "", "", "", ""};
    QTest::newRow("negative relation") << QStringList{"No", "", "9", "-3", "a", "-1", "8", "-5"}
                                       << QStringList{"91", "9", "-1", "a", "-1", "8", "", "", ""};
    QTest::newRow("translated: Parent, Brother, Sister, Spouse")
        << QStringList{"No", "", "9", "2", "a", "3", "8", "4", "b", "5"}
        << QStringList{"91", "9", "20", "a", "7", "8", "8", "b", "2"};
    QTest::newRow("translated: Relative, Friend, representatives")
        << QStringList{"No", "", "9", "6", "a", "7", "8", "10", "b", "11"}
        << QStringList{"91", "9", "21", "a", "22", "8", "24", "b", "25"};
    QTest::newRow("Self and Tax Return Preparer")
        << QStringList{"No", "", "9", "1", "a", "1", "8", "1", "b", "12"}
        << QStringList{"91", "9", "1", "a", "1", "8", "1", "b", "26"};
    QTest::newRow("2 with a blank and 2.0 are Parent")
        << QStringList{"No", "", "9", "2 ", "a", "2.0", "8", " 2", "b", "02"}
        << QStringList{"91", "9", "20", "a", "20", "8", "20", "b", "20"};
    QTest::newRow("codes without a counterpart pass unchanged")
        << QStringList{"No", "", "9", "8", "a", "2.5", "8", "13", "b", "1.0"}
        << QStringList{"91", "9", "8", "a", "2.5", "8", "13", "b", "1.0"};
  }
  void contactUpdate() {
    QFETCH(QStringList, change);
    QFETCH(QStringList, sent);
    const ContactUpdateValues v = BuildContactUpdate(group(change));
    QCOMPARE(QStringList(v.begin(), v.end()), sent);
  }

  void writeBack_data() {
    QTest::addColumn<QStringList>("change");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("secDet");
    QTest::addColumn<QString>("sql");

    QTest::newRow("resident, all four")
        << QStringList{"No", "", "9876543210", "1", "a@x.in", "5", "9123456780", "12", "b@x.in", "2"}
        << "C001"
        << "||||R|1|5|12|2|"
        << "UPDATE OnlineRegInfo SET EmailID='a@x.in', MobNo='9876543210',EmailId1='b@x.in|||||R|1|5|12|2|', "
           "MobNo1='9123456780' WHERE Code_No='C001'";
    QTest::newRow("nothing to keep")
        << QStringList{"", "", "9876543210", "0", "", "", "", "", "b@x.in", ""} << "C002"
        << ""
        << "UPDATE OnlineRegInfo SET EmailID='', MobNo='9876543210',EmailId1='b@x.in', "
           "MobNo1='' WHERE Code_No='C002'";
    QTest::newRow("non-resident with ISD 1")
        << QStringList{"Yes", "1", "5012345678", "1", "", "", "", "", "", ""} << "C003"
        << "||||NR|1||||1"
        << "UPDATE OnlineRegInfo SET EmailID='', MobNo='5012345678',EmailId1='|||||NR|1||||1', MobNo1='' "
           "WHERE Code_No='C003'";
    QTest::newRow("resident keeps no ISD, relation 0 and orphan relation dropped")
        << QStringList{"No", "44", "9876543210", "0", "", "5", "9123456780", "2 ", "", ""} << "C004"
        << "||||R|||2 ||"
        << "UPDATE OnlineRegInfo SET EmailID='', MobNo='9876543210',EmailId1='|||||R|||2 ||', "
           "MobNo1='9123456780' "
           "WHERE Code_No='C004'";
    QTest::newRow("apostrophes escaped")
        << QStringList{"No", "", "9876543210", "1", "o'neil@x.in", "1", "", "", "d'souza@x.in", "6"}
        << "D'SOU01"
        << "||||R|1|1||6|"
        << "UPDATE OnlineRegInfo SET EmailID='o''neil@x.in', "
           "MobNo='9876543210',EmailId1='d''souza@x.in|||||R|1|1||6|', "
           "MobNo1='' WHERE Code_No='D''SOU01'";
  }
  void writeBack() {
    QFETCH(QStringList, change);
    QFETCH(QString, code);
    QFETCH(QString, secDet);
    QFETCH(QString, sql);
    const ContactGroup g = group(change);
    QCOMPARE(SecondaryDetailsText(g), secDet);
    FakeBase base;
    QCOMPARE(RegistrationUpdateSql(base, code, g, secDet), sql);
  }
};

QTEST_GUILESS_MAIN(TestPortalRules)
#include "tst_portal_rules.moc"
