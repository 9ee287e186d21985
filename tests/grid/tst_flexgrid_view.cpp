#include "platform/grid/flexgrid.h"

#include <QComboBox>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

using namespace kestrel::grid;

namespace {

// A grid shown offscreen like the client register: two header rows with merged captions, a
// check box column and data from row 2, recording every notification in order.
struct Fixture {
  FlexGrid grid;
  QStringList log;

  explicit Fixture(int dataRows = 20) {
    FlexGridModel& m = *grid.model();
    m.setCols(24);
    m.setRows(2 + dataRows);
    m.setFixedRows(2);
    m.setMergeCells(flexMergeFixedOnly);
    m.setMergeRow(0, true);
    for (int c = 0; c < m.Cols(); ++c) m.setMergeCol(c, true);
    for (int c = 1; c < 13; ++c) {
      m.setTextMatrix(0, c, QStringLiteral("Col %1").arg(c));
      m.setTextMatrix(1, c, QStringLiteral("Col %1").arg(c));
    }
    for (int c = 13; c <= 22; ++c) {
      m.setTextMatrix(0, c, QStringLiteral("As per Software"));
      m.setTextMatrix(1, c, QStringLiteral("Item %1").arg(c));
    }
    m.setCellChecked(0, 0, flexUnchecked);
    for (int r = 2; r < m.Rows(); ++r) {
      m.setCellChecked(r, 0, flexUnchecked);
      m.setTextMatrix(r, 1, QStringLiteral("old"));
      m.setTextMatrix(r, 2, QStringLiteral("Client %1").arg(r));
    }
    m.setColWidth(0, 24);
    m.setEditable(flexEDKbdMouse);
    m.setCurrentCell(2, 1);
    grid.resize(700, 300);
    grid.show();

    QObject::connect(&grid, &FlexGrid::BeforeEdit, &grid, [this](int r, int c, bool&) {
      log << QStringLiteral("BeforeEdit %1,%2").arg(r).arg(c);
    });
    QObject::connect(&grid, &FlexGrid::StartEdit, &grid,
                     [this](int r, int c, bool&) { log << QStringLiteral("StartEdit %1,%2").arg(r).arg(c); });
    QObject::connect(&grid, &FlexGrid::KeyPressEdit, &grid,
                     [this](int, int, int& key) { log << QStringLiteral("KeyPressEdit %1").arg(key); });
    QObject::connect(&grid, &FlexGrid::ValidateEdit, &grid, [this](int r, int c, bool&) {
      log << QStringLiteral("ValidateEdit %1,%2 %3").arg(r).arg(c).arg(grid.EditText());
    });
    QObject::connect(&grid, &FlexGrid::AfterEdit, &grid, [this](int r, int c) {
      log << QStringLiteral("AfterEdit %1,%2 %3").arg(r).arg(c).arg(grid.TextMatrix(r, c));
    });
  }

  FlexGridModel& model() { return *grid.model(); }
  QPoint checkBoxCentre(int row, int col) { return grid.rangeRect(model().mergedRange(row, col)).center(); }
};

}  // namespace

class TestFlexGridView : public QObject {
  Q_OBJECT

 private slots:
  void editNotificationOrder();
  void editStarts_data();
  void editStarts();
  void beforeEditRefuses_data();
  void beforeEditRefuses();
  void keyPressEditFilters_data();
  void keyPressEditFilters();
  void validateEditRefusalKeepsEditor();
  void validateEditMayChangeText();
  void editEndsByKey_data();
  void editEndsByKey();
  void comboEditors_data();
  void comboEditors();
  void checkBoxToggles_data();
  void checkBoxToggles();
  void navigation_data();
  void navigation();
  void keyDownCanSwallowOrChange();
  void mouseSelects();
  void headerStaysOnTopWhileScrolling();
  void mergedHeaderPaintedAsOneCell();
};

