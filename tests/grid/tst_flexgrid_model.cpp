#include "platform/grid/flexgrid_model.h"

#include <QFontMetrics>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

#include <functional>

#include <stdexcept>

using namespace kestrel::grid;

Q_DECLARE_METATYPE(kestrel::grid::CellRange)

namespace kestrel::grid {
char* toString(const CellRange& r) {
  return QTest::toString(QStringLiteral("(%1,%2)-(%3,%4)").arg(r.row1).arg(r.col1).arg(r.row2).arg(r.col2));
}
}  // namespace kestrel::grid

namespace {

// A grid laid out like the client register: two header rows, 24 columns, data from row 2.
void layOutRegister(FlexGridModel& m, int dataRows) {
  m.setCols(24);
  m.setRows(2 + dataRows);
  m.setFixedRows(2);
  m.setFixedCols(0);
  m.setMergeCells(flexMergeFixedOnly);
  m.setMergeRow(0, true);
  for (int c = 0; c < m.Cols(); ++c) m.setMergeCol(c, true);
  const QStringList captions{QString(), QStringLiteral("Code"), QStringLiteral("Name"),
                             QStringLiteral("PAN")};
  for (int c = 0; c < captions.size(); ++c) {
    m.setTextMatrix(0, c, captions[c]);
    m.setTextMatrix(1, c, captions[c]);
  }
  for (int c = 13; c <= 22; ++c) m.setTextMatrix(0, c, QStringLiteral("As per Software"));
  m.setTextMatrix(1, 13, QStringLiteral("Mobile"));
  m.setTextMatrix(1, 14, QStringLiteral("E-mail"));
}

}  // namespace

class TestFlexGridModel : public QObject {
  Q_OBJECT

 private slots:
  void textStorage_data();
  void textStorage();
  void overwritesKeepEveryCell();
  void rowCountChanges_data();
  void rowCountChanges();
  void addItem_data();
  void addItem();
  void removeItemShiftsEverything();
  void clear_data();
  void clear();
  void outOfRangeThrows();
  void checkStates_data();
  void checkStates();
  void colours();
  void hiddenRowsAndVisibleIndex();
  void currentCell();
  void redrawSilences();
  void comboList_data();
  void comboList();
  void mergedRange_data();
  void mergedRange();
  void mergeFreeModes();
  void findRow_data();
  void findRow();
  void twips_data();
  void twips();
  void autoSize();
  void autoSizeFollowsEveryKindOfChange();
};

void TestFlexGridModel::textStorage_data() {
  QTest::addColumn<QStringList>("writes");
  QTest::newRow("one byte") << QStringList{QStringLiteral("Y")};
  QTest::newRow("three utf-8 bytes") << QStringList{QStringLiteral("₹")};
  QTest::newRow("devanagari") << QStringList{QStringLiteral("राम कुमार")};
  QTest::newRow("empty") << QStringList{QString()};
  QTest::newRow("long, two-byte length") << QStringList{QString(300, u'x')};
  QTest::newRow("longer over shorter") << QStringList{QStringLiteral("abcd"), QStringLiteral("abcdefghij")};
  QTest::newRow("shorter over longer") << QStringList{QStringLiteral("abcdefghij"), QStringLiteral("abcd")};
  QTest::newRow("inline over arena") << QStringList{QStringLiteral("abcdefghij"), QStringLiteral("No")};
  QTest::newRow("short over 200 chars") << QStringList{QString(200, u'a'), QString(100, u'b')};
  QTest::newRow("emptied") << QStringList{QStringLiteral("something"), QString()};
}

