#include "support/json.h"

namespace kestrel {

namespace {

const JsonValue& noValue() {
  static const JsonValue empty;
  return empty;
}
const JsonList& noList() {
  static const JsonList empty;
  return empty;
}
const JsonMap& noMap() {
  static const JsonMap empty;
  return empty;
}

}  // namespace

// ---- JsonValue ----

JsonValue JsonValue::null() {
  JsonValue v;
  v.v_ = NullTag{};
  return v;
}

JsonValue::JsonValue(JsonList list) : v_(std::make_shared<const JsonList>(std::move(list))) {}
JsonValue::JsonValue(JsonMap map) : v_(std::make_shared<const JsonMap>(std::move(map))) {}
JsonValue::JsonValue(std::shared_ptr<const JsonList> list) : v_(std::move(list)) {}
JsonValue::JsonValue(std::shared_ptr<const JsonMap> map) : v_(std::move(map)) {}

bool JsonValue::toBool() const {
  const bool* b = std::get_if<bool>(&v_);
  return b && *b;
}

Decimal JsonValue::toDecimal() const {
  const Decimal* d = std::get_if<Decimal>(&v_);
  return d ? *d : Decimal();
}

QString JsonValue::toText() const {
  switch (type()) {
    case Type::Text:
      return std::get<QString>(v_);
    case Type::Number:
      return std::get<Decimal>(v_).toString();
    case Type::Boolean:
      return std::get<bool>(v_) ? QStringLiteral("True") : QStringLiteral("False");
    default:
      return QString();
  }
}

const JsonList& JsonValue::list() const {
  const auto* l = std::get_if<std::shared_ptr<const JsonList>>(&v_);
  return l && *l ? **l : noList();
}

const JsonMap& JsonValue::map() const {
  const auto* m = std::get_if<std::shared_ptr<const JsonMap>>(&v_);
  return m && *m ? **m : noMap();
}

qsizetype JsonValue::size() const {
  if (isList())
    return qsizetype(list().size());
  if (isMap())
    return map().size();
  return 0;
}

const JsonValue& JsonValue::at(qsizetype i) const {
  if (i < 0 || i >= size())
    return noValue();
  return isList() ? list()[size_t(i)] : map().entryAt(i).value;
}

const JsonValue& JsonValue::value(QStringView key) const {
  const JsonValue* found = map().find(key);
  return found ? *found : noValue();
}

bool JsonValue::contains(QStringView key) const {
  return map().find(key) != nullptr;
}

QString JsonValue::keyAt(qsizetype i) const {
  const JsonMap& m = map();
  return i >= 0 && i < m.size() ? m.entryAt(i).key.toString() : QString();
}

QStringList JsonValue::keys() const {
  QStringList out;
  out.reserve(map().size());
  for (const JsonMap::Entry& e : map()) out.append(e.key.toString());
  return out;
}

// ---- JsonMap ----

JsonMap::JsonMap(const JsonMap& other) : entries_(other.entries_), keyText_(other.keyText_) {
  rebaseKeys(other.keyText_.data());
  if (other.index_)
    buildIndex();
}

JsonMap& JsonMap::operator=(const JsonMap& other) {
  if (this != &other)
    *this = JsonMap(other);
  return *this;
}

JsonMap::~JsonMap() = default;

// Points the keys, which viewed a buffer at oldText, at the same places in keyText_.
void JsonMap::rebaseKeys(const char16_t* oldText) {
  const char16_t* text = keyText_.data();
  if (text == oldText)
    return;
  for (Entry& e : entries_)
    if (!e.key.isEmpty())
      e.key = QStringView(text + (e.key.utf16() - oldText), e.key.size());
  if (index_)
    buildIndex();
}

void JsonMap::buildIndex() {
  index_ = std::make_unique<Index>();
  index_->reserve(size());
  for (qsizetype i = 0; i < size(); ++i) index_->insert(entries_[size_t(i)].key, i);
}

const JsonValue* JsonMap::find(QStringView key) const {
  if (index_) {
    const auto it = index_->constFind(key);
    return it == index_->cend() ? nullptr : &entries_[size_t(*it)].value;
  }
  for (const Entry& e : entries_)
    if (e.key.size() == key.size() && e.key == key)
      return &e.value;
  return nullptr;
}

bool JsonMap::insert(QStringView key, JsonValue value) {
  if (find(key))
    return false;
  const char16_t* oldText = keyText_.data();
  const size_t at = keyText_.size();
  keyText_.insert(keyText_.end(), key.utf16(), key.utf16() + key.size());
  rebaseKeys(oldText);
  entries_.push_back({QStringView(keyText_.data() + at, key.size()), std::move(value)});
  if (index_)
    index_->insert(entries_.back().key, size() - 1);
  else if (size() > LinearLimit)
    buildIndex();
  return true;
}

}  // namespace kestrel