void TestFlexGridView::editNotificationOrder() {
  Fixture f;
  f.grid.EditCell();
  QVERIFY(f.grid.isEditing());
  f.grid.typeText(QStringLiteral("ab"));
  QVERIFY(f.grid.commitEdit());
  QVERIFY(!f.grid.isEditing());
  const QStringList expected{QStringLiteral("BeforeEdit 2,1"),      QStringLiteral("StartEdit 2,1"),
                             QStringLiteral("KeyPressEdit 97"),     QStringLiteral("KeyPressEdit 98"),
                             QStringLiteral("ValidateEdit 2,1 ab"), QStringLiteral("AfterEdit 2,1 ab")};
  QCOMPARE(f.log, expected);
}

void TestFlexGridView::editStarts_data() {
  QTest::addColumn<QString>("how");
  QTest::addColumn<int>("editable");
  QTest::addColumn<bool>("editing");
  QTest::addColumn<QString>("editText");
  QTest::newRow("EditCell") << QStringLiteral("EditCell") << int(flexEDKbdMouse) << true
                            << QStringLiteral("old");
  QTest::newRow("EditCell without Editable")
      << QStringLiteral("EditCell") << int(flexEDNone) << true << QStringLiteral("old");
  QTest::newRow("F2") << QStringLiteral("F2") << int(flexEDKbd) << true << QStringLiteral("old");
  QTest::newRow("Enter") << QStringLiteral("Enter") << int(flexEDKbd) << true << QStringLiteral("old");
  QTest::newRow("typing replaces") << QStringLiteral("type") << int(flexEDKbd) << true << QStringLiteral("z");
  QTest::newRow("typing when not editable")
      << QStringLiteral("type") << int(flexEDNone) << false << QString();
  QTest::newRow("double-click") << QStringLiteral("dblclick") << int(flexEDKbdMouse) << true
                                << QStringLiteral("old");
  QTest::newRow("double-click, keyboard only")
      << QStringLiteral("dblclick") << int(flexEDKbd) << false << QString();
}

void TestFlexGridView::editStarts() {
  QFETCH(QString, how);
  QFETCH(int, editable);
  QFETCH(bool, editing);
  QFETCH(QString, editText);
  Fixture f;
  f.model().setEditable(editable);
  if (how == QLatin1String("EditCell"))
    f.grid.EditCell();
  else if (how == QLatin1String("F2"))
    QTest::keyClick(&f.grid, Qt::Key_F2);
  else if (how == QLatin1String("Enter"))
    QTest::keyClick(&f.grid, Qt::Key_Return);
  else if (how == QLatin1String("type"))
    QTest::keyClick(&f.grid, Qt::Key_Z);
  else
    QTest::mouseDClick(f.grid.viewport(), Qt::LeftButton, {}, f.grid.cellRect(2, 1).center());
  QCOMPARE(f.grid.isEditing(), editing);
  QCOMPARE(f.grid.EditText(), editText);
  if (editing) {
    QVERIFY(qobject_cast<QLineEdit*>(f.grid.editor()));
    QCOMPARE(f.grid.editor()->geometry().topLeft(), f.grid.cellRect(2, 1).topLeft());
  }
}

void TestFlexGridView::beforeEditRefuses_data() {
  QTest::addColumn<QString>("how");
  QTest::newRow("EditCell") << QStringLiteral("EditCell");
  QTest::newRow("typing") << QStringLiteral("type");
  QTest::newRow("Space on a check box") << QStringLiteral("space");
  QTest::newRow("click on a check box") << QStringLiteral("click");
}

