#include "platform/grid/flexgrid.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <optional>

using namespace kestrel::grid;
using namespace Qt::Literals::StringLiterals;

namespace {

// A grid shown offscreen like the client register: two header rows, a check box column whose
// header box spans both, and data from row 2, recording every edit notification in order.
struct Fixture {
  FlexGrid grid;
  FlexGridModel& m = *grid.model();
  QStringList log;

  explicit Fixture(int dataRows = 20) {
    m.setCols(24);
    m.setRows(2 + dataRows);
    m.setFixedRows(2);
    m.setMergeCells(flexMergeFixedOnly);
    m.setMergeCol(0, true);
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
    const auto on = [this](auto signal, auto slot) { QObject::connect(&grid, signal, &grid, slot); };
    on(&FlexGrid::BeforeEdit, [note](int r, int c, bool&) { note("BeforeEdit", r, c); });
    on(&FlexGrid::StartEdit, [note](int r, int c, bool&) { note("StartEdit", r, c); });
    on(&FlexGrid::KeyPressEdit, [this](int, int, int& k) { log << u"KeyPressEdit %1"_s.arg(k); });
    on(&FlexGrid::ValidateEdit,
       [this, note](int r, int c, bool&) { note("ValidateEdit", r, c, grid.EditText()); });
    on(&FlexGrid::AfterEdit, [this, note](int r, int c) { note("AfterEdit", r, c, grid.TextMatrix(r, c)); });
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
  // Keys reach the cell through KeyPressEdit, which here swallows digits and capitalises; the
  // first attempt to finish is refused, and what ValidateEdit leaves in the editor is stored.
  void editNotificationOrder() {
    Fixture f;
    QObject::connect(&f.grid, &FlexGrid::KeyPressEdit, &f.grid, [](int, int, int& key) {
      key = QChar(key).isDigit() ? 0 : QChar(key).toUpper().unicode();
    });
    bool refuse = true;
    QObject::connect(&f.grid, &FlexGrid::ValidateEdit, &f.grid, [&](int, int, bool& cancel) {
      f.grid.setEditText(f.grid.EditText().trimmed());
      cancel = std::exchange(refuse, false);
    });
    f.grid.EditCell();
    QTest::keyClicks(f.grid.editor(), u"a1b c"_s);
    QTest::keyClick(f.grid.editor(), Qt::Key_Backspace);
    QTest::keyClick(f.grid.editor(), Qt::Key_Return);
    QVERIFY(f.grid.isEditing());
    QCOMPARE(f.m.TextMatrix(2, 1), u"old"_s);
    QTest::keyClick(f.grid.editor(), Qt::Key_Return);
    QVERIFY(!f.grid.isEditing());
    QCOMPARE(f.m.TextMatrix(2, 1), u"AB"_s);
    QCOMPARE(f.log.join(u'|'),
             u"BeforeEdit 2,1|StartEdit 2,1|KeyPressEdit 97|KeyPressEdit 49|KeyPressEdit 98|KeyPressEdit 32|"
             "KeyPressEdit 99|KeyPressEdit 8|KeyPressEdit 13|ValidateEdit 2,1 AB |KeyPressEdit 13|"
             "ValidateEdit 2,1 AB|AfterEdit 2,1 AB"_s);
  }

  void editStarts_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("editable");
    QTest::addColumn<QString>("editText");  // empty: no editor opens
    QTest::newRow("EditCell without Editable") << u"EditCell"_s << int(flexEDNone) << u"old"_s;
    QTest::newRow("F2") << u"F2"_s << int(flexEDKbd) << u"old"_s;
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
      QTest::keyClick(&f.grid, how == u"F2"_s ? Qt::Key_F2 : Qt::Key_Z);
    QCOMPARE(f.grid.isEditing(), !editText.isEmpty());
    QCOMPARE(f.grid.EditText(), editText);
    if (f.grid.isEditing()) {
      QVERIFY(qobject_cast<QLineEdit*>(f.grid.editor()));
      QCOMPARE(f.grid.editor()->geometry().topLeft(), f.grid.cellRect(2, 1).topLeft());
    }
  }

