#include "assign/assign_rules.h"
#include "assign/auto_find.h"
#include "assign/proceed_checks.h"
#include "assign_test_grid.h"

#include <QTest>

#include <optional>

using namespace kestrel;
using namespace kestrel::testing;

namespace kestrel {
bool operator==(const FieldState& a, const FieldState& b) {
  return a.text == b.text && a.selStart == b.selStart && a.selLength == b.selLength;
}
char* toString(const FieldState& f) {
  return QTest::toString(
      QString("\"%1\" selected from %2, %3 long").arg(f.text).arg(f.selStart).arg(f.selLength));
}
}  // namespace kestrel

namespace {
using FieldAfter = std::optional<FieldState>;
constexpr int Dropped = 0;
constexpr int NoEntry = -1;
constexpr int Backspace = 8;
constexpr int Enter = 13;
}  // namespace

class TestAssignRules : public QObject {
  Q_OBJECT

 private slots:
  void autoFind_data() {
    QTest::addColumn<FieldState>("field");
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("limitToList");
    QTest::addColumn<int>("passedKey");
    QTest::addColumn<int>("listIndex");
    QTest::addColumn<FieldAfter>("after");
    QTest::newRow("Enter is dropped")
        << FieldState{"98", 2, 0} << Enter << false << Dropped << NoEntry << FieldAfter();
    QTest::newRow("backspace at 0, limited, selects all")
        << FieldState{"ab", 0, 0} << Backspace << true << Dropped << NoEntry << FieldAfter({"ab", 0, 2});
    QTest::newRow("first char, any case")
        << FieldState{"", 0, 0} << int('A') << false << Dropped << 2 << FieldAfter({"abc@x.com", 1, 8});
    QTest::newRow("typed over selection") << FieldState{"abc@x.com", 2, 7} << int('d') << false << Dropped
                                          << 3 << FieldAfter({"Abd@y.com", 3, 6});
    QTest::newRow("no match passes the key")
        << FieldState{"98", 2, 0} << int('0') << false << int('0') << NoEntry << FieldAfter();
    QTest::newRow("exact entry, nothing selected") << FieldState{"987654321", 9, 0} << int('0') << false
                                                   << Dropped << 0 << FieldAfter({"9876543210", 10, 0});
  }
  void autoFind() {
    QFETCH(FieldState, field);
    QFETCH(int, key);
    QFETCH(bool, limitToList);
    QFETCH(int, passedKey);
    QFETCH(int, listIndex);
    QFETCH(FieldAfter, after);
    const AutoFindResult r =
        AutoFind({"9876543210", "9123456789", "abc@x.com", "Abd@y.com"}, field, key, limitToList);
    QCOMPARE(r.keyAscii, passedKey);
    QCOMPARE(r.listIndex, listIndex);
    QCOMPARE(r.changed, after.has_value());
    if (after)
      QCOMPARE(r.field, *after);
  }

  void panelChecks_data() {
    QTest::addColumn<DefaultChoices>("choices");
    QTest::addColumn<QString>("message");  // "" when the checks pass
    QTest::addColumn<PanelField>("focus");
    QTest::newRow("blank mobile, client's own")
        << DefaultChoices{.primaryEMail = "a@b.in", .useClientMobile = true} << "" << PanelField{};
    QTest::newRow("blank mobile, before e-mail")
        << DefaultChoices{.primaryMobile = " "} << PrimaryMobileBlankMessage << PanelField::PrimaryMobile;
    QTest::newRow("blank e-mail") << DefaultChoices{.primaryMobile = "9876543210"} << PrimaryEMailBlankMessage
                                  << PanelField::PrimaryEMail;
    QTest::newRow("blank e-mail, alias")
        << DefaultChoices{.primaryMobile = "9876543210", .fetchAlias = true} << "" << PanelField{};
    QTest::newRow("same mobile, blanks around") << DefaultChoices{.primaryMobile = " 9876543210",
                                                                  .primaryEMail = "a@b.in",
                                                                  .secondaryMobile = "9876543210 "}
                                                << SameMobileMessage << PanelField::SecondaryMobile;
    QTest::newRow("e-mails differ in case")
        << DefaultChoices{.primaryMobile = "9876543210", .primaryEMail = "a@b.in", .secondaryEMail = "A@b.in"}
        << "" << PanelField{};
  }
  void panelChecks() {
    QFETCH(DefaultChoices, choices);
    QFETCH(QString, message);
    QFETCH(PanelField, focus);
    const auto refusal = CheckDefaultChoices(choices);
    QCOMPARE(refusal ? refusal->message : QString(), message);
    if (refusal)
      QCOMPARE(refusal->focus, focus);
  }

