#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <vector>

namespace kestrel::grid {

// The texts of one grid column, stored compactly: one 32-bit slot per row and a UTF-8 arena.
// A slot is 0 for an empty cell, holds texts of up to three bytes itself, and otherwise is the
// arena offset of a length-prefixed text. A column that never held text allocates nothing.
// Overwriting a text with a longer one appends to the arena; the arena is compacted once more
// than half of it is dead.
class TextColumn {
 public:
  // Buffer a caller provides for reading texts that live inside their slot.
  using InlineBuffer = char[4];

  bool isAllocated() const { return !slots_.empty(); }

  // Row-count changes; they do nothing while the column is unallocated.
  void resize(int rows);
  void insertRows(int at, int count);
  void eraseRows(int at, int count);

  // rows is the grid's row count, needed to allocate the column on its first text.
  void set(int rows, int row, QStringView text);
  void setUtf8(int rows, int row, QByteArrayView utf8);
  QString text(int row) const;
  QByteArrayView utf8(int row, InlineBuffer& buffer) const;
  bool isEmpty(int row) const { return slots_.empty() || slots_[static_cast<size_t>(row)] == 0; }
  bool equal(int rowA, int rowB) const;

  // Empties rows first..last (inclusive); the whole column drops its storage.
  void clearRows(int first, int last);
  void reset();

  // Changes with every write, so measured widths can be cached cheaply.
  std::uint32_t generation() const { return generation_; }
  std::size_t bytesUsed() const;

  // UTF-8 of text (ASCII without an extra allocation) into out.
  static void toUtf8(QStringView text, std::vector<char>& out);

 private:
  void writeSlot(int row, const char* data, std::size_t size);
  void release(std::uint32_t slot);
  void compactIfWasteful();

  std::vector<std::uint32_t> slots_;
  std::vector<char> arena_;
  std::size_t garbage_ = 0;
  std::uint32_t generation_ = 0;
};

}  // namespace kestrel::grid