void TestFlexGridView::beforeEditRefuses() {
  QFETCH(QString, how);
  Fixture f;
  QObject::connect(&f.grid, &FlexGrid::BeforeEdit, &f.grid, [](int, int, bool& cancel) { cancel = true; });
  QSignalSpy after(&f.grid, &FlexGrid::AfterEdit);
  if (how == QLatin1String("EditCell")) {
    f.grid.EditCell();
  } else if (how == QLatin1String("type")) {
    f.grid.typeText(QStringLiteral("xyz"));
  } else if (how == QLatin1String("space")) {
    f.model().setCol(0);
    QTest::keyClick(&f.grid, Qt::Key_Space);
  } else {
    QTest::mouseClick(f.grid.viewport(), Qt::LeftButton, {}, f.checkBoxCentre(3, 0));
  }
  QVERIFY(!f.grid.isEditing());
  QCOMPARE(after.size(), 0);
  QCOMPARE(f.model().TextMatrix(2, 1), QStringLiteral("old"));
  QCOMPARE(f.model().CellChecked(2, 0), int(flexUnchecked));
  QCOMPARE(f.model().CellChecked(3, 0), int(flexUnchecked));
  QVERIFY(!f.log.filter(QStringLiteral("BeforeEdit")).isEmpty());
}

void TestFlexGridView::keyPressEditFilters_data() {
  QTest::addColumn<QString>("rule");
  QTest::addColumn<bool>("realKeys");
  QTest::addColumn<QString>("typed");
  QTest::addColumn<QString>("stored");
  QTest::newRow("lower case, helper")
      << QStringLiteral("lower") << false << QStringLiteral("AbC@X.In") << QStringLiteral("abc@x.in");
  QTest::newRow("digits only, keys") << QStringLiteral("digits") << true << QStringLiteral("98a7-6 5")
                                     << QStringLiteral("98765");
  QTest::newRow("backspace passes through")
      << QStringLiteral("digits") << false << QStringLiteral("12\b3") << QStringLiteral("13");
  QTest::newRow("backspace key") << QStringLiteral("digits") << true << QStringLiteral("12\b3")
                                 << QStringLiteral("13");
}

void TestFlexGridView::keyPressEditFilters() {
  QFETCH(QString, rule);
  QFETCH(bool, realKeys);
  QFETCH(QString, typed);
  QFETCH(QString, stored);
  Fixture f;
  QObject::connect(&f.grid, &FlexGrid::KeyPressEdit, &f.grid, [rule](int, int, int& key) {
    if (rule == QLatin1String("lower"))
      key = QChar(key).toLower().unicode();
    else if (key >= 0x20 && !QChar(key).isDigit())
      key = 0;
  });
  f.grid.EditCell();
  f.grid.setEditText(QString());
  for (const QChar ch : typed) {
    if (ch == u'\b')
      realKeys ? QTest::keyClick(f.grid.editor(), Qt::Key_Backspace) : f.grid.sendKeyAscii(8);
    else
      realKeys ? QTest::keyClicks(f.grid.editor(), QString(ch)) : f.grid.sendKeyAscii(ch.unicode());
  }
  QCOMPARE(f.grid.EditText(), stored);
  if (realKeys)
    QTest::keyClick(f.grid.editor(), Qt::Key_Return);
  else
    f.grid.sendKeyAscii(13);
  QVERIFY(!f.grid.isEditing());
  QCOMPARE(f.model().TextMatrix(2, 1), stored);
  QVERIFY(f.log.contains(QStringLiteral("KeyPressEdit 13")));
  QCOMPARE(f.log.contains(QStringLiteral("KeyPressEdit 8")), typed.contains(u'\b'));
}

void TestFlexGridView::validateEditRefusalKeepsEditor() {
  Fixture f;
  QObject::connect(&f.grid, &FlexGrid::ValidateEdit, &f.grid,
                   [&f](int, int, bool& cancel) { cancel = f.grid.EditText().size() != 10; });
  f.grid.EditCell();
  f.grid.setEditText(QString());
  f.grid.typeText(QStringLiteral("98765"));
  QVERIFY(!f.grid.commitEdit());
  QVERIFY(f.grid.isEditing());
  QCOMPARE(f.grid.EditText(), QStringLiteral("98765"));
  QTest::keyClick(f.grid.editor(), Qt::Key_Return);
  QVERIFY(f.grid.isEditing());
  QCOMPARE(f.model().TextMatrix(2, 1), QStringLiteral("old"));
  QVERIFY(f.log.filter(QStringLiteral("AfterEdit")).isEmpty());

  f.grid.typeText(QStringLiteral("43210"));
  QTest::keyClick(f.grid.editor(), Qt::Key_Return);
  QVERIFY(!f.grid.isEditing());
  QCOMPARE(f.model().TextMatrix(2, 1), QStringLiteral("9876543210"));
  QCOMPARE(f.log.last(), QStringLiteral("AfterEdit 2,1 9876543210"));
}

