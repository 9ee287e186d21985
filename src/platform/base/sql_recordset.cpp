#include "platform/base/sql_recordset.h"

#include <QSqlError>
#include <QSqlRecord>

namespace kestrel {

namespace {
const QString& source() {
  static const QString text = QStringLiteral("VelBase");
  return text;
}
}  // namespace

SqlRecordset::SqlRecordset(std::shared_ptr<SqlStore> store, QSqlQuery query)
    : store_(std::move(store)), query_(std::move(query)) {
  const QSqlRecord record = query_.record();
  names_.reserve(record.count());
  for (int i = 0; i < record.count(); ++i) names_ << record.fieldName(i);
  advance();
}

void SqlRecordset::advance() {
  if (query_.next())
    return;
  atEnd_ = true;
  if (query_.lastError().isValid())
    store_->raise(query_.lastError());
  // Past the last record the statement is released at once: an unfinished SQLite read keeps
  // its tables locked against changes on the same connection.
  query_.finish();
}

void SqlRecordset::requireOpen() const {
  if (!open_)
    throw RuntimeError(3704, QStringLiteral("Operation is not allowed when the object is closed."), source());
}

void SqlRecordset::requireRecord(int index) const {
  requireOpen();
  if (atEnd_)
    throw RuntimeError(3021,
                       QStringLiteral("Either BOF or EOF is True, or the current record has been deleted. "
                                      "Requested operation requires a current record."),
                       source());
  if (index < 0 || index >= names_.size())
    throw RuntimeError(3265,
                       QStringLiteral("Item cannot be found in the collection corresponding to the requested "
                                      "name or ordinal."),
                       source());
}

void SqlRecordset::MoveNext() {
  requireRecord(0);
  advance();
}

void SqlRecordset::Close() {
  requireOpen();
  query_.finish();
  open_ = false;
}

int SqlRecordset::FieldCount() const {
  requireOpen();
  return int(names_.size());
}

QString SqlRecordset::FieldName(int index) const {
  requireOpen();
  if (index < 0 || index >= names_.size())
    throw RuntimeError(3265, QStringLiteral("Item cannot be found in the collection."), source());
  return names_[index];
}

int SqlRecordset::FieldIndex(QStringView name) const {
  for (const auto& [asked, index] : lookups_)
    if (asked == name)
      return index;
  int found = -1;
  for (qsizetype i = 0; i < names_.size(); ++i)
    if (QStringView(names_[i]).compare(name, Qt::CaseInsensitive) == 0) {
      found = int(i);
      break;
    }
  if (lookups_.size() < 256)
    lookups_.emplace_back(name.toString(), found);
  return found;
}

QVariant SqlRecordset::Value(int index) const {
  requireRecord(index);
  return query_.value(index);
}

QString SqlRecordset::Text(int index) const {
  requireRecord(index);
  const QVariant value = query_.value(index);
  return value.isNull() ? QString() : value.toString();
}

}  // namespace kestrel
