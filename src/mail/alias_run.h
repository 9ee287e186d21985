#pragma once

#include "mail/hosting_call.h"
#include "mail/mail_rules.h"

#include <functional>

namespace kestrel::grid {
class FlexGridModel;
}

namespace kestrel::mail {

// What the alias run asks of its window.
struct AliasRunHooks {
  // Whether the user has closed the progress panel (asked before each row).
  std::function<bool()> stopped;
  // The forwarder request for one alias (CreateUser "FWD").
  std::function<HostingOutcome(const QString& alias)> addForwarder;
  // After each row: the progress bar's step; after a ticked row also a yield to the loop.
  std::function<void(int row, bool requested)> rowDone;
};

// SetForwarders over the grid's rows, hidden ones included: each ticked client's alias is
// built from the slots (lower case) and sent; the result goes into column 8, and on "SUCCESS:"
// the alias into column 6 and the client's record of the domain is replaced. Returns how many
// aliases were recorded.
int CreateAliases(grid::FlexGridModel& g, const AliasSlots& parts, int& seriesCounter, int domainId,
                  int userId, const AliasRunHooks& hooks);

}  // namespace kestrel::mail
