#include "support/decimal.h"

#include "support/runtime_error.h"

#include <charconv>

namespace kestrel {

namespace {

__extension__ typedef unsigned __int128 u128;

constexpr u128 kMantissaLimit = u128(1) << 96;
constexpr int kMaxDigits = 29;  // 2^96 - 1 has 29 decimal digits

[[noreturn]] void typeMismatch() {
  throw RuntimeError(errnum::TypeMismatch, QStringLiteral("Type mismatch"), QStringLiteral("Decimal"));
}
[[noreturn]] void overflow() {
  throw RuntimeError(errnum::Overflow, QStringLiteral("Overflow"), QStringLiteral("Decimal"));
}

bool isDigit(char16_t c) {
  return c >= u'0' && c <= u'9';
}

u128 pow10(int n) {
  u128 r = 1;
  while (n-- > 0) r *= 10;
  return r;
}

// The digits of a number as written, without sign, point and exponent: the integer part
// followed by the fraction.
struct DigitRun {
  const char16_t* intPart;
  qsizetype intLen;
  const char16_t* fracPart;
  qsizetype fracLen;

  qsizetype size() const { return intLen + fracLen; }
  int at(qsizetype k) const { return (k < intLen ? intPart[k] : fracPart[k - intLen]) - u'0'; }
};

}  // namespace

struct DecimalAccess {
  static Decimal make(u128 mantissa, int scale, bool negative) {
    while (scale > 0 && mantissa % 10 == 0) {
      mantissa /= 10;
      --scale;
    }
    Decimal d;
    d.lo_ = static_cast<std::uint64_t>(mantissa);
    d.hi_ = static_cast<std::uint32_t>(mantissa >> 64);
    d.scale_ = static_cast<std::uint8_t>(scale);
    d.negative_ = negative && mantissa != 0;
    return d;
  }
  static u128 mantissa(const Decimal& d) { return (u128(d.hi_) << 64) | d.lo_; }

