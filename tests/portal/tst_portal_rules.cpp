#include "fake_base.h"
#include "portal/profile_rules.h"

#include <QTest>

using namespace kestrel;

namespace {

// Cell lists are written as one text, cells separated by ";".
ContactGroup group(const QString& cells) {
  ContactGroup g;
  const QStringList list = cells.split(';');
  for (qsizetype i = 0; i < list.size() && i < qsizetype(g.size()); ++i) g[size_t(i)] = list[i];
  return g;
}
template <class Array>
QString joined(const Array& cells) {
  return QStringList(cells.begin(), cells.end()).join(';');
}

// Each table: tag, then its columns in order.
template <size_t N>
void addRows(std::initializer_list<std::array<const char*, N>> rows) {
  for (const auto& row : rows) {
    auto& data = QTest::newRow(row[0]);
    for (size_t i = 1; i < N; ++i) data << QString(row[i]);
  }
}

}  // namespace

class TestPortalRules : public QObject {
  Q_OBJECT

 private slots:
  void readProfile_data() {
    for (const char* c : {"profile", "pan", "failure", "name", "login"}) QTest::addColumn<QString>(c);
    // name "-": column 23 untouched; login "": columns 24 to 33 untouched.
    addRows<6>({
        {"every field",
         R"({"firstName":"Ravi","midName":"K","lastName":"Rao","residentialStatusCd":"RES","countryCd":"1",
             "priMobileNum":"98","priMobBelongsTo":"1","priEmailId":"r@x","priEmailRelationId":"5",
             "secMobileNum":"91","secMobRelationId":"26","secEmailId":"c@x","secEmailRelationId":"2"})",
         "ABCPR1234K", "", "Ravi K Rao", "No;;98;1;r@x;5;91;26;c@x;2"},
        {"no middle name, numbers, null",
         R"({"firstName":"Ravi","midName":null,"lastName":"Rao","priMobileNum":9876543210,"priMobBelongsTo":1})",
         "ABCPR1234K", "", "Ravi Rao", ";;9876543210;1;;;;;;"},
        {"no first name, only a secondary e-mail",
         R"({"midName":"K","lastName":"Rao","secEmailId":"k@x","secEmailRelationId":"11"})", "ABCPR1234K", "",
         "K Rao", ";;;;;;;;k@x;11"},
        {"blank name, relations 0, empty, negative, text",
         R"({"firstName":" ","lastName":"  ","priMobileNum":"9","priMobBelongsTo":"0","priEmailId":"a",
             "priEmailRelationId":"","secMobileNum":"8","secMobRelationId":"-2","secEmailId":"b",
             "secEmailRelationId":"Self"})",
         "ABCPR1234K", "", "", ";;9;;a;;8;;b;"},
        {"non-resident", R"({"residentialStatusCd":"NRI","countryCd":"971","priMobileNum":"5"})",
         "ABCPR1234K", "", "", "Yes;971;5;;;;;;;"},
        {"resident ignores country",
         " \r\n{\"residentialStatusCd\":\"RES\",\"countryCd\":\"7\",\"priMobileNum\":\"9\"}", "ABCPR1234K",
         "", "", "No;;9;;;;;;;"},
        {"unknown residency", R"({"residentialStatusCd":"X","countryCd":"1","priMobileNum":"9"})",
         "ABCPR1234K", "", "", ";;9;;;;;;;"},
        {"family PAN", R"({"residentialStatusCd":"NRI","countryCd":"971","priMobileNum":"9"})", "ABCHR1234K",
         "", "", ";;9;;;;;;;"},
        {"truncated", "{\"firstName\":\"Ravi\",\"priMobileNum\":\"98\",\"priEmailId\":\"ra", "ABCPR1234K", "",
         "Ravi", ";;98;;ra;;;;;"},
        {"no contact", R"({"firstName":"Ravi","priMobBelongsTo":"1"})", "ABCPR1234K", "Unknown Response",
         "Ravi", ""},
        {"array", "[1,2]", "ABCPR1234K", "Unknown Response", "", ""},
        {"not JSON", "<html>Service Unavailable</html>", "ABCPR1234K", "Unknown Response", "-", ""},
        {"empty", "", "ABCPR1234K", "Failed to Open 'myProfile' Page", "-", ""},
    });
  }
  void readProfile() {
    QFETCH(QString, profile);
    QFETCH(QString, pan);
    const ProfileReading r = ReadProfile(profile, pan);
    QTEST(r.failure, "failure");
    QTEST(r.hasName ? r.name : "-", "name");
    QTEST(r.hasContacts ? joined(r.login) : "", "login");
  }

  void contactUpdate_data() {
    QTest::addColumn<QString>("change");  // columns 34 to 43
    QTest::addColumn<QString>("sent");    // the nine values
    addRows<3>({
        {"resident", "No;44;98;1;a;1", "91;98;1;a;1;;;;"},
        {"residency blank", ";44;98;1", "91;98;1;;-1;;;;"},
        {"non-resident", "Yes;971;50;5;a;12", "971;50;2;a;26;;;;"},
        {"no relations", "No;;98;;a;0;91;;b;0", "91;98;-1;a;-1;91;;b;"},
        {"relations of empty contacts", "No;;;2;;5;;10;;11", "91;;-1;;-1;;;;"},
        {"negative", "No;;9;-3;a;-1;8;-5", "91;9;-1;a;-1;8;;;"},
        {"2 to 5", "No;;9;2;a;3;8;4;b;5", "91;9;20;a;7;8;8;b;2"},
        {"6, 7, 10, 11", "No;;9;6;a;7;8;10;b;11", "91;9;21;a;22;8;24;b;25"},
        {"1 and 12", "No;;9;1;a;1;8;1;b;12", "91;9;1;a;1;8;1;b;26"},
        {"2 spelt otherwise", "No;;9;2 ;a;2.0;8; 2;b;02", "91;9;20;a;20;8;20;b;20"},
        {"no counterpart", "No;;9;8;a;2.5;8;13;b;1.0", "91;9;8;a;2.5;8;13;b;1.0"},
    });
  }
  void contactUpdate() {
    QFETCH(QString, change);
    QTEST(joined(BuildContactUpdate(group(change))), "sent");
  }

  void writeBack_data() {
    for (const char* c : {"change", "secDet", "emailId1"}) QTest::addColumn<QString>(c);
    addRows<4>({
        {"resident, all four", "No;;98;1;a@x;5;91;12;b@x;2", "||||R|1|5|12|2|", "b@x|||||R|1|5|12|2|"},
        {"nothing", ";;98;0;;;;;b@x;", "", "b@x"},
        {"non-resident, ISD 1", "Yes;1;50;1", "||||NR|1||||1", "|||||NR|1||||1"},
        {"ISD of a resident, relation 0, orphan relation", "No;44;98;0;;5;91;2 ;b@x;", "||||R|||2 ||",
         "b@x|||||R|||2 ||"},
    });
  }
  void writeBack() {
    QFETCH(QString, change);
    QFETCH(QString, secDet);
    QFETCH(QString, emailId1);
    QCOMPARE(SecondaryDetailsText(group(change)), secDet);
    ContactGroup g = group(change);
    g[col::EMail1] = "o'neil@x";
    QCOMPARE(RegistrationUpdateSql(testing::FakeBase(), "C'1", g, secDet),
             "UPDATE OnlineRegInfo SET EmailID='o''neil@x', MobNo='" + g[col::Mobile1] + "',EmailId1='" +
                 emailId1 + "', MobNo1='" + g[col::Mobile2] + "' WHERE Code_No='C''1'");
  }
};

QTEST_GUILESS_MAIN(TestPortalRules)
#include "tst_portal_rules.moc"