  void beforeEditRefuses() {
    Fixture f;
    QObject::connect(&f.grid, &FlexGrid::BeforeEdit, &f.grid, [](int, int, bool& cancel) { cancel = true; });
    f.grid.typeText(u"xyz"_s);
    f.click(3, 0);  // a check box
    QVERIFY(!f.grid.isEditing());
    QVERIFY(f.log.contains(u"BeforeEdit 2,1"_s) && f.log.contains(u"BeforeEdit 3,0"_s));
    QCOMPARE(f.log.filter(u"Edit "_s).size(), f.log.filter(u"BeforeEdit"_s).size());  // nothing beyond it
    QCOMPARE(f.m.TextMatrix(2, 1), u"old"_s);
    QCOMPARE(f.m.CellChecked(3, 0), int(flexUnchecked));
  }

  void comboEditors_data() {
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("initial");
    QTest::addColumn<QString>("typed");    // into the grid, the first key opening the drop-down
    QTest::addColumn<QString>("setText");  // given to the open editor
    QTest::addColumn<bool>("editableEditor");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("shown");
    const QString owners = u"#0; |#1;Self|#2;Spouse|#10;Authorised Representative"_s, none;
    QTest::newRow("code by typing") << owners << u"1"_s << u"s"_s << none << false << u"2"_s << u"Spouse"_s;
    QTest::newRow("unchanged unknown code")
        << owners << u"77"_s << none << none << false << u"77"_s << u"77"_s;
    QTest::newRow("free text") << u"|Gmail|Yahoo"_s << u"Gmail"_s << u"Rediff"_s << none << true
                               << u"Rediff"_s << u"Rediff"_s;
    QTest::newRow("editable coded by text")
        << u"|#1;Self|#2;Spouse"_s << u"1"_s << none << u"Spouse"_s << true << u"2"_s << u"Spouse"_s;
  }
  void comboEditors() {
    QFETCH(QString, list);
    QFETCH(QString, initial);
    QFETCH(QString, typed);
    QFETCH(QString, setText);
    QFETCH(bool, editableEditor);
    QFETCH(QString, stored);
    QFETCH(QString, shown);
    Fixture f;
    f.m.setColComboList(1, list);
    f.m.setTextMatrix(2, 1, initial);
    if (!typed.isEmpty())
      QTest::keyClicks(&f.grid, typed);
    else
      f.grid.EditCell();
    auto* combo = qobject_cast<QComboBox*>(f.grid.editor());
    QVERIFY(combo);
    QCOMPARE(combo->isEditable(), editableEditor);
    if (!setText.isEmpty())
      f.grid.setEditText(setText);
    QCOMPARE(f.grid.EditText(), stored);
    QVERIFY(f.grid.commitEdit());
    QCOMPARE(f.m.TextMatrix(2, 1), stored);
    QCOMPARE(f.m.DisplayText(2, 1), shown);
  }

  void checkBoxToggles_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<QPoint>("at");  // from the centre of the box
    QTest::newRow("click") << 5 << QPoint();
    QTest::newRow("header box over two rows") << 0 << QPoint(0, 3);  // its lower half lies in row 1
  }
  void checkBoxToggles() {
    QFETCH(int, row);
    QFETCH(QPoint, at);
    Fixture f;
    f.m.setCurrentCell(std::max(row, 2), 0);
    QTest::mouseClick(f.grid.viewport(), Qt::LeftButton, {}, f.centre(row, 0) + at);
    QCOMPARE(f.m.CellChecked(row, 0), int(flexChecked));
    QCOMPARE(f.log, (QStringList{u"BeforeEdit %1,0"_s.arg(row), u"AfterEdit %1,0 "_s.arg(row)}));
    QVERIFY(!f.grid.isEditing());

    f.m.setEditable(flexEDNone);
    QTest::keyClick(&f.grid, Qt::Key_Space);
    QCOMPARE(f.m.CellChecked(row, 0), int(flexChecked));
  }

