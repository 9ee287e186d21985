#include "contact_fields.h"
#include "fake_base.h"
#include "portal/portal_rules.h"
#include "table_row.h"

#include <QTest>

#include <optional>

using namespace kestrel;
using namespace kestrel::testing;

namespace {

const char* const Individual = "ABCPR1234K";

// What a profile gives: the outcome text, the name for column 23 (none: the column is left
// alone) and the contacts for columns 24 to 33 (none: left alone).
struct ProfileCase {
  const char* tag;
  const char* profile;
  const char* pan = Individual;
  const char* failure = "";
  std::optional<const char*> name = std::nullopt;
  std::optional<Contacts> login = std::nullopt;
};

struct UpdateCase {
  const char* tag;
  Contacts change;
  Submission sent;
};

struct WriteBackCase {
  const char* tag;
  Contacts change;
  const char* secDet;    // column 12
  const char* emailId1;  // the secondary e-mail and column 12 as stored
};

}  // namespace

Q_DECLARE_METATYPE(ProfileCase)
Q_DECLARE_METATYPE(UpdateCase)
Q_DECLARE_METATYPE(WriteBackCase)

class TestPortalRules : public QObject {
  Q_OBJECT

 private slots:
  void readProfile_data() {
    QTest::addColumn<ProfileCase>("c");
    // clang-format off
    const ProfileCase cases[] = {
        // Relations in the suite's numbering: the portal's 7 is Brother (3), 26 Tax Return
        // Preparer (12), 2 Spouse (5); its 5 has no counterpart and stays.
        {.tag = "every field",
         .profile = R"({"firstName":"Ravi","midName":"K","lastName":"Rao","residentialStatusCd":"RES",
             "countryCd":"1","priMobileNum":"98","priMobBelongsTo":"7","priEmailId":"r@x",
             "priEmailRelationId":"5","secMobileNum":"91","secMobRelationId":"26","secEmailId":"c@x",
             "secEmailRelationId":"2"})",
         .name = "Ravi K Rao",
         .login = Contacts{.nonResident = "No", .mobile1 = "98", .mobile1Rel = "3", .email1 = "r@x",
                           .email1Rel = "5", .mobile2 = "91", .mobile2Rel = "12", .email2 = "c@x",
                           .email2Rel = "5"}},
        {.tag = "no middle name, numbers, null",
         .profile = R"({"firstName":"Ravi","midName":null,"lastName":"Rao","priMobileNum":9876543210,
             "priMobBelongsTo":1})",
         .name = "Ravi Rao", .login = Contacts{.mobile1 = "9876543210", .mobile1Rel = "1"}},
        {.tag = "no first name, only a secondary e-mail",
         .profile = R"({"midName":"K","lastName":"Rao","secEmailId":"k@x","secEmailRelationId":"11"})",
         .name = "K Rao", .login = Contacts{.email2 = "k@x", .email2Rel = "11"}},
        {.tag = "blank name, relations 0, empty, negative, text",
         .profile = R"({"firstName":" ","lastName":"  ","priMobileNum":"9","priMobBelongsTo":"0",
             "priEmailId":"a","priEmailRelationId":"","secMobileNum":"8","secMobRelationId":"-2",
             "secEmailId":"b","secEmailRelationId":"Self"})",
         .name = "", .login = Contacts{.mobile1 = "9", .email1 = "a", .mobile2 = "8", .email2 = "b"}},
        {.tag = "non-resident",
         .profile = R"({"residentialStatusCd":"NRI","countryCd":"971","priMobileNum":"5"})",
         .name = "", .login = Contacts{.nonResident = "Yes", .isd = "971", .mobile1 = "5"}},
        {.tag = "resident ignores country",
         .profile = " \r\n{\"residentialStatusCd\":\"RES\",\"countryCd\":\"7\",\"priMobileNum\":\"9\"}",
         .name = "", .login = Contacts{.nonResident = "No", .mobile1 = "9"}},
        {.tag = "unknown residency",
         .profile = R"({"residentialStatusCd":"X","countryCd":"1","priMobileNum":"9"})",
         .name = "", .login = Contacts{.mobile1 = "9"}},
        {.tag = "family PAN",
         .profile = R"({"residentialStatusCd":"NRI","countryCd":"971","priMobileNum":"9"})",
         .pan = "ABCHR1234K", .name = "", .login = Contacts{.mobile1 = "9"}},
        {.tag = "truncated", .profile = "{\"firstName\":\"Ravi\",\"priMobileNum\":\"98\",\"priEmailId\":\"ra",
         .name = "Ravi", .login = Contacts{.mobile1 = "98", .email1 = "ra"}},
        {.tag = "no contact", .profile = R"({"firstName":"Ravi","priMobBelongsTo":"1"})",
         .failure = "Unknown Response", .name = "Ravi"},
        {.tag = "array", .profile = "[1,2]", .failure = "Unknown Response", .name = ""},
        {.tag = "not JSON", .profile = "<html>Service Unavailable</html>", .failure = "Unknown Response"},
        {.tag = "empty", .profile = "", .failure = "Failed to Open 'myProfile' Page"},
    };
    // clang-format on
    for (const ProfileCase& c : cases) QTest::newRow(c.tag) << c;
  }
  void readProfile() {
    QFETCH(ProfileCase, c);
    const ProfileReading r = ReadProfile(c.profile, QString(c.pan));
    QCOMPARE(r.failure, c.failure);
    QCOMPARE(r.hasName, c.name.has_value());
    if (c.name)
      QCOMPARE(r.name, *c.name);
    QCOMPARE(r.hasContacts, c.login.has_value());
    if (c.login)
      QCOMPARE(cellList(r.login), cellList(c.login->group()));
  }

  // The module's relation codes in the portal's numbering, by numeric value.
  void relationCode_data() {
    QTest::addColumn<QString>("module");
    QTest::addColumn<QString>("portal");
    row("Parent", "2", "20");
    row("Brother", "3", "7");
    row("Sister", "4", "8");
    row("Spouse", "5", "2");
    row("Relative", "6", "21");
    row("Friend", "7", "22");
    row("Authorised Representative", "10", "24");
    row("e-Return Intermediary", "11", "25");
    row("Tax Return Preparer", "12", "26");
    row("Self is the same", "1", "1");
    row("none", "-1", "-1");
    row("empty", "", "");
    row("trailing blank", "2 ", "20");
    row("leading blank", " 2", "20");
    row("decimal", "2.0", "20");
    row("leading zero", "02", "20");
    row("fraction: no counterpart", "2.5", "2.5");
    row("8: no counterpart", "8", "8");
    row("13: no counterpart", "13", "13");
    row("1.0 kept as written", "1.0", "1.0");
  }
  void relationCode() {
    QFETCH(QString, module);
    QTEST(PortalRelationCode(module), "portal");
  }

  // The portal's relation codes in the suite's numbering; one without a counterpart stays.
  void suiteRelationCode_data() {
    QTest::addColumn<QString>("portal");
    QTest::addColumn<QString>("suite");
    row("Self", "1", "1");
    row("Spouse", "2", "5");
    row("Brother, not Friend", "7", "3");
    row("Friend", "22", "7");
    row("Tax Return Preparer, with a blank", "26 ", "12");
    row("3: no counterpart", "3", "3");
    row("10: no counterpart", "10", "10");
  }
  void suiteRelationCode() {
    QFETCH(QString, portal);
    QTEST(SuiteRelationCode(portal), "suite");
  }

  void contactUpdate_data() {
    QTest::addColumn<UpdateCase>("c");
    // clang-format off
    const UpdateCase cases[] = {
        {"resident",
         {.nonResident = "No", .isd = "44", .mobile1 = "98", .mobile1Rel = "1", .email1 = "a",
          .email1Rel = "1"},
         {.isd = "91", .priMobile = "98", .priMobileRel = "1", .priEmail = "a", .priEmailRel = "1"}},
        {"residency blank",
         {.isd = "44", .mobile1 = "98", .mobile1Rel = "1"},
         {.isd = "91", .priMobile = "98", .priMobileRel = "1", .priEmailRel = "-1"}},
        {"non-resident",
         {.nonResident = "Yes", .isd = "971", .mobile1 = "50", .mobile1Rel = "5", .email1 = "a",
          .email1Rel = "12"},
         {.isd = "971", .priMobile = "50", .priMobileRel = "2", .priEmail = "a", .priEmailRel = "26"}},
        {"no relations",
         {.nonResident = "No", .mobile1 = "98", .email1 = "a", .email1Rel = "0",
          .mobile2 = "91", .email2 = "b", .email2Rel = "0"},
         {.isd = "91", .priMobile = "98", .priMobileRel = "-1", .priEmail = "a", .priEmailRel = "-1",
          .secMobile = "91", .secEmail = "b"}},
        {"relations of empty contacts",
         {.nonResident = "No", .mobile1Rel = "2", .email1Rel = "5", .mobile2Rel = "10", .email2Rel = "11"},
         {.isd = "91", .priMobileRel = "-1", .priEmailRel = "-1"}},
        {"negative",
         {.nonResident = "No", .mobile1 = "9", .mobile1Rel = "-3", .email1 = "a", .email1Rel = "-1",
          .mobile2 = "8", .mobile2Rel = "-5"},
         {.isd = "91", .priMobile = "9", .priMobileRel = "-1", .priEmail = "a", .priEmailRel = "-1",
          .secMobile = "8"}},
        {"all four translated",
         {.nonResident = "No", .mobile1 = "9", .mobile1Rel = "2", .email1 = "a", .email1Rel = "3",
          .mobile2 = "8", .mobile2Rel = "4", .email2 = "b", .email2Rel = "5"},
         {.isd = "91", .priMobile = "9", .priMobileRel = "20", .priEmail = "a", .priEmailRel = "7",
          .secMobile = "8", .secMobileRel = "8", .secEmail = "b", .secEmailRel = "2"}},
    };
    // clang-format on
    for (const UpdateCase& c : cases) QTest::newRow(c.tag) << c;
  }
  void contactUpdate() {
    QFETCH(UpdateCase, c);
    QCOMPARE(cellList(BuildContactUpdate(c.change.group())), c.sent.values());
  }

  void writeBack_data() {
    QTest::addColumn<WriteBackCase>("c");
    // clang-format off
    const WriteBackCase cases[] = {
        {"resident, all four",
         {.nonResident = "No", .mobile1 = "98", .mobile1Rel = "1", .email1 = "a@x", .email1Rel = "5",
          .mobile2 = "91", .mobile2Rel = "12", .email2 = "b@x", .email2Rel = "2"},
         "||||R|1|5|12|2|", "b@x|||||R|1|5|12|2|"},
        {"nothing", {.mobile1 = "98", .mobile1Rel = "0", .email2 = "b@x"}, "", "b@x"},
        {"non-resident, ISD 1", {.nonResident = "Yes", .isd = "1", .mobile1 = "50", .mobile1Rel = "1"},
         "||||NR|1||||1", "|||||NR|1||||1"},
        {"ISD of a resident, relation 0, orphan relation",
         {.nonResident = "No", .isd = "44", .mobile1 = "98", .mobile1Rel = "0", .email1Rel = "5",
          .mobile2 = "91", .mobile2Rel = "2 ", .email2 = "b@x"},
         "||||R|||2 ||", "b@x|||||R|||2 ||"},
    };
    // clang-format on
    for (const WriteBackCase& c : cases) QTest::newRow(c.tag) << c;
  }
  void writeBack() {
    QFETCH(WriteBackCase, c);
    QCOMPARE(SecondaryDetailsText(c.change.group()), c.secDet);
    ContactGroup g = c.change.group();
    g[col::EMail1] = "o'neil@x";
    QCOMPARE(RegistrationUpdateSql(testing::FakeBase(), "C'1", RegistrationValuesOf(g, c.secDet)),
             "UPDATE OnlineRegInfo SET EmailID='o''neil@x', MobNo='" + g[col::Mobile1] + "',EmailId1='" +
                 c.emailId1 + "', MobNo1='" + g[col::Mobile2] + "' WHERE Code_No='C''1'");
  }
};

QTEST_GUILESS_MAIN(TestPortalRules)
#include "tst_portal_rules.moc"
