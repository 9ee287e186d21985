#include "mail/mail_ids.h"

#include "entry/error_log.h"
#include "mail/mail_store.h"
#include "register/edit_rules.h"
#include "store/base_component.h"

#include <algorithm>

namespace kestrel::mail {

namespace {

// A desk refused this many numbers in a row has met something else than a neighbour's claim.
constexpr int MaxClaimAttempts = 64;

QString claimCondition(BaseComponent& base, QStringView table) {
  return QStringLiteral(" AND sTable='") + base.TruncVarSQL(table.toString()) + QLatin1Char('\'');
}

bool isClaimed(BaseComponent& base, QStringView table, int id) {
  std::unique_ptr<Recordset> rs;
  base.RecordsetQuery(rs,
                      QStringLiteral("SELECT nID FROM WebMailIdClaim WHERE 1=1 ") +
                          claimCondition(base, table) + QStringLiteral(" AND nID=") + QString::number(id),
                      base.DBObj(), ado::adOpenForwardOnly, ado::adLockReadOnly);
  const bool found = !rs->Eof();
  rs->Close();
  return found;
}

}  // namespace

int GetMaxID(BaseComponent& base, QStringView table, QStringView column, QStringView condition) {
  ErrorTrap trap(MailWindowName, u"GetMaxID");
  std::unique_ptr<Recordset> rs;
  const QString sql = QStringLiteral("Select Max(") + column.toString() + QStringLiteral(") as MaxID From ") +
                      table.toString() + QStringLiteral(" WHERE 1=1 ") + condition.toString();
  if (!trap([&] { base.RecordsetQuery(rs, sql, base.DBObj(), ado::adOpenForwardOnly, ado::adLockReadOnly); }))
    return 0;
  const double value = trap.value([&] { return rs->Eof() ? 0.0 : LeadingNumber(rs->Text(u"MaxID")); }, 0.0);
  trap([&] { rs->Close(); });
  return value > 0 ? int(std::min(value, 2147483646.0)) : 0;
}

int ClaimIdentifier(BaseComponent& base, QStringView table, int candidate) {
  for (int id = candidate, attempt = 0; attempt < MaxClaimAttempts; ++id, ++attempt) {
    try {
      base.ConQuery(QStringLiteral("INSERT INTO WebMailIdClaim(sTable, nID) VALUES('") +
                    base.TruncVarSQL(table.toString()) + QStringLiteral("',") + QString::number(id) +
                    QLatin1Char(')'));
      return id;
    } catch (const RuntimeError&) {
      // Refused because another desk holds the number: try the next one.
      if (!isClaimed(base, table, id))
        throw;
    }
  }
  throw RuntimeError(
      errnum::DatabaseFailure,
      QStringLiteral("No free identifier for %1 after %2 attempts").arg(table).arg(MaxClaimAttempts),
      QStringLiteral("WebMailIdClaim"));
}

int TakeIdentifier(BaseComponent& base, QStringView table, QStringView column, QStringView routine) {
  ErrorTrap trap(MailWindowName, routine);
  const int largest = GetMaxID(base, table, column);
  if (!trap([&] { base.ConQuery(QString::fromLatin1(ClaimTableStatement)); }))
    return largest + 1;
  const int claimed = GetMaxID(base, u"WebMailIdClaim", u"nID", claimCondition(base, table));
  const int candidate = std::max(largest, claimed) + 1;
  int id = candidate;
  trap([&] { id = ClaimIdentifier(base, table, candidate); });
  return id;
}

}  // namespace kestrel::mail