  void navigation_data() {
    QTest::addColumn<bool>("editing");  // with "new" typed into the cell first
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QPoint>("from");  // (row, col)
    QTest::addColumn<QPoint>("to");
    QTest::newRow("down skips hidden") << false << u"Down"_s << QPoint(3, 1) << QPoint(6, 1);
    QTest::newRow("up skips hidden") << false << u"Up"_s << QPoint(6, 1) << QPoint(3, 1);
    QTest::newRow("up stops at first data row") << false << u"Up"_s << QPoint(2, 1) << QPoint(2, 1);
    QTest::newRow("right skips hidden column") << false << u"Right"_s << QPoint(2, 2) << QPoint(2, 4);
    QTest::newRow("end") << false << u"End"_s << QPoint(7, 9) << QPoint(7, 23);
    QTest::newRow("ctrl+home") << false << u"Ctrl+Home"_s << QPoint(9, 9) << QPoint(2, 9);
    QTest::newRow("page down stays in grid") << false << u"PgDown"_s << QPoint(20, 1) << QPoint(21, 1);
    QTest::newRow("tab wraps") << false << u"Tab"_s << QPoint(2, 23) << QPoint(3, 0);
    QTest::newRow("KeyDown swallows") << false << u"Alt+Down"_s << QPoint(3, 1) << QPoint(3, 1);
    QTest::newRow("KeyDown changes the key") << false << u"Alt+Right"_s << QPoint(7, 9) << QPoint(7, 23);
    QTest::newRow("Escape cancels the edit") << true << u"Esc"_s << QPoint(3, 1) << QPoint(3, 1);
    QTest::newRow("Down commits, moves") << true << u"Down"_s << QPoint(3, 1) << QPoint(6, 1);
    QTest::newRow("Tab commits, moves") << true << u"Tab"_s << QPoint(2, 1) << QPoint(2, 2);
  }
  void navigation() {
    QFETCH(bool, editing);
    QFETCH(QString, keys);
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    Fixture f;
    f.m.setRowHidden(4, true);
    f.m.setRowHidden(5, true);
    f.m.setColHidden(3, true);
    f.m.setCurrentCell(from.x(), from.y());
    // Alt+Right becomes End; Alt with any other key is swallowed.
    QObject::connect(&f.grid, &FlexGrid::KeyDown, &f.grid, [](int& k, Qt::KeyboardModifiers mods) {
      if (mods & Qt::AltModifier)
        k = k == Qt::Key_Right ? Qt::Key_End : 0;
    });
    if (editing) {
      f.grid.EditCell();
      QTest::keyClicks(f.grid.editor(), u"new"_s);
    }
    QSignalSpy entered(&f.grid, &FlexGrid::EnterCell);
    QWidget* target = editing ? f.grid.editor() : &f.grid;
    QTest::keySequence(target, QKeySequence(keys));
    QCOMPARE(f.current(), to);
    QCOMPARE(QPoint(f.m.RowSel(), f.m.ColSel()), to);
    QCOMPARE(entered.size(), to == from ? 0 : 1);
    QCOMPARE(f.grid.rowAt(f.grid.cellRect(to.x(), to.y()).center().y()), to.x());  // scrolled into view
    if (editing) {
      const bool kept = keys != u"Esc"_s;
      QVERIFY(!f.grid.isEditing());
      QCOMPARE(f.m.TextMatrix(from.x(), from.y()), kept ? u"new"_s : u"old"_s);
      QCOMPARE(f.log.filter(u"AfterEdit"_s).size(), kept ? 1 : 0);
    }
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

  // Frozen columns stay at the left over the scrolled ones, painted there and hit by clicks,
  // while the cursor still moves through them into the rest; in a grid too narrow for them
  // they scroll with the rest.
  void frozenColumns_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<bool>("pinned");
    QTest::newRow("wide grid: frozen stay") << 700 << true;
    QTest::newRow("narrow grid: frozen scroll") << 120 << false;
  }
  void frozenColumns() {
    QFETCH(int, width);
    QFETCH(bool, pinned);
    Fixture f;
    const QColor marked(0x20, 0x90, 0x40);
    f.m.setFrozenCols(2);
    f.m.setCellBackColor(2, 1, f.m.Rows() - 1, 1, marked);
    f.grid.resize(width, 300);
    const QRect frozen = f.grid.cellRect(3, 1);

    f.grid.setLeftCol(20);
    QCOMPARE(f.grid.cellRect(3, 1) == frozen, pinned);
    QCOMPARE(f.grid.colAt(frozen.center().x()) == 1, pinned);
    const QImage image = f.grid.viewport()->grab().toImage();
    QCOMPARE(image.pixelColor(frozen.center()) == marked, pinned);
    if (pinned) {
      f.click(3, 1);
      QCOMPARE(f.current(), QPoint(3, 1));
    }

    // Right from the last frozen column reaches the first scrolling one, brought out from
    // under the frozen columns.
    f.m.setCurrentCell(3, 1);
    QTest::keyClick(&f.grid, Qt::Key_Right);
    QCOMPARE(f.current(), QPoint(3, 2));
    QVERIFY(f.grid.cellRect(3, 2).left() >= (pinned ? frozen.right() : 0));
    QTest::keyClick(&f.grid, Qt::Key_Left);
    QCOMPARE(f.current(), QPoint(3, 1));
  }

