#include "register/register_editing.h"

#include "entry/error_log.h"
#include "entry/interaction.h"
#include "platform/grid/flexgrid.h"
#include "register/edit_rules.h"
#include "register/register_layout.h"

namespace kestrel {

using grid::FlexGrid;

namespace {
using col::NewIsd;
using col::NewResidency;
constexpr const char16_t* Window = u"frmKestrel";
}  // namespace

RegisterEditing::RegisterEditing(FlexGrid* vsCL) : QObject(vsCL), vsCL_(vsCL) {
  connect(vsCL, &FlexGrid::BeforeEdit, this, &RegisterEditing::vsCL_BeforeEdit);
  connect(vsCL, &FlexGrid::EnterCell, this, &RegisterEditing::vsCL_EnterCell);
  connect(vsCL, &FlexGrid::KeyPressEdit, this, &RegisterEditing::vsCL_KeyPressEdit);
  connect(vsCL, &FlexGrid::ValidateEdit, this, &RegisterEditing::vsCL_ValidateEdit);
  connect(vsCL, &FlexGrid::AfterEdit, this, &RegisterEditing::vsCL_AfterEdit);
  connect(vsCL, &FlexGrid::KeyDown, this, &RegisterEditing::vsCL_KeyDown);
}

void RegisterEditing::vsCL_BeforeEdit(int row, int c, bool& cancel) {
  ErrorTrap trap(Window, u"vsCL_BeforeEdit");
  trap([&] {
    const bool dataRow = row >= FirstDataRow;
    const QString pan = dataRow ? vsCL_->TextMatrix(row, col::Pan) : QString();
    const QString residency = dataRow ? vsCL_->TextMatrix(row, NewResidency) : QString();
    cancel = !CanEditRegisterCell(row, c, pan, residency);
  });
}

void RegisterEditing::vsCL_EnterCell() {
  // Entering a free-text "To be Changed" cell opens its editor at once, so typing goes
  // straight into it; whatever fails here is of no consequence.
  ignoreErrors([&] {
    if (EditsAtOnce(vsCL_->Row(), vsCL_->Col()) && !vsCL_->isEditing())
      vsCL_->EditCell();
  });
}

void RegisterEditing::vsCL_KeyPressEdit(int, int c, int& keyAscii) {
  ErrorTrap trap(Window, u"vsCL_KeyPressEdit");
  trap([&] { keyAscii = FilterEditKey(c, keyAscii); });
}

void RegisterEditing::vsCL_ValidateEdit(int row, int c, bool& cancel) {
  ErrorTrap trap(Window, u"vsCL_ValidateEdit");
  trap([&] {
    if (row < FirstDataRow)
      return;
    const CellVerdict verdict = CheckCellValue(c, vsCL_->EditText());
    if (verdict.accepted)
      return;
    if (!verdict.message.isEmpty())
      ui().MsgBox(verdict.message, Interaction::Icon::Information);
    cancel = true;
  });
}

void TickAllRows(FlexGrid& vsCL) {
  grid::FlexGridModel& m = *vsCL.model();
  const int state = m.CellChecked(0, col::SrNo);
  const grid::RedrawPause pause(m);
  for (int r = FirstDataRow; r < m.Rows(); ++r) m.setCellChecked(r, col::SrNo, state);
}

void RegisterEditing::vsCL_AfterEdit(int row, int c) {
  ErrorTrap trap(Window, u"vsCL_AfterEdit");
  if (row == 0 && c == col::SrNo)
    trap([&] { TickAllRows(*vsCL_); });
  if (row >= FirstDataRow && c == NewResidency)
    trap([&] {
      if (vsCL_->TextMatrix(row, NewResidency) != QLatin1String("Yes") &&
          !vsCL_->TextMatrix(row, NewIsd).isEmpty())
        vsCL_->setTextMatrix(row, NewIsd, QString());
    });
  trap([&] { vsCL_->model()->AutoSize(0, vsCL_->Cols() - 1); });
}

void RegisterEditing::vsCL_KeyDown(int& keyCode, Qt::KeyboardModifiers) {
  ErrorTrap trap(Window, u"vsCL_KeyDown");
  trap([&] {
    const int row = vsCL_->Row();
    if (keyCode != Qt::Key_Space || row < FirstDataRow || vsCL_->Col() == col::SrNo)
      return;
    grid::FlexGridModel& m = *vsCL_->model();
    const bool ticked = m.CellChecked(row, col::SrNo) == grid::flexChecked;
    m.setCellChecked(row, col::SrNo, ticked ? grid::flexUnchecked : grid::flexChecked);
    keyCode = 0;
  });
}

}  // namespace kestrel
