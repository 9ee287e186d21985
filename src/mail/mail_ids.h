#pragma once

// New identifiers of the mail tables (WebMailDomain.DomainID, WebMailUser.UserID,
// WebEMailAc.ID) when several workstations share one store.
//
// The tables have no key, so "largest plus one" alone lets two desks that read the largest at
// the same moment insert rows with the same number. Each new identifier is therefore also
// claimed in the module's table WebMailIdClaim, whose key (table, number) the store enforces
// on SQLite and MariaDB alike: of two desks claiming one number, one is refused and takes the
// next. The numbers stay those the user knows: the first row gets 1, every new row the next
// number after the largest ever taken (a number freed by a delete is not given out again).
// Without the claim table (a store that refuses to create it) the plain rule applies.
#include <QStringView>

namespace kestrel {
class BaseComponent;
}

namespace kestrel::mail {

inline constexpr const char* ClaimTableStatement =
    "CREATE TABLE IF NOT EXISTS WebMailIdClaim(sTable varchar(50), nID int(11), PRIMARY KEY (sTable, nID))";

// The largest value of `column` in `table` under an extra condition (" AND ..."); 0 for an
// empty table, a null, a text that is no number or a negative value. Routine "GetMaxID".
int GetMaxID(BaseComponent& base, QStringView table, QStringView column, QStringView condition = {});

// The identifier for a new row of `table`: the largest of `column` and of the numbers claimed
// for the table, plus one, claimed. Failures are logged under `routine`.
int TakeIdentifier(BaseComponent& base, QStringView table, QStringView column, QStringView routine);

// Claims the first free number from `candidate` on for `table` and returns it. Raises when
// the store fails otherwise than by refusing a number claimed already.
int ClaimIdentifier(BaseComponent& base, QStringView table, int candidate);

}  // namespace kestrel::mail
