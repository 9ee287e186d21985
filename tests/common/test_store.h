#pragma once

#include "platform/base/velbase.h"

#include <QTemporaryDir>

#include <memory>

namespace kestrel::testing {

// The store a store test runs on, chosen by the environment variable KESTREL_TEST_STORE:
// "sqlite" (or nothing) gives a fresh SQLite file in a temporary folder; a mysql:// string
// gives that MariaDB database, emptied of all its tables first.
class TestStore {
 public:
  TestStore();
  TestStore(const TestStore&) = delete;
  TestStore& operator=(const TestStore&) = delete;

  const QString& connectionString() const { return connection_; }
  bool isMariaDb() const { return mariaDb_; }
  // A temporary folder that lives as long as the store (the suite home of makeBase()).
  QString folder() const { return dir_.path(); }

  // A VelBase as the host makes it (the module's scratch tables private to its connection), on
  // this store unless options name another, with its suite home in folder().
  std::shared_ptr<VelBase> makeBase(VelBaseOptions options = {}) const;

  // Drops every table of the store.
  void dropAllTables() const;

 private:
  QTemporaryDir dir_;
  QString connection_;
  bool mariaDb_ = false;
};

}  // namespace kestrel::testing
