#pragma once

#include <QString>
#include <QTextStream>

namespace kestrel::bench {

// The mail window's alias run against the hosting simulator: its own cost per client beside
// bare requests of the same kind in the same run, and the longest event-loop gap while the
// simulator answers after 300 ms. The store is a SQLite file in storeFolder.
void BenchAliasRun(QTextStream& out, const QString& simProgram, int clients, const QString& storeFolder);

}  // namespace kestrel::bench
