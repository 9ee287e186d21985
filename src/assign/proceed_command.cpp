#include "assign/proceed_command.h"

#include "assign/proceed_checks.h"
#include "entry/error_log.h"
#include "entry/interaction.h"
#include "platform/grid/flexgrid.h"
#include "register/register_layout.h"

#include <optional>
#include <utility>

namespace kestrel {

namespace {
constexpr char16_t Window[] = u"frmKestrel";

// Tells the user and puts the cursor on the refused cell (or only in its column).
void showRefusal(grid::FlexGrid& vsCL, const ProceedRefusal& refusal, ErrorTrap& trap) {
  if (refusal.message.isEmpty())
    return;
  ui().MsgBox(refusal.message, Interaction::Icon::Information);
  trap([&] {
    if (refusal.row >= 0) {
      vsCL.model()->setCurrentCell(refusal.row, refusal.col);
      vsCL.ShowCell(refusal.row, refusal.col);
    } else {
      vsCL.setCol(refusal.col);
    }
    vsCL.setFocus();
  });
}
}  // namespace

void StartUpdateRun(grid::FlexGrid& vsCL, const SharingLimits& limits,
                    const std::function<void(bool)>& startRun) {
  ErrorTrap trap(Window, u"CmdProceed_Click");
  {
    ErrorTrap rowsTrap(Window, u"validateform");
    std::optional<ProceedRefusal> incomplete;
    if (!rowsTrap([&] { incomplete = FindIncompleteRow(*vsCL.model()); }))
      return;
    if (incomplete) {
      showRefusal(vsCL, *incomplete, rowsTrap);
      return;
    }
  }
  const std::pair<int, std::optional<int>> sharingChecks[] = {{col::NewMobile1, limits.mobile},
                                                              {col::NewEMail1, limits.eMail}};
  for (const auto& [column, limit] : sharingChecks) {
    if (!limit)
      continue;
    if (const auto refusal = CheckSharingLimit(*vsCL.model(), column, *limit)) {
      ErrorTrap limitTrap(Window, u"ValidateData");
      showRefusal(vsCL, *refusal, limitTrap);
      return;
    }
  }
  trap([&] {
    if (startRun)
      startRun(true);
  });
}

}  // namespace kestrel
