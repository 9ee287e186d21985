#include "test_store.h"

#include "store/schema.h"

namespace kestrel::testing {

TestStore::TestStore() {
  const QString requested = qEnvironmentVariable("KESTREL_TEST_STORE");
  if (requested.isEmpty() || requested == u"sqlite") {
    connection_ = QStringLiteral("sqlite:") + dir_.path() + QStringLiteral("/store.db");
  } else {
    connection_ = requested;
    mariaDb_ = ParseStoreAddress(requested).backend == StoreBackend::MariaDB;
    dropAllTables();
  }
}

void TestStore::dropAllTables() const {
  SqlStore store(connection_, QStringLiteral("TestStore"));
  for (const QString& table : store.tables()) store.exec(QStringLiteral("DROP TABLE IF EXISTS ") + table);
}

std::shared_ptr<VelBase> TestStore::makeBase(VelBaseOptions options) const {
  if (options.connectionString.isEmpty())
    options.connectionString = connection_;
  options.privateTables = ScratchTableStatements();
  options.unicodeTables = ModuleTableNames();
  if (options.suiteHome.isEmpty())
    options.suiteHome = dir_.path() + QStringLiteral("/Velmar");
  return std::make_shared<VelBase>(std::move(options));
}

}  // namespace kestrel::testing