void TestFlexGridView::validateEditMayChangeText() {
  Fixture f;
  QObject::connect(&f.grid, &FlexGrid::ValidateEdit, &f.grid,
                   [&f](int, int, bool&) { f.grid.setEditText(f.grid.EditText().trimmed().toUpper()); });
  f.grid.EditCell();
  f.grid.setEditText(QStringLiteral("  abcde1234f "));
  QVERIFY(f.grid.commitEdit());
  QCOMPARE(f.model().TextMatrix(2, 1), QStringLiteral("ABCDE1234F"));
}

void TestFlexGridView::editEndsByKey_data() {
  QTest::addColumn<int>("key");
  QTest::addColumn<QString>("stored");
  QTest::addColumn<QPoint>("to");  // (row, col)
  QTest::newRow("Escape cancels") << int(Qt::Key_Escape) << QStringLiteral("old") << QPoint(2, 1);
  QTest::newRow("Down commits and moves") << int(Qt::Key_Down) << QStringLiteral("new") << QPoint(3, 1);
  QTest::newRow("Tab commits and moves") << int(Qt::Key_Tab) << QStringLiteral("new") << QPoint(2, 2);
}

void TestFlexGridView::editEndsByKey() {
  QFETCH(int, key);
  QFETCH(QString, stored);
  QFETCH(QPoint, to);
  Fixture f;
  f.grid.EditCell();
  QTest::keyClicks(f.grid.editor(), QStringLiteral("new"));
  QTest::keyClick(f.grid.editor(), static_cast<Qt::Key>(key));
  QVERIFY(!f.grid.isEditing());
  QCOMPARE(f.model().TextMatrix(2, 1), stored);
  QCOMPARE(QPoint(f.model().Row(), f.model().Col()), to);
  const qsizetype committed = stored == QLatin1String("new") ? 1 : 0;
  QCOMPARE(f.log.filter(QStringLiteral("ValidateEdit")).size(), committed);
  QCOMPARE(f.log.filter(QStringLiteral("AfterEdit")).size(), committed);
}

void TestFlexGridView::comboEditors_data() {
  QTest::addColumn<QString>("list");
  QTest::addColumn<QString>("initial");
  QTest::addColumn<QString>("setText");  // through setEditText, else typed
  QTest::addColumn<QString>("typed");
  QTest::addColumn<bool>("editableEditor");
  QTest::addColumn<QString>("stored");
  QTest::addColumn<QString>("shown");
  const QString owners = QStringLiteral("#0; |#1;Self|#2;Spouse|#10;Authorised Representative");
  QTest::newRow("code chosen") << owners << QStringLiteral("1") << QStringLiteral("10") << QString() << false
                               << QStringLiteral("10") << QStringLiteral("Authorised Representative");
  QTest::newRow("code by typing") << owners << QStringLiteral("1") << QString() << QStringLiteral("s")
                                  << false << QStringLiteral("2") << QStringLiteral("Spouse");
  QTest::newRow("unchanged unknown code") << owners << QStringLiteral("77") << QString() << QString() << false
                                          << QStringLiteral("77") << QStringLiteral("77");
  QTest::newRow("plain list") << QStringLiteral("No|Yes") << QStringLiteral("No") << QString()
                              << QStringLiteral("y") << false << QStringLiteral("Yes")
                              << QStringLiteral("Yes");
  QTest::newRow("free text") << QStringLiteral("|Gmail|Yahoo") << QStringLiteral("Gmail") << QString()
                             << QStringLiteral("Rediff") << true << QStringLiteral("Rediff")
                             << QStringLiteral("Rediff");
  QTest::newRow("editable coded by text")
      << QStringLiteral("|#1;Self|#2;Spouse") << QStringLiteral("1") << QStringLiteral("Spouse") << QString()
      << true << QStringLiteral("2") << QStringLiteral("Spouse");
}

