#include "portal/run_summary.h"

#include "platform/grid/flexgrid_model.h"
#include "portal/portal_rules.h"
#include "register/register_layout.h"
#include "support/run_progress_estimate.h"

#include <algorithm>

namespace kestrel {

namespace {
// Names listed before the rest is only counted.
constexpr int NamesShown = 8;
}  // namespace

RunSummary SummariseRun(const grid::FlexGridModel& clients, const RunSummaryInput& input) {
  RunSummary summary;
  for (int row = FirstDataRow; row < clients.Rows(); ++row) {
    const QString outcome = clients.TextMatrix(row, col::ImportLogs);
    if (outcome.isEmpty())
      continue;
    ++summary.processed;
    auto it = std::find_if(summary.outcomes.begin(), summary.outcomes.end(),
                           [&](const auto& counted) { return counted.first == outcome; });
    if (it == summary.outcomes.end())
      summary.outcomes.append({outcome, 1});
    else
      ++it->second;
    if (outcome == QLatin1String(outcome::ContactSuccess) &&
        input.unsavedCodes.contains(clients.TextMatrix(row, col::PartyCode)))
      summary.unsavedNames << clients.TextMatrix(row, col::PartyName);
  }
  std::stable_sort(summary.outcomes.begin(), summary.outcomes.end(),
                   [](const auto& a, const auto& b) { return a.second > b.second; });
  summary.notProcessed = std::max(0, input.selected - summary.processed);

  const QString run = input.mode == RunMode::Update ? QStringLiteral("Update on the portal")
                                                    : QStringLiteral("Fetch from the portal");
  const QString took = RunProgressEstimate::durationText(input.elapsedMs);
  QString& text = summary.text;
  if (summary.notProcessed > 0)
    text = QStringLiteral("%1 stopped after %2: %3 of %4 clients processed")
               .arg(run, took)
               .arg(summary.processed)
               .arg(input.selected);
  else
    text = QStringLiteral("%1 finished in %2: %3 %4")
               .arg(run, took)
               .arg(summary.processed)
               .arg(summary.processed == 1 ? QStringLiteral("client") : QStringLiteral("clients"));
  QStringList counts;
  for (const auto& [outcome, count] : summary.outcomes)
    counts << QStringLiteral("%1 \u00d7 %2").arg(count).arg(outcome);
  if (summary.notProcessed > 0)
    counts << QStringLiteral("%1 \u00d7 not processed").arg(summary.notProcessed);
  if (!counts.isEmpty())
    text += QStringLiteral(" \u2014 ") + counts.join(QStringLiteral(", "));
  text += QLatin1Char('.');

  if (!summary.unsavedNames.isEmpty()) {
    QStringList names = summary.unsavedNames.mid(0, NamesShown);
    if (summary.unsavedNames.size() > NamesShown)
      names << QStringLiteral("%1 more").arg(summary.unsavedNames.size() - NamesShown);
    text += QStringLiteral(
                "\nConfirmed by the portal but not saved in the software: %1. "
                "\"Save Confirmed Details\" saves them.")
                .arg(names.join(QStringLiteral(", ")));
  }
  return summary;
}

}  // namespace kestrel
