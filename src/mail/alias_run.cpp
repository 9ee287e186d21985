#include "mail/alias_run.h"

#include "entry/error_log.h"
#include "mail/client_grid.h"
#include "mail/hosting_requests.h"
#include "mail/mail_store.h"
#include "platform/grid/flexgrid_model.h"

namespace kestrel::mail {

int CreateAliases(grid::FlexGridModel& g, const AliasSlots& parts, int& seriesCounter, int domainId,
                  int userId, const AliasRunHooks& hooks) {
  ErrorTrap trap(MailWindowName, u"SetForwarders");
  int recorded = 0;
  for (int row = vs::FirstRow; row < g.Rows(); ++row) {
    if (hooks.stopped())
      break;
    const bool ticked = trap.value([&] { return IsTicked(g, row); }, false);
    if (ticked) {
      const QString alias = AliasText(parts, ClientOfRow(g, row), seriesCounter).toLower();
      const HostingOutcome outcome = hooks.addForwarder(alias);
      // A request that brought no page shows why; an answer without a marker shows nothing.
      trap([&] {
        g.setTextMatrix(row, vs::ImportLogs, outcome.result.isEmpty() ? outcome.failure : outcome.result);
      });
      if (IsHostingSuccess(outcome.result)) {
        trap([&] { g.setTextMatrix(row, vs::UserName, alias); });
        RecordAlias(domainId, g.TextMatrix(row, vs::PartyCode), alias, userId);
        ++recorded;
      }
    }
    hooks.rowDone(row, ticked);
  }
  return recorded;
}

}  // namespace kestrel::mail