  // value = (digits first..last of the run) * 10^exponent, with the significant digits
  // first..last (no leading or trailing zeros) and any exponent.
  static Decimal fromDigits(const DigitRun& run, qsizetype first, qsizetype last, std::int64_t exponent,
                            bool negative) {
    const std::int64_t len = last - first + 1;
    auto prefix = [&](std::int64_t count) {
      u128 m = 0;
      for (std::int64_t k = 0; k < count; ++k) m = m * 10 + static_cast<unsigned>(run.at(first + k));
      return m;
    };

    if (exponent >= 0) {
      if (len + exponent > kMaxDigits)
        overflow();
      const u128 m = prefix(len) * pow10(static_cast<int>(exponent));
      if (m >= kMantissaLimit)
        overflow();
      return make(m, 0, negative);
    }

    // Digits before the point stay whatever happens to the fraction.
    const std::int64_t intDigits = len + exponent;
    if (intDigits > kMaxDigits)
      overflow();
    std::int64_t scale = -exponent;
    std::int64_t keep = len;
    if (scale > Decimal::MaxScale) {
      keep -= scale - Decimal::MaxScale;
      scale = Decimal::MaxScale;
    }
    for (;;) {
      if (keep > kMaxDigits) {
        scale -= keep - kMaxDigits;
        keep = kMaxDigits;
      }
      if (keep < 0)
        return Decimal();  // below half of the last place
      u128 m = prefix(keep);
      if (keep < len) {
        const int next = run.at(first + keep);
        const bool sticky = keep + 1 < len;  // trailing zeros were stripped, so any rest is nonzero
        if (next > 5 || (next == 5 && (sticky || (m & 1) != 0)))
          ++m;
      }
      if (m < kMantissaLimit)
        return make(m, static_cast<int>(scale), negative);
      if (scale == 0)
        overflow();
      --keep;
      --scale;
    }
  }
};

Decimal::Decimal(std::int64_t value) {
  const std::uint64_t magnitude =
      value < 0 ? ~static_cast<std::uint64_t>(value) + 1 : static_cast<std::uint64_t>(value);
  lo_ = magnitude;
  negative_ = value < 0;
}

Decimal Decimal::parse(QStringView text) {
  const char16_t* p = text.utf16();
  const qsizetype n = text.size();
  qsizetype i = 0;
  bool negative = false;
  if (i < n && (p[i] == u'+' || p[i] == u'-'))
    negative = p[i++] == u'-';

  // The usual number: up to 19 digits with or without a fraction, read in one pass.
  {
    std::uint64_t m = 0;
    qsizetype k = i, digits = 0, places = -1;
    for (; k < n && digits <= 19; ++k) {
      const char16_t c = p[k];
      if (isDigit(c)) {
        m = m * 10 + unsigned(c - u'0');
        ++digits;
        if (places >= 0)
          ++places;
      } else if (c == u'.' && places < 0) {
        places = 0;
      } else {
        break;
      }
    }
    if (k == n && digits > 0 && digits <= 19)
      return DecimalAccess::make(m, places < 0 ? 0 : int(places), negative);
  }

  DigitRun run{p + i, 0, nullptr, 0};
  while (i < n && isDigit(p[i])) ++i;
  run.intLen = i - (run.intPart - p);
  run.fracPart = p + i;
  if (i < n && p[i] == u'.') {
    run.fracPart = p + ++i;
    while (i < n && isDigit(p[i])) ++i;
    run.fracLen = i - (run.fracPart - p);
  }
  if (run.size() == 0)
    typeMismatch();

  std::int64_t exponent = 0;
  if (i < n && (p[i] == u'e' || p[i] == u'E')) {
    ++i;
    bool expNegative = false;
    if (i < n && (p[i] == u'+' || p[i] == u'-'))
      expNegative = p[i++] == u'-';
    if (i == n || !isDigit(p[i]))
      typeMismatch();
    // Far beyond any representable exponent; capping keeps the arithmetic below exact.
    constexpr std::int64_t kCap = 1'000'000'000;
    for (; i < n && isDigit(p[i]); ++i)
      if (exponent < kCap)
        exponent = exponent * 10 + (p[i] - u'0');
    if (expNegative)
      exponent = -exponent;
  }
  if (i != n)
    typeMismatch();

  // At most 19 digits and an exponent of zero still fit a 64-bit integer directly.
  if (exponent == 0 && run.size() <= 19 && run.fracLen <= MaxScale) {
    std::uint64_t m = 0;
    for (qsizetype k = 0; k < run.size(); ++k) m = m * 10 + static_cast<unsigned>(run.at(k));
    return DecimalAccess::make(m, static_cast<int>(run.fracLen), negative);
  }

  qsizetype first = 0;
  while (first < run.size() && run.at(first) == 0) ++first;
  if (first == run.size())
    return Decimal();
  qsizetype last = run.size() - 1;
  while (run.at(last) == 0) --last;
  const std::int64_t shift = exponent - run.fracLen + (run.size() - 1 - last);
  return DecimalAccess::fromDigits(run, first, last, shift, negative);
}

QString Decimal::toString() const {
  u128 m = DecimalAccess::mantissa(*this);
  char16_t reversed[kMaxDigits];
  int count = 0;
  do {
    reversed[count++] = static_cast<char16_t>(u'0' + static_cast<int>(m % 10));
    m /= 10;
  } while (m != 0);
  while (count <= scale_) reversed[count++] = u'0';  // at least one digit before the point

  QString out;
  out.reserve(count + 2);
  if (negative_)
    out += u'-';
  for (int k = count - 1; k >= 0; --k) {
    out += QChar(reversed[k]);
    if (k == scale_ && k != 0)
      out += u'.';
  }
  return out;
}

double Decimal::toDouble() const {
  const QByteArray digits = toString().toLatin1();
  double d = 0;
  std::from_chars(digits.constData(), digits.constData() + digits.size(), d);
  return d;
}

}  // namespace kestrel
