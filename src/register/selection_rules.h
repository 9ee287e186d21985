#pragma once

#include <QString>

#include <array>

namespace kestrel {

namespace grid {
class FlexGridModel;
}

// The columns the search box can search, in the order of its drop-down list.
struct SearchColumn {
  const char* caption;
  int column;
};
inline constexpr std::array<SearchColumn, 6> SearchColumns = {{
    {"Party Code", 1},
    {"Party Name", 5},
    {"PAN Number", 6},
    {"Date of Birth", 7},
    {"Mobile 1", 15},
    {"E-Mail 1", 17},
}};

inline constexpr const char* SelectSearchColumnMessage = "Please select Search Column";
inline constexpr const char* InvalidSerialMessage = "Please Enter valid Serial Number.";

// Whether a row stays visible for an upper-cased search text (empty shows every row).
inline bool SearchKeepsRow(const QString& cell, const QString& upperNeedle) {
  return upperNeedle.isEmpty() || cell.toUpper().contains(upperNeedle);
}

// The range boxes' verdict on "From" and "To" for a register of `clients` clients.
enum class RangeBox { None, From, To };
struct RangeVerdict {
  bool accepted = false;
  RangeBox focus = RangeBox::None;  // where the focus goes after a refusal
  int from = 0;
  int to = 0;
};
RangeVerdict CheckRange(const QString& fromText, const QString& toText, int clients);

// What a range box shows after it loses the focus: its numeric value, or nothing for 0.
QString RangeBoxText(const QString& text);

// The main panel's count: the clients, how many the search shows, how many ticked clients a run
// would take (shown and ticked) and, apart, the ticked ones the search hides, which a run skips.
struct RegisterCount {
  int clients = 0;
  int shown = 0;
  int ticked = 0;
  int tickedHidden = 0;
};
RegisterCount CountClients(const grid::FlexGridModel& vsCL);
// "228 client(s), 40 shown, 9 ticked (3 more hidden by the search)"; the parts that add nothing
// are left out.
QString CountText(const RegisterCount& count);

// Whether closing would lose work: a cell of "As Per Login", "To be Changed" or "Import Logs"
// that shows something. Nothing of these is stored until a run writes it.
bool HoldsUnsubmittedWork(const grid::FlexGridModel& vsCL);

}  // namespace kestrel
