#include "register/selection_rules.h"

#include "register/edit_rules.h"

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

}  // namespace kestrel