void TestFlexGridModel::textStorage() {
  QFETCH(QStringList, writes);
  FlexGridModel m;
  m.setCols(3);
  m.setRows(5);
  m.setTextMatrix(1, 1, QStringLiteral("neighbour above"));
  m.setTextMatrix(3, 1, QStringLiteral("nb"));
  for (const QString& text : writes) m.setTextMatrix(2, 1, text);
  QCOMPARE(m.TextMatrix(2, 1), writes.last());
  QCOMPARE(m.isCellEmpty(2, 1), writes.last().isEmpty());
  QCOMPARE(m.TextMatrix(1, 1), QStringLiteral("neighbour above"));
  QCOMPARE(m.TextMatrix(3, 1), QStringLiteral("nb"));
  QVERIFY(m.TextMatrix(2, 0).isEmpty());
  QVERIFY(m.TextMatrix(2, 2).isEmpty());
}

// Random overwrites of many lengths force the text store to reuse and compact its space.
void TestFlexGridModel::overwritesKeepEveryCell() {
  FlexGridModel m;
  m.setCols(2);
  m.setRows(4000);
  QStringList shadow(4000);
  QRandomGenerator random(7);
  for (int i = 0; i < 60000; ++i) {
    const int row = random.bounded(4000);
    const int length = random.bounded(0, 40);
    QString text;
    for (int k = 0; k < length; ++k) text += QChar(k % 7 == 3 ? u'é' : char16_t(u'a' + random.bounded(26)));
    m.setTextMatrix(row, 1, text);
    shadow[row] = text;
  }
  for (int r = 0; r < 4000; ++r) QCOMPARE(m.TextMatrix(r, 1), shadow[r]);
  QVERIFY(m.memoryUsed() < 1'000'000);
}

void TestFlexGridModel::rowCountChanges_data() {
  QTest::addColumn<int>("newRows");
  QTest::addColumn<QStringList>("expected");  // column 0 of every row afterwards
  QTest::newRow("shrink drops rows") << 3
                                     << QStringList{QStringLiteral("h"), QStringLiteral("a"),
                                                    QStringLiteral("b")};
  QTest::newRow("grow adds empty rows")
      << 7
      << QStringList{
             QStringLiteral("h"), QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), {}, {}, {}};
  QTest::newRow("to headers only") << 1 << QStringList{QStringLiteral("h")};
  QTest::newRow("to nothing") << 0 << QStringList{};
}

void TestFlexGridModel::rowCountChanges() {
  QFETCH(int, newRows);
  QFETCH(QStringList, expected);
  FlexGridModel m;
  m.setCols(2);
  m.setRows(1);
  m.setFixedRows(1);
  m.setTextMatrix(0, 0, QStringLiteral("h"));
  for (const char* text : {"a", "b", "c"}) m.AddItem(QString::fromLatin1(text));
  m.setCellChecked(3, 1, flexChecked);
  m.setRows(newRows);
  QCOMPARE(m.Rows(), newRows);
  QCOMPARE(m.visibleRowCount(), std::max(0, newRows - 1));
  for (int r = 0; r < newRows; ++r) QCOMPARE(m.TextMatrix(r, 0), expected[r]);
  if (newRows > 4)
    QCOMPARE(m.CellChecked(4, 1), int(flexNoCheckbox));
  m.setRows(6);
  for (int r = std::max(newRows, 0); r < 6; ++r) {
    QVERIFY(m.TextMatrix(r, 0).isEmpty());
    QCOMPARE(m.CellChecked(r, 1), r == 3 && newRows > 3 ? int(flexChecked) : int(flexNoCheckbox));
  }
}

void TestFlexGridModel::addItem_data() {
  QTest::addColumn<QString>("item");
  QTest::addColumn<int>("at");
  QTest::addColumn<int>("row");  // where the item lands
  QTest::addColumn<QStringList>("cells");
  QTest::newRow("append") << QStringLiteral("1\tAsha\tAAAPA1234A") << -1 << 4
                          << QStringList{QStringLiteral("1"), QStringLiteral("Asha"),
                                         QStringLiteral("AAAPA1234A")};
  QTest::newRow("empty fields") << QStringLiteral("\t\tX") << -1 << 4
                                << QStringList{{}, {}, QStringLiteral("X")};
  QTest::newRow("more fields than columns")
      << QStringLiteral("a\tb\tc\td\te") << -1 << 4
      << QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")};
  QTest::newRow("insert at data row")
      << QStringLiteral("new") << 2 << 2 << QStringList{QStringLiteral("new"), {}, {}};
  QTest::newRow("insert after last") << QStringLiteral("z") << 4 << 4
                                     << QStringList{QStringLiteral("z"), {}, {}};
}

