#include "platform/base/suite_schema.h"

#include "platform/base/sql_store.h"

namespace kestrel {

namespace {

struct SuiteTable {
  QString name;
  QString columns;      // the column list between the parentheses of CREATE TABLE
  QStringList indexes;  // CREATE INDEX statements, made only with the table
};

// Column types both backends read the same way; dates are DATE (text 'YYYY-MM-DD' in
// SQLite). Index names carry the table name, as SQLite keeps one namespace per database.
const std::vector<SuiteTable>& suiteTables() {
  static const std::vector<SuiteTable> tables = {
      {QStringLiteral("Owner1"),
       QStringLiteral(
           "Code varchar(20) NOT NULL PRIMARY KEY, Title varchar(10), f_Nm varchar(100), "
           "m_Nm varchar(100), l_nm varchar(100), FatherNm varchar(150), Gender char(1), "
           "Dob date, Pan varchar(10), Aadhaar varchar(12), Mobile varchar(50), Email varchar(150), "
           "Address1 varchar(250), Address2 varchar(250), City varchar(60), State varchar(60), "
           "Pin varchar(6), Ward varchar(60), ResStatus char(2), Remarks varchar(250)"),
       {QStringLiteral("CREATE INDEX Owner1_Pan ON Owner1 (Pan)")}},
      {QStringLiteral("Main_Info1"),
       QStringLiteral("Code_No varchar(20) NOT NULL PRIMARY KEY, nm varchar(250), Status varchar(30), "
                      "DOI date, Pan varchar(10), Tan varchar(10), Phone4 varchar(100), Email varchar(150), "
                      "Address1 varchar(250), Address2 varchar(250), City varchar(60), State varchar(60), "
                      "Pin varchar(6), ContactPerson varchar(100), Ward varchar(60), Remarks varchar(250)"),
       {QStringLiteral("CREATE INDEX Main_Info1_Pan ON Main_Info1 (Pan)")}},
      {QStringLiteral("OnlineRegInfo"),
       QStringLiteral("Code_No varchar(20) NOT NULL, AsYr int NOT NULL DEFAULT 0, EmailID varchar(150), "
                      "EmailId1 text, MobNo varchar(50), MobNo1 varchar(50), TelNo varchar(50), "
                      "LoginPwd varchar(100), RegStatus varchar(20), RegDate date, DSCRegd tinyint(1), "
                      "LastLogin varchar(30), Remarks varchar(250)"),
       {QStringLiteral("CREATE INDEX OnlineRegInfo_Code_AsYr ON OnlineRegInfo (Code_No, AsYr)")}},
      {QStringLiteral("tempcltbl"),
       QStringLiteral("Code_No varchar(20), ClName varchar(250), Pan varchar(10), ClType char(1), "
                      "Mobile varchar(50), Email varchar(150)"),
       {}},
  };
  return tables;
}

}  // namespace

const QStringList& SuiteTableNames() {
  static const QStringList names = [] {
    QStringList list;
    for (const SuiteTable& table : suiteTables()) list << table.name;
    return list;
  }();
  return names;
}

QStringList EnsureSuiteTables(SqlStore& store) {
  // The suite's MariaDB tables are InnoDB in utf8mb4 so that Hindi and Tamil names survive.
  const QString tableOptions =
      store.isMariaDb() ? QStringLiteral(" ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_unicode_ci")
                        : QString();
  QStringList created;
  for (const SuiteTable& table : suiteTables()) {
    if (store.hasTable(table.name))
      continue;
    store.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS ") + table.name + QStringLiteral(" (") +
               table.columns + QLatin1Char(')') + tableOptions);
    for (const QString& index : table.indexes) store.exec(index);
    created << table.name;
  }
  return created;
}

}  // namespace kestrel
