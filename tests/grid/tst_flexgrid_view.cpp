#include "platform/grid/flexgrid.h"

#include <QComboBox>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <optional>

using namespace kestrel::grid;
using namespace Qt::Literals::StringLiterals;

namespace {

// A grid shown offscreen like the client register: two header rows with merged captions, a
// check box column and data from row 2, recording every edit notification in order.
struct Fixture {
  FlexGrid grid;
  FlexGridModel& m = *grid.model();
  QStringList log;

  explicit Fixture(int dataRows = 20) {
    m.setCols(24);
    m.setRows(2 + dataRows);
    m.setFixedRows(2);
    m.setMergeCells(flexMergeFixedOnly);
    m.setMergeRow(0, true);
    for (int c = 0; c < m.Cols(); ++c) m.setMergeCol(c, true);
    for (int c = 1; c <= 22; ++c) {
      m.setTextMatrix(0, c, c < 13 ? u"Col %1"_s.arg(c) : u"As per Software"_s);
      m.setTextMatrix(1, c, (c < 13 ? u"Col %1"_s : u"Item %1"_s).arg(c));
    }
    m.setCellChecked(0, 0, flexUnchecked);
    for (int r = 2; r < m.Rows(); ++r) {
      m.setCellChecked(r, 0, flexUnchecked);
      m.setTextMatrix(r, 1, u"old"_s);
      m.setTextMatrix(r, 2, u"Client %1"_s.arg(r));
    }
    m.setColWidth(0, 24);
    m.setEditable(flexEDKbdMouse);
    m.setCurrentCell(2, 1);
    grid.resize(700, 300);
    grid.show();

    const auto note = [this](const char* what, int r, int c, std::optional<QString> text = {}) {
      log << u"%1 %2,%3"_s.arg(QLatin1String(what)).arg(r).arg(c) + (text ? u' ' + *text : QString());
    };
    QObject::connect(&grid, &FlexGrid::BeforeEdit, &grid,
                     [note](int r, int c, bool&) { note("BeforeEdit", r, c); });
    QObject::connect(&grid, &FlexGrid::StartEdit, &grid,
                     [note](int r, int c, bool&) { note("StartEdit", r, c); });
    QObject::connect(&grid, &FlexGrid::KeyPressEdit, &grid,
                     [this](int, int, int& k) { log << u"KeyPressEdit %1"_s.arg(k); });
    QObject::connect(&grid, &FlexGrid::ValidateEdit, &grid,
                     [this, note](int r, int c, bool&) { note("ValidateEdit", r, c, grid.EditText()); });
    QObject::connect(&grid, &FlexGrid::AfterEdit, &grid,
                     [this, note](int r, int c) { note("AfterEdit", r, c, grid.TextMatrix(r, c)); });
  }

  QPoint centre(int row, int col) { return grid.rangeRect(m.mergedRange(row, col)).center(); }
  void click(int row, int col, Qt::KeyboardModifiers mods = {}) {
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, mods, centre(row, col));
  }
  QPoint current() const { return {m.Row(), m.Col()}; }
};

}  // namespace

class TestFlexGridView : public QObject {
  Q_OBJECT

 private slots:
  void editNotificationOrder() {
    Fixture f;
    f.grid.EditCell();
    QVERIFY(f.grid.isEditing());
    f.grid.typeText(u"ab"_s);
    QVERIFY(f.grid.commitEdit());
    QVERIFY(!f.grid.isEditing());
    QCOMPARE(
        f.log.join(u'|'),
        u"BeforeEdit 2,1|StartEdit 2,1|KeyPressEdit 97|KeyPressEdit 98|ValidateEdit 2,1 ab|AfterEdit 2,1 ab"_s);
  }