void TestFlexGridModel::addItem() {
  QFETCH(QString, item);
  QFETCH(int, at);
  QFETCH(int, row);
  QFETCH(QStringList, cells);
  FlexGridModel m;
  m.setCols(3);
  m.setRows(2);
  m.setFixedRows(2);
  m.AddItem(QStringLiteral("first\tx"));
  m.AddItem(QStringLiteral("second\ty"));
  m.AddItem(item, at);
  QCOMPARE(m.Rows(), 5);
  for (int c = 0; c < 3; ++c) QCOMPARE(m.TextMatrix(row, c), cells[c]);
  const int first = m.FindRow(QStringLiteral("first"));
  const int second = m.FindRow(QStringLiteral("second"));
  QCOMPARE(second, first + 1);
  QCOMPARE(m.TextMatrix(second, 1), QStringLiteral("y"));
  QCOMPARE(m.visibleRowCount(), 3);
  QCOMPARE(m.visibleRowAt(m.visibleIndexOfRow(row)), row);
}

void TestFlexGridModel::removeItemShiftsEverything() {
  FlexGridModel m;
  m.setCols(2);
  m.setRows(1);
  m.setFixedRows(1);
  for (int i = 0; i < 5; ++i) m.AddItem(QString::number(i));
  m.setCellChecked(3, 1, flexChecked);
  m.setCellBackColor(4, 0, 4, 1, Qt::yellow);
  m.setRowHidden(5, true);
  m.RemoveItem(2);
  QCOMPARE(m.Rows(), 5);
  QCOMPARE(m.TextMatrix(2, 0), QStringLiteral("2"));
  QCOMPARE(m.CellChecked(2, 1), int(flexChecked));
  QCOMPARE(m.CellBackColor(3, 1), QColor(Qt::yellow));
  QVERIFY(m.RowHidden(4));
  QCOMPARE(m.visibleRowCount(), 3);
  QCOMPARE(m.visibleRowAt(2), 3);
  QVERIFY_THROWS_EXCEPTION(std::invalid_argument, m.RemoveItem(0));
}

void TestFlexGridModel::clear_data() {
  QTest::addColumn<int>("where");
  QTest::addColumn<int>("what");
  QTest::addColumn<bool>("headerText");
  QTest::addColumn<bool>("dataText");
  QTest::addColumn<bool>("dataFormat");
  QTest::newRow("default: data only")
      << int(flexClearScrollable) << int(flexClearEverything) << true << false << false;
  QTest::newRow("everywhere") << int(flexClearEverywhere) << int(flexClearEverything) << false << false
                              << false;
  QTest::newRow("headers") << int(flexClearFixed) << int(flexClearEverything) << false << true << true;
  QTest::newRow("data text only") << int(flexClearScrollable) << int(flexClearText) << true << false << true;
  QTest::newRow("data formatting") << int(flexClearScrollable) << int(flexClearFormatting) << true << true
                                   << false;
}