void TestFlexGridView::comboEditors() {
  QFETCH(QString, list);
  QFETCH(QString, initial);
  QFETCH(QString, setText);
  QFETCH(QString, typed);
  QFETCH(bool, editableEditor);
  QFETCH(QString, stored);
  QFETCH(QString, shown);
  Fixture f;
  f.model().setColComboList(1, list);
  f.model().setTextMatrix(2, 1, initial);
  if (typed.isEmpty())
    f.grid.EditCell();
  else
    QTest::keyClicks(&f.grid, typed);  // the first key opens the drop-down
  auto* combo = qobject_cast<QComboBox*>(f.grid.editor());
  QVERIFY(combo);
  QCOMPARE(combo->isEditable(), editableEditor);
  if (!setText.isEmpty())
    f.grid.setEditText(setText);
  QCOMPARE(f.grid.EditText(), stored);
  QVERIFY(f.grid.commitEdit());
  QCOMPARE(f.model().TextMatrix(2, 1), stored);
  QCOMPARE(f.model().DisplayText(2, 1), shown);
}

void TestFlexGridView::checkBoxToggles_data() {
  QTest::addColumn<QString>("how");
  QTest::addColumn<int>("row");
  QTest::addColumn<int>("initial");
  QTest::addColumn<int>("expected");
  QTest::newRow("Space") << QStringLiteral("space") << 4 << int(flexUnchecked) << int(flexChecked);
  QTest::newRow("Space unticks") << QStringLiteral("space") << 4 << int(flexChecked) << int(flexUnchecked);
  QTest::newRow("Space on grey") << QStringLiteral("space") << 4 << int(flexTSGrayed) << int(flexChecked);
  QTest::newRow("typed space") << QStringLiteral("ascii") << 4 << int(flexUnchecked) << int(flexChecked);
  QTest::newRow("click") << QStringLiteral("click") << 5 << int(flexUnchecked) << int(flexChecked);
  QTest::newRow("header box over two rows")
      << QStringLiteral("header") << 0 << int(flexUnchecked) << int(flexChecked);
}

void TestFlexGridView::checkBoxToggles() {
  QFETCH(QString, how);
  QFETCH(int, row);
  QFETCH(int, initial);
  QFETCH(int, expected);
  Fixture f;
  f.model().setCellChecked(row, 0, initial);
  f.model().setCurrentCell(std::max(row, 2), 0);
  if (how == QLatin1String("space"))
    QTest::keyClick(&f.grid, Qt::Key_Space);
  else if (how == QLatin1String("ascii"))
    f.grid.sendKeyAscii(u' ');
  else if (how == QLatin1String("click"))
    QTest::mouseClick(f.grid.viewport(), Qt::LeftButton, {}, f.checkBoxCentre(row, 0));
  else  // the lower half of the header box lies in row 1
    QTest::mouseClick(f.grid.viewport(), Qt::LeftButton, {}, f.checkBoxCentre(1, 0) + QPoint(0, 3));
  QCOMPARE(f.model().CellChecked(row, 0), expected);
  QCOMPARE(f.log, (QStringList{QStringLiteral("BeforeEdit %1,0").arg(row),
                               QStringLiteral("AfterEdit %1,0 ").arg(row)}));
  QVERIFY(!f.grid.isEditing());

  f.model().setEditable(flexEDNone);
  QTest::keyClick(&f.grid, Qt::Key_Space);
  QCOMPARE(f.model().CellChecked(row, 0), expected);
}