  void assignment_data() {
    QTest::addColumn<DefaultChoices>("choices");
    QTest::addColumn<NewContact>("ticked");  // the ticked row afterwards
    const DefaultChoices plain{.primaryMobile = " 9876543210",
                               .primaryEMail = "a@b.in ",
                               .secondaryMobile = " 9123456789 ",
                               .secondaryEMail = "c@d.in"};
    QTest::newRow("plain, relations on (Select)")
        << plain << NewContact{"No", "", "9876543210", "1", "a@b.in", "2", "9123456789", "3", "c@d.in", "4"};
    DefaultChoices ownMobile = plain;
    ownMobile.secondaryMobile = "";
    ownMobile.useClientMobile = true;
    ownMobile.relation = {"5", "1", "10", "12"};
    QTest::newRow("client's own mobile, relations chosen")
        << ownMobile << NewContact{"No", "", "9000000001", "5", "a@b.in", "1", "", "10", "c@d.in", "12"};
    DefaultChoices alias = plain;
    alias.secondaryMobile = "";
    alias.fetchAlias = true;
    alias.relation = {"", "7", "", ""};
    QTest::newRow("alias keeps e-mail for mail setup")
        << alias << NewContact{"No", "", "9876543210", "1", "old@e", "7", "", "3", "c@d.in", "4"};
  }
  void assignment() {
    QFETCH(DefaultChoices, choices);
    QFETCH(NewContact, ticked);
    auto view = makeRegister({{"C1", "One"}, {"C2", "Two", Tick::Unticked}, {"C3", "Three", Tick::Hidden}});
    grid::FlexGridModel& g = *view->model();
    const NewContact old{"No", "", "old-m", "1", "old@e", "2", "old-m2", "3", "old@e2", "4"};
    for (int row = FirstDataRow; row < g.Rows(); ++row) {
      g.setTextMatrix(row, col::PartyMobile, "9000000001");
      writeNewContact(g, row, old);
    }
    QCOMPARE(AssignDefaults(g, choices), 1);
    QCOMPARE(readNewContact(g, FirstDataRow), ticked);
    QCOMPARE(readNewContact(g, FirstDataRow + 1), old);  // unticked
    QCOMPARE(readNewContact(g, FirstDataRow + 2), old);  // hidden
    QVERIFY(g.Redraw());
  }

  // The first incomplete ticked row and the cell the cursor goes to.
  void incompleteRows_data() {
    QTest::addColumn<QList<NewContact>>("rows");   // of the three ticked rows; the fourth is unticked
    QTest::addColumn<ProceedRefusal>("expected");  // an empty message when all are complete
    const NewContact& ok = CompleteContact;
    const ProceedRefusal passes{};
    const int first = FirstDataRow, second = FirstDataRow + 1, third = FirstDataRow + 2;
    QTest::newRow("all complete") << QList<NewContact>{ok, ok, ok} << passes;
    QTest::newRow("ISD blank for non-resident")
        << QList<NewContact>{ok, ok.with(&NewContact::residency, "Yes"), ok}
        << ProceedRefusal{"ISD cannot be blank", second, col::NewIsd};
    QTest::newRow("\"yes\" is not \"Yes\"")
        << QList<NewContact>{ok.with(&NewContact::residency, "yes"), ok, ok} << passes;
    QTest::newRow("earlier row first")
        << QList<NewContact>{ok.with(&NewContact::mobile1, " "), ok, ok.with(&NewContact::residency, "Yes")}
        << ProceedRefusal{"Primary Mobile cannot be blank", first, col::NewMobile1};
    QTest::newRow("relation 0") << QList<NewContact>{ok.with(&NewContact::mobile1Rel, "0"), ok, ok}
                                << ProceedRefusal{"Primary Mobile Belongs To cannot be blank", first,
                                                  col::NewMobile1Rel};
    QTest::newRow("secondary mobile without relation")
        << QList<NewContact>{ok, ok, ok.with(&NewContact::mobile2, "9123456789")}
        << ProceedRefusal{"Secondary Mobile Belongs To cannot be blank", third, col::NewMobile2Rel};
    QTest::newRow("secondary e-mail without relation")
        << QList<NewContact>{ok.with(&NewContact::eMail2, "c@d.in"), ok, ok}
        << ProceedRefusal{"Secondary E-mail Belongs To cannot be blank", first, col::NewEMail2Rel};
    // Contacts longer than their columns, counted in characters as the store counts them.
    const QString eMail150 = QString(145, 'a') + "@b.in",
                  emoji150 = QString::fromUcs4(std::u32string(150, U'\U0001F600').c_str());
    QTest::newRow("e-mail of 150, of 150 emoji")
        << QList<NewContact>{ok.with(&NewContact::eMail1, eMail150), ok.with(&NewContact::eMail1, emoji150),
                             ok}
        << passes;
    QTest::newRow("e-mail of 151")
        << QList<NewContact>{ok, ok.with(&NewContact::eMail1, "a" + eMail150), ok}
        << ProceedRefusal{"Primary E-Mail of C2 (B) is longer than the 150 characters the software can keep",
                          second, col::NewEMail1};
    QTest::newRow("secondary mobile of 51 after a complete row")
        << QList<NewContact>{ok, ok,
                             ok.with(&NewContact::mobile2, QString(51, '9'))
                                 .with(&NewContact::mobile2Rel, "1")}
        << ProceedRefusal{"Secondary Mobile of C3 (C) is longer than the 50 characters the software can keep",
                          third, col::NewMobile2};
  }
  void incompleteRows() {
    QFETCH(QList<NewContact>, rows);
    QFETCH(ProceedRefusal, expected);
    auto view = makeRegister({{"C1", "A"}, {"C2", "B"}, {"C3", "C"}, {"C4", "D", Tick::Unticked}});
    grid::FlexGridModel& g = *view->model();
    for (int i = 0; i < rows.size(); ++i) writeNewContact(g, FirstDataRow + i, rows[i]);
    // The unticked row never counts.
    writeNewContact(g, FirstDataRow + 3, {});
    const ProceedRefusal found = FindIncompleteRow(g).value_or(ProceedRefusal{});
    QCOMPARE(found.message, expected.message);
    QCOMPARE(found.row, expected.row);
    QCOMPARE(found.col, expected.col);
  }

  // Statements are split by their size in bytes as sent, not by characters.
  void utf8Size() {
    QCOMPARE(ValueListStatements::utf8Size(QString::fromUcs4(U"a\u00e9\u0939\U0001F600")), 10);
  }
};

QTEST_MAIN(TestAssignRules)
#include "tst_assign_rules.moc"
