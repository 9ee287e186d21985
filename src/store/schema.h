#pragma once

#include <QStringList>

namespace kestrel {

// The module's own tables, each created with exactly this statement, in this order.
const QStringList& ModuleTableStatements();

// Creates the module's tables when the main window loads: the CREATE statements, "Flush
// Tables", then gives a WebMailDomain made before sSMTP existed its fourth field. Each
// failing statement is logged under the given window and routine, and creation goes on.
void CreateModuleTables(QStringView window = u"frmKestrel", QStringView routine = u"Form_Load");

}  // namespace kestrel
