#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace kestrel {

namespace grid {
class FlexGrid;
}
class DefaultPanel;

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

// The sharing limit check: false (after telling the user and putting the grid's cursor in the
// column) when more than limit selected clients share one value of column 36 or 38, counted
// by the store in ITRDet_Temp. maxStatementBytes 0 asks the store (StatementSizeLimit).
bool ValidateData(grid::FlexGrid& vsCL, int column, int limit, qsizetype maxStatementBytes);
bool ValidateData(grid::FlexGrid& vsCL, int column, int limit);

// The message naming a value shared by too many clients.
QString SharedValueMessage(int column, const QString& value, int limit);

// Whether every selected row carries complete new contact details; on false the user has
// been told and the grid's cursor is on the offending cell.
bool validateform(grid::FlexGrid& vsCL);

// A limit box's numeric value rounded to a whole number (halves to the even neighbour);
// nothing when the value is not above zero, which switches its check off.
std::optional<int> LimitValue(const QString& text);

// The update run: the row checks, the mobile and e-mail sharing limits when their boxes are
// above zero, then the per-client portal run in update mode (loginToITR(true)).
void CmdProceed_Click(grid::FlexGrid& vsCL, DefaultPanel& panel, const std::function<void(bool)>& loginToITR);

}  // namespace kestrel
