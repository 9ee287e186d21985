#include "fake_base.h"

namespace kestrel::testing {

int FakeRecordset::FieldIndex(QStringView name) const {
  for (int i = 0; i < table_.fields.size(); ++i)
    if (QStringView(table_.fields[i]).compare(name, Qt::CaseInsensitive) == 0)
      return i;
  return -1;
}

QVariant FakeRecordset::Value(int index) const {
  if (Eof())
    throw RuntimeError(3021,
                       QStringLiteral("Either BOF or EOF is True, or the current record has been deleted."),
                       QStringLiteral("FakeRecordset"));
  const auto& row = table_.rows[pos_];
  if (index < 0 || size_t(index) >= row.size())
    throw RuntimeError(3265, QStringLiteral("Item cannot be found in the collection"),
                       QStringLiteral("FakeRecordset"));
  return row[size_t(index)];
}

FakeBase::FakeBase() {}

void FakeBase::maybeFail(const QString& sql) const {
  if (fails && fails(sql))
    throw RuntimeError(failure);
}

void FakeBase::ConQuery(const QString& sql) {
  statements << sql;
  maybeFail(sql);
}

void FakeBase::RecordsetQuery(std::unique_ptr<Recordset>& rs, const QString& sqlOrTable, DbConnection*, int,
                              int, int) {
  statements << sqlOrTable;
  maybeFail(sqlOrTable);
  rs = std::make_unique<FakeRecordset>(results.value(sqlOrTable));
}

QString FakeBase::TruncVarSQL(const QVariant& value) const {
  QString text = value.toString();
  text.replace(QLatin1Char('\''), QStringLiteral("''"));
  return text;
}

QString FakeBase::GetSettingINI(const QString& section, const QString& key, const QString& def,
                                const QString& file) {
  return settings.value(file + QLatin1Char('|') + section + QLatin1Char('|') + key, def);
}

void FakeBase::SaveSettingINI(const QString& section, const QString& key, const QString& value,
                              const QString& file) {
  settings.insert(file + QLatin1Char('|') + section + QLatin1Char('|') + key, value);
}

QString FakeBase::GetPhone4MobNo(const QString& phone4, const QString&) const {
  QString digits;
  for (QChar c : phone4)
    if (c.isDigit())
      digits += c;
  return digits.size() == 10 ? digits : QString();
}

}  // namespace kestrel::testing
