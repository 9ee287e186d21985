#include "entry/module_tables.h"

#include "entry/error_log.h"
#include "entry/mod_it_main.h"
#include "store/schema.h"

namespace kestrel {

void CreateModuleTables(QStringView window, QStringView routine) {
  ErrorTrap trap(window, routine);
  for (const QString& statement : ModuleTableStatements()) trap([&] { Base().ConQuery(statement); });
  trap([&] { Base().ConQuery(QStringLiteral("Flush Tables")); });

  std::unique_ptr<Recordset> rs;
  trap([&] {
    Base().RecordsetQuery(rs, QStringLiteral("WebMailDomain"), Base().DBObj(), ado::adOpenDynamic,
                          ado::adLockOptimistic, ado::adCmdTable);
  });
  const int fields = trap.value([&] { return rs ? rs->FieldCount() : 0; }, 0);
  if (fields == 3) {
    trap([&] { Base().ConQuery(QStringLiteral("ALTER TABLE WebMailDomain ADD sSMTP varchar(250)")); });
    trap([&] { Base().ConQuery(QStringLiteral("Flush Tables")); });
  }
  trap([&] {
    if (rs)
      rs->Close();
  });
}

}  // namespace kestrel
