#pragma once

#include <QStringView>

namespace kestrel {

// Creates the module's tables when the main window loads: the CREATE statements, "Flush
// Tables", then gives a WebMailDomain made before sSMTP existed its fourth field. Each
// failing statement is logged under the given window and routine, and creation goes on.
void CreateModuleTables(QStringView window = u"frmKestrel", QStringView routine = u"Form_Load");

}  // namespace kestrel
