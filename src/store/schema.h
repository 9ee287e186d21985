#pragma once

#include <QStringList>

namespace kestrel {

// The module's own tables, each created with exactly this statement, in this order.
const QStringList& ModuleTableStatements();

// The names of the module's own tables, in the same order.
const QStringList& ModuleTableNames();

// The statements of the module's scratch tables (ITRDet_Temp): their rows belong to one
// workstation's limits check or occurrence report, so a base component that can should give
// each connection a table of its own.
const QStringList& ScratchTableStatements();

}  // namespace kestrel