  void editStarts_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("editable");
    QTest::addColumn<QString>("editText");  // empty: no editor opens
    QTest::newRow("EditCell without Editable") << u"EditCell"_s << int(flexEDNone) << u"old"_s;
    QTest::newRow("F2") << u"F2"_s << int(flexEDKbd) << u"old"_s;
    QTest::newRow("Enter") << u"Enter"_s << int(flexEDKbd) << u"old"_s;
    QTest::newRow("typing replaces") << u"type"_s << int(flexEDKbd) << u"z"_s;
    QTest::newRow("typing when not editable") << u"type"_s << int(flexEDNone) << QString();
    QTest::newRow("double-click") << u"dblclick"_s << int(flexEDKbdMouse) << u"old"_s;
    QTest::newRow("double-click, keyboard only") << u"dblclick"_s << int(flexEDKbd) << QString();
  }
  void editStarts() {
    QFETCH(QString, how);
    QFETCH(int, editable);
    QFETCH(QString, editText);
    Fixture f;
    f.m.setEditable(editable);
    if (how == u"EditCell"_s)
      f.grid.EditCell();
    else if (how == u"dblclick"_s)
      QTest::mouseDClick(f.grid.viewport(), Qt::LeftButton, {}, f.centre(2, 1));
    else
      QTest::keyClick(&f.grid, how == u"F2"_s ? Qt::Key_F2 : how == u"Enter"_s ? Qt::Key_Return : Qt::Key_Z);
    QCOMPARE(f.grid.isEditing(), !editText.isEmpty());
    QCOMPARE(f.grid.EditText(), editText);
    if (f.grid.isEditing()) {
      QVERIFY(qobject_cast<QLineEdit*>(f.grid.editor()));
      QCOMPARE(f.grid.editor()->geometry().topLeft(), f.grid.cellRect(2, 1).topLeft());
    }
  }

  void beforeEditRefuses_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("EditCell") << u"EditCell"_s;
    QTest::newRow("typing") << u"type"_s;
    QTest::newRow("Space on a check box") << u"space"_s;
    QTest::newRow("click on a check box") << u"click"_s;
  }
  void beforeEditRefuses() {
    QFETCH(QString, how);
    Fixture f;
    QObject::connect(&f.grid, &FlexGrid::BeforeEdit, &f.grid, [](int, int, bool& cancel) { cancel = true; });
    if (how == u"EditCell"_s) {
      f.grid.EditCell();
    } else if (how == u"type"_s) {
      f.grid.typeText(u"xyz"_s);
    } else if (how == u"space"_s) {
      f.m.setCol(0);
      QTest::keyClick(&f.grid, Qt::Key_Space);
    } else {
      f.click(3, 0);
    }
    QVERIFY(!f.grid.isEditing());
    QCOMPARE(f.log.filter(u"Edit "_s).size(), f.log.filter(u"BeforeEdit"_s).size());  // nothing beyond it
    QVERIFY(!f.log.isEmpty());
    QCOMPARE(f.m.TextMatrix(2, 1), u"old"_s);
    QCOMPARE(f.m.CellChecked(2, 0), int(flexUnchecked));
    QCOMPARE(f.m.CellChecked(3, 0), int(flexUnchecked));
  }

  void keyPressEditFilters_data() {
    QTest::addColumn<bool>("lower");  // else digits only
    QTest::addColumn<bool>("realKeys");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored");
    QTest::newRow("lower case, helper") << true << false << u"AbC@X.In"_s << u"abc@x.in"_s;
    QTest::newRow("digits only, keys") << false << true << u"98a7-6 5"_s << u"98765"_s;
    QTest::newRow("backspace passes through") << false << false << u"12\b3"_s << u"13"_s;
    QTest::newRow("backspace key") << false << true << u"12\b3"_s << u"13"_s;
  }
  void keyPressEditFilters() {
    QFETCH(bool, lower);
    QFETCH(bool, realKeys);
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    Fixture f;
    QObject::connect(&f.grid, &FlexGrid::KeyPressEdit, &f.grid, [lower](int, int, int& key) {
      if (lower)
        key = QChar(key).toLower().unicode();
      else if (key >= 0x20 && !QChar(key).isDigit())
        key = 0;
    });
    f.grid.EditCell();
    f.grid.setEditText(QString());
    for (const QChar ch : typed + u'\r') {
      if (!realKeys)
        f.grid.sendKeyAscii(ch.unicode());
      else if (ch == u'\b' || ch == u'\r')
        QTest::keyClick(f.grid.editor(), ch == u'\b' ? Qt::Key_Backspace : Qt::Key_Return);
      else
        QTest::keyClicks(f.grid.editor(), QString(ch));
    }
    QVERIFY(!f.grid.isEditing());
    QCOMPARE(f.m.TextMatrix(2, 1), stored);
    QVERIFY(f.log.contains(u"KeyPressEdit 13"_s));
    QCOMPARE(f.log.contains(u"KeyPressEdit 8"_s), typed.contains(u'\b'));
  }

  void validateEdit() {
    Fixture f;
    // Refuses anything but ten characters, and stores what it passes trimmed and in capitals.
    QObject::connect(&f.grid, &FlexGrid::ValidateEdit, &f.grid, [&f](int, int, bool& cancel) {
      f.grid.setEditText(f.grid.EditText().trimmed().toUpper());
      cancel = f.grid.EditText().size() != 10;
    });
    f.grid.EditCell();
    f.grid.setEditText(u" abcde"_s);
    QVERIFY(!f.grid.commitEdit());
    QTest::keyClick(f.grid.editor(), Qt::Key_Return);
    QVERIFY(f.grid.isEditing());
    QCOMPARE(f.grid.EditText(), u"ABCDE"_s);
    QCOMPARE(f.m.TextMatrix(2, 1), u"old"_s);
    QVERIFY(f.log.filter(u"AfterEdit"_s).isEmpty());

    f.grid.typeText(u"1234f "_s);
    QTest::keyClick(f.grid.editor(), Qt::Key_Return);
    QVERIFY(!f.grid.isEditing());
    QCOMPARE(f.m.TextMatrix(2, 1), u"ABCDE1234F"_s);
    QCOMPARE(f.log.last(), u"AfterEdit 2,1 ABCDE1234F"_s);
  }

  void editEndsByKey_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QPoint>("to");  // (row, col)
    QTest::newRow("Escape cancels") << int(Qt::Key_Escape) << u"old"_s << QPoint(2, 1);
    QTest::newRow("Down commits and moves") << int(Qt::Key_Down) << u"new"_s << QPoint(3, 1);
    QTest::newRow("Tab commits and moves") << int(Qt::Key_Tab) << u"new"_s << QPoint(2, 2);
  }
  void editEndsByKey() {
    QFETCH(int, key);
    QFETCH(QString, stored);
    QFETCH(QPoint, to);
    Fixture f;
    f.grid.EditCell();
    QTest::keyClicks(f.grid.editor(), u"new"_s);
    QTest::keyClick(f.grid.editor(), static_cast<Qt::Key>(key));
    QVERIFY(!f.grid.isEditing());
    QCOMPARE(f.m.TextMatrix(2, 1), stored);
    QCOMPARE(f.current(), to);
    const qsizetype committed = stored == u"new"_s ? 1 : 0;
    QCOMPARE(f.log.filter(u"ValidateEdit"_s).size(), committed);
    QCOMPARE(f.log.filter(u"AfterEdit"_s).size(), committed);
  }

  void comboEditors_data() {
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("initial");
    QTest::addColumn<QString>("input");  // "=text" through setEditText, else typed
    QTest::addColumn<bool>("editableEditor");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("shown");
    const QString owners = u"#0; |#1;Self|#2;Spouse|#10;Authorised Representative"_s;
    QTest::newRow("code chosen") << owners << u"1"_s << u"=10"_s << false << u"10"_s
                                 << u"Authorised Representative"_s;
    QTest::newRow("code by typing") << owners << u"1"_s << u"s"_s << false << u"2"_s << u"Spouse"_s;
    QTest::newRow("unchanged unknown code") << owners << u"77"_s << QString() << false << u"77"_s << u"77"_s;
    QTest::newRow("plain list") << u"No|Yes"_s << u"No"_s << u"y"_s << false << u"Yes"_s << u"Yes"_s;
    QTest::newRow("free text") << u"|Gmail|Yahoo"_s << u"Gmail"_s << u"Rediff"_s << true << u"Rediff"_s
                               << u"Rediff"_s;
    QTest::newRow("editable coded by text")
        << u"|#1;Self|#2;Spouse"_s << u"1"_s << u"=Spouse"_s << true << u"2"_s << u"Spouse"_s;
  }
  void comboEditors() {
    QFETCH(QString, list);
    QFETCH(QString, initial);
    QFETCH(QString, input);
    QFETCH(bool, editableEditor);
    QFETCH(QString, stored);
    QFETCH(QString, shown);
    Fixture f;
    f.m.setColComboList(1, list);
    f.m.setTextMatrix(2, 1, initial);
    const bool typed = !input.isEmpty() && !input.startsWith(u'=');
    if (typed)
      QTest::keyClicks(&f.grid, input);  // the first key opens the drop-down
    else
      f.grid.EditCell();
    auto* combo = qobject_cast<QComboBox*>(f.grid.editor());
    QVERIFY(combo);
    QCOMPARE(combo->isEditable(), editableEditor);
    if (input.startsWith(u'='))
      f.grid.setEditText(input.mid(1));
    QCOMPARE(f.grid.EditText(), stored);
    QVERIFY(f.grid.commitEdit());
    QCOMPARE(f.m.TextMatrix(2, 1), stored);
    QCOMPARE(f.m.DisplayText(2, 1), shown);
  }

  void checkBoxToggles_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("initial");
    QTest::addColumn<int>("expected");
    QTest::newRow("Space unticks") << u"space"_s << 4 << int(flexChecked) << int(flexUnchecked);
    QTest::newRow("Space on grey") << u"space"_s << 4 << int(flexTSGrayed) << int(flexChecked);
    QTest::newRow("typed space") << u"ascii"_s << 4 << int(flexUnchecked) << int(flexChecked);
    QTest::newRow("click") << u"click"_s << 5 << int(flexUnchecked) << int(flexChecked);
    QTest::newRow("header box over two rows") << u"header"_s << 0 << int(flexUnchecked) << int(flexChecked);
  }
  void checkBoxToggles() {
    QFETCH(QString, how);
    QFETCH(int, row);
    QFETCH(int, initial);
    QFETCH(int, expected);
    Fixture f;
    f.m.setCellChecked(row, 0, initial);
    f.m.setCurrentCell(std::max(row, 2), 0);
    if (how == u"space"_s)
      QTest::keyClick(&f.grid, Qt::Key_Space);
    else if (how == u"ascii"_s)
      f.grid.sendKeyAscii(u' ');
    else if (how == u"click"_s)
      f.click(row, 0);
    else  // the lower half of the header box lies in row 1
      QTest::mouseClick(f.grid.viewport(), Qt::LeftButton, {}, f.centre(1, 0) + QPoint(0, 3));
    QCOMPARE(f.m.CellChecked(row, 0), expected);
    QCOMPARE(f.log, (QStringList{u"BeforeEdit %1,0"_s.arg(row), u"AfterEdit %1,0 "_s.arg(row)}));
    QVERIFY(!f.grid.isEditing());

    f.m.setEditable(flexEDNone);
    QTest::keyClick(&f.grid, Qt::Key_Space);
    QCOMPARE(f.m.CellChecked(row, 0), expected);
  }

  void navigation_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QPoint>("from");  // (row, col)
    QTest::addColumn<QPoint>("to");
    const int none = Qt::NoModifier, ctrl = Qt::ControlModifier;
    QTest::newRow("down skips hidden") << int(Qt::Key_Down) << none << QPoint(3, 1) << QPoint(6, 1);
    QTest::newRow("up skips hidden") << int(Qt::Key_Up) << none << QPoint(6, 1) << QPoint(3, 1);
    QTest::newRow("up stops at first data row") << int(Qt::Key_Up) << none << QPoint(2, 1) << QPoint(2, 1);
    QTest::newRow("right skips hidden column") << int(Qt::Key_Right) << none << QPoint(2, 2) << QPoint(2, 4);
    QTest::newRow("end") << int(Qt::Key_End) << none << QPoint(7, 9) << QPoint(7, 23);
    QTest::newRow("ctrl+home") << int(Qt::Key_Home) << ctrl << QPoint(9, 9) << QPoint(2, 9);
    QTest::newRow("page down stays in grid")
        << int(Qt::Key_PageDown) << none << QPoint(20, 1) << QPoint(21, 1);
    QTest::newRow("tab wraps") << int(Qt::Key_Tab) << none << QPoint(2, 23) << QPoint(3, 0);
  }
  void navigation() {
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    Fixture f;
    f.m.setRowHidden(4, true);
    f.m.setRowHidden(5, true);
    f.m.setColHidden(3, true);
    f.m.setCurrentCell(from.x(), from.y());
    QSignalSpy entered(&f.grid, &FlexGrid::EnterCell);
    QTest::keyClick(&f.grid, static_cast<Qt::Key>(key), static_cast<Qt::KeyboardModifiers>(modifiers));
    QCOMPARE(f.current(), to);
    QCOMPARE(QPoint(f.m.RowSel(), f.m.ColSel()), to);
    QCOMPARE(entered.size(), to == from ? 0 : 1);
    QCOMPARE(f.grid.rowAt(f.grid.cellRect(to.x(), to.y()).center().y()), to.x());  // scrolled into view
  }

  void keyDownCanSwallowOrChange() {
    Fixture f;
    QObject::connect(&f.grid, &FlexGrid::KeyDown, &f.grid, [](int& key, Qt::KeyboardModifiers) {
      if (key == Qt::Key_Down)
        key = 0;
      else if (key == Qt::Key_Right)
        key = Qt::Key_End;
    });
    QTest::keyClick(&f.grid, Qt::Key_Down);
    QTest::keyClick(&f.grid, Qt::Key_Right);
    QCOMPARE(f.current(), QPoint(2, 23));
  }

  void mouseSelects() {
    Fixture f;
    QSignalSpy entered(&f.grid, &FlexGrid::EnterCell);
    QSignalSpy clicked(&f.grid, &FlexGrid::Click);
    f.click(5, 2);
    QCOMPARE(f.current(), QPoint(5, 2));
    QCOMPARE(f.grid.MouseRow(), 5);
    QCOMPARE(entered.size(), 1);
    QCOMPARE(clicked.size(), 1);
    f.click(7, 4, Qt::ShiftModifier);
    QCOMPARE(f.m.selection(), (CellRange{5, 2, 7, 4}));
    QTest::keyClick(&f.grid, Qt::Key_Down, Qt::ShiftModifier);
    QCOMPARE(f.m.selection(), (CellRange{5, 2, 8, 4}));
    f.click(1, 4);  // a header
    QCOMPARE(f.m.Row(), 5);

    // Clicking elsewhere commits an open edit first.
    f.grid.EditCell();
    f.grid.setEditText(u"clicked away"_s);
    f.click(8, 2);
    QVERIFY(!f.grid.isEditing());
    QCOMPARE(f.m.TextMatrix(5, 2), u"clicked away"_s);
    QCOMPARE(f.m.Row(), 8);
  }

  void headerStaysOnTopWhileScrolling() {
    Fixture f(500);
    const QColor header(0xdd, 0xdd, 0xdd), marked(0x20, 0x90, 0x40);
    f.grid.setBackColorFixed(header);
    f.m.setRowHidden(100, true);
    f.m.setCellBackColor(120, 0, 120, f.m.Cols() - 1, marked);
    f.grid.setTopRow(120);
    QCOMPARE(f.grid.TopRow(), 120);
    const int headerHeight = f.m.RowHeight(0) + f.m.RowHeight(1);
    QCOMPARE(f.grid.rowAt(2), 0);
    QCOMPARE(f.grid.rowAt(headerHeight - 2), 1);
    QCOMPARE(f.grid.rowAt(headerHeight + 2), 120);
    QCOMPARE(f.grid.rowAt(headerHeight + f.m.RowHeight(2) + 2), 121);
    QCOMPARE(f.grid.cellRect(120, 5).top(), headerHeight);
    QVERIFY(f.grid.cellRect(50, 5).bottom() < 0);

    const QImage image = f.grid.viewport()->grab().toImage();
    const int x = f.grid.cellRect(120, 5).left() + 5;
    QCOMPARE(image.pixelColor(x, 2), header);
    QCOMPARE(image.pixelColor(x, headerHeight + 3), marked);

    // The wheel scrolls the data rows by three; the headers stay.
    QWheelEvent wheel(QPointF(50, 100), f.grid.viewport()->mapToGlobal(QPointF(50, 100)), QPoint(),
                      QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(f.grid.viewport(), &wheel);
    QCOMPARE(f.grid.TopRow(), 123);
    QCOMPARE(f.grid.rowAt(2), 0);
  }

  void mergedHeaderPaintedAsOneCell() {
    Fixture f;
    const QColor lines(255, 0, 0);
    f.grid.setGridColorFixed(lines);
    f.grid.setBackColorFixed(QColor(0xdd, 0xdd, 0xdd));
    for (int c = 1; c < f.m.Cols(); ++c) f.m.setColWidth(c, 28);
    const QImage image = f.grid.viewport()->grab().toImage();
    const QRect top = f.grid.cellRect(0, 14);
    QVERIFY(image.pixelColor(top.left() - 1, top.top() + 2) != lines);  // "As per Software" spans 13 and 14
    QCOMPARE(image.pixelColor(top.left() - 1, f.grid.cellRect(1, 14).top() + 2), lines);  // the row below not
    const int between = f.grid.cellRect(0, 2).bottom();  // rows 0 and 1 of a column merged down
    QVERIFY(image.pixelColor(f.grid.cellRect(0, 2).left() + 2, between) != lines);
    QCOMPARE(image.pixelColor(top.left() + 2, between), lines);
    QCOMPARE(f.grid.rangeRect(f.m.mergedRange(0, 0)).height(), f.m.RowHeight(0) + f.m.RowHeight(1));
  }
};

QTEST_MAIN(TestFlexGridView)
#include "tst_flexgrid_view.moc"
