#pragma once

#include <QString>

#include <optional>

namespace kestrel {

// A change keyed by one text value: "UPDATE <table> SET ... WHERE <column>='<value>'" or
// "DELETE FROM <table> WHERE <column>='<value>'", the condition being the whole WHERE clause.
struct KeyedChange {
  QString table;
  QString column;
  QString literal;  // the value as the statement writes it between the quotes
  QString value;    // the text it stands for
};

// The key of a change statement of that shape; nothing for any other statement. With
// backslashEscapes a backslash escapes the next character inside a quoted text, as on a MariaDB
// session without NO_BACKSLASH_ESCAPES.
std::optional<KeyedChange> FindKeyedChange(QStringView sql, bool backslashEscapes);

// The table that "CREATE TABLE [IF NOT EXISTS] <name> ..." creates; empty for any other
// statement, a temporary table's included.
QString CreatedTableName(QStringView sql);

}  // namespace kestrel