void TestFlexGridView::navigation_data() {
  QTest::addColumn<int>("key");
  QTest::addColumn<int>("modifiers");
  QTest::addColumn<QPoint>("from");  // (row, col)
  QTest::addColumn<QPoint>("to");
  QTest::addColumn<QPoint>("selectedTo");
  const int none = Qt::NoModifier;
  QTest::newRow("down skips hidden") << int(Qt::Key_Down) << none << QPoint(3, 1) << QPoint(6, 1)
                                     << QPoint(6, 1);
  QTest::newRow("up skips hidden") << int(Qt::Key_Up) << none << QPoint(6, 1) << QPoint(3, 1) << QPoint(3, 1);
  QTest::newRow("up stops at first data row")
      << int(Qt::Key_Up) << none << QPoint(2, 1) << QPoint(2, 1) << QPoint(2, 1);
  QTest::newRow("right skips hidden column")
      << int(Qt::Key_Right) << none << QPoint(2, 2) << QPoint(2, 4) << QPoint(2, 4);
  QTest::newRow("left") << int(Qt::Key_Left) << none << QPoint(2, 1) << QPoint(2, 0) << QPoint(2, 0);
  QTest::newRow("home") << int(Qt::Key_Home) << none << QPoint(7, 9) << QPoint(7, 0) << QPoint(7, 0);
  QTest::newRow("end") << int(Qt::Key_End) << none << QPoint(7, 9) << QPoint(7, 23) << QPoint(7, 23);
  QTest::newRow("ctrl+end") << int(Qt::Key_End) << int(Qt::ControlModifier) << QPoint(7, 9) << QPoint(21, 9)
                            << QPoint(21, 9);
  QTest::newRow("ctrl+home") << int(Qt::Key_Home) << int(Qt::ControlModifier) << QPoint(9, 9) << QPoint(2, 9)
                             << QPoint(2, 9);
  QTest::newRow("page down stays in grid")
      << int(Qt::Key_PageDown) << none << QPoint(20, 1) << QPoint(21, 1) << QPoint(21, 1);
  QTest::newRow("tab") << int(Qt::Key_Tab) << none << QPoint(2, 1) << QPoint(2, 2) << QPoint(2, 2);
  QTest::newRow("tab wraps") << int(Qt::Key_Tab) << none << QPoint(2, 23) << QPoint(3, 0) << QPoint(3, 0);
  QTest::newRow("shift+down extends")
      << int(Qt::Key_Down) << int(Qt::ShiftModifier) << QPoint(2, 1) << QPoint(2, 1) << QPoint(3, 1);
}

void TestFlexGridView::navigation() {
  QFETCH(int, key);
  QFETCH(int, modifiers);
  QFETCH(QPoint, from);
  QFETCH(QPoint, to);
  QFETCH(QPoint, selectedTo);
  Fixture f;
  f.model().setRowHidden(4, true);
  f.model().setRowHidden(5, true);
  f.model().setColHidden(3, true);
  f.model().setCurrentCell(from.x(), from.y());
  QSignalSpy entered(&f.grid, &FlexGrid::EnterCell);
  QTest::keyClick(&f.grid, static_cast<Qt::Key>(key), static_cast<Qt::KeyboardModifiers>(modifiers));
  QCOMPARE(QPoint(f.model().Row(), f.model().Col()), to);
  QCOMPARE(QPoint(f.model().RowSel(), f.model().ColSel()), selectedTo);
  QCOMPARE(entered.size(), to == from ? 0 : 1);
  QVERIFY(f.grid.rowAt(f.grid.cellRect(selectedTo.x(), selectedTo.y()).center().y()) == selectedTo.x());
}

void TestFlexGridView::keyDownCanSwallowOrChange() {
  Fixture f;
  QObject::connect(&f.grid, &FlexGrid::KeyDown, &f.grid, [](int& key, Qt::KeyboardModifiers) {
    if (key == Qt::Key_Down)
      key = 0;
    else if (key == Qt::Key_Right)
      key = Qt::Key_End;
  });
  QTest::keyClick(&f.grid, Qt::Key_Down);
  QCOMPARE(f.model().Row(), 2);
  QTest::keyClick(&f.grid, Qt::Key_Right);
  QCOMPARE(f.model().Col(), 23);
}

