#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>

namespace kestrel {

// An exact decimal number: a 96-bit unsigned integer mantissa, a sign and a scale of 0..28
// decimal places, value = (-1)^sign * mantissa / 10^scale. Every value is kept in its shortest
// form (no trailing fractional zeros, zero never negative), so equal numbers compare equal
// member by member and print the same digits.
class Decimal {
 public:
  static constexpr int MaxScale = 28;

  Decimal() = default;
  Decimal(std::int64_t value);  // NOLINT(google-explicit-constructor): integers are decimals

  // Reads a number written as an optional sign, digits with an optional fraction (at least one
  // digit in all) and an optional exponent ("e" or "E", optional sign, digits), nothing else.
  // Raises RuntimeError 13 "Type mismatch" for anything else and RuntimeError 6 "Overflow" when
  // the value needs more than 96 bits of integer part. Places beyond the 28th are rounded half
  // to even, and so are the last places of a number with more significant digits than the
  // mantissa can hold.
  static Decimal parse(QStringView text);

  bool isNegative() const { return negative_; }
  bool isZero() const { return lo_ == 0 && hi_ == 0; }
  int scale() const { return scale_; }

  // The decimal digits: "-" for negatives, "." before the fraction, no exponent, "0" for zero.
  QString toString() const;
  // The nearest double.
  double toDouble() const;

  friend bool operator==(const Decimal&, const Decimal&) = default;

 private:
  std::uint64_t lo_ = 0;  // low 64 bits of the mantissa
  std::uint32_t hi_ = 0;  // high 32 bits
  std::uint8_t scale_ = 0;
  bool negative_ = false;

  friend struct DecimalAccess;
};

}  // namespace kestrel
