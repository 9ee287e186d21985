#include "reports/report_export.h"

#include "entry/error_log.h"
#include "entry/interaction.h"
#include "entry/mod_it_main.h"
#include "platform/grid/flexgrid_model.h"
#include "reports/report_sheet.h"
#include "reports/spreadsheet_writer.h"

#include <QDir>

#include <functional>

namespace kestrel {

namespace {

constexpr auto Window = u"frmKestrel";

// Records a failure or a note under the routine's trap, as any failing statement would be.
void logThrough(ErrorTrap& trap, long number, const QString& description) {
  trap([&] { throw RuntimeError(number, description, QString::fromLatin1(SpreadsheetWriter::ProgId)); });
}

SheetExport exportGrid(QStringView routine, const grid::FlexGridModel& g,
                       const std::function<sheet::Sheet()>& layOut) {
  ErrorTrap trap(Window, routine);
  SheetExport result;
  const auto tell = [&](const QString& text) {
    result.message = text;
    ui().MsgBox(text, Interaction::Icon::Exclamation);
    return result;
  };

  const int rows = SheetRowsFor(g);
  if (rows > SpreadsheetWriter::MaxRows)
    return tell(QStringLiteral("This list needs %1 rows on a sheet, more than the %2 a sheet holds. "
                               "Nothing was exported; narrow the list and export it again.")
                    .arg(rows)
                    .arg(SpreadsheetWriter::MaxRows));

  result.path = trap.value([] { return ExportWorkbookPath(); }, QString());
  const auto writer = trap.value(
      [] { return CreateObject<SpreadsheetWriter>(QString::fromLatin1(SpreadsheetWriter::ProgId)); },
      std::shared_ptr<SpreadsheetWriter>());
  if (result.path.isEmpty())
    return tell(QStringLiteral("The list could not be exported: %1").arg(trap.lastError().Description));
  if (!writer)
    return tell(QStringLiteral("The list could not be exported: no spreadsheet writer is available."));

  sheet::Sheet layout;
  bool written = false;
  if (!trap([&] { layout = layOut(); }) ||
      !trap([&] { written = writer->WriteWorkbook(layout, result.path); }))
    return tell(QStringLiteral("The list could not be exported: %1").arg(trap.lastError().Description));
  for (const QString& note : writer->Notes()) logThrough(trap, errnum::Overflow, note);
  if (!written) {
    logThrough(trap, errnum::PathFileAccess, writer->LastError());
    return tell(QStringLiteral("The list could not be exported.\n\n%1").arg(writer->LastError()));
  }
  result.written = true;
  if (!ui().OpenWithDesktop(result.path, true))
    return tell(QStringLiteral("The list was saved as %1, but no program opened it. Open it from there.")
                    .arg(QDir::toNativeSeparators(result.path)));
  return result;
}

}  // namespace

QString ExportWorkbookPath() {
  return Base().vTmpPath() + QStringLiteral("Untitled.xlsx");
}

SheetExport ExportReportGrid(const grid::FlexGridModel& VSRpt, const QString& title) {
  return exportGrid(u"ExportExcelRPT", VSRpt, [&] { return ReportGridSheet(VSRpt, title); });
}

SheetExport ExportDetailGrid(const grid::FlexGridModel& VSDet, const QString& title, bool details) {
  return exportGrid(u"ExportExcelDET", VSDet, [&] { return DetailGridSheet(VSDet, title, details); });
}

}  // namespace kestrel
