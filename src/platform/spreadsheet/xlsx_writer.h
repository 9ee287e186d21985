#pragma once

#include "reports/spreadsheet_writer.h"

#include <memory>

namespace kestrel {

// The spreadsheet writer on libxlsxwriter: writes the sheet row by row in the library's
// constant-memory mode, so a sheet of any length needs about one row of memory.
std::shared_ptr<SpreadsheetWriter> makeSpreadsheetWriter();

// Registers the writer under SpreadsheetWriter::ProgId.
void registerSpreadsheetWriter();

}  // namespace kestrel
