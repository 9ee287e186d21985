// The lenient JSON reader behind ParseJson.
//
// One pass over the UTF-16 text with a 0-based index; messages give 1-based positions.
// A member that fails (a number that cannot be read, a repeated key, nesting too deep) ends
// its enclosing object or array, which reports it and returns what it has read so far.

#include "support/json.h"

#include "support/runtime_error.h"
#include "support/string_builder.h"

#include <new>
#include <string_view>
#include <unordered_map>

namespace kestrel {

namespace {

QString& lastErrors() {
  static QString text;
  return text;
}

// Deeper nesting is refused like any failing member, so a hostile text cannot exhaust the
// stack while it is read or when its tree is destroyed.
constexpr int kMaxDepth = 512;
constexpr QStringView kTooDeep = u"Out of stack space";

constexpr QStringView kCrLf = u"\r\n";

// Keys are short: a plain loop beats a call to memcmp.
bool sameText(QStringView a, QStringView b) {
  if (a.size() != b.size())
    return false;
  const char16_t* x = a.utf16();
  const char16_t* y = b.utf16();
  for (qsizetype k = 0; k < a.size(); ++k)
    if (x[k] != y[k])
      return false;
  return true;
}

// Characters that end the quick scan of a double-quoted key: quotes and key blanks.
constexpr bool endsPlainKey(char16_t c) {
  return c <= u'\'' && (c == u'"' || c == u'\'' || c == u' ' || c == u'\t' || c == u'\r' || c == u'\n');
}

bool isKeyBlank(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

// Characters SkipBlank has to look at; everything else ends skipping unless in a comment.
constexpr bool isBlankish(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'(' || c == u')' || c == u'/' ||
         c == u'*';
}

bool isNumberChar(char16_t c) {
  return (c >= u'0' && c <= u'9') || c == u'.' || c == u'-' || c == u'+' || c == u'e' || c == u'E';
}

int hexValue(char16_t c) {
  if (c >= u'0' && c <= u'9')
    return c - u'0';
  if (c >= u'a' && c <= u'f')
    return c - u'a' + 10;
  if (c >= u'A' && c <= u'F')
    return c - u'A' + 10;
  return -1;
}

// A key read into the reader's key text, by place, as that text may move while it grows.
struct KeyRef {
  size_t at = 0;
  qsizetype length = 0;
};

struct OpenEntry {
  KeyRef key;
  JsonValue value;
};

// Storage a reader needs while it works, kept per thread so that parsing many small texts
// does not allocate (and free) the builder's buffer and the member stacks every time.
struct Workspace {
  StringBuilder builder;
  // Members of the objects and arrays being read, innermost last, and the texts of their keys;
  // each container takes its own range off the top when it ends, so its storage is allocated
  // once, at its exact size.
  std::vector<OpenEntry> entries;
  std::vector<JsonValue> values;
  std::vector<char16_t> keyText;

  void prepare() {
    builder.Clear();
    entries.clear();
    values.clear();
    keyText.clear();
  }
  // What an unusually large text made grow is given back rather than kept for good.
  void trim() {
    if (builder.Capacity() > 4 * StringBuilder::DefaultChunkSize)
      builder = StringBuilder();
    if (entries.capacity() > 4096)
      std::vector<OpenEntry>().swap(entries);
    if (values.capacity() > 4096)
      std::vector<JsonValue>().swap(values);
    if (keyText.capacity() > 65536)
      std::vector<char16_t>().swap(keyText);
  }
};

}  // namespace

class JsonReader {
 public:
  explicit JsonReader(QStringView text, Workspace& work)
      : p_(text.utf16()),
        n_(text.size()),
        builder_(work.builder),
        openEntries_(work.entries),
        openValues_(work.values),
        keyText_(work.keyText) {}

  JsonValue parse() {
    skipBlank();
    if (i_ < n_ && p_[i_] == u'{')
      return readObject(1);
    if (i_ < n_ && p_[i_] == u'[')
      return readArray(1);
    errors_ = QStringLiteral("Invalid JSON");
    return JsonValue();
  }

  QString& errors() { return errors_; }

 private:
  // Appends one line of the error text.
  void report(std::initializer_list<QStringView> parts) {
    for (QStringView part : parts) errors_ += part;
    errors_ += kCrLf;
  }

