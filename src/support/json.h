#pragma once

#include "support/decimal.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <memory>
#include <variant>
#include <vector>

namespace kestrel {

class JsonValue;
class JsonMap;
using JsonList = std::vector<JsonValue>;

// One value of a JSON tree: nothing (empty), null, a Boolean, a decimal number, a text, a list
// or a keyed map. Lists and maps are shared between copies and never change once read, so
// copying a value or handing out a subtree costs a reference count, not a copy.
class JsonValue {
 public:
  enum class Type { Empty, Null, Boolean, Number, Text, List, Map };

  JsonValue() = default;
  static JsonValue null();
  explicit JsonValue(bool b) : v_(b) {}
  explicit JsonValue(const Decimal& d) : v_(d) {}
  explicit JsonValue(QString text) : v_(std::move(text)) {}
  explicit JsonValue(JsonList list);
  explicit JsonValue(JsonMap map);
  explicit JsonValue(std::shared_ptr<const JsonList> list);
  explicit JsonValue(std::shared_ptr<const JsonMap> map);

  Type type() const { return static_cast<Type>(v_.index()); }
  bool isEmpty() const { return type() == Type::Empty; }
  bool isNull() const { return type() == Type::Null; }
  bool isBool() const { return type() == Type::Boolean; }
  bool isNumber() const { return type() == Type::Number; }
  bool isText() const { return type() == Type::Text; }
  bool isList() const { return type() == Type::List; }
  bool isMap() const { return type() == Type::Map; }

  // The Boolean; false for every other kind of value.
  bool toBool() const;
  // The number; zero for every other kind of value.
  Decimal toDecimal() const;
  // The value as the profile screens show it: a text as is, a number as its decimal digits,
  // a Boolean as "True" or "False", anything else as "".
  QString toText() const;

  // Elements of a list, or members of a map; 0 for anything else.
  qsizetype size() const;
  // The i-th list element or the value of the i-th map member (in the order read); an empty
  // value when out of range or not a container.
  const JsonValue& at(qsizetype i) const;
  // The member of a map under the key (case-sensitive); an empty value when absent.
  const JsonValue& value(QStringView key) const;
  const JsonValue& operator[](QStringView key) const { return value(key); }
  bool contains(QStringView key) const;
  // The i-th key of a map; "" when out of range or not a map.
  QString keyAt(qsizetype i) const;
  QStringList keys() const;

  // The container itself; an empty one when the value is not of that kind.
  const JsonList& list() const;
  const JsonMap& map() const;

 private:
  struct NullTag {};
  std::variant<std::monostate, NullTag, bool, Decimal, QString, std::shared_ptr<const JsonList>,
               std::shared_ptr<const JsonMap>>
      v_;
};

// A keyed map: case-sensitive text keys, each at most once, in the order they were added.
// The key texts of a map live together in one buffer of the map's own; small maps find keys by
// a linear search, large ones keep a hash index.
class JsonMap {
 public:
  struct Entry {
    QStringView key;  // valid while the map exists
    JsonValue value;
  };

  JsonMap() = default;
  JsonMap(const JsonMap& other);
  JsonMap& operator=(const JsonMap& other);
  JsonMap(JsonMap&&) noexcept = default;
  JsonMap& operator=(JsonMap&&) noexcept = default;
  ~JsonMap();

  // Adds a member at the end; false (and nothing added) when the key is already present.
  bool insert(QStringView key, JsonValue value);

  qsizetype size() const { return qsizetype(entries_.size()); }
  bool isEmpty() const { return entries_.empty(); }
  const Entry& entryAt(qsizetype i) const { return entries_[size_t(i)]; }
  // The value under the key, or nullptr.
  const JsonValue* find(QStringView key) const;

  auto begin() const { return entries_.cbegin(); }
  auto end() const { return entries_.cend(); }

  // Maps up to this size are searched linearly.
  static constexpr qsizetype LinearLimit = 16;

 private:
  using Index = QHash<QStringView, qsizetype>;
  void buildIndex();
  void rebaseKeys(const char16_t* oldText);

  std::vector<Entry> entries_;
  // A vector, not a string: moving the map must keep the characters where the keys view them.
  std::vector<char16_t> keyText_;
  std::unique_ptr<Index> index_;

  friend class JsonReader;
};

// Reads a JSON text leniently: the top-level object or array, or an empty value when the text
// does not start with one. Never raises; problems are collected in JsonParseErrors() and
// whatever was read up to a problem is kept in the result.
JsonValue ParseJson(QStringView text);

// The problems found by the last ParseJson call, one CR LF terminated line each ("" when there
// were none, "Invalid JSON" when there was nothing to read). One text for the whole module, as
// the profile screens expect: read it on the thread that parsed, before the next parse.
QString JsonParseErrors();

}  // namespace kestrel
