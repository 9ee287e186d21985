#pragma once

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

// Joins value groups ("(...)") after a statement head, separated by ",", into as few statements
// as keep each within maxBytes (counted in UTF-8, as the server receives it). A group too long
// for any statement gets one of its own.
class ValueListStatements {
 public:
  ValueListStatements(QString head, qsizetype maxBytes);

  void add(const QString& group);
  // The statements built so far, the last one included; empty when no group was added.
  QStringList finish();

  static qsizetype utf8Size(QStringView text);

 private:
  QString head_;
  qsizetype headBytes_;
  qsizetype maxBytes_;
  QString current_;
  qsizetype currentBytes_ = 0;
  QStringList done_;
};

// What one statement may hold at most: the server's max_allowed_packet less some room for the
// protocol when the store tells it, else a size every store accepts.
qsizetype StatementSizeLimit();
inline constexpr qsizetype SafeStatementBytes = 1000000;

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
