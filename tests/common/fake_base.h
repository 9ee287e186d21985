#pragma once

#include "store/base_component.h"

#include <QHash>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>

namespace kestrel::testing {

// An in-memory rows-and-fields result for FakeBase.
struct FakeTable {
  QStringList fields;
  std::vector<std::vector<QVariant>> rows;
};

class FakeRecordset final : public Recordset {
 public:
  explicit FakeRecordset(FakeTable table) : table_(std::move(table)) {}
  bool Eof() const override { return !open_ || pos_ >= table_.rows.size(); }
  void MoveNext() override { ++pos_; }
  void Close() override { open_ = false; }
  bool isOpen() const override { return open_; }
  int FieldCount() const override { return int(table_.fields.size()); }
  QString FieldName(int index) const override { return table_.fields.value(index); }
  int FieldIndex(QStringView name) const override;
  QVariant Value(int index) const override;
  QString Text(int index) const override { return Value(index).toString(); }

 private:
  FakeTable table_;
  size_t pos_ = 0;
  bool open_ = true;
};

// A base component for unit tests: records every statement, answers reads from canned
// tables keyed by statement text (or table name), and raises a chosen error for statements
// that match a predicate. Its folders live in a temporary directory.
class FakeBase final : public BaseComponent {
 public:
  FakeBase();

  bool CheckDllsVersion(bool) override { return versionOk; }
  void ConQuery(const QString& sql) override;
  DbConnection* DBObj() override { return &connection_; }
  void RecordsetQuery(std::unique_ptr<Recordset>& rs, const QString& sqlOrTable, DbConnection* db,
                      int cursorType, int lockType, int options) override;
  QString TruncVarSQL(const QVariant& value) const override;
  QString ExePath() const override { return dir_.path(); }
  QString vTmpPath() const override { return dir_.path() + QStringLiteral("/Temp/"); }
  QString DocPath() const override { return dir_.path() + QStringLiteral("/Documents"); }
  QString GetSettingINI(const QString& section, const QString& key, const QString& def,
                        const QString& file) override;
  void SaveSettingINI(const QString& section, const QString& key, const QString& value,
                      const QString& file) override;
  QString GetPhone4MobNo(const QString& phone4, const QString& kind) const override;
  void Resize_For_Resolution(QWidget*) override { ++resizes; }
  double vScreenRatX() const override { return 1.0; }
  double vScreenRatY() const override { return 1.0; }
  double vScreenRatFS() const override { return 1.0; }
  void RefreshClList() override { ++refreshes; }

  // Everything sent through ConQuery and RecordsetQuery, in order.
  QStringList statements;
  QHash<QString, FakeTable> results;          // by statement text or table name
  std::function<bool(const QString&)> fails;  // statements that raise `failure`
  ErrObject failure{-2147467259, QStringLiteral("Table 'x' doesn't exist"), QStringLiteral("FakeBase")};
  QHash<QString, QString> settings;  // "file|section|key" -> value
  bool versionOk = true;
  int resizes = 0;
  int refreshes = 0;

 private:
  void maybeFail(const QString& sql) const;
  QTemporaryDir dir_;
  DbConnection connection_;
};

}  // namespace kestrel::testing
