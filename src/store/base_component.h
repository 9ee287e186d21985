#pragma once

#include "support/object_registry.h"

#include <QString>
#include <QVariant>

#include <memory>

class QWidget;

namespace kestrel {

// Forward-only result of a read. Field names are matched without regard to case, as the
// suite's statements spell the same column in different ways ("F_Nm", "f_Nm").
// Every failing operation raises RuntimeError.
class Recordset {
 public:
  virtual ~Recordset() = default;

  virtual bool Eof() const = 0;  // end test: no current record
  virtual void MoveNext() = 0;
  virtual void Close() = 0;
  virtual bool isOpen() const = 0;

  virtual int FieldCount() const = 0;
  virtual QString FieldName(int index) const = 0;
  // Index of a field by name (case-insensitive), -1 when the record has no such field.
  virtual int FieldIndex(QStringView name) const = 0;

  virtual QVariant Value(int index) const = 0;
  // The field as text, null read as "" (what the module's `field & ""` idiom relies on).
  virtual QString Text(int index) const = 0;

  QVariant Value(QStringView name) const { return Value(requireField(name)); }
  QString Text(QStringView name) const { return Text(requireField(name)); }

 protected:
  int requireField(QStringView name) const;
};

// The open connection handed out by DBObj and passed back to RecordsetQuery.
class DbConnection {
 public:
  virtual ~DbConnection() = default;
};

// ADO cursor and lock type numbers as the module passes them.
namespace ado {
inline constexpr int adOpenForwardOnly = 0;
inline constexpr int adOpenKeyset = 1;
inline constexpr int adOpenDynamic = 2;
inline constexpr int adLockReadOnly = 1;
inline constexpr int adLockOptimistic = 3;
inline constexpr int adCmdTable = 2;
inline constexpr int adOptionUnspecified = -1;
}  // namespace ado

// The suite's base component: database, folders, settings file and screen metrics.
// Created by its programmatic identifier "VelBase.ClsMain".
class BaseComponent : public Component {
 public:
  static constexpr const char* ProgId = "VelBase.ClsMain";

  virtual bool CheckDllsVersion(bool checkAll) = 0;

  virtual void ConQuery(const QString& sql) = 0;
  virtual DbConnection* DBObj() = 0;
  // sqlOrTable is a statement, or a bare table name (options adCmdTable, or no blank in it).
  virtual void RecordsetQuery(std::unique_ptr<Recordset>& rs, const QString& sqlOrTable, DbConnection* db,
                              int cursorType, int lockType, int options = ado::adOptionUnspecified) = 0;
  // The value as text that is safe between single quotes in a statement of the active store.
  virtual QString TruncVarSQL(const QVariant& value) const = 0;

  virtual QString ExePath() const = 0;   // no trailing separator
  virtual QString vTmpPath() const = 0;  // ends with a separator
  virtual QString DocPath() const = 0;   // no trailing separator

  virtual QString GetSettingINI(const QString& section, const QString& key, const QString& defaultValue,
                                const QString& filePath) = 0;
  virtual void SaveSettingINI(const QString& section, const QString& key, const QString& value,
                              const QString& filePath) = 0;

  virtual QString GetPhone4MobNo(const QString& phone4, const QString& kind) const = 0;

  virtual void Resize_For_Resolution(QWidget* window) = 0;
  virtual double vScreenRatX() const = 0;
  virtual double vScreenRatY() const = 0;
  virtual double vScreenRatFS() const = 0;

  virtual void RefreshClList() = 0;
};

}  // namespace kestrel