void TestFlexGridModel::clear() {
  QFETCH(int, where);
  QFETCH(int, what);
  QFETCH(bool, headerText);
  QFETCH(bool, dataText);
  QFETCH(bool, dataFormat);
  FlexGridModel m;
  layOutRegister(m, 3);
  m.setTextMatrix(3, 2, QStringLiteral("Asha"));
  m.setCellChecked(3, 0, flexChecked);
  m.setCellBackColor(3, 0, 3, m.Cols() - 1, Qt::red);
  m.Clear(static_cast<ClearWhere>(where), static_cast<ClearWhat>(what));
  QCOMPARE(m.Rows(), 5);
  QCOMPARE(m.TextMatrix(1, 2) == QStringLiteral("Name"), headerText);
  QCOMPARE(m.TextMatrix(3, 2) == QStringLiteral("Asha"), dataText);
  QCOMPARE(m.CellChecked(3, 0) == flexChecked, dataFormat);
  QCOMPARE(m.CellBackColor(3, 5) == QColor(Qt::red), dataFormat);
}

void TestFlexGridModel::outOfRangeThrows() {
  FlexGridModel m;
  m.setCols(2);
  m.setRows(2);
  QVERIFY_THROWS_EXCEPTION(std::out_of_range, m.TextMatrix(2, 0));
  QVERIFY_THROWS_EXCEPTION(std::out_of_range, m.setTextMatrix(0, 2, QStringLiteral("x")));
  QVERIFY_THROWS_EXCEPTION(std::out_of_range, m.setCellChecked(-1, 0, flexChecked));
  QVERIFY_THROWS_EXCEPTION(std::out_of_range, m.AddItem(QStringLiteral("x"), 5));
  QCOMPARE(m.FindRow(QStringLiteral("x"), 7), -1);
}

void TestFlexGridModel::checkStates_data() {
  QTest::addColumn<int>("state");
  QTest::newRow("no box") << int(flexNoCheckbox);
  QTest::newRow("ticked") << int(flexChecked);
  QTest::newRow("grey") << int(flexTSGrayed);
  QTest::newRow("other grey value") << 7;
}

void TestFlexGridModel::checkStates() {
  QFETCH(int, state);
  FlexGridModel m;
  m.setCols(3);
  m.setRows(4);
  QSignalSpy changed(&m, &FlexGridModel::cellsChanged);
  m.setCellChecked(2, 1, state);
  QCOMPARE(m.CellChecked(2, 1), state);
  QCOMPARE(m.CellChecked(1, 1), int(flexNoCheckbox));
  QCOMPARE(m.CellChecked(2, 2), int(flexNoCheckbox));
  QCOMPARE(changed.size(), state == flexNoCheckbox ? 0 : 1);
  m.AddItem(QStringLiteral("x"), 0);
  QCOMPARE(m.CellChecked(3, 1), state);
}

void TestFlexGridModel::colours() {
  FlexGridModel m;
  m.setCols(4);
  m.setRows(6);
  const QColor pink(255, 200, 200);
  m.setCellBackColor(2, 0, 4, 3, pink);  // whole rows
  m.setCellBackColor(3, 2, Qt::green);
  m.setCellBackColor(4, 1, QColor());  // back to the grid's colour inside a coloured row
  m.setCellForeColor(5, 3, Qt::blue);
  QCOMPARE(m.CellBackColor(2, 3), pink);
  QCOMPARE(m.CellBackColor(3, 2), QColor(Qt::green));
  QCOMPARE(m.CellBackColor(3, 1), pink);
  QVERIFY(!m.CellBackColor(4, 1).isValid());
  QCOMPARE(m.CellBackColor(4, 0), pink);
  QVERIFY(!m.CellBackColor(1, 0).isValid());
  QCOMPARE(m.CellForeColor(5, 3), QColor(Qt::blue));
  QVERIFY(!m.CellForeColor(5, 2).isValid());
  m.setCellBackColor(3, 0, 3, 3, QColor());  // a whole row back to default drops its cell colours
  QVERIFY(!m.CellBackColor(3, 2).isValid());
  QCOMPARE(m.CellBackColor(2, 2), pink);
}

