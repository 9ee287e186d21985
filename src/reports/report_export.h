#pragma once

#include <QString>

namespace kestrel {

namespace grid {
class FlexGridModel;
}

// What an export came to, for the command that started it.
struct SheetExport {
  bool written = false;
  QString path;     // the workbook file
  QString message;  // what the user was told, "" when all went well
};

// The workbook both exports write, replacing it each time: the base component's temporary
// folder and "Untitled.xlsx".
QString ExportWorkbookPath();

// `ExportExcelRPT`: the report grid `VSRpt` under the report title, written as a printable
// workbook and opened with the desktop's spreadsheet program. A workbook that cannot be
// written is logged under the routine's name and the user is told where and why.
SheetExport ExportReportGrid(const grid::FlexGridModel& VSRpt, const QString& title);

// `ExportExcelDET`: the same for the detail grid `VSDet`; details: `ChkShowDetail` is ticked.
SheetExport ExportDetailGrid(const grid::FlexGridModel& VSDet, const QString& title, bool details);

}  // namespace kestrel
