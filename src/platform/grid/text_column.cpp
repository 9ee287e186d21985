#include "text_column.h"

#include <algorithm>
#include <cstring>

namespace kestrel::grid {

namespace {

constexpr std::uint32_t kInlineTag = 0x80000000u;
constexpr std::size_t kCompactFloor = 64 * 1024;

bool isInline(std::uint32_t slot) {
  return (slot & kInlineTag) != 0;
}

std::size_t inlineSize(std::uint32_t slot) {
  return (slot >> 24) & 0x3u;
}

std::size_t varintSize(std::size_t n) {
  std::size_t bytes = 1;
  while (n >= 0x80) {
    n >>= 7;
    ++bytes;
  }
  return bytes;
}

// Length prefix at arena offset; returns the text size and advances pos past the prefix.
std::size_t readVarint(const std::vector<char>& arena, std::size_t& pos) {
  std::size_t value = 0;
  int shift = 0;
  for (;;) {
    const auto byte = static_cast<unsigned char>(arena[pos++]);
    value |= static_cast<std::size_t>(byte & 0x7fu) << shift;
    if ((byte & 0x80u) == 0)
      return value;
    shift += 7;
  }
}

void writeVarint(char* out, std::size_t n) {
  while (n >= 0x80) {
    *out++ = static_cast<char>((n & 0x7fu) | 0x80u);
    n >>= 7;
  }
  *out = static_cast<char>(n);
}

// Arena bytes taken by a text of n bytes, prefix included.
std::size_t footprint(std::size_t n) {
  return varintSize(n) + n;
}

}  // namespace

void TextColumn::toUtf8(QStringView text, std::vector<char>& out) {
  out.clear();
  const char16_t* p = text.utf16();
  const auto n = static_cast<std::size_t>(text.size());
  out.resize(n);
  for (std::size_t i = 0; i < n; ++i) {
    if (p[i] >= 0x80) {
      const QByteArray utf8 = text.toUtf8();
      out.assign(utf8.constData(), utf8.constData() + utf8.size());
      return;
    }
    out[i] = static_cast<char>(p[i]);
  }
}

void TextColumn::resize(int rows) {
  if (!isAllocated())
    return;
  const auto n = static_cast<std::size_t>(rows);
  for (std::size_t r = n; r < slots_.size(); ++r) release(slots_[r]);
  slots_.resize(n, 0);
  if (slots_.empty())
    reset();
  else
    compactIfWasteful();
  ++generation_;
}

void TextColumn::insertRows(int at, int count) {
  if (!isAllocated() || count <= 0)
    return;
  slots_.insert(slots_.begin() + at, static_cast<std::size_t>(count), 0);
  ++generation_;
}

void TextColumn::eraseRows(int at, int count) {
  if (!isAllocated() || count <= 0)
    return;
  const auto first = slots_.begin() + at;
  std::for_each(first, first + count, [this](std::uint32_t slot) { release(slot); });
  slots_.erase(first, first + count);
  if (slots_.empty())
    reset();
  else
    compactIfWasteful();
  ++generation_;
}

void TextColumn::set(int rows, int row, QStringView text) {
  if (text.isEmpty()) {
    if (!isEmpty(row))
      writeSlot(row, nullptr, 0);
    return;
  }
  thread_local std::vector<char> buffer;
  toUtf8(text, buffer);
  setUtf8(rows, row, QByteArrayView(buffer.data(), static_cast<qsizetype>(buffer.size())));
}

void TextColumn::setUtf8(int rows, int row, QByteArrayView utf8) {
  if (!isAllocated()) {
    if (utf8.isEmpty())
      return;
    slots_.assign(static_cast<std::size_t>(rows), 0);
    arena_.assign(1, '\0');  // offset 0 stays unused so a zero slot means "empty"
  }
  writeSlot(row, utf8.data(), static_cast<std::size_t>(utf8.size()));
}

void TextColumn::writeSlot(int row, const char* data, std::size_t size) {
  std::uint32_t& slot = slots_[static_cast<std::size_t>(row)];
  ++generation_;
  if (size <= 3) {
    release(slot);
    std::uint32_t packed = size == 0 ? 0 : kInlineTag | static_cast<std::uint32_t>(size << 24);
    for (std::size_t i = 0; i < size; ++i)
      packed |= static_cast<std::uint32_t>(static_cast<unsigned char>(data[i])) << (8 * i);
    slot = packed;
    return;
  }
  if (slot != 0 && !isInline(slot)) {
    std::size_t pos = slot;
    const std::size_t oldSize = readVarint(arena_, pos);
    if (size <= oldSize && varintSize(size) == varintSize(oldSize)) {
      writeVarint(arena_.data() + slot, size);
      std::memcpy(arena_.data() + pos, data, size);
      garbage_ += oldSize - size;
      return;
    }
  }
  release(slot);
  const std::size_t offset = arena_.size();
  arena_.resize(offset + footprint(size));
  writeVarint(arena_.data() + offset, size);
  std::memcpy(arena_.data() + offset + varintSize(size), data, size);
  slot = static_cast<std::uint32_t>(offset);
  compactIfWasteful();
}

void TextColumn::release(std::uint32_t slot) {
  if (slot == 0 || isInline(slot))
    return;
  std::size_t pos = slot;
  garbage_ += footprint(readVarint(arena_, pos));
}

void TextColumn::compactIfWasteful() {
  if (garbage_ < kCompactFloor || garbage_ * 2 < arena_.size())
    return;
  std::vector<char> packed;
  packed.reserve(arena_.size() - garbage_ + 1);
  packed.push_back('\0');
  for (std::uint32_t& slot : slots_) {
    if (slot == 0 || isInline(slot))
      continue;
    std::size_t pos = slot;
    const std::size_t size = readVarint(arena_, pos);
    const std::size_t offset = packed.size();
    packed.resize(offset + footprint(size));
    writeVarint(packed.data() + offset, size);
    std::memcpy(packed.data() + offset + varintSize(size), arena_.data() + pos, size);
    slot = static_cast<std::uint32_t>(offset);
  }
  arena_.swap(packed);
  garbage_ = 0;
}

QByteArrayView TextColumn::utf8(int row, InlineBuffer& buffer) const {
  if (slots_.empty())
    return {};
  const std::uint32_t slot = slots_[static_cast<std::size_t>(row)];
  if (slot == 0)
    return {};
  if (isInline(slot)) {
    const std::size_t size = inlineSize(slot);
    for (std::size_t i = 0; i < size; ++i) buffer[i] = static_cast<char>((slot >> (8 * i)) & 0xffu);
    return QByteArrayView(buffer, static_cast<qsizetype>(size));
  }
  std::size_t pos = slot;
  const std::size_t size = readVarint(arena_, pos);
  return QByteArrayView(arena_.data() + pos, static_cast<qsizetype>(size));
}

QString TextColumn::text(int row) const {
  InlineBuffer buffer;
  const QByteArrayView bytes = utf8(row, buffer);
  return bytes.isEmpty() ? QString() : QString::fromUtf8(bytes);
}

bool TextColumn::equal(int rowA, int rowB) const {
  if (slots_.empty())
    return true;
  const std::uint32_t a = slots_[static_cast<std::size_t>(rowA)];
  const std::uint32_t b = slots_[static_cast<std::size_t>(rowB)];
  if (a == b)
    return true;
  if (isInline(a) || isInline(b) || a == 0 || b == 0)
    return false;
  InlineBuffer bufA, bufB;
  return utf8(rowA, bufA) == utf8(rowB, bufB);
}

void TextColumn::clearRows(int first, int last) {
  if (!isAllocated())
    return;
  if (first <= 0 && static_cast<std::size_t>(last) + 1 >= slots_.size()) {
    reset();
    return;
  }
  for (int r = first; r <= last; ++r) {
    release(slots_[static_cast<std::size_t>(r)]);
    slots_[static_cast<std::size_t>(r)] = 0;
  }
  ++generation_;
  compactIfWasteful();
}

void TextColumn::reset() {
  std::vector<std::uint32_t>().swap(slots_);
  std::vector<char>().swap(arena_);
  garbage_ = 0;
  ++generation_;
}

std::size_t TextColumn::bytesUsed() const {
  return slots_.capacity() * sizeof(std::uint32_t) + arena_.capacity();
}

}  // namespace kestrel::grid