void TestFlexGridModel::hiddenRowsAndVisibleIndex() {
  FlexGridModel m;
  m.setCols(1);
  m.setRows(12);
  m.setFixedRows(2);
  QSignalSpy layout(&m, &FlexGridModel::layoutChanged);
  for (int r = 2; r < 12; r += 2) m.setRowHidden(r, true);
  m.setRowHidden(4, true);  // no change, no signal
  QCOMPARE(layout.size(), 5);
  m.setRowHidden(0, true);  // header rows do not count
  QCOMPARE(m.visibleRowCount(), 5);
  QCOMPARE(m.visibleRowAt(0), 3);
  QCOMPARE(m.visibleRowAt(4), 11);
  QCOMPARE(m.visibleRowAt(5), -1);
  QCOMPARE(m.visibleIndexOfRow(7), 2);
  QCOMPARE(m.visibleIndexOfRow(6), -1);
  QCOMPARE(m.visibleIndexOfRow(1), -1);
  QCOMPARE(m.visibleLowerBound(6), 2);
  m.setRows(20);  // appended rows are shown
  QCOMPARE(m.visibleRowCount(), 13);
  QCOMPARE(m.visibleRowAt(12), 19);
  m.setColHidden(0, true);
  QVERIFY(m.ColHidden(0));
}

void TestFlexGridModel::currentCell() {
  FlexGridModel m;
  m.setCols(3);
  m.setRows(5);
  m.setFixedRows(1);
  QCOMPARE(m.Row(), 1);
  QCOMPARE(m.Col(), 0);
  QSignalSpy entered(&m, &FlexGridModel::cellEntered);
  m.setRow(3);
  m.setRow(3);
  m.setCol(2);
  QCOMPARE(entered.size(), 2);
  m.setRowSel(4);
  QCOMPARE(m.selection(), (CellRange{3, 2, 4, 2}));
  m.setSelectionMode(flexSelectionByRow);
  QCOMPARE(m.selection(), (CellRange{3, 0, 4, 2}));
  m.setRows(3);
  QCOMPARE(m.Row(), 2);
  QCOMPARE(entered.size(), 3);
}

void TestFlexGridModel::redrawSilences() {
  FlexGridModel m;
  m.setCols(2);
  m.setRows(3);
  QSignalSpy cells(&m, &FlexGridModel::cellsChanged);
  QSignalSpy layout(&m, &FlexGridModel::layoutChanged);
  m.setRedraw(false);
  m.setTextMatrix(1, 1, QStringLiteral("x"));
  m.setRowHidden(2, true);
  QCOMPARE(cells.size(), 0);
  QCOMPARE(layout.size(), 0);
  m.setRedraw(true);
  QCOMPARE(layout.size(), 1);
}

void TestFlexGridModel::comboList_data() {
  QTest::addColumn<QString>("list");
  QTest::addColumn<QString>("stored");
  QTest::addColumn<QString>("shown");
  QTest::addColumn<bool>("editable");
  QTest::addColumn<int>("entries");
  const QString owners = QStringLiteral(
      "#0; |#1;Self|#2;Spouse|#3;Dependent Child|#4;Dependent Parent|#5;Dependent Sibling|#6;Others|"
      "#10;Authorised Representative");
  QTest::newRow("coded long list") << owners << QStringLiteral("10")
                                   << QStringLiteral("Authorised Representative") << false << 8;
  QTest::newRow("coded zero is blank") << owners << QStringLiteral("0") << QStringLiteral(" ") << false << 8;
  QTest::newRow("code 1 is not 10") << owners << QStringLiteral("1") << QStringLiteral("Self") << false << 8;
  QTest::newRow("unknown code shows value")
      << owners << QStringLiteral("99") << QStringLiteral("99") << false << 8;
  QTest::newRow("empty value") << owners << QString() << QString() << false << 8;
  QTest::newRow("plain list stores text")
      << QStringLiteral("No|Yes") << QStringLiteral("Yes") << QStringLiteral("Yes") << false << 2;
  QTest::newRow("editable list") << QStringLiteral("|Gmail|Yahoo") << QStringLiteral("Rediff")
                                 << QStringLiteral("Rediff") << true << 2;
  QTest::newRow("extra list columns hidden") << QStringLiteral("#A;Alpha\tfirst|#B;Beta\tsecond")
                                             << QStringLiteral("B") << QStringLiteral("Beta") << false << 2;
}

