#include "assign/proceed_checks.h"

#include "assign/assign_rules.h"
#include "entry/error_log.h"
#include "entry/mod_it_main.h"
#include "platform/grid/flexgrid_model.h"
#include "register/edit_rules.h"
#include "register/register_layout.h"
#include "store/suite_columns.h"

#include <climits>
#include <cmath>
#include <memory>
#include <utility>

namespace kestrel {

namespace {
using col::NewEMail1;
using col::NewEMail1Rel;
using col::NewEMail2;
using col::NewEMail2Rel;
using col::NewIsd;
using col::NewMobile1;
using col::NewMobile1Rel;
using col::NewMobile2;
using col::NewMobile2Rel;
using col::NewResidency;

QString trimmedCell(const grid::FlexGridModel& g, int row, int c) {
  return g.TextMatrix(row, c).trimmed();
}

// A relation cell counts as given when it spells a code above zero.
bool relationGiven(const grid::FlexGridModel& g, int row, int c) {
  return LeadingNumber(g.TextMatrix(row, c)) > 0;
}

// A new contact longer than the column of OnlineRegInfo that keeps it.
std::optional<ProceedRefusal> findOverlongValue(const grid::FlexGridModel& g, int row) {
  static constexpr struct {
    int column;
    const char* field;
    int width;
  } checked[] = {{NewMobile1, "Primary Mobile", suite_columns::PrimaryMobile},
                 {NewEMail1, "Primary E-Mail", suite_columns::PrimaryEMail},
                 {NewMobile2, "Secondary Mobile", suite_columns::SecondaryMobile}};
  for (const auto& c : checked) {
    const QString value = g.TextMatrix(row, c.column);
    if (LeftCharacters(value, c.width).size() < value.size())
      return ProceedRefusal{
          QStringLiteral("%1 of %2 (%3) is longer than the %4 characters the software can keep")
              .arg(QString::fromLatin1(c.field), g.TextMatrix(row, col::PartyCode),
                   g.TextMatrix(row, col::PartyName))
              .arg(c.width),
          row, c.column};
  }
  return std::nullopt;
}
}  // namespace

std::optional<ProceedRefusal> FindIncompleteRow(const grid::FlexGridModel& g) {
  auto refuse = [](int row, int c, const char* message) {
    return ProceedRefusal{QString::fromLatin1(message), row, c};
  };
  for (int row = FirstDataRow; row < g.Rows(); ++row) {
    if (!IsSelectedRow(g, row))
      continue;
    if (g.TextMatrix(row, NewResidency) == u"Yes" && trimmedCell(g, row, NewIsd).isEmpty())
      return refuse(row, NewIsd, "ISD cannot be blank");
    if (trimmedCell(g, row, NewMobile1).isEmpty())
      return refuse(row, NewMobile1, "Primary Mobile cannot be blank");
    if (!relationGiven(g, row, NewMobile1Rel))
      return refuse(row, NewMobile1Rel, "Primary Mobile Belongs To cannot be blank");
    if (trimmedCell(g, row, NewEMail1).isEmpty())
      return refuse(row, NewEMail1, "Primary E-Mail cannot be blank");
    if (!relationGiven(g, row, NewEMail1Rel))
      return refuse(row, NewEMail1Rel, "Primary E-Mail Belongs To cannot be blank");
    if (!trimmedCell(g, row, NewMobile2).isEmpty() && !relationGiven(g, row, NewMobile2Rel))
      return refuse(row, NewMobile2Rel, "Secondary Mobile Belongs To cannot be blank");
    if (!trimmedCell(g, row, NewEMail2).isEmpty() && !relationGiven(g, row, NewEMail2Rel))
      return refuse(row, NewEMail2Rel, "Secondary E-mail Belongs To cannot be blank");
    if (auto overlong = findOverlongValue(g, row))
      return overlong;
  }
  return std::nullopt;
}

QString LeftCharacters(const QString& text, int count) {
  qsizetype end = 0;
  for (int n = 0; n < count && end < text.size(); ++n)
    end +=
        text.at(end).isHighSurrogate() && end + 1 < text.size() && text.at(end + 1).isLowSurrogate() ? 2 : 1;
  return text.left(end);
}

QString SharedValueMessage(int column, const QString& value, int limit) {
  return QStringLiteral("you have assigned same ") +
         (column == NewMobile1 ? QStringLiteral("Mobile No.") : QStringLiteral("E-Mail")) + QLatin1Char('(') +
         value + QStringLiteral(") to more than ") + QString::number(limit) + QStringLiteral(" Parties ");
}

std::optional<ProceedRefusal> CheckSharingLimit(const grid::FlexGridModel& g, int column, int limit,
                                                qsizetype maxStatementBytes) {
  ErrorTrap trap(u"frmKestrel", u"ValidateData");
  // Any failing statement refuses, so the run does not start on a partial count.
  const std::optional<ProceedRefusal> failed = ProceedRefusal{};
  if (!trap([&] { Base().ConQuery(QStringLiteral("DELETE FROM ITRDet_Temp")); }) ||
      !trap([&] { Base().ConQuery(QStringLiteral("Flush Tables")); }))
    return failed;

  QStringList inserts;
  const bool built = trap([&] {
    BaseComponent& base = Base();
    ValueListStatements statements(
        QStringLiteral("INSERT INTO ITRDet_Temp (Email_Mob, Code_No, PartyName)VALUES"),
        maxStatementBytes > 0 ? maxStatementBytes : StatementSizeLimit(base));
    const QString quoteComma = QStringLiteral("','");
    for (int row = FirstDataRow; row < g.Rows(); ++row) {
      const QString value = g.TextMatrix(row, column);
      if (value.trimmed().isEmpty() || !IsSelectedRow(g, row))
        continue;
      // The count reads neither the code nor the name: a long one is cut to the scratch
      // column rather than fail the statement (the value itself was checked before).
      const QString code = LeftCharacters(g.TextMatrix(row, col::PartyCode), suite_columns::ScratchCode);
      const QString name = LeftCharacters(g.TextMatrix(row, col::PartyName), suite_columns::ScratchName);
      statements.add(QStringLiteral("('") + base.TruncVarSQL(value) + quoteComma + base.TruncVarSQL(code) +
                     quoteComma + base.TruncVarSQL(name) + QStringLiteral("')"));
    }
    inserts = statements.finish();
  });
  if (!built)
    return failed;
  if (!inserts.isEmpty()) {
    for (const QString& insert : inserts)
      if (!trap([&] { Base().ConQuery(insert); }))
        return failed;
    if (!trap([&] { Base().ConQuery(QStringLiteral("Flush Tables")); }))
      return failed;
  }

  std::unique_ptr<Recordset> rs;
  if (!trap([&] {
        Base().RecordsetQuery(
            rs,
            QStringLiteral("SELECT Count(Code_No) as Cnt, Email_Mob FROM ITRDet_Temp GROUP BY "
                           "Email_Mob ORDER BY EMail_Mob"),
            Base().DBObj(), ado::adOpenForwardOnly, ado::adLockReadOnly);
      }))
    return failed;

  QString overused;
  const bool walked = trap([&] {
    const int cntField = rs->FieldIndex(u"Cnt");
    const int valueField = rs->FieldIndex(u"Email_Mob");
    if (cntField < 0 || valueField < 0)
      (void)rs->Text(cntField < 0 ? u"Cnt" : u"Email_Mob");  // raises the missing-field error
    for (; !rs->Eof(); rs->MoveNext()) {
      if (rs->Text(cntField).toDouble() > limit) {
        overused = rs->Text(valueField);
        return;
      }
    }
  });
  trap([&] {
    if (rs->isOpen())
      rs->Close();
  });
  if (!walked)
    return failed;
  if (overused.isNull())
    return std::nullopt;
  // The current row stays; the cursor moves to the column.
  return ProceedRefusal{SharedValueMessage(column, overused, limit), -1, column};
}

std::optional<int> LimitValue(const QString& text) {
  const double value = LeadingNumber(text);
  if (!(value > 0))
    return std::nullopt;
  const double rounded = std::nearbyint(value);
  return rounded >= double(INT_MAX) ? INT_MAX : int(rounded);
}

}  // namespace kestrel
