#include "assign/assign_rules.h"
#include "assign/auto_find.h"
#include "assign/batch_update.h"
#include "assign_test_grid.h"
#include "entry/mod_it_main.h"
#include "fake_base.h"
#include "scripted_interaction.h"

#include <QTest>

#include <algorithm>

using namespace kestrel;
using namespace kestrel::testing;

namespace {
// Cells of a row given as "col=value;col=value".
void fillRow(grid::FlexGridModel& g, int row, const QString& cells) {
  for (const QString& cell : cells.split(u';', Qt::SkipEmptyParts))
    g.setTextMatrix(row, cell.section(u'=', 0, 0).toInt(), cell.section(u'=', 1));
}

// Columns 36..43 (the new contact details) of a row.
QString rowCells(const grid::FlexGridModel& g, int row) {
  QStringList cells;
  for (int c = 36; c <= 43; ++c) cells << g.TextMatrix(row, c);
  return cells.join(u'|');
}
}  // namespace

class TestAssignRules : public QObject {
  Q_OBJECT

 private slots:
  void autoFind_data() {
    QTest::addColumn<QString>("field");  // "text|selStart|selLength"
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("limit");
    QTest::addColumn<QString>("expected");  // "key passed,list index,field afterwards" ("" unchanged)
    QTest::newRow("Enter is dropped") << "98|2|0" << 13 << false << "0,-1,";
    QTest::newRow("backspace at 0, limited, selects all") << "ab|0|0" << 8 << true << "0,-1,ab|0|2";
    QTest::newRow("first char, any case") << "|0|0" << int('A') << false << "0,2,abc@x.com|1|8";
    QTest::newRow("typed over selection") << "abc@x.com|2|7" << int('d') << false << "0,3,Abd@y.com|3|6";
    QTest::newRow("no match passes the key") << "98|2|0" << int('0') << false << "48,-1,";
    QTest::newRow("exact entry, nothing selected")
        << "987654321|9|0" << int('0') << false << "0,0,9876543210|10|0";
  }
  void autoFind() {
    QFETCH(QString, field);
    QFETCH(int, key);
    QFETCH(bool, limit);
    QFETCH(QString, expected);
    const QStringList f = field.split(u'|');
    const AutoFindResult r = AutoFind({"9876543210", "9123456789", "abc@x.com", "Abd@y.com"},
                                      {f[0], f[1].toInt(), f[2].toInt()}, key, limit);
    const QString after =
        r.changed ? QString("%1|%2|%3").arg(r.field.text).arg(r.field.selStart).arg(r.field.selLength) : "";
    QCOMPARE(QString("%1,%2,%3").arg(r.keyAscii).arg(r.listIndex).arg(after), expected);
  }

  void panelChecks_data() {
    QTest::addColumn<QString>("texts");  // primary mobile;primary e-mail;secondary mobile;secondary e-mail
    QTest::addColumn<bool>("custMobile");
    QTest::addColumn<bool>("fetchAlias");
    QTest::addColumn<int>("focus");
    QTest::addColumn<QString>("message");
    QTest::newRow("blank mobile, client's own") << ";a@b.in;;" << true << false << -1 << "";
    QTest::newRow("blank mobile, before e-mail")
        << " ;;;" << false << false << 0 << PrimaryMobileBlankMessage;
    QTest::newRow("blank e-mail") << "9876543210;;;" << false << false << 1 << PrimaryEMailBlankMessage;
    QTest::newRow("blank e-mail, alias") << "9876543210;;;" << false << true << -1 << "";
    QTest::newRow("same mobile, blanks around")
        << " 9876543210;a@b.in;9876543210 ;" << false << false << 2 << SameMobileMessage;
    QTest::newRow("e-mails differ in case") << "9876543210;a@b.in;;A@b.in" << false << false << -1 << "";
  }
  void panelChecks() {
    QFETCH(QString, texts);
    QFETCH(bool, custMobile);
    QFETCH(bool, fetchAlias);
    QFETCH(int, focus);
    QFETCH(QString, message);
    const QStringList t = texts.split(u';');
    const auto refusal = CheckDefaultChoices({t[0], t[1], t[2], t[3], custMobile, fetchAlias, {}});
    QCOMPARE(refusal ? refusal->message : QString(), message);
    QCOMPARE(refusal ? int(refusal->focus) : -1, focus);
  }

