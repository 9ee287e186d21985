#include "assign/assign_rules.h"
#include "assign/auto_find.h"
#include "assign/batch_update.h"
#include "assign_test_grid.h"
#include "entry/mod_it_main.h"
#include "fake_base.h"
#include "scripted_interaction.h"

#include <QTest>

using namespace kestrel;
using namespace kestrel::testing;

namespace {
constexpr int C34 = 34, C35 = 35, C36 = 36, C37 = 37, C38 = 38, C39 = 39, C40 = 40, C41 = 41, C42 = 42,
              C43 = 43;

// Cells of a row given as "col=value;col=value".
void fillRow(grid::FlexGridModel& g, int row, const QString& cells) {
  for (const QString& cell : cells.split(u';', Qt::SkipEmptyParts)) {
    const int eq = cell.indexOf(u'=');
    g.setTextMatrix(row, cell.left(eq).toInt(), cell.mid(eq + 1));
  }
}

QString rowCells(const grid::FlexGridModel& g, int row) {
  QStringList cells;
  for (int c = C36; c <= C43; ++c) cells << g.TextMatrix(row, c);
  return cells.join(u'|');
}
}  // namespace

class TestAssignRules : public QObject {
  Q_OBJECT

 private slots:
  void autoFind_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("selStart");
    QTest::addColumn<int>("selLength");
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("limit");
    QTest::addColumn<int>("passed");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("after");  // "text|selStart|selLength", "" when unchanged

