#pragma once

// The mail window's rules on plain values: how a host address or domain is stored, how an
// alias is built from a client's details, the checks of the alias panel's slots and the
// matching of the find row.
#include <QString>

#include <array>

namespace kestrel::mail {

// A host address or domain as stored and looked up: every "https://", then every "http://",
// then every "www." removed (letter case counts, so "HTTPS://" stays), and one final "/"
// dropped. Blanks at the ends are kept; the statements trim.
QString NormalisedHost(QString text);

// The entries of an alias slot's list; an entry's code is its position.
namespace part {
inline constexpr int Select = 0;
inline constexpr int PartyCode = 1;
inline constexpr int FirstName = 2;
inline constexpr int LastName = 3;
inline constexpr int Pan = 4;
inline constexpr int Dob = 5;
inline constexpr int Mobile = 6;
inline constexpr int MobileEnd = 7;
inline constexpr int AnyText = 8;
inline constexpr int NumberSeries = 9;
}  // namespace part
inline constexpr std::array<const char*, 10> AliasPartEntries = {"Select",
                                                                 "Party Code",
                                                                 "First Name of Party",
                                                                 "Last Name of Party",
                                                                 "PAN No. ",
                                                                 "DOB in DDMMYY format",
                                                                 "Mobile No.",
                                                                 "Last X digit of Mobile No.",
                                                                 "Any Text ",
                                                                 "Number Series Start with"};

// One slot of the alias panel: the code of the entry chosen (-1 when none) and its text field.
struct AliasSlot {
  int code = -1;
  QString text;
};
using AliasSlots = std::array<AliasSlot, 3>;

// A client as the mail window's grid holds it (columns 1 to 5).
struct AliasClient {
  QString code, name, pan, dob, mobile;
};

// The client's alias from the three slots in order (not trimmed, letter case as given).
// seriesCounter carries the number series from row to row: 0 starts it at the slot's text.
QString AliasText(const AliasSlots& parts, const AliasClient& client, int& seriesCounter);

// A date as the suite stores it (day-month-year or year-month-day, separated by "-", "/", "."
// or blanks, the month possibly as a name, a time of day after it ignored) as six digits
// DDMMYY; "" when the text is no date.
QString DobDigits(QStringView text);

// The slot's text field takes input only for "Last X digit", "Any Text " and "Number Series".
bool SlotTakesText(int code);

// The check when the focus leaves a slot's text field: the message (shown without an icon),
// or "" when the text is accepted.
QString SlotTextRefusal(int code, const QString& text);

// The check when the focus leaves slot 1 or 2: true when it repeats an earlier slot's entry.
// "Select" counts as an entry like any other.
bool RepeatsEarlierSlot(const AliasSlots& parts, int slot);

inline constexpr const char* DuplicateValueMessage = "Duplicate Value";
inline constexpr const char* DigitCountMessage = "Please provide a valid digit between 1-9";
inline constexpr const char* AnyTextMessage = "Please provide a valid text";
inline constexpr const char* SeriesStartMessage = "Please provide a valid Number";

// The find row: the kinds of match, by their number in CmbHaving (1 to 3).
enum class FindKind { StartsWith = 1, Containing = 2, EndsWith = 3 };
inline constexpr std::array<const char*, 3> FindKindEntries = {"Starts with", "Contaning", "Ends with"};
// The columns one may search, grid columns 1 to 6 in this order.
inline constexpr std::array<const char*, 6> FindColumnEntries = {"Code No.", "Name",   "PAN",
                                                                 "DOB",      "Mobile", "User Alias"};

// Whether a row stays shown: its upper-cased cell matches the upper-cased search text.
bool FindKeepsRow(const QString& cell, const QString& upperNeedle, FindKind kind);

}  // namespace kestrel::mail
