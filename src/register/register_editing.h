#pragma once

#include <QObject>

namespace kestrel {

namespace grid {
class FlexGrid;
}

// The register's editing rules, attached to the grid's notifications: who may edit which cell,
// the columns that start editing as soon as they are entered, the key filters, the checks before
// a value leaves its cell, Space ticking a row, the header tick and the residency change.
class RegisterEditing : public QObject {
  Q_OBJECT

 public:
  explicit RegisterEditing(grid::FlexGrid* vsCL);

  void vsCL_BeforeEdit(int row, int col, bool& cancel);
  void vsCL_EnterCell();
  void vsCL_KeyPressEdit(int row, int col, int& keyAscii);
  void vsCL_ValidateEdit(int row, int col, bool& cancel);
  void vsCL_AfterEdit(int row, int col);
  void vsCL_KeyDown(int& keyCode, Qt::KeyboardModifiers shift);

 private:
  grid::FlexGrid* vsCL_;
};

// Every data row's check box takes the state of the header check box.
void TickAllRows(grid::FlexGrid& vsCL);

}  // namespace kestrel
