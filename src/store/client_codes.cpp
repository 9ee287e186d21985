#include "store/client_codes.h"

#include "store/base_component.h"

#include <algorithm>

namespace kestrel {

namespace {

const QString& allCodes() {
  static const QString text = QStringLiteral(
      "(SELECT Code_No AS Code FROM OnlineRegInfo UNION ALL SELECT Code FROM Owner1 UNION ALL "
      "SELECT Code_No FROM Main_Info1) AS C");
  return text;
}

QStringList column(BaseComponent& base, const QString& sql) {
  std::unique_ptr<Recordset> rs;
  base.RecordsetQuery(rs, sql, base.DBObj(), ado::adOpenForwardOnly, ado::adLockReadOnly);
  QStringList values;
  for (; !rs->Eof(); rs->MoveNext()) values << rs->Text(0);
  rs->Close();
  return values;
}

}  // namespace

QList<QStringList> FindIndistinctClientCodes(BaseComponent& base) {
  // The server groups by its own comparison; HEX tells the bytes apart on every backend. The
  // spellings of a group are read only when there is one, as a group is rare.
  const QStringList groupKeys = column(
      base, QStringLiteral("SELECT C.Code FROM ") + allCodes() +
                QStringLiteral(" GROUP BY C.Code HAVING COUNT(DISTINCT HEX(C.Code)) > 1 ORDER BY C.Code"));
  QList<QStringList> groups;
  for (const QString& key : groupKeys) {
    QStringList spellings =
        column(base, QStringLiteral("SELECT C.Code FROM ") + allCodes() +
                         QStringLiteral(" WHERE C.Code = '") + base.TruncVarSQL(key) + QLatin1Char('\''));
    std::sort(spellings.begin(), spellings.end());
    spellings.erase(std::unique(spellings.begin(), spellings.end()), spellings.end());
    groups << spellings;
  }
  return groups;
}

QString IndistinctCodesMessage(const QList<QStringList>& groups) {
  if (groups.isEmpty())
    return {};
  QStringList listed;
  for (const QStringList& group : groups)
    listed << QLatin1Char('\'') + group.join(QStringLiteral("', '")) + QLatin1Char('\'');
  return QStringLiteral(
             "These client codes differ only in letter case, accents or trailing blanks and cannot be told "
             "apart by the database server: %1. Their details are not written back until one of each is "
             "renamed.")
      .arg(listed.join(QStringLiteral("; ")));
}

}  // namespace kestrel
