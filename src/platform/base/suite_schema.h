#pragma once

#include <QStringList>

namespace kestrel {

class SqlStore;

// The suite's own tables that the module reads and writes, as a stand-in suite database
// holds them: Owner1 (individual clients), Main_Info1 (other clients), OnlineRegInfo
// (e-filing registration per client and assessment year) and tempcltbl (the suite's cached
// client list).
const QStringList& SuiteTableNames();

// Creates each suite table that is missing, with the indexes the suite keeps on it. A table
// that exists already (a real suite database) is left exactly as it is. Returns the names
// of the tables it created.
QStringList EnsureSuiteTables(SqlStore& store);

}  // namespace kestrel
