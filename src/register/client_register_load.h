#pragma once

#include <QString>

namespace kestrel {

namespace grid {
class FlexGridModel;
}

// Empties the register to its two header rows, unticks the header check box and gives the
// contact columns their drop-down lists.
void ResetRegister(grid::FlexGridModel& vsCL);

// Fills the register from the suite's database (the routine "ShowData" of the error log):
// every client with a year-0 registration row, the first record of a code winning, columns 23
// to 44 left empty. Failures are logged and the register keeps whatever was filled.
void LoadClients(grid::FlexGridModel& vsCL);

// Index of the row whose column 1 holds the client code (case-sensitive, whole cell); -1 when
// no data row does.
int FindClientRow(const grid::FlexGridModel& vsCL, const QString& code);

}  // namespace kestrel
