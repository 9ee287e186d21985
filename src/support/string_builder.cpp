#include "support/string_builder.h"

#include "support/runtime_error.h"

#include <cstring>
#include <limits>

namespace kestrel {

namespace {

[[noreturn]] void overflow() {
  throw RuntimeError(errnum::Overflow, QStringLiteral("Overflow"), QStringLiteral("cStringBuilder"));
}

}  // namespace

void StringBuilder::Append(QStringView text) {
  constexpr std::int64_t kLimit = std::numeric_limits<std::int32_t>::max();
  const std::int64_t bytes = std::int64_t{text.size()} * 2;
  if (bytes == 0)
    return;
  const std::int64_t needed = used_ + bytes;
  if (needed > kLimit)
    overflow();
  if (needed > capacity_) {
    const std::int64_t steps = (needed - capacity_ + chunkSize_ - 1) / chunkSize_;
    const std::int64_t grown = capacity_ + steps * chunkSize_;
    if (grown > kLimit)
      overflow();
    // The part past the used length is never read, so it is left as allocated.
    buffer_.resize(grown / 2);
    capacity_ = static_cast<std::int32_t>(grown);
  }
  std::memcpy(buffer_.data() + used_ / 2, text.data(), static_cast<std::size_t>(bytes));
  used_ = static_cast<std::int32_t>(needed);
}

QString StringBuilder::toString() const {
  if (used_ == 0)
    return QString();
  return QString(buffer_.constData(), used_ / 2);
}

}  // namespace kestrel
