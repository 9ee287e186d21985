#pragma once

#include "store/value_list_statements.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace kestrel {

namespace grid {
class FlexGridModel;
}

// Why the update run may not start: what the user is told and where the register's cursor
// goes. An empty message means a failure already logged, with nothing to show.
struct ProceedRefusal {
  QString message;
  int row = -1;  // -1 keeps the current row
  int col = -1;  // -1 keeps the cursor where it is
};

// The first selected row whose new contact details are incomplete, or hold a contact longer
// than the column the write-back stores it in (the portal would take it and the store refuse
// it; that message names the client and the field). Each row is checked fully before the next.
std::optional<ProceedRefusal> FindIncompleteRow(const grid::FlexGridModel& vsCL);

// The first count characters of a text, a character being a code point as the store counts
// them (a surrogate pair is not cut in half).
QString LeftCharacters(const QString& text, int count);

// The sharing limit of one new primary contact column (36 mobile, 38 e-mail): refused when
// more than limit selected clients share one value, counted by the store in ITRDet_Temp
// (routine "ValidateData"). A failing statement refuses without a message. maxStatementBytes
// 0 asks the store (StatementSizeLimit).
std::optional<ProceedRefusal> CheckSharingLimit(const grid::FlexGridModel& vsCL, int column, int limit,
                                                qsizetype maxStatementBytes = 0);

// The message naming a value shared by too many clients.
QString SharedValueMessage(int column, const QString& value, int limit);

// A limit box's numeric value rounded to a whole number (halves to the even neighbour);
// nothing when the value is not above zero, which switches its check off.
std::optional<int> LimitValue(const QString& text);

// The sharing limits the update run checks; a missing one is switched off.
struct SharingLimits {
  std::optional<int> mobile{};
  std::optional<int> eMail{};
};

}  // namespace kestrel
