// Feeds arbitrary bytes to ParseJson, once decoded as UTF-8 and once taken as raw UTF-16 code
// units, and reads the whole resulting tree back, checking what every tree must satisfy.

#include "support/decimal.h"
#include "support/json.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

using namespace kestrel;

namespace {

void check(bool condition) {
  if (!condition)
    __builtin_trap();
}

void walk(const JsonValue& v, int depth) {
  check(depth <= 520);
  switch (v.type()) {
    case JsonValue::Type::Empty:
    case JsonValue::Type::Null:
      check(v.toText().isEmpty());
      break;
    case JsonValue::Type::Boolean:
      check(v.toText() == (v.toBool() ? QStringLiteral("True") : QStringLiteral("False")));
      break;
    case JsonValue::Type::Number: {
      // A number prints digits that read back as the same number.
      const Decimal d = v.toDecimal();
      check(Decimal::parse(d.toString()) == d);
      (void)d.toDouble();
      break;
    }
    case JsonValue::Type::Text:
      (void)v.toText().size();
      break;
    case JsonValue::Type::List:
      check(v.size() == qsizetype(v.list().size()));
      for (qsizetype i = 0; i < v.size(); ++i) walk(v.at(i), depth + 1);
      check(v.at(v.size()).isEmpty());
      break;
    case JsonValue::Type::Map: {
      // Keys are unique and each finds its own member, also in a copy of the map.
      const JsonMap copy = v.map();
      const QStringList keys = v.keys();
      check(keys.size() == v.size());
      for (qsizetype i = 0; i < v.size(); ++i) {
        check(&v.value(keys[i]) == &v.at(i));
        check(copy.find(keys[i]) == &copy.entryAt(i).value);
        check(v.keyAt(i) == keys[i]);
        walk(v.at(i), depth + 1);
      }
      break;
    }
  }
}

void parse(QStringView text) {
  const JsonValue tree = ParseJson(text);
  const QString errors = JsonParseErrors();
  check(tree.isEmpty() == (errors == QStringLiteral("Invalid JSON")));
  check(tree.isEmpty() || tree.isMap() || tree.isList());
  walk(tree, 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  parse(QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size)));

  std::vector<char16_t> units(size / 2);
  if (!units.empty())
    std::memcpy(units.data(), data, units.size() * 2);
  parse(QStringView(units.data(), qsizetype(units.size())));
  return 0;
}