    QTest::newRow("Enter is dropped") << "98" << 2 << 0 << 13 << false << 0 << -1 << "";
    QTest::newRow("non-ASCII is dropped") << "" << 0 << 0 << 0xE9 << false << 0 << -1 << "";
    QTest::newRow("backspace at 1 empties") << "9" << 1 << 0 << 8 << false << 0 << -1 << "|0|0";
    QTest::newRow("backspace at 0, limited, selects all")
        << "ab" << 0 << 0 << 8 << true << 0 << -1 << "ab|0|2";
    QTest::newRow("first char completes") << "" << 0 << 0 << int('a') << false << 0 << 2 << "abc@x.com|1|8";
    QTest::newRow("case is ignored") << "" << 0 << 0 << int('A') << false << 0 << 2 << "abc@x.com|1|8";
    QTest::newRow("typed over selection")
        << "abc@x.com" << 2 << 7 << int('d') << false << 0 << 3 << "Abd@y.com|3|6";
    QTest::newRow("appended without selection")
        << "98" << 2 << 0 << int('7') << false << 0 << 0 << "9876543210|3|7";
    QTest::newRow("backspace over selection")
        << "abc@x.com" << 3 << 6 << 8 << false << 0 << 2 << "abc@x.com|2|7";
    QTest::newRow("backspace without selection")
        << "912" << 3 << 0 << 8 << false << 0 << 1 << "9123456789|2|8";
    QTest::newRow("no match passes the key") << "98" << 2 << 0 << int('0') << false << int('0') << -1 << "";
    QTest::newRow("no match, limited, drops it") << "98" << 2 << 0 << int('0') << true << 0 << -1 << "";
    QTest::newRow("exact entry leaves nothing selected")
        << "987654321" << 9 << 0 << int('0') << false << 0 << 0 << "9876543210|10|0";
  }
  void autoFind() {
    QFETCH(QString, text);
    QFETCH(int, selStart);
    QFETCH(int, selLength);
    QFETCH(int, key);
    QFETCH(bool, limit);
    QFETCH(int, passed);
    QFETCH(int, index);
    QFETCH(QString, after);
    const QStringList entries = {"9876543210", "9123456789", "abc@x.com", "Abd@y.com"};
    const AutoFindResult r = AutoFind(entries, {text, selStart, selLength}, key, limit);
    QCOMPARE(r.keyAscii, passed);
    QCOMPARE(r.listIndex, index);
    QCOMPARE(r.changed, !after.isEmpty());
    if (r.changed)
      QCOMPARE(QStringLiteral("%1|%2|%3").arg(r.field.text).arg(r.field.selStart).arg(r.field.selLength),
               after);
  }

  void panelChecks_data() {
    QTest::addColumn<QStringList>("texts");  // primary mobile, primary e-mail, secondary mobile, e-mail
    QTest::addColumn<bool>("custMobile");
    QTest::addColumn<bool>("fetchAlias");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("focus");

    const QStringList ok = {"9876543210", "a@b.in", "9123456789", "c@d.in"};
    QTest::newRow("complete") << ok << false << false << "" << -1;
    QTest::newRow("blank mobile") << QStringList{" ", "a@b.in", "", ""} << false << false
                                  << PrimaryMobileBlankMessage << 0;
    QTest::newRow("blank mobile, client's own")
        << QStringList{"", "a@b.in", "", ""} << true << false << "" << -1;
    QTest::newRow("mobile before e-mail")
        << QStringList{"", "", "", ""} << false << false << PrimaryMobileBlankMessage << 0;
    QTest::newRow("blank e-mail") << QStringList{"9876543210", "", "", ""} << false << false
                                  << PrimaryEMailBlankMessage << 1;
    QTest::newRow("blank e-mail, alias")
        << QStringList{"9876543210", "", "", ""} << false << true << "" << -1;
    QTest::newRow("same mobile, blanks around") << QStringList{" 9876543210", "a@b.in", "9876543210 ", ""}
                                                << false << false << SameMobileMessage << 2;
    QTest::newRow("both mobiles blank, client's own")
        << QStringList{"", "a@b.in", "", ""} << true << false << "" << -1;
    QTest::newRow("same e-mail") << QStringList{"9876543210", "a@b.in", "", "a@b.in"} << false << false
                                 << SameEMailMessage << 3;
    QTest::newRow("e-mails differ in case")
        << QStringList{"9876543210", "a@b.in", "", "A@b.in"} << false << false << "" << -1;
  }
  void panelChecks() {
    QFETCH(QStringList, texts);
    QFETCH(bool, custMobile);
    QFETCH(bool, fetchAlias);
    QFETCH(QString, message);
    QFETCH(int, focus);
    DefaultChoices c{texts[0], texts[1], texts[2], texts[3], custMobile, fetchAlias, {}};
    const auto refusal = CheckDefaultChoices(c);
    QCOMPARE(refusal ? refusal->message : QString(), message);
    QCOMPARE(refusal ? int(refusal->focus) : -1, focus);
  }

  void assignment_data() {
    QTest::addColumn<bool>("custMobile");
    QTest::addColumn<bool>("fetchAlias");
    QTest::addColumn<QStringList>("relations");
    QTest::addColumn<QString>("secMobile");
    QTest::addColumn<QString>("ticked");  // columns 36..43 of the ticked row afterwards
    // Before: 36..43 = old-m|1|old@e|2|old-m2|3|old@e2|4, column 10 = 9000000001.
    QTest::newRow("plain, relations on (Select)")
        << false << false << QStringList{"", "", "", ""} << " 9123456789 "
        << "9876543210|1|a@b.in|2|9123456789|3|c@d.in|4";
    QTest::newRow("relations chosen") << false << false << QStringList{"5", "1", "10", "12"} << ""
                                      << "9876543210|5|a@b.in|1||10|c@d.in|12";
    QTest::newRow("client's own mobile") << true << false << QStringList{"", "", "", ""} << ""
                                         << "9000000001|1|a@b.in|2||3|c@d.in|4";
    QTest::newRow("alias keeps e-mail for mail setup") << false << true << QStringList{"", "7", "", ""} << ""
                                                       << "9876543210|1|old@e|7||3|c@d.in|4";
  }
  void assignment() {
    QFETCH(bool, custMobile);
    QFETCH(bool, fetchAlias);
    QFETCH(QStringList, relations);
    QFETCH(QString, secMobile);
    QFETCH(QString, ticked);
    auto view = makeRegister({"C1|One|T", "C2|Two|U", "C3|Three|H"});
    grid::FlexGridModel& g = *view->model();
    for (int row = 2; row <= 4; ++row)
      fillRow(g, row, "10=9000000001;36=old-m;37=1;38=old@e;39=2;40=old-m2;41=3;42=old@e2;43=4");
    DefaultChoices c{" 9876543210",
                     "a@b.in ",
                     secMobile,
                     "c@d.in",
                     custMobile,
                     fetchAlias,
                     {relations[0], relations[1], relations[2], relations[3]}};
    QCOMPARE(AssignDefaults(g, c), 1);
    QCOMPARE(rowCells(g, 2), ticked);
    QCOMPARE(rowCells(g, 3), "old-m|1|old@e|2|old-m2|3|old@e2|4");  // unticked
    QCOMPARE(rowCells(g, 4), "old-m|1|old@e|2|old-m2|3|old@e2|4");  // hidden
    QVERIFY(g.Redraw());
  }

  void incompleteRows_data() {
    QTest::addColumn<QStringList>("rows");  // cells of the three selected rows (the fourth is unticked)
    QTest::addColumn<QString>("expected");  // "row,col,message" or ""
    const QString full = "34=No;36=9876543210;37=1;38=a@b.in;39=1";
    QTest::newRow("all complete") << QStringList{full, full, full} << "";
    QTest::newRow("ISD blank for non-resident")
        << QStringList{full, full + ";34=Yes"} << "3,35,ISD cannot be blank";
    QTest::newRow("non-resident No needs no ISD") << QStringList{full + ";34=No;35="} << "";
    QTest::newRow("\"yes\" is not \"Yes\"") << QStringList{full + ";34=yes"} << "";
    QTest::newRow("earlier row first")
        << QStringList{full + ";36= ", full, full + ";34=Yes"} << "2,36,Primary Mobile cannot be blank";
    QTest::newRow("relation 0") << QStringList{full + ";37=0"}
                                << "2,37,Primary Mobile Belongs To cannot be blank";
    QTest::newRow("email blank") << QStringList{full + ";38="} << "2,38,Primary E-Mail cannot be blank";
    QTest::newRow("email relation blank")
        << QStringList{full + ";39="} << "2,39,Primary E-Mail Belongs To cannot be blank";
    QTest::newRow("secondary mobile without relation")
        << QStringList{full + ";40=9123456789"} << "2,41,Secondary Mobile Belongs To cannot be blank";
    QTest::newRow("secondary e-mail without relation")
        << QStringList{full + ";42=c@d.in;43=0"} << "2,43,Secondary E-mail Belongs To cannot be blank";
  }
  void incompleteRows() {
    QFETCH(QStringList, rows);
    QFETCH(QString, expected);
    auto view = makeRegister({"C1|A", "C2|B", "C3|C", "C4|D|U"});
    grid::FlexGridModel& g = *view->model();
    for (int i = 0; i < rows.size(); ++i) fillRow(g, 2 + i, rows[i]);
    for (int i = int(rows.size()); i < 3; ++i) fillRow(g, 2 + i, rows[0]);
    // The unticked row is incomplete and never counts.
    const auto found = FindIncompleteRow(g);
    QCOMPARE(
        found ? QStringLiteral("%1,%2,%3").arg(found->row).arg(found->col).arg(found->message) : QString(),
        expected);
  }

  void validateformShowsAndPlacesCursor() {
    ScopedInteraction ui;
    auto view = makeRegister({"C1|A", "C2|B"});
    fillRow(*view->model(), 2, "36=9876543210;37=1;38=a@b.in;39=1");
    fillRow(*view->model(), 3, "36=9876543210;37=1;38=a@b.in;39=1;42=x@y.in");
    QVERIFY(!validateform(*view));
    QCOMPARE(ui->messages.size(), size_t(1));
    QCOMPARE(ui->messages[0].text, "Secondary E-mail Belongs To cannot be blank");
    QCOMPARE(ui->messages[0].icon, Interaction::Icon::Information);
    QCOMPARE(view->Row(), 3);
    QCOMPARE(view->Col(), C43);
  }

  void statementSplitting_data() {
    QTest::addColumn<int>("groups");
    QTest::addColumn<int>("maxBytes");
    QTest::addColumn<int>("statements");
    // Head "H" (1 byte); each group "(nnnn)" 6 bytes; a statement of k groups is 1 + 7k - 1.
    QTest::newRow("none") << 0 << 100 << 0;
    QTest::newRow("all fit") << 10 << 70 << 1;
    QTest::newRow("one byte short") << 10 << 69 << 2;
    QTest::newRow("many") << 1000 << 701 << 10;
    QTest::newRow("group longer than the limit") << 3 << 4 << 3;
  }
  void statementSplitting() {
    QFETCH(int, groups);
    QFETCH(int, maxBytes);
    QFETCH(int, statements);
    ValueListStatements builder(QStringLiteral("H"), maxBytes);
    QStringList sent;
    for (int i = 0; i < groups; ++i) {
      sent << QStringLiteral("(%1)").arg(i, 4, 10, QLatin1Char('0'));
      builder.add(sent.last());
    }
    const QStringList built = builder.finish();
    QCOMPARE(built.size(), statements);
    QStringList received;
    for (const QString& s : built) {
      QVERIFY(s.startsWith(u'H'));
      if (s.size() > 7)
        QVERIFY(ValueListStatements::utf8Size(s) <= maxBytes);
      received << s.mid(1).split(u',');
    }
    if (groups > 0)
      QCOMPARE(received, sent);
  }

  void utf8Size() {
    QCOMPARE(ValueListStatements::utf8Size(u"a\u00e9\u0939"), 1 + 2 + 3);
    QCOMPARE(ValueListStatements::utf8Size(QString::fromUcs4(U"\U0001F600")), 4);
  }

  void limitValue_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("limit");  // -1: no check
    QTest::newRow("empty") << "" << -1;
    QTest::newRow("zero") << "0" << -1;
    QTest::newRow("ten") << "10" << 10;
    QTest::newRow("leading number") << " 12ab" << 12;
    QTest::newRow("rounded") << "7.6" << 8;
    QTest::newRow("half to even") << "2.5" << 2;
    QTest::newRow("below a half") << "0.4" << 0;
  }
  void limitValue() {
    QFETCH(QString, text);
    QFETCH(int, limit);
    QCOMPARE(LimitValue(text).value_or(-1), limit);
  }
};

QTEST_MAIN(TestAssignRules)
#include "tst_assign_rules.moc"