void TestFlexGridModel::comboList() {
  QFETCH(QString, list);
  QFETCH(QString, stored);
  QFETCH(QString, shown);
  QFETCH(bool, editable);
  QFETCH(int, entries);
  FlexGridModel m;
  m.setCols(3);
  m.setRows(3);
  m.setColComboList(1, list);
  m.setTextMatrix(2, 1, stored);
  QCOMPARE(m.ColComboList(1), list);
  QCOMPARE(m.TextMatrix(2, 1), stored);
  QCOMPARE(m.DisplayText(2, 1), shown);
  QVERIFY(m.comboList(1));
  QCOMPARE(m.comboList(1)->isEditable(), editable);
  QCOMPARE(int(m.comboList(1)->entries().size()), entries);
  QVERIFY(!m.comboList(0));
  m.setColComboList(1, QString());
  QCOMPARE(m.DisplayText(2, 1), stored);
}

void TestFlexGridModel::mergedRange_data() {
  QTest::addColumn<int>("row");
  QTest::addColumn<int>("col");
  QTest::addColumn<CellRange>("expected");
  QTest::newRow("equal captions merge down") << 1 << 2 << CellRange{0, 2, 1, 2};
  QTest::newRow("header check box cell") << 1 << 0 << CellRange{0, 0, 1, 0};
  QTest::newRow("group caption across") << 0 << 17 << CellRange{0, 13, 0, 22};
  QTest::newRow("under the group caption") << 1 << 13 << CellRange{1, 13, 1, 13};
  QTest::newRow("row 1 does not merge across") << 1 << 16 << CellRange{1, 16, 1, 16};
  QTest::newRow("data rows never merge") << 3 << 5 << CellRange{3, 5, 3, 5};
  QTest::newRow("equal data below header") << 2 << 2 << CellRange{2, 2, 2, 2};
}

void TestFlexGridModel::mergedRange() {
  QFETCH(int, row);
  QFETCH(int, col);
  QFETCH(CellRange, expected);
  FlexGridModel m;
  layOutRegister(m, 4);
  for (int r = 2; r < 6; ++r)
    for (int c = 0; c < m.Cols(); ++c) m.setTextMatrix(r, c, QStringLiteral("same"));
  m.setTextMatrix(2, 2, QStringLiteral("Name"));  // equals the caption above but is data
  QCOMPARE(m.mergedRange(row, col), expected);
}

void TestFlexGridModel::mergeFreeModes() {
  FlexGridModel m;
  m.setCols(3);
  m.setRows(5);
  m.setFixedRows(1);
  m.setMergeCol(0, true);
  m.setMergeCol(1, true);
  const char* cells[5][2] = {{"h", "h"}, {"A", "x"}, {"A", "x"}, {"B", "x"}, {"B", "y"}};
  for (int r = 0; r < 5; ++r)
    for (int c = 0; c < 2; ++c) m.setTextMatrix(r, c, QString::fromLatin1(cells[r][c]));
  m.setMergeCells(flexMergeNever);
  QCOMPARE(m.mergedRange(1, 0), (CellRange{1, 0, 1, 0}));
  m.setMergeCells(flexMergeFree);
  QCOMPARE(m.mergedRange(2, 0), (CellRange{1, 0, 2, 0}));
  QCOMPARE(m.mergedRange(3, 1), (CellRange{1, 1, 3, 1}));
  m.setMergeCells(flexMergeRestrictColumns);  // column 1 splits where column 0 does
  QCOMPARE(m.mergedRange(3, 1), (CellRange{3, 1, 3, 1}));
  QCOMPARE(m.mergedRange(1, 1), (CellRange{1, 1, 2, 1}));
  m.setRowHidden(2, true);  // hidden rows do not break a merge
  m.setMergeCells(flexMergeFree);
  QCOMPARE(m.mergedRange(3, 1), (CellRange{1, 1, 3, 1}));
}

