#pragma once

#include <QString>

namespace kestrel {

// Whether the user may edit cell (row, col) of the register. pan is the row's PAN (column 6),
// newResidency its column 34.
bool CanEditRegisterCell(int row, int col, QStringView pan, QStringView newResidency);

// The "To be Changed" columns without a drop-down list start editing as soon as they are
// entered.
bool EditsAtOnce(int row, int col);

// A character typed while editing column col: the character to insert, 0 to drop it.
int FilterEditKey(int col, int keyAscii);

// Whether text spells a number: blanks around it, an optional sign, digits with at most one
// decimal point, an optional exponent.
bool IsNumeric(QStringView text);
// The number a numeric text spells, written back as text: no leading zeros, no trailing
// fractional zeros ("0987654321" gives "987654321").
QString NumericText(QStringView text);
// The leading number of a text, as the range boxes read it: blanks skipped, digits up to the
// first character that is not one ("12ab" is 12, "ab" is 0).
double LeadingNumber(QStringView text);

struct CellVerdict {
  bool accepted = true;
  QString message;  // shown before the refusal; empty for a silent refusal
};

// Checks a value before it leaves cell column col of the register (or the matching field of
// the default panel).
CellVerdict CheckCellValue(int col, const QString& text);

inline constexpr const char* CountryCodeMessage =
    "Please provide a valid country code (Maximum Length allowed 5 Digits)";
inline constexpr const char* MobileMessage = "Please provide a valid 10 digit mobile number";

}  // namespace kestrel
