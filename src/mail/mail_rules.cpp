#include "mail/mail_rules.h"

#include "register/edit_rules.h"

#include <QDate>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace kestrel::mail {

QString NormalisedHost(QString text) {
  for (const char* prefix : {"https://", "http://", "www."}) text.remove(QLatin1String(prefix));
  if (text.endsWith(QLatin1Char('/')))
    text.chop(1);
  return text;
}

namespace {

int monthFromName(QStringView name) {
  static constexpr const char* Months[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                           "jul", "aug", "sep", "oct", "nov", "dec"};
  const QString start = name.left(3).toString().toLower();
  for (int m = 0; m < 12; ++m)
    if (start == QLatin1String(Months[m]))
      return m + 1;
  return 0;
}

// A two-digit year as the century it most likely belongs to, only to test the day's validity
// (29 February).
int fullYear(int year, int digits) {
  if (digits > 2)
    return year;
  return year <= QDate::currentDate().year() % 100 ? 2000 + year : 1900 + year;
}

QString wordOf(const QString& name, bool last) {
  const QStringList words = name.trimmed().split(QLatin1Char(' '));
  return last ? words.last() : words.first();
}

}  // namespace

QString DobDigits(QStringView text) {
  static const QRegularExpression date(QStringLiteral(
      "^\\s*(\\d{1,4})\\s*[-/. ]\\s*(\\d{1,2}|[A-Za-z]{3,9})\\.?\\s*[-/. ]\\s*(\\d{2,4})(?!\\d)"));
  const QRegularExpressionMatch m = date.match(text);
  if (!m.hasMatch())
    return {};
  const QString first = m.captured(1), third = m.captured(3);
  const bool yearFirst = first.size() == 4;
  if (yearFirst ? third.size() > 2 : (first.size() > 2 || third.size() == 3))
    return {};
  const QString yearText = yearFirst ? first : third;
  const int day = (yearFirst ? third : first).toInt();
  const QString monthText = m.captured(2);
  const int month = monthText.front().isDigit() ? monthText.toInt() : monthFromName(monthText);
  if (!QDate(fullYear(yearText.toInt(), int(yearText.size())), month, day).isValid())
    return {};
  return QStringLiteral("%1%2%3")
      .arg(day, 2, 10, QLatin1Char('0'))
      .arg(month, 2, 10, QLatin1Char('0'))
      .arg(yearText.toInt() % 100, 2, 10, QLatin1Char('0'));
}

QString AliasText(const AliasSlots& parts, const AliasClient& client, int& seriesCounter) {
  QString alias;
  for (const AliasSlot& slot : parts) {
    switch (slot.code) {
      case part::PartyCode:
        alias += client.code;
        break;
      case part::FirstName:
        alias += wordOf(client.name, false);
        break;
      case part::LastName:
        alias += wordOf(client.name, true);
        break;
      case part::Pan:
        alias += client.pan;
        break;
      case part::Dob:
        alias += DobDigits(client.dob);
        break;
      case part::Mobile:
        alias += client.mobile;
        break;
      case part::MobileEnd: {
        const auto digits = qsizetype(LeadingNumber(slot.text));
        if (digits > 0)
          alias += client.mobile.right(digits);
        break;
      }
      case part::AnyText:
        alias += slot.text.trimmed();
        break;
      case part::NumberSeries:
        if (seriesCounter == 0)
          seriesCounter = IsNumeric(slot.text) ? int(std::lround(slot.text.trimmed().toDouble())) : 0;
        else
          ++seriesCounter;
        alias += QString::number(seriesCounter);
        break;
      default:  // "Select" or nothing chosen
        break;
    }
  }
  return alias;
}

bool SlotTakesText(int code) {
  return code == part::MobileEnd || code == part::AnyText || code == part::NumberSeries;
}

QString SlotTextRefusal(int code, const QString& text) {
  switch (code) {
    case part::MobileEnd: {
      const double digits = LeadingNumber(text);
      return digits < 1 || digits > 9 ? QString::fromLatin1(DigitCountMessage) : QString();
    }
    case part::AnyText:
      return text.trimmed().isEmpty() ? QString::fromLatin1(AnyTextMessage) : QString();
    case part::NumberSeries:
      return IsNumeric(text) ? QString() : QString::fromLatin1(SeriesStartMessage);
    default:
      return {};
  }
}

bool RepeatsEarlierSlot(const AliasSlots& parts, int slot) {
  const auto chosen = [&](int i) { return parts[std::size_t(i)].code >= 0; };
  const auto code = [&](int i) { return parts[std::size_t(i)].code; };
  if (slot == 1)
    return chosen(0) && chosen(1) && code(0) == code(1);
  if (slot == 2)
    return chosen(0) && chosen(1) && chosen(2) && (code(2) == code(0) || code(2) == code(1));
  return false;
}

bool FindKeepsRow(const QString& cell, const QString& upperNeedle, FindKind kind) {
  const QString upper = cell.toUpper();
  switch (kind) {
    case FindKind::StartsWith:
      return upper.startsWith(upperNeedle);
    case FindKind::Containing:
      return upper.contains(upperNeedle);
    case FindKind::EndsWith: {
      // Both texts reversed, then compared from the start, as "Starts with" does.
      QString reversed = upper, needle = upperNeedle;
      std::reverse(reversed.begin(), reversed.end());
      std::reverse(needle.begin(), needle.end());
      return reversed.startsWith(needle);
    }
  }
  return true;
}

}  // namespace kestrel::mail
