#include "register/edit_rules.h"

#include "register/register_layout.h"
#include "support/email_validation.h"

#include <cmath>

namespace kestrel {

namespace {
using col::NewEMail1;
using col::NewEMail2;
using col::NewIsd;
using col::NewMobile1;
using col::NewMobile2;
using col::NewResidency;
constexpr int LastChange = col::Change + col::EMail2Rel;  // 43
}  // namespace

bool CanEditRegisterCell(int row, int c, QStringView pan, QStringView newResidency) {
  if (c == 0)
    return row == 0 || row >= FirstDataRow;
  if (row < FirstDataRow || c < col::Change || c > LastChange)
    return false;
  if (c == NewResidency)
    return !(pan.size() >= 4 && pan[3] == QLatin1Char('H'));
  if (c == NewIsd)
    return newResidency == QLatin1String("Yes");
  return true;
}

bool EditsAtOnce(int row, int c) {
  return row >= FirstDataRow &&
         (c == NewIsd || c == NewMobile1 || c == NewEMail1 || c == NewMobile2 || c == NewEMail2);
}

int FilterEditKey(int c, int keyAscii) {
  if (c == NewIsd || c == NewMobile1 || c == NewMobile2) {
    const bool digit = keyAscii >= '0' && keyAscii <= '9';
    return digit || keyAscii == '.' || keyAscii == 8 || keyAscii == 13 ? keyAscii : 0;
  }
  if (c == NewEMail1 || c == NewEMail2) {
    const QChar ch = QChar(char16_t(keyAscii));
    return ch.toLower().unicode();
  }
  return keyAscii;
}

bool IsNumeric(QStringView text) {
  text = text.trimmed();
  qsizetype i = 0;
  const qsizetype n = text.size();
  if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
    ++i;
  int digits = 0;
  bool point = false;
  for (; i < n; ++i) {
    const QChar ch = text[i];
    if (ch >= QLatin1Char('0') && ch <= QLatin1Char('9'))
      ++digits;
    else if (ch == QLatin1Char('.') && !point)
      point = true;
    else
      break;
  }
  if (digits == 0)
    return false;
  if (i < n && (text[i] == QLatin1Char('e') || text[i] == QLatin1Char('E'))) {
    ++i;
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
      ++i;
    int expDigits = 0;
    for (; i < n && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9'); ++i) ++expDigits;
    if (expDigits == 0)
      return false;
  }
  return i == n;
}

QString NumericText(QStringView text) {
  const double value = text.trimmed().toDouble();
  if (value == 0)
    return QStringLiteral("0");
  if (std::fabs(value) < 1e15 && value == std::trunc(value))
    return QString::number(value, 'f', 0);
  QString written = QString::number(value, 'g', 15);
  return written.toUpper();
}

double LeadingNumber(QStringView text) {
  qsizetype i = 0;
  while (i < text.size() && text[i].isSpace()) ++i;
  const qsizetype start = i;
  if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+')))
    ++i;
  bool point = false;
  while (i < text.size() && ((text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9')) ||
                             (text[i] == QLatin1Char('.') && !point))) {
    point = point || text[i] == QLatin1Char('.');
    ++i;
  }
  bool ok = false;
  const double value = text.mid(start, i - start).toDouble(&ok);
  return ok ? value : 0.0;
}

CellVerdict CheckCellValue(int c, const QString& text) {
  if (text.isEmpty())
    return {};
  if (c == NewIsd) {
    if (!IsNumeric(text) || NumericText(text).size() > 5)
      return {false, QString::fromLatin1(CountryCodeMessage)};
    return {};
  }
  if (c == NewMobile1 || c == NewMobile2) {
    if (!IsNumeric(text) || NumericText(text).size() != 10)
      return {false, QString::fromLatin1(MobileMessage)};
    return {};
  }
  if (c == NewEMail1 || c == NewEMail2) {
    if (!ValidateEmail(text))
      return {false, QString()};
  }
  return {};
}

}  // namespace kestrel
