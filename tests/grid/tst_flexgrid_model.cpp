#include "platform/grid/flexgrid_model.h"

#include <QFontMetrics>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

#include <functional>
#include <stdexcept>

using namespace kestrel::grid;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(kestrel::grid::CellRange)

namespace {

struct Grid : FlexGridModel {
  Grid(int cols, int rows, int fixedRows = 0) {
    setCols(cols);
    setRows(rows);
    setFixedRows(fixedRows);
  }
};

QStringList fields(const QString& text) {
  return text.split(u'|');
}

// A grid laid out like the client register: two header rows, 24 columns, data from row 2.
struct RegisterGrid : Grid {
  explicit RegisterGrid(int dataRows) : Grid(24, 2 + dataRows, 2) {
    setMergeCells(flexMergeFixedOnly);
    setMergeRow(0, true);
    for (int c = 0; c < Cols(); ++c) setMergeCol(c, true);
    const QStringList captions = fields(u"|Code|Name|PAN"_s);
    for (int c = 0; c < captions.size(); ++c) {
      setTextMatrix(0, c, captions[c]);
      setTextMatrix(1, c, captions[c]);
    }
    for (int c = 13; c <= 22; ++c) setTextMatrix(0, c, u"As per Software"_s);
    setTextMatrix(1, 13, u"Mobile"_s);
  }
};

}  // namespace

class TestFlexGridModel : public QObject {
  Q_OBJECT

 private slots:
  // Random overwrites of many lengths, now and then past 255 characters, force the text store to
  // reuse and compact its space without touching the cells around.
  void overwritesKeepEveryCell() {
    Grid m(3, 4000);
    QStringList shadow(4000);
    QRandomGenerator random(7);
    for (int i = 0; i < 60000; ++i) {
      const int row = random.bounded(4000);
      const int length = random.bounded(i % 50 == 0 ? 400 : 40);
      QString text;
      for (int k = 0; k < length; ++k) text += QChar(k % 7 == 3 ? u'é' : char16_t(u'a' + random.bounded(26)));
      m.setTextMatrix(row, 1, text);
      shadow[row] = text;
    }
    for (int r = 0; r < 4000; ++r) {
      QCOMPARE(m.TextMatrix(r, 1), shadow[r]);
      QVERIFY(m.isCellEmpty(r, 1) == shadow[r].isEmpty() && m.isCellEmpty(r, 0) && m.isCellEmpty(r, 2));
    }
    QVERIFY(m.memoryUsed() < 1'000'000);
  }

  // Rows dropped by shrinking come back empty, with no check box, when the grid grows again.
  void rowCountChanges() {
    Grid m(2, 1, 1);
    for (const QString& text : fields(u"a|b|c"_s)) m.AddItem(text);
    m.setCellChecked(3, 1, flexChecked);
    m.setRows(3);
    QCOMPARE(m.visibleRowCount(), 2);
    QCOMPARE(m.TextMatrix(2, 0), u"b"_s);
    m.setRows(5);
    QVERIFY(m.TextMatrix(3, 0).isEmpty() && m.TextMatrix(4, 0).isEmpty());
    QCOMPARE(m.CellChecked(3, 1), int(flexNoCheckbox));
    m.setRows(0);
    QCOMPARE(m.visibleRowCount(), 0);
  }

  void addItem_data() {
    QTest::addColumn<QString>("item");
    QTest::addColumn<int>("at");
    QTest::addColumn<int>("row");  // where the item lands
    QTest::addColumn<QStringList>("cells");
    QTest::newRow("append, extra fields dropped") << u"\t\tX\td"_s << -1 << 4 << QStringList{{}, {}, u"X"_s};
    QTest::newRow("insert at data row") << u"new"_s << 2 << 2 << QStringList{u"new"_s, {}, {}};
    QTest::newRow("insert after last") << u"z"_s << 4 << 4 << QStringList{u"z"_s, {}, {}};
  }
  void addItem() {
    QFETCH(QString, item);
    QFETCH(int, at);
    QFETCH(int, row);
    QFETCH(QStringList, cells);
    Grid m(3, 2, 2);
    m.AddItem(u"first\tx"_s);
    m.AddItem(u"second\ty"_s);
    m.AddItem(item, at);
    QCOMPARE(m.Rows(), 5);
    QCOMPARE((QStringList{m.TextMatrix(row, 0), m.TextMatrix(row, 1), m.TextMatrix(row, 2)}), cells);
    QCOMPARE(m.TextMatrix(m.FindRow(u"first"_s) + 1, 1), u"y"_s);
    QCOMPARE(m.visibleRowCount(), 3);
    QCOMPARE(m.visibleRowAt(m.visibleIndexOfRow(row)), row);
  }