  // The current cell of a column with a list shows a button that opens the list by mouse, as
  // Alt+Down does; elsewhere a click only moves the cursor.
  void dropDownButton_data() {
    QTest::addColumn<bool>("current");  // the clicked cell is already the current one
    QTest::addColumn<bool>("onButton");
    QTest::addColumn<bool>("doubled");  // the second click of a double-click, the first on the cell
    QTest::addColumn<bool>("listed");   // the column has a list
    QTest::addColumn<bool>("opens");
    QTest::newRow("button of the current cell") << true << true << false << true << true;
    QTest::newRow("text of the current cell") << true << false << false << true << false;
    QTest::newRow("where another cell's button would be") << false << true << false << true << false;
    QTest::newRow("cell, then quickly its button") << false << true << true << true << true;
    QTest::newRow("column without a list") << true << true << false << false << false;
  }
  void dropDownButton() {
    QFETCH(bool, current);
    QFETCH(bool, onButton);
    QFETCH(bool, doubled);
    QFETCH(bool, listed);
    QFETCH(bool, opens);
    Fixture f;
    if (listed)
      f.m.setColComboList(2, u"#0; |#1;Self|#2;Spouse"_s);
    f.m.setCurrentCell(current ? 4 : 3, 2);
    const QRect cell = f.grid.cellRect(4, 2);
    const QPoint at = onButton ? QPoint(cell.right() - 4, cell.center().y()) : cell.center();
    // The list unfolds on release: unfolded on the press, it would take the release as a pick.
    if (doubled) {
      QTest::mouseClick(f.grid.viewport(), Qt::LeftButton, {}, cell.center());
      QMouseEvent second(QEvent::MouseButtonDblClick, at, f.grid.viewport()->mapToGlobal(at), Qt::LeftButton,
                         Qt::LeftButton, Qt::NoModifier);
      QCoreApplication::sendEvent(f.grid.viewport(), &second);
    } else {
      QTest::mousePress(f.grid.viewport(), Qt::LeftButton, {}, at);
    }
    auto* combo = qobject_cast<QComboBox*>(f.grid.editor());
    QVERIFY(!combo || !combo->view()->isVisible());
    QTest::mouseRelease(f.grid.viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(f.current(), QPoint(4, 2));
    QCOMPARE(f.grid.isEditing(), opens);
    combo = qobject_cast<QComboBox*>(f.grid.editor());
    QCOMPARE(combo && combo->view()->isVisible(), opens);
    if (opens) {
      QVERIFY(f.log.contains(u"BeforeEdit 4,2"_s));
      combo->hidePopup();
      f.grid.cancelEdit();
    }
  }

  void headerStaysOnTopWhileScrolling() {
    Fixture f(500);
    const QColor header(0xdd, 0xdd, 0xdd), marked(0x20, 0x90, 0x40);
    f.grid.setBackColorFixed(header);
    f.m.setRowHidden(100, true);
    f.m.setCellBackColor(120, 0, 120, f.m.Cols() - 1, marked);
    f.grid.setTopRow(120);
    const int headerHeight = f.m.RowHeight(0) + f.m.RowHeight(1);
    QCOMPARE(f.grid.rowAt(2), 0);
    QCOMPARE(f.grid.rowAt(headerHeight + 2), 120);
    QCOMPARE(f.grid.cellRect(120, 5).top(), headerHeight);

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
};

QTEST_MAIN(TestFlexGridView)
#include "tst_flexgrid_view.moc"
