#pragma once

#include "portal/client_steps.h"

#include <QList>
#include <QPair>
#include <QSet>
#include <QString>
#include <QStringList>

namespace kestrel {

namespace grid {
class FlexGridModel;
}

// What the register shows after a portal run: the run's outcome texts ("Import Logs") counted,
// how long it took, the clients it did not reach, and, after an update, the clients the portal
// confirmed whose details the software does not hold yet.
struct RunSummaryInput {
  RunMode mode = RunMode::Fetch;
  qint64 elapsedMs = 0;
  int selected = 0;            // the clients the run was to process
  QSet<QString> unsavedCodes;  // codes whose confirmation still waits to be saved
};

struct RunSummary {
  int processed = 0;
  int notProcessed = 0;
  QList<QPair<QString, int>> outcomes;  // most frequent first, then in row order
  QStringList unsavedNames;             // in row order
  QString text;                         // what the register's summary line shows
};

// The outcomes are read from the rows' "Import Logs" cells, which the run cleared when it began.
RunSummary SummariseRun(const grid::FlexGridModel& clients, const RunSummaryInput& input);

}  // namespace kestrel