  QStringView slice(qsizetype from, qsizetype len) const { return QStringView(p_ + from, len); }
  QString text(qsizetype from, qsizetype len) const {
    return QString(reinterpret_cast<const QChar*>(p_ + from), len);
  }
  // The 1-based position of the current character.
  QString position() const { return QString::number(i_ + 1); }
  QStringView rest() const { return slice(i_, n_ - i_); }
  QStringView lastTwenty() const { return n_ > 20 ? slice(n_ - 20, 20) : slice(0, n_); }
  QStringView nextTwenty() const { return slice(i_, std::min<qsizetype>(20, n_ - i_)); }

  // Most of the time the next character already carries data.
  void skipBlank() {
    if (i_ >= n_ || isBlankish(p_[i_]))
      skipBlanks();
  }
  void skipBlanks();
  bool opensTooDeep(int depth);
  JsonValue readValue(int depth);
  // The head of each member of an object or array: true at the closing mark (stepped past)
  // or at the end of the text (reported); a comma before the member is consumed.
  bool atContainerEnd(char16_t close, QStringView missing) {
    skipBlank();
    if (i_ < n_ && p_[i_] == close) {
      ++i_;
      return true;
    }
    if (i_ < n_ && p_[i_] == u',') {
      ++i_;
      skipBlank();
    } else if (i_ >= n_) {
      report({missing, lastTwenty()});
      return true;
    }
    return false;
  }
  JsonValue readObject(int depth);
  JsonValue readArray(int depth);
  QStringView keyView(KeyRef key) const { return QStringView(keyText_.data() + key.at, key.length); }
  bool isPresent(size_t base, KeyRef key, const std::unordered_multimap<size_t, size_t>* index) const;
  KeyRef readKey();
  KeyRef readKeySlow(size_t at);
  KeyRef endOfQuotedKey(KeyRef key);
  JsonValue readString();
  JsonValue readNumber();
  bool lookingAt(std::u16string_view word) const;
  JsonValue readBoolean();
  JsonValue readNull();