void TestFlexGridModel::findRow_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<int>("start");
  QTest::addColumn<int>("col");
  QTest::addColumn<bool>("caseSensitive");
  QTest::addColumn<bool>("fullMatch");
  QTest::addColumn<int>("expected");
  QTest::newRow("exact") << QStringLiteral("Meena Rao") << -1 << 1 << true << true << 4;
  QTest::newRow("case differs") << QStringLiteral("meena rao") << -1 << 1 << true << true << -1;
  QTest::newRow("ignoring case") << QStringLiteral("meena rao") << -1 << 1 << false << true << 4;
  QTest::newRow("part of cell, whole match") << QStringLiteral("Meena") << -1 << 1 << true << true << -1;
  QTest::newRow("start of cell") << QStringLiteral("Meena") << -1 << 1 << true << false << 4;
  QTest::newRow("from start row") << QStringLiteral("Meena") << 5 << 1 << true << false << 6;
  QTest::newRow("header rows skipped") << QStringLiteral("Name") << -1 << 1 << true << true << -1;
  QTest::newRow("header rows when asked") << QStringLiteral("Name") << 0 << 1 << true << true << 0;
  QTest::newRow("non-ascii ignoring case") << QStringLiteral("ÉLAN") << -1 << 1 << false << true << 5;
  QTest::newRow("other column") << QStringLiteral("AAAPA1234A") << -1 << 2 << true << true << 3;
  QTest::newRow("short value") << QStringLiteral("7") << -1 << 2 << true << true << 6;
  QTest::newRow("missing") << QStringLiteral("Nobody") << -1 << 1 << false << false << -1;
}

void TestFlexGridModel::findRow() {
  QFETCH(QString, text);
  QFETCH(int, start);
  QFETCH(int, col);
  QFETCH(bool, caseSensitive);
  QFETCH(bool, fullMatch);
  QFETCH(int, expected);
  FlexGridModel m;
  m.setCols(3);
  m.setRows(2);
  m.setFixedRows(2);
  m.setTextMatrix(0, 1, QStringLiteral("Name"));
  m.AddItem(QStringLiteral("1\tAsha Iyer\tAAAPI1111A"));
  m.AddItem(QStringLiteral("2\tRavi\tAAAPA1234A"));
  m.AddItem(QStringLiteral("3\tMeena Rao\tBBBPR2222B"));
  m.AddItem(QStringLiteral("4\télan\tCCCPE3333C"));
  m.AddItem(QStringLiteral("5\tMeenakshi\t7"));
  m.setRowHidden(4, true);  // hidden rows are still searched
  QCOMPARE(m.FindRow(text, start, col, caseSensitive, fullMatch), expected);
}

void TestFlexGridModel::twips_data() {
  QTest::addColumn<int>("twips");
  QTest::addColumn<qreal>("dpi");
  QTest::addColumn<int>("pixels");
  QTest::newRow("column at 96") << 1500 << 96.0 << 100;
  QTest::newRow("column at 120") << 1500 << 120.0 << 125;
  QTest::newRow("rounds") << 100 << 96.0 << 7;
}

void TestFlexGridModel::twips() {
  QFETCH(int, twips);
  QFETCH(qreal, dpi);
  QFETCH(int, pixels);
  QCOMPARE(FlexGridModel::twipsToPixels(twips, dpi), pixels);
  FlexGridModel m;
  m.setCols(1);
  m.setLogicalDpi(dpi);
  m.setColWidthTwips(0, twips);
  QCOMPARE(m.ColWidth(0), pixels);
  QVERIFY(qAbs(m.ColWidthTwips(0) - twips) <= 1440 / dpi);
}