  void removeItemShiftsEverything() {
    Grid m(2, 1, 1);
    for (int i = 0; i < 5; ++i) m.AddItem(QString::number(i));
    m.setCellBackColor(4, 0, 4, 1, Qt::yellow);
    m.setRowHidden(5, true);
    m.RemoveItem(2);
    QCOMPARE(m.Rows(), 5);
    QCOMPARE(m.TextMatrix(2, 0), u"2"_s);
    QCOMPARE(m.CellBackColor(3, 1), QColor(Qt::yellow));
    QVERIFY(m.RowHidden(4));
    QCOMPARE(m.visibleRowCount(), 3);
    QCOMPARE(m.visibleRowAt(2), 3);
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, m.RemoveItem(0));
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, m.setTextMatrix(0, 2, u"x"_s));
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, m.AddItem(u"x"_s, 9));
  }

  void clear() {
    RegisterGrid m(3);
    m.setTextMatrix(3, 2, u"Asha"_s);
    m.setCellChecked(3, 0, flexChecked);
    m.setCellBackColor(3, 0, 3, m.Cols() - 1, Qt::red);
    m.Clear(flexClearScrollable, flexClearFormatting);
    QVERIFY(m.CellChecked(3, 0) != flexChecked && !m.CellBackColor(3, 5).isValid());
    QCOMPARE(m.TextMatrix(3, 2), u"Asha"_s);
    QCOMPARE(m.TextMatrix(1, 2), u"Name"_s);
    m.Clear(flexClearFixed, flexClearEverything);
    QVERIFY(m.TextMatrix(1, 2).isEmpty());
    QCOMPARE(m.TextMatrix(3, 2), u"Asha"_s);
    m.Clear(flexClearScrollable, flexClearText);
    QVERIFY(m.TextMatrix(3, 2).isEmpty());
    QCOMPARE(m.Rows(), 5);
  }

  void colours() {
    Grid m(4, 6);
    m.setCellBackColor(2, 0, 4, 3, Qt::red);  // whole rows
    m.setCellBackColor(3, 2, Qt::green);
    QCOMPARE(m.CellBackColor(3, 1), QColor(Qt::red));
    m.setCellBackColor(3, 0, 3, 3, QColor());  // a whole row back to default drops its cell colours
    QVERIFY(!m.CellBackColor(3, 2).isValid());
    QCOMPARE(m.CellBackColor(2, 2), QColor(Qt::red));
  }

  void hiddenRowsAndVisibleIndex() {
    Grid m(1, 12, 2);
    QSignalSpy layout(&m, &FlexGridModel::layoutChanged);
    for (int r = 2; r < 12; r += 2) m.setRowHidden(r, true);
    m.setRowHidden(4, true);  // no change, no signal
    QCOMPARE(layout.size(), 5);
    m.setRowHidden(0, true);  // header rows do not count
    QCOMPARE(m.visibleRowCount(), 5);
    QCOMPARE(m.visibleRowAt(0), 3);
    QCOMPARE(m.visibleIndexOfRow(7), 2);
    QCOMPARE(m.visibleIndexOfRow(6), -1);
    QCOMPARE(m.visibleLowerBound(6), 2);
    QSignalSpy cells(&m, &FlexGridModel::cellsChanged);
    layout.clear();
    m.setRedraw(false);  // nothing is signalled until redrawing resumes, then one layout change
    m.setTextMatrix(3, 0, u"x"_s);
    m.setRowHidden(3, true);
    QVERIFY(cells.isEmpty() && layout.isEmpty());
    m.setRedraw(true);
    QCOMPARE(layout.size(), 1);
  }

  void currentCell() {
    Grid m(3, 5, 1);
    QSignalSpy entered(&m, &FlexGridModel::cellEntered);
    m.setRow(3);
    m.setRow(3);  // no move, no signal
    m.setCol(2);
    m.setRowSel(4);
    m.setSelectionMode(flexSelectionByRow);
    QCOMPARE(m.selection(), (CellRange{3, 0, 4, 2}));
    m.setRows(3);  // the current row follows the last row
    QCOMPARE(m.Row(), 2);
    QCOMPARE(entered.size(), 3);
  }

  void comboList_data() {
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("shown");
    const QString owners = u"#0; |#1;Self|#2;Spouse|#10;Authorised Representative"_s;
    QTest::newRow("coded") << owners << u"10"_s << u"Authorised Representative"_s;
    QTest::newRow("editable") << u"|Gmail|Yahoo"_s << u"Rediff"_s << u"Rediff"_s;
    QTest::newRow("extra columns hidden") << u"#A;Alpha\tfirst|#B;Beta\tsecond"_s << u"B"_s << u"Beta"_s;
  }
  void comboList() {
    QFETCH(QString, list);
    QFETCH(QString, stored);
    Grid m(3, 3);
    m.setColComboList(1, list);
    m.setTextMatrix(2, 1, stored);
    QCOMPARE(m.TextMatrix(2, 1), stored);
    QTEST(m.DisplayText(2, 1), "shown");
    QCOMPARE(m.comboList(1)->isEditable(), list.startsWith(u'|'));  // a blank first entry allows typing
    m.setColComboList(1, QString());
    QCOMPARE(m.DisplayText(2, 1), stored);
  }

  void mergedRange_data() {
    QTest::addColumn<int>("frozen");  // columns that do not scroll
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("col");
    QTest::addColumn<CellRange>("expected");
    QTest::newRow("equal captions merge down") << 0 << 1 << 2 << CellRange{0, 2, 1, 2};
    QTest::newRow("group caption across") << 0 << 0 << 17 << CellRange{0, 13, 0, 22};
    QTest::newRow("row 1 does not merge across") << 0 << 1 << 16 << CellRange{1, 16, 1, 16};
    QTest::newRow("equal data below header") << 0 << 2 << 2 << CellRange{2, 2, 2, 2};
    QTest::newRow("caption split: scrolling part") << 15 << 0 << 17 << CellRange{0, 15, 0, 22};
    QTest::newRow("caption split: frozen part") << 15 << 0 << 13 << CellRange{0, 13, 0, 14};
    QTest::newRow("frozen captions merge down") << 15 << 0 << 2 << CellRange{0, 2, 1, 2};
  }
  void mergedRange() {
    QFETCH(int, frozen);
    QFETCH(int, row);
    QFETCH(int, col);
    RegisterGrid m(4);
    m.setFrozenCols(frozen);
    m.setTextMatrix(2, 2, u"Name"_s);  // equals the caption above but is data
    QTEST(m.mergedRange(row, col), "expected");
  }

  void findRow_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("start");
    QTest::addColumn<bool>("caseSensitive");
    QTest::addColumn<bool>("wholeCell");
    QTest::addColumn<int>("expected");
    QTest::newRow("case differs") << u"meena rao"_s << -1 << true << true << -1;
    QTest::newRow("ignoring case") << u"meena rao"_s << -1 << false << true << 4;
    QTest::newRow("start of cell") << u"Meena"_s << -1 << true << false << 4;
    QTest::newRow("from start row") << u"Meena"_s << 5 << true << false << 6;
    QTest::newRow("header rows skipped") << u"Name"_s << -1 << true << true << -1;
    QTest::newRow("non-ascii ignoring case") << u"ÉLAN"_s << -1 << false << true << 5;
  }
  void findRow() {
    QFETCH(QString, text);
    QFETCH(int, start);
    QFETCH(bool, caseSensitive);
    QFETCH(bool, wholeCell);
    Grid m(3, 2, 2);
    m.setTextMatrix(0, 1, u"Name"_s);
    for (const QString& item : fields(u"1\tAsha Iyer|2\tRavi|3\tMeena Rao|4\télan|5\tMeenakshi"_s))
      m.AddItem(item);
    m.setRowHidden(4, true);  // hidden rows are still searched
    QTEST(m.FindRow(text, start, 1, caseSensitive, wholeCell), "expected");
  }

  void twips() {
    QCOMPARE(FlexGridModel::twipsToPixels(100, 96.0), 7);  // rounds
    Grid m(1, 0);
    m.setLogicalDpi(120.0);
    m.setColWidthTwips(0, 1500);
    QCOMPARE(m.ColWidth(0), 125);
  }

  void autoSize() {
    RegisterGrid m(3);
    const QString widest(24, u'W');
    m.setTextMatrix(2, 1, u"7"_s);
    m.setTextMatrix(3, 1, widest);
    m.setTextMatrix(4, 1, u"iiii"_s);
    m.AutoSize(1);
    const int wide = m.ColWidth(1);
    const QFontMetrics fm(m.font());
    QVERIFY(wide >= fm.horizontalAdvance(widest) && wide <= fm.horizontalAdvance(widest) + 16);
    m.setTextMatrix(3, 1, u"12"_s);  // the header caption is then the widest
    m.AutoSize(1);
    QVERIFY(m.ColWidth(1) >= fm.horizontalAdvance(u"Code"_s));
    // The merged group caption spans ten columns and does not widen column 13.
    m.AutoSize(13);
    QVERIFY(m.ColWidth(13) < fm.horizontalAdvance(u"As per Software"_s));
    m.setColComboList(5, u"#0; |#10;Authorised Representative"_s);
    m.setTextMatrix(2, 5, u"10"_s);
    m.AutoSize(5, 5, false, 4);
    QVERIFY(m.ColWidth(5) >= fm.horizontalAdvance(u"Authorised Representative"_s) + 4);
    m.AutoSize(1, 5, true);
    QCOMPARE(m.ColWidth(1), m.ColWidth(5));
  }

  // Widths kept between measures must always equal a fresh measure of the same cells, whatever
  // changed the cells in between.
  void autoSizeFollowsEveryKindOfChange() {
    FlexGridModel m;
    m.setCols(4);
    for (int r = 0; r < 300; ++r)
      m.AddItem(u"%1\tname %2\t\t%3"_s.arg(r).arg(r * 7).arg(QString(r % 13, u'W')));
    const std::vector<std::function<void()>> changes = {
        [&] { m.setTextMatrix(12, 3, QString(40, u'W')); },  // one cell grows
        [&] { m.setTextMatrix(12, 3, QString()); },          // and empties again
        [&] { m.setTextMatrix(5, 2, u"x"_s); },              // a column that was empty
        [&] { m.RemoveItem(4); },
        [&] { m.AddItem(u"a\tb\tc\t"_s + QString(30, u'W'), 7); },
        [&] { m.Clear(flexClearEverywhere, flexClearText); },
        [&] { m.setTextMatrix(0, 1, u"after clearing"_s); },
        [&] { m.setRows(2); },
    };
    m.AutoSize(0, 3);
    for (const auto& change : changes) {
      change();
      m.AutoSize(0, 3);
      Grid fresh(4, m.Rows());
      for (int r = 0; r < m.Rows(); ++r)
        for (int c = 0; c < 4; ++c) fresh.setTextMatrix(r, c, m.TextMatrix(r, c));
      fresh.AutoSize(0, 3);
      for (int c = 0; c < 4; ++c) QCOMPARE(m.ColWidth(c), fresh.ColWidth(c));
    }
  }
};

QTEST_MAIN(TestFlexGridModel)
#include "tst_flexgrid_model.moc"