  const char16_t* p_;
  qsizetype n_;
  qsizetype i_ = 0;
  QString errors_;
  StringBuilder& builder_;  // shared by every escaped string of this text
  std::vector<OpenEntry>& openEntries_;
  std::vector<JsonValue>& openValues_;
  std::vector<char16_t>& keyText_;
};

void JsonReader::skipBlanks() {
  // Pending: a "/" or "*" not yet paired. A block comment sets both comment flags.
  bool pending = false, inComment = false, inBlock = false;
  while (i_ < n_) {
    const char16_t c = p_[i_];
    if (!isBlankish(c)) {
      if (!inComment)
        return;
    } else if (c == u'\r' || c == u'\n') {
      if (!inBlock)
        pending = inComment = false;
    } else if (c == u'/') {
      if (inBlock) {
        if (pending)
          pending = inComment = inBlock = false;
      } else if (pending) {
        inComment = true;
        pending = false;
      } else {
        pending = true;
        inComment = inBlock = false;
      }
    } else if (c == u'*') {
      if (pending) {
        inComment = inBlock = true;
        pending = false;
      } else {
        pending = true;
      }
    }
    ++i_;
  }
}

// A member at this depth that opens one more object or array fails. It is reported without
// an exception: a hostile text can hold thousands of them.
bool JsonReader::opensTooDeep(int depth) {
  if (depth <= kMaxDepth)
    return false;
  skipBlank();
  return i_ < n_ && (p_[i_] == u'{' || p_[i_] == u'[');
}

JsonValue JsonReader::readValue(int depth) {
  skipBlank();
  if (i_ >= n_)
    return readNumber();
  switch (p_[i_]) {
    case u'{':
    case u'[':
      return p_[i_] == u'{' ? readObject(depth) : readArray(depth);
    case u'"':
    case u'\'':
      return readString();
    case u't':
    case u'f':
      return readBoolean();
    case u'n':
      return readNull();
    default:
      return readNumber();
  }
}

bool JsonReader::isPresent(size_t base, KeyRef key,
                           const std::unordered_multimap<size_t, size_t>* index) const {
  const QStringView text = keyView(key);
  if (!index) {
    for (size_t k = base; k < openEntries_.size(); ++k)
      if (sameText(keyView(openEntries_[k].key), text))
        return true;
    return false;
  }
  const auto [first, last] = index->equal_range(qHash(text));
  for (auto it = first; it != last; ++it)
    if (sameText(keyView(openEntries_[base + it->second].key), text))
      return true;
  return false;
}

JsonValue JsonReader::readObject(int depth) {
  ++i_;
  const size_t base = openEntries_.size();
  const size_t keyBase = keyText_.size();
  // Once the object outgrows a linear search: hashes of its keys to their members.
  std::unique_ptr<std::unordered_multimap<size_t, size_t>> index;
  for (;;) {
    if (atContainerEnd(u'}', u"Missing '}': "))
      break;
    const KeyRef key = readKey();
    if (opensTooDeep(depth + 1)) {
      report({kTooDeep, u": ", keyView(key)});
      break;
    }
    try {
      JsonValue value = readValue(depth + 1);
      if (isPresent(base, key, index.get()))
        throw RuntimeError(
            errnum::KeyAlreadyAssociated,
            QStringLiteral("This key is already associated with an element of this collection"),
            QStringLiteral("JSON"));
      openEntries_.push_back({key, std::move(value)});
      const size_t count = openEntries_.size() - base;
      if (index) {
        index->emplace(qHash(keyView(key)), count - 1);
      } else if (qsizetype(count) > JsonMap::LinearLimit) {
        index = std::make_unique<std::unordered_multimap<size_t, size_t>>();
        for (size_t k = 0; k < count; ++k) index->emplace(qHash(keyView(openEntries_[base + k].key)), k);
      }
    } catch (const RuntimeError& e) {
      report({e.description(), u": ", keyView(key)});
      break;
    }
  }

  // The map takes its keys' texts in one piece (with the text of a failed key at the end).
  JsonMap map;
  map.keyText_.assign(keyText_.begin() + qsizetype(keyBase), keyText_.end());
  map.entries_.reserve(openEntries_.size() - base);
  for (size_t k = base; k < openEntries_.size(); ++k) {
    OpenEntry& e = openEntries_[k];
    map.entries_.push_back(
        {QStringView(map.keyText_.data() + (e.key.at - keyBase), e.key.length), std::move(e.value)});
  }
  openEntries_.resize(base);
  keyText_.resize(keyBase);
  if (map.size() > JsonMap::LinearLimit)
    map.buildIndex();
  return JsonValue(std::move(map));
}

JsonValue JsonReader::readArray(int depth) {
  ++i_;
  const size_t base = openValues_.size();
  for (;;) {
    if (atContainerEnd(u']', u"Missing ']': "))
      break;
    if (opensTooDeep(depth + 1)) {
      report({kTooDeep, u": ", nextTwenty()});
      break;
    }
    const qsizetype start = i_;
    try {
      openValues_.push_back(readValue(depth + 1));
    } catch (const RuntimeError& e) {
      report({e.description(), u": ", nextTwenty()});
      break;
    }
    // An invalid Boolean or null stays where it is and has been reported; reading it again
    // would never end.
    if (i_ == start)
      break;
  }
  JsonList list(std::make_move_iterator(openValues_.begin() + qsizetype(base)),
                std::make_move_iterator(openValues_.end()));
  openValues_.resize(base);
  return JsonValue(std::move(list));
}

// After a closing quote the key must be followed by ":" (blanks allowed in between).
KeyRef JsonReader::endOfQuotedKey(KeyRef key) {
  skipBlank();
  if (i_ < n_ && p_[i_] == u':') {
    ++i_;
    return key;
  }
  report({u"Invalid Key at position ", position(), u" : ", keyView(key)});
  return key;
}

KeyRef JsonReader::readKey() {
  skipBlank();
  const size_t at = keyText_.size();
  // The usual key: double quotes around characters that need no further handling.
  if (i_ < n_ && p_[i_] == u'"') {
    qsizetype j = i_ + 1;
    while (j < n_ && !endsPlainKey(p_[j])) ++j;
    if (j < n_ && p_[j] == u'"') {
      keyText_.insert(keyText_.end(), p_ + i_ + 1, p_ + j);
      i_ = j + 1;
      return endOfQuotedKey({at, qsizetype(keyText_.size() - at)});
    }
  }
  return readKeySlow(at);
}

// Keys may be quoted with either quote, or not at all. The two quote flags toggle
// independently; blanks are dropped everywhere, backslashes are ordinary characters.
KeyRef JsonReader::readKeySlow(size_t at) {
  bool inDouble = false, inSingle = false;
  auto key = [&] { return KeyRef{at, qsizetype(keyText_.size() - at)}; };
  while (i_ < n_) {
    const char16_t c = p_[i_];
    if (c == u'"' || c == u'\'') {
      bool& flag = c == u'"' ? inDouble : inSingle;
      flag = !flag;
      ++i_;
      if (!flag) {
        skipBlank();
        if (i_ >= n_ || p_[i_] != u':')
          return endOfQuotedKey(key());
      }
    } else if (c == u':' && !inDouble && !inSingle) {
      ++i_;
      return key();
    } else {
      if (!isKeyBlank(c))
        keyText_.push_back(c);
      ++i_;
    }
  }
  return key();
}

JsonValue JsonReader::readString() {
  const char16_t quote = p_[i_];
  qsizetype start = ++i_;
  qsizetype j = start;
  while (j < n_ && p_[j] != quote && p_[j] != u'\\') ++j;
  if (j >= n_ || p_[j] == quote) {
    // No escapes: the text is the slice itself. An unclosed string ends with the text.
    i_ = j < n_ ? j + 1 : n_;
    return JsonValue(text(start, j - start));
  }

  builder_.Clear();
  for (;;) {
    builder_.Append(slice(start, j - start));
    if (j >= n_)
      break;
    if (p_[j] == quote) {
      ++j;
      break;
    }
    if (++j >= n_)
      break;  // a backslash at the very end escapes nothing
    char16_t c = p_[j++];
    switch (c) {
      case u'b':
        c = 8;
        break;
      case u'f':
        c = 12;
        break;
      case u'n':
        c = 10;
        break;
      case u'r':
        c = 13;
        break;
      case u't':
        c = 9;
        break;
      case u'u': {
        // Four characters belong to the escape; their leading hex digits give the code unit.
        const qsizetype end = std::min(j + 4, n_);
        unsigned unit = 0;
        for (qsizetype k = j; k < end; ++k) {
          const int h = hexValue(p_[k]);
          if (h < 0)
            break;
          unit = unit * 16 + unsigned(h);
        }
        c = char16_t(unit);
        j = end;
        break;
      }
      default:  // quotes, backslash, "/" and anything without a meaning stand for themselves
        break;
    }
    builder_.Append(QChar(c));
    start = j;
    while (j < n_ && p_[j] != quote && p_[j] != u'\\') ++j;
  }
  i_ = j;
  return JsonValue(builder_.toString());
}

JsonValue JsonReader::readNumber() {
  const qsizetype start = i_;
  while (i_ < n_ && isNumberChar(p_[i_])) ++i_;
  return JsonValue(Decimal::parse(slice(start, i_ - start)));
}

bool JsonReader::lookingAt(std::u16string_view word) const {
  if (n_ - i_ < qsizetype(word.size()))
    return false;
  for (size_t k = 0; k < word.size(); ++k)
    if (p_[i_ + qsizetype(k)] != word[k])
      return false;
  return true;
}

JsonValue JsonReader::readBoolean() {
  if (lookingAt(u"true")) {
    i_ += 4;
    return JsonValue(true);
  }
  if (lookingAt(u"false")) {
    i_ += 5;
    return JsonValue(false);
  }
  report({u"Invalid Boolean at position ", position(), u" : ", rest()});
  return JsonValue(false);
}

JsonValue JsonReader::readNull() {
  if (lookingAt(u"null")) {
    i_ += 4;
    return JsonValue::null();
  }
  report({u"Invalid null value at position ", position(), u" : ", rest()});
  return JsonValue();
}

JsonValue ParseJson(QStringView text) {
  lastErrors().clear();
  thread_local Workspace work;
  work.prepare();
  JsonReader reader(text, work);
  JsonValue result;
  try {
    result = reader.parse();
  } catch (const std::bad_alloc&) {
    reader.errors() += u"Out of memory\r\n";
  }
  work.trim();
  lastErrors() = std::move(reader.errors());
  return result;
}

QString JsonParseErrors() {
  return lastErrors();
}

}  // namespace kestrel
