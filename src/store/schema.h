#pragma once

#include <QStringList>

namespace kestrel {

// The module's own tables, each created with exactly this statement, in this order.
const QStringList& ModuleTableStatements();

}  // namespace kestrel
