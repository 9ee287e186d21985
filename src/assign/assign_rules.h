#pragma once

#include <QString>

#include <array>
#include <optional>

namespace kestrel {

namespace grid {
class FlexGridModel;
class RedrawPause;
}  // namespace grid
using grid::RedrawPause;

// A register row that batch operations act on: a data row, shown, its column-0 box ticked.
bool IsSelectedRow(const grid::FlexGridModel& vsCL, int row);

// What the default contact panel holds when the user assigns: the four texts as typed, the
// two options, and the relation code of each belongs-to box as text ("" for "(Select)",
// which leaves the relation column as it is).
struct DefaultChoices {
  QString primaryMobile{};
  QString primaryEMail{};
  QString secondaryMobile{};
  QString secondaryEMail{};
  bool useClientMobile = false;       // ChkCustMobile
  bool fetchAlias = false;            // ChkFetchAlias
  std::array<QString, 4> relation{};  // primary mobile, primary e-mail, secondary mobile, secondary e-mail
};

// The panel field a refusal puts the focus in.
enum class PanelField { PrimaryMobile, PrimaryEMail, SecondaryMobile, SecondaryEMail };

struct PanelRefusal {
  QString message;
  PanelField focus;
};

// The checks made before assigning, in order; the first failure, or nothing when all pass.
std::optional<PanelRefusal> CheckDefaultChoices(const DefaultChoices& choices);

// Gives one row the defaults: columns 36 to 43 of the "To be Changed" group. The texts are
// expected trimmed (AssignDefaults trims them once for all rows).
void AssignDefaultsToRow(grid::FlexGridModel& vsCL, int row, const DefaultChoices& trimmed);

// Gives every selected row the defaults; returns the number of rows assigned.
int AssignDefaults(grid::FlexGridModel& vsCL, const DefaultChoices& choices);

inline constexpr const char* PrimaryMobileBlankMessage = "Primary Mobile No. can not be blank";
inline constexpr const char* PrimaryEMailBlankMessage = "Primary E-mail can not be blank";
inline constexpr const char* SameMobileMessage = "Secondary Mobile can not be same as Primary Mobile";
inline constexpr const char* SameEMailMessage = "Secondary E-Mail can not be same as Primary E-Mail";

}  // namespace kestrel
