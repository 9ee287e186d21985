// The mail window's rules on plain values: stored host form, alias building over every entry,
// the date digits, the alias panel's leave checks and the find row's matching.
#include "mail/mail_rules.h"
#include "table_row.h"

#include <QTest>

using namespace kestrel::mail;
using kestrel::testing::row;

namespace {

const AliasClient Client{"C-101", "Asha  Devi Rao", "ABCPR1234K", "1980-07-05", "9876543210"};

AliasSlots slotsOf(int code0, const QString& text0, int code1 = -1, const QString& text1 = {},
                   int code2 = -1) {
  return {AliasSlot{code0, text0}, AliasSlot{code1, text1}, AliasSlot{code2, {}}};
}

}  // namespace

Q_DECLARE_METATYPE(AliasSlots)

class TstMailRules : public QObject {
  Q_OBJECT

 private slots:
  void storedHost_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored");
    row("scheme, www. and slash removed", "https://www.panel.in/", "panel.in");
    row("upper-case scheme stays", "HTTPS://Panel.in", "HTTPS://Panel.in");
    row("only one of two slashes", "panel.in//", "panel.in/");
    row("www. in the middle goes too", "mail.www.panel.in", "mail.panel.in");
    row("every occurrence", "http://http://x.in", "x.in");
    row("https before http: no stray s", "https://x.in", "x.in");
    row("blanks kept for the statement to trim", " x.in/ ", " x.in/ ");
    row("numeric host", "127.0.0.1:18444/", "127.0.0.1:18444");
  }
  void storedHost() {
    QFETCH(QString, typed);
    QTEST(NormalisedHost(typed), "stored");
  }

  void aliasText_data() {
    QTest::addColumn<AliasSlots>("parts");
    QTest::addColumn<QString>("alias");
    row("nothing chosen", slotsOf(-1, {}), "");
    row("Select adds nothing", slotsOf(part::Select, "x"), "");
    row("party code as it stands", slotsOf(part::PartyCode, {}), "C-101");
    row("first word of the name", slotsOf(part::FirstName, {}), "Asha");
    row("last word of the name", slotsOf(part::LastName, {}), "Rao");
    row("PAN", slotsOf(part::Pan, {}), "ABCPR1234K");
    row("date of birth as DDMMYY", slotsOf(part::Dob, {}), "050780");
    row("mobile", slotsOf(part::Mobile, {}), "9876543210");
    row("last 4 digits of the mobile", slotsOf(part::MobileEnd, "4"), "3210");
    row("more digits than the mobile has", slotsOf(part::MobileEnd, "9", part::MobileEnd, "12"),
        "8765432109876543210");
    row("no digit count", slotsOf(part::MobileEnd, "x"), "");
    row("any text trimmed", slotsOf(part::AnyText, "  .desk "), ".desk");
    row("code then text", slotsOf(part::PartyCode, {}, part::AnyText, "@"), "C-101@");
    row("series start", slotsOf(part::NumberSeries, "101"), "101");
    row("three parts in order",
        AliasSlots{AliasSlot{part::FirstName, {}}, {part::AnyText, "."}, {part::LastName, {}}}, "Asha.Rao");
  }
  void aliasText() {
    QFETCH(AliasSlots, parts);
    int counter = 0;
    QTEST(AliasText(parts, Client, counter), "alias");
  }

  void aliasTextOfOneWordName() {
    int counter = 0;
    const AliasClient oneWord{"C1", "Infosys", {}, {}, "98"};
    QCOMPARE(AliasText(slotsOf(part::FirstName, {}, part::LastName, {}), oneWord, counter), "InfosysInfosys");
    const AliasClient threeWords{"C1", " Ravi K Menon ", {}, {}, {}};
    QCOMPARE(AliasText(slotsOf(part::LastName, {}), threeWords, counter), "Menon");
  }

  void numberSeriesRunsOnFromItsStart_data() {
    QTest::addColumn<QString>("start");
    QTest::addColumn<QStringList>("aliases");
    row("from 101", "101", QStringList{"101", "102", "103"});
    row("from 0 every row 0", "0", QStringList{"0", "0", "0"});
    row("not a number", "abc", QStringList{"0", "0", "0"});
  }
  void numberSeriesRunsOnFromItsStart() {
    QFETCH(QString, start);
    int counter = 0;
    QStringList made;
    for (int i = 0; i < 3; ++i) made << AliasText(slotsOf(part::NumberSeries, start), Client, counter);
    QTEST(made, "aliases");
  }

  void dobDigits_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("digits");
    row("ISO date", "1980-07-05", "050780");
    row("ISO date and time", "1980-07-05T00:00:00.000", "050780");
    row("day first with slashes", "5/7/1980", "050780");
    row("day first with dots", "05.07.80", "050780");
    row("month name", "05-Jul-1980", "050780");
    row("month name with blanks", "5 July 2001", "050701");
    row("year first with slashes", "2001/12/31", "311201");
    row("29 February of a leap year", "29-02-2000", "290200");
    row("29 February of another year", "29-02-2001", "");
    row("month 13", "01-13-1980", "");
    row("three-digit year", "01-01-198", "");
    row("empty", "", "");
    row("no date", "not known", "");
  }
  void dobDigits() {
    QFETCH(QString, stored);
    QTEST(DobDigits(stored), "digits");
  }

  void slotTextChecks_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    row("digit count 1", part::MobileEnd, "1", "");
    row("digit count 9", part::MobileEnd, "9", "");
    row("digit count 0", part::MobileEnd, "0", DigitCountMessage);
    row("digit count 10", part::MobileEnd, "10", DigitCountMessage);
    row("digit count of letters", part::MobileEnd, "four", DigitCountMessage);
    row("any text of blanks", part::AnyText, "   ", AnyTextMessage);
    row("any text", part::AnyText, " x ", "");
    row("series of letters", part::NumberSeries, "1a", SeriesStartMessage);
    row("series with blanks", part::NumberSeries, " 7 ", "");
    row("other entries take no text", part::Pan, "", "");
  }
  void slotTextChecks() {
    QFETCH(int, code);
    QFETCH(QString, text);
    QTEST(SlotTextRefusal(code, text), "message");
  }

  void repeatedSlots_data() {
    QTest::addColumn<AliasSlots>("parts");
    QTest::addColumn<int>("left");
    QTest::addColumn<bool>("repeats");
    const auto s = [](int a, int b, int c) { return AliasSlots{AliasSlot{a, {}}, {b, {}}, {c, {}}}; };
    row("slot 1 like slot 0", s(1, 1, 0), 1, true);
    row("both Select on leaving slot 1", s(0, 0, 0), 1, true);
    row("slot 1 differs", s(1, 2, 0), 1, false);
    row("slot 0 without entry", s(-1, 1, 0), 1, false);
    row("slot 2 like slot 0", s(1, 2, 1), 2, true);
    row("slot 2 like slot 1", s(1, 2, 2), 2, true);
    row("slot 2 Select after slot 1 Select", s(1, 0, 0), 2, true);
    row("slot 2 differs", s(1, 2, 8), 2, false);
    row("slot 2 with slot 1 unchosen", s(1, -1, 1), 2, false);
    row("slot 0 is never checked", s(1, 1, 1), 0, false);
  }
  void repeatedSlots() {
    QFETCH(AliasSlots, parts);
    QFETCH(int, left);
    QTEST(RepeatsEarlierSlot(parts, left), "repeats");
  }

  void find_data() {
    QTest::addColumn<QString>("cell");
    QTest::addColumn<QString>("needle");  // upper-cased as the window passes it
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("kept");
    row("starts with, any case", "asha rao", "ASH", 1, true);
    row("starts with misses a middle", "asha rao", "RAO", 1, false);
    row("containing", "asha rao", "A R", 2, true);
    row("ends with", "ravi.k@x.in", ".IN", 3, true);
    row("ends with misses the start", "ravi.k@x.in", "RAVI", 3, false);
    row("needle longer than the cell", "in", "X.IN", 3, false);
  }
  void find() {
    QFETCH(QString, cell);
    QFETCH(QString, needle);
    QFETCH(int, kind);
    QTEST(FindKeepsRow(cell, needle, FindKind(kind)), "kept");
  }
};

QTEST_APPLESS_MAIN(TstMailRules)
#include "tst_mail_rules.moc"
