#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>

namespace kestrel {

// Collects text piece by piece. The buffer grows in whole steps of ChunkSize() bytes, so
// appending single characters costs one reallocation per 8192 of them rather than one each.
// Sizes are counted in bytes (two per UTF-16 code unit) and kept in 32-bit signed integers;
// an addition that would take them past that range raises RuntimeError 6 "Overflow" (source
// "cStringBuilder") and leaves the builder as it was.
class StringBuilder {
 public:
  static constexpr std::int32_t DefaultChunkSize = 16384;

  void Append(QStringView text);
  void Append(QChar c) { Append(QStringView(&c, 1)); }
  QString toString() const;

  // Forgets the text but keeps the buffer, so a reader can reuse one builder for many texts.
  void Clear() { used_ = 0; }

  std::int32_t Length() const { return used_; }        // bytes holding appended text
  std::int32_t Capacity() const { return capacity_; }  // bytes in the buffer
  std::int32_t ChunkSize() const { return chunkSize_; }

 private:
  QString buffer_;
  std::int32_t used_ = 0;
  std::int32_t capacity_ = 0;
  std::int32_t chunkSize_ = DefaultChunkSize;
};

}  // namespace kestrel