void TestFlexGridView::mouseSelects() {
  Fixture f;
  QSignalSpy entered(&f.grid, &FlexGrid::EnterCell);
  QSignalSpy clicked(&f.grid, &FlexGrid::Click);
  QTest::mouseClick(f.grid.viewport(), Qt::LeftButton, {}, f.grid.cellRect(5, 2).center());
  QCOMPARE(f.model().Row(), 5);
  QCOMPARE(f.model().Col(), 2);
  QCOMPARE(f.grid.MouseRow(), 5);
  QCOMPARE(entered.size(), 1);
  QCOMPARE(clicked.size(), 1);
  QTest::mouseClick(f.grid.viewport(), Qt::LeftButton, Qt::ShiftModifier, f.grid.cellRect(7, 4).center());
  QCOMPARE(f.model().selection(), (CellRange{5, 2, 7, 4}));
  QTest::mouseClick(f.grid.viewport(), Qt::LeftButton, {}, f.grid.cellRect(1, 4).center());  // header
  QCOMPARE(f.model().Row(), 5);

  // Clicking elsewhere commits an open edit first.
  f.grid.EditCell();
  f.grid.setEditText(QStringLiteral("clicked away"));
  QTest::mouseClick(f.grid.viewport(), Qt::LeftButton, {}, f.grid.cellRect(8, 2).center());
  QVERIFY(!f.grid.isEditing());
  QCOMPARE(f.model().TextMatrix(5, 2), QStringLiteral("clicked away"));
  QCOMPARE(f.model().Row(), 8);
}

void TestFlexGridView::headerStaysOnTopWhileScrolling() {
  Fixture f(500);
  const QColor header(0xdd, 0xdd, 0xdd);
  const QColor marked(0x20, 0x90, 0x40);
  f.grid.setBackColorFixed(header);
  f.model().setRowHidden(100, true);
  f.model().setCellBackColor(120, 0, 120, f.model().Cols() - 1, marked);
  f.grid.setTopRow(120);
  QCOMPARE(f.grid.TopRow(), 120);
  const int headerHeight = f.model().RowHeight(0) + f.model().RowHeight(1);
  QCOMPARE(f.grid.rowAt(2), 0);
  QCOMPARE(f.grid.rowAt(headerHeight - 2), 1);
  QCOMPARE(f.grid.rowAt(headerHeight + 2), 120);
  QCOMPARE(f.grid.rowAt(headerHeight + f.model().RowHeight(2) + 2), 121);
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

void TestFlexGridView::mergedHeaderPaintedAsOneCell() {
  Fixture f;
  const QColor lines(255, 0, 0);
  f.grid.setGridColorFixed(lines);
  f.grid.setBackColorFixed(QColor(0xdd, 0xdd, 0xdd));
  for (int c = 1; c < f.model().Cols(); ++c) f.model().setColWidth(c, 28);
  const QImage image = f.grid.viewport()->grab().toImage();
  const int boundary = f.grid.cellRect(0, 14).left() - 1;  // between columns 13 and 14
  const int row0 = f.grid.cellRect(0, 14).top() + 2;
  const int row1 = f.grid.cellRect(1, 14).top() + 2;
  QVERIFY(image.pixelColor(boundary, row0) != lines);  // "As per Software" spans both
  QCOMPARE(image.pixelColor(boundary, row1), lines);   // the captions below do not merge
  const int between = f.grid.cellRect(0, 2).bottom();  // rows 0 and 1 of a column merged down
  QVERIFY(image.pixelColor(f.grid.cellRect(0, 2).left() + 2, between) != lines);
  QCOMPARE(image.pixelColor(f.grid.cellRect(0, 14).left() + 2, between), lines);
  QCOMPARE(f.grid.rangeRect(f.model().mergedRange(0, 0)).height(),
           f.model().RowHeight(0) + f.model().RowHeight(1));
}

QTEST_MAIN(TestFlexGridView)
#include "tst_flexgrid_view.moc"
