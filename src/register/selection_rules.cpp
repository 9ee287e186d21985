#include "register/selection_rules.h"

#include "platform/grid/flexgrid_model.h"
#include "register/edit_rules.h"
#include "register/register_layout.h"

#include <cmath>

namespace kestrel {

RangeVerdict CheckRange(const QString& fromText, const QString& toText, int clients) {
  const double f = LeadingNumber(fromText);
  const double t = LeadingNumber(toText);
  RangeVerdict v;
  // Serial numbers start at 1: nothing below it (an empty box reads 0) names a client.
  if (f < 1)
    v.focus = RangeBox::From;
  else if (t < 1)
    v.focus = RangeBox::To;
  else if (t < f)
    v.focus = RangeBox::To;
  else if (f > clients)
    v.focus = RangeBox::From;
  else if (t > clients)
    v.focus = RangeBox::To;
  else {
    v.accepted = true;
    // Serial numbers are whole; a fraction reaches the row that holds its whole part.
    v.from = int(std::floor(f));
    v.to = int(std::floor(t));
  }
  return v;
}

QString RangeBoxText(const QString& text) {
  const double value = LeadingNumber(text);
  if (value == 0)
    return {};
  return NumericText(QString::number(value, 'g', 17));
}

RegisterCount CountClients(const grid::FlexGridModel& vsCL) {
  RegisterCount count;
  count.clients = vsCL.Rows() - HeaderRows;
  count.shown = vsCL.visibleRowCount();
  for (int r = FirstDataRow; r < vsCL.Rows(); ++r)
    if (vsCL.CellChecked(r, col::SrNo) == grid::flexChecked)
      ++(vsCL.RowHidden(r) ? count.tickedHidden : count.ticked);
  return count;
}

QString CountText(const RegisterCount& count) {
  QString text = QStringLiteral("%1 client(s)").arg(count.clients);
  if (count.shown != count.clients)
    text += QStringLiteral(", %1 shown").arg(count.shown);
  text += QStringLiteral(", %1 ticked").arg(count.ticked);
  if (count.tickedHidden > 0)
    text += QStringLiteral(" (%1 more hidden by the search)").arg(count.tickedHidden);
  return text;
}

bool HoldsUnsubmittedWork(const grid::FlexGridModel& vsCL) {
  for (int c = col::LoginName; c <= col::ImportLogs && c < vsCL.Cols(); ++c)
    for (int r = FirstDataRow; r < vsCL.Rows(); ++r)
      // A relation code 0 shows as a blank and counts as nothing.
      if (!vsCL.isCellEmpty(r, c) && !vsCL.DisplayText(r, c).trimmed().isEmpty())
        return true;
  return false;
}

}  // namespace kestrel