  void assignment_data() {
    QTest::addColumn<QString>("secMobile");
    QTest::addColumn<bool>("custMobile");
    QTest::addColumn<QString>("relations");  // of the four belongs-to boxes, ';'-separated
    QTest::addColumn<bool>("fetchAlias");
    QTest::addColumn<QString>("ticked");  // columns 36..43 of the ticked row afterwards
    // Before: 36..43 = old-m|1|old@e|2|old-m2|3|old@e2|4, column 10 (the client's mobile) = 9000000001.
    QTest::newRow("plain, relations on (Select)")
        << " 9123456789 " << false << ";;;" << false << "9876543210|1|a@b.in|2|9123456789|3|c@d.in|4";
    QTest::newRow("client's own mobile, relations chosen")
        << "" << true << "5;1;10;12" << false << "9000000001|5|a@b.in|1||10|c@d.in|12";
    QTest::newRow("alias keeps e-mail for mail setup")
        << "" << false << ";7;;" << true << "9876543210|1|old@e|7||3|c@d.in|4";
  }
  void assignment() {
    QFETCH(QString, secMobile);
    QFETCH(bool, custMobile);
    QFETCH(QString, relations);
    QFETCH(bool, fetchAlias);
    QFETCH(QString, ticked);
    auto view = makeRegister({"C1|One|T", "C2|Two|U", "C3|Three|H"});
    grid::FlexGridModel& g = *view->model();
    const QString old = "old-m|1|old@e|2|old-m2|3|old@e2|4";
    for (int row = 2; row <= 4; ++row) {
      g.setTextMatrix(row, 10, "9000000001");
      for (int c = 36; c <= 43; ++c) g.setTextMatrix(row, c, old.section(u'|', c - 36, c - 36));
    }
    DefaultChoices c{" 9876543210", "a@b.in ", secMobile, "c@d.in", custMobile, fetchAlias, {}};
    std::ranges::copy(relations.split(u';'), c.relation.begin());
    QCOMPARE(AssignDefaults(g, c), 1);
    QCOMPARE(rowCells(g, 2), ticked);
    QCOMPARE(rowCells(g, 3), old);  // unticked
    QCOMPARE(rowCells(g, 4), old);  // hidden
    QVERIFY(g.Redraw());
  }

  // validateform names the first incomplete ticked row and puts the cursor on the cell.
  void incompleteRows_data() {
    QTest::addColumn<QStringList>("rows");  // cells of the three ticked rows (the fourth is unticked)
    QTest::addColumn<QString>("expected");  // "row,col,message" or ""
    const QString ok = "34=No;36=9876543210;37=1;38=a@b.in;39=1";
    QTest::newRow("all complete") << QStringList{ok, ok, ok} << "";
    QTest::newRow("ISD blank for non-resident")
        << QStringList{ok, ok + ";34=Yes"} << "3,35,ISD cannot be blank";
    QTest::newRow("\"yes\" is not \"Yes\"") << QStringList{ok + ";34=yes"} << "";
    QTest::newRow("earlier row first")
        << QStringList{ok + ";36= ", ok, ok + ";34=Yes"} << "2,36,Primary Mobile cannot be blank";
    QTest::newRow("relation 0") << QStringList{ok + ";37=0"}
                                << "2,37,Primary Mobile Belongs To cannot be blank";
    QTest::newRow("secondary mobile")
        << QStringList{ok + ";40=9123456789"} << "2,41,Secondary Mobile Belongs To cannot be blank";
  }
  void incompleteRows() {
    QFETCH(QStringList, rows);
    QFETCH(QString, expected);
    ScopedInteraction ui;
    auto view = makeRegister({"C1|A", "C2|B", "C3|C", "C4|D|U"});  // the unticked row never counts
    for (int i = 0; i < 3; ++i) fillRow(*view->model(), 2 + i, rows.value(i, rows[0]));
    QCOMPARE(validateform(*view), expected.isEmpty());
    QCOMPARE(ui->messages.size(), size_t(expected.isEmpty() ? 0 : 1));
    if (!expected.isEmpty())
      QCOMPARE(QString("%1,%2,%3").arg(view->Row()).arg(view->Col()).arg(ui->messages[0].text), expected);
  }

  // Statements are split by their size in bytes as sent, not by characters.
  void utf8Size() {
    QCOMPARE(ValueListStatements::utf8Size(QString::fromUcs4(U"a\u00e9\u0939\U0001F600")), 10);
  }
};

QTEST_MAIN(TestAssignRules)
#include "tst_assign_rules.moc"