void TestFlexGridModel::autoSize() {
  FlexGridModel m;
  layOutRegister(m, 3);
  m.setTextMatrix(2, 1, QStringLiteral("7"));
  m.setTextMatrix(3, 1, QStringLiteral("WWWWWWWWWWWWWWWWWWWWWWWW"));
  m.setTextMatrix(4, 1, QStringLiteral("iiii"));
  m.AutoSize(1);
  const int wide = m.ColWidth(1);
  const QFontMetrics fm(m.font());
  QVERIFY(wide >= fm.horizontalAdvance(QStringLiteral("WWWWWWWWWWWWWWWWWWWWWWWW")));
  QVERIFY(wide <= fm.horizontalAdvance(QStringLiteral("WWWWWWWWWWWWWWWWWWWWWWWW")) + 16);

  m.setTextMatrix(3, 1, QStringLiteral("12"));  // the widest cell shrank
  m.AutoSize(1);
  QVERIFY(m.ColWidth(1) < wide);
  QVERIFY(m.ColWidth(1) >= fm.horizontalAdvance(QStringLiteral("Code")));

  // The merged group caption spans ten columns and does not widen column 13.
  m.AutoSize(13);
  QVERIFY(m.ColWidth(13) < fm.horizontalAdvance(QStringLiteral("As per Software")));

  m.setColComboList(5, QStringLiteral("#0; |#10;Authorised Representative"));
  m.setTextMatrix(2, 5, QStringLiteral("10"));
  m.AutoSize(5, 5, false, 4);
  QVERIFY(m.ColWidth(5) >= fm.horizontalAdvance(QStringLiteral("Authorised Representative")) + 4);

  m.setCellChecked(2, 6, flexUnchecked);
  m.AutoSize(6);
  QVERIFY(m.ColWidth(6) >= kCheckBoxSize);

  m.AutoSize(1, 6, true);
  QCOMPARE(m.ColWidth(1), m.ColWidth(5));
}

// Widths kept between measures must always equal a fresh measure of the same cells, whatever
// changed the cells in between.
void TestFlexGridModel::autoSizeFollowsEveryKindOfChange() {
  FlexGridModel m;
  m.setCols(4);
  m.setFixedRows(0);
  for (int r = 0; r < 300; ++r)
    m.AddItem(QStringLiteral("%1\tname %2\t\t%3").arg(r).arg(r * 7).arg(QString(r % 13, u'W')));
  const std::vector<std::function<void()>> changes = {
      [&] { m.setTextMatrix(12, 3, QString(40, u'W')); },   // one cell grows
      [&] { m.setTextMatrix(12, 3, QString()); },           // and empties again
      [&] { m.setTextMatrix(5, 2, QStringLiteral("x")); },  // a column that was empty
      [&] { m.RemoveItem(4); },
      [&] { m.AddItem(QStringLiteral("a\tb\tc\t") + QString(30, u'W'), 7); },
      [&] { m.Clear(flexClearEverywhere, flexClearText); },
      [&] { m.setTextMatrix(0, 1, QStringLiteral("after clearing")); },
      [&] { m.setRows(2); },
  };
  m.AutoSize(0, 3);
  for (std::size_t i = 0; i < changes.size(); ++i) {
    changes[i]();
    m.AutoSize(0, 3);
    FlexGridModel fresh;
    fresh.setCols(4);
    fresh.setFixedRows(0);
    fresh.setRows(m.Rows());
    for (int r = 0; r < m.Rows(); ++r)
      for (int c = 0; c < 4; ++c) fresh.setTextMatrix(r, c, m.TextMatrix(r, c));
    fresh.AutoSize(0, 3);
    for (int c = 0; c < 4; ++c) QCOMPARE(m.ColWidth(c), fresh.ColWidth(c));
  }
}

QTEST_MAIN(TestFlexGridModel)
#include "tst_flexgrid_model.moc"
