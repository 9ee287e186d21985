#pragma once

// The mail window's client grid `VS` on the grid model: one header row, a row per client, the
// tick box in column 0, and the client's alias, its mailbox user and the last request's result
// in columns 6 to 8.
#include "mail/mail_rules.h"
#include "mail/mail_store.h"

#include <vector>

namespace kestrel::grid {
class FlexGridModel;
}

namespace kestrel::mail {

namespace vs {
inline constexpr int Tick = 0;  // tick box and running number
inline constexpr int PartyCode = 1;
inline constexpr int PartyName = 2;
inline constexpr int Pan = 3;
inline constexpr int Dob = 4;
inline constexpr int Mobile = 5;
inline constexpr int UserName = 6;   // the alias
inline constexpr int ForwardTo = 7;  // UserID, shown as the user's address
inline constexpr int ImportLogs = 8;
inline constexpr int Count = 9;
inline constexpr int FirstRow = 1;
}  // namespace vs

// Captions, one header row, editable by keyboard and mouse (only tick boxes change), the
// header's tick box unticked.
void FormatClientGrid(grid::FlexGridModel& g);

// The register's clients that are ticked and shown: code, name, PAN, date of birth and the
// party's mobile.
std::vector<AliasClient> SelectedRegisterClients(const grid::FlexGridModel& vsCL);

// The grid emptied to its header row, then one ticked row per client.
void ShowSelectedClients(grid::FlexGridModel& g, const std::vector<AliasClient>& clients);
// Every client of the suite, unticked, below one empty unticked row; the header unticked.
void ShowAllClients(grid::FlexGridModel& g, const std::vector<AliasClient>& clients);

AliasClient ClientOfRow(const grid::FlexGridModel& g, int row);
bool IsTicked(const grid::FlexGridModel& g, int row);

// Empties the alias, forward-to and result cells of every client (another domain).
void ClearDomainCells(grid::FlexGridModel& g);

// Shows a domain's aliases for the selected user (`userTag`: the UserID, -1 for "ALL"): every
// client's forward-to cell, its alias when it forwards to that user (or to anyone under
// "ALL"); the forward-to column only under "ALL". The header's box is ticked.
void ShowAliases(grid::FlexGridModel& g, const std::vector<AliasRecord>& aliases, int userTag);

// Whether a tick box may change: only column 0, and not on a client whose alias forwards to
// another mailbox user than the selected one.
bool CanChangeTick(const grid::FlexGridModel& g, int row, int col, int userTag);
// Every client row takes the header box's state.
void TickAllClients(grid::FlexGridModel& g);

// Shows every row, then hides those whose cell in `column` (1 to 6; 0 for none) does not match
// the search text, and numbers the rows shown.
void FindClients(grid::FlexGridModel& g, int column, FindKind kind, const QString& text);
// Numbers the shown rows 1, 2, 3 ... in column 0.
void ReIndexing(grid::FlexGridModel& g);

// The forward-to column's list: "#UserID;name@domain|" per user.
QString ForwardToList(const std::vector<MailUser>& users, const QString& domain);

}  // namespace kestrel::mail
