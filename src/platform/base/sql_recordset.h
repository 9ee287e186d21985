#pragma once

#include "platform/base/sql_store.h"
#include "store/base_component.h"

#include <memory>
#include <utility>
#include <vector>

namespace kestrel {

// A forward-only recordset over a QSqlQuery, positioned on its first record when opened.
// It keeps its store alive so a recordset outliving the component still closes cleanly.
class SqlRecordset final : public Recordset {
 public:
  // The query must be active (executed); a read failure raises through the store.
  SqlRecordset(std::shared_ptr<SqlStore> store, QSqlQuery query);

  bool Eof() const override { return !open_ || atEnd_; }
  void MoveNext() override;
  void Close() override;
  bool isOpen() const override { return open_; }

  int FieldCount() const override;
  QString FieldName(int index) const override;
  int FieldIndex(QStringView name) const override;

  QVariant Value(int index) const override;
  QString Text(int index) const override;

 private:
  void requireOpen() const;
  void requireRecord(int index) const;
  void advance();

  std::shared_ptr<SqlStore> store_;
  QSqlQuery query_;
  QStringList names_;
  // Names asked for so far, as the caller spelled them: a loop over many records asks for
  // the same few names again and again, and an exact match needs no case folding.
  mutable std::vector<std::pair<QString, int>> lookups_;
  bool open_ = true;
  bool atEnd_ = false;
};

}  // namespace kestrel
