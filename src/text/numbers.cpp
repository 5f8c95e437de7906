// Number <-> text rules. Everything here is locale independent: digits are
// read and written with std::from_chars / std::to_chars (which never consult
// the C locale) under our own rounding and layout rules.
#include "text/numbers.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <system_error>

namespace quorvane {
namespace {

// ---------------------------------------------------------------------------
// Reading

// What the full-width fold makes of the character at p: an ASCII byte, kEnd at
// the end of the text (a lone lead byte at the very end is dropped and ends the
// walk), or kOther for a two-byte character the fold leaves alone (no such
// character can be part of a number or of the leading white space).
constexpr int kEnd = -1;
constexpr int kOther = 0x100;

inline int foldedChar(const unsigned char*& p, const unsigned char* end) {
  if (p == end) return kEnd;
  const unsigned char lead = *p;
  if (lead < 0x80) {
    ++p;
    return lead;
  }
  if (end - p < 2) {
    p = end;
    return kEnd;
  }
  const unsigned char trail = p[1];
  p += 2;
  if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) return trail - 0x80;
  if (lead == 0xA1) {
    if (trail == 0xA1) return ' ';
    if (trail == 0xAB) return '~';
    if (trail == 0xEE || trail == 0xEF) return '*';
  }
  return kOther;
}

inline bool isDigit(int c) {
  return c >= '0' && c <= '9';
}

// Significant digits kept for the conversion. Every halfway point between two
// doubles is written exactly with fewer than 770 significant digits, so the
// digits beyond these only matter as "zero or not": any non-zero ones are
// represented by one trailing 1, which keeps every comparison with a halfway
// point exact while the work stays bounded for texts of any length.
constexpr int kMaxDigits = 770;

// Decimal exponents (of the form 0.ddd x 10^e) beyond which the result is
// certainly infinite or zero: 10^309 > DBL_MAX and 10^-330 is far below half
// the smallest subnormal. Exponents are saturated well beyond these, so an
// exponent written with any number of digits cannot overflow.
constexpr std::int64_t kInfinityExponent = 310;
constexpr std::int64_t kZeroExponent = -330;
constexpr std::int64_t kExponentSaturation = 1'000'000'000'000;

}  // namespace

double textToNumber(std::string_view text) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const auto* const end = p + text.size();

  int c = foldedChar(p, end);
  while (c == ' ' || (c >= '\t' && c <= '\r')) c = foldedChar(p, end);

  bool negative = false;
  if (c == '+' || c == '-') {
    negative = c == '-';
    c = foldedChar(p, end);
  }

  // Mantissa: significant digits (leading zeros dropped) and the decimal
  // exponent such that the value is 0.<digits> x 10^decimalExponent.
  std::array<char, kMaxDigits + 32> buffer;
  int digitCount = 0;
  bool droppedNonZero = false;
  bool sawDigit = false;
  std::int64_t decimalExponent = 0;

  for (; isDigit(c); c = foldedChar(p, end)) {
    sawDigit = true;
    if (digitCount == 0 && c == '0') continue;
    ++decimalExponent;
    if (digitCount < kMaxDigits) {
      buffer[digitCount++] = static_cast<char>(c);
    } else if (c != '0') {
      droppedNonZero = true;
    }
  }
  if (c == '.') {
    for (c = foldedChar(p, end); isDigit(c); c = foldedChar(p, end)) {
      sawDigit = true;
      if (digitCount == 0 && c == '0') {
        --decimalExponent;
        continue;
      }
      if (digitCount < kMaxDigits) {
        buffer[digitCount++] = static_cast<char>(c);
      } else if (c != '0') {
        droppedNonZero = true;
      }
    }
  }
  if (!sawDigit) return 0.0;

  // Exponent: a letter, an optional sign and at least one digit; otherwise the
  // letter is not part of the number.
  if (c == 'e' || c == 'E' || c == 'd' || c == 'D') {
    int e = foldedChar(p, end);
    bool exponentNegative = false;
    if (e == '+' || e == '-') {
      exponentNegative = e == '-';
      e = foldedChar(p, end);
    }
    std::int64_t exponent = 0;
    for (; isDigit(e); e = foldedChar(p, end)) {
      exponent = std::min(exponent * 10 + (e - '0'), kExponentSaturation);
    }
    decimalExponent += exponentNegative ? -exponent : exponent;
  }

  const double zero = negative ? -0.0 : 0.0;
  if (digitCount == 0) return zero;
  constexpr double kInfinity = std::numeric_limits<double>::infinity();
  if (decimalExponent > kInfinityExponent) return negative ? -kInfinity : kInfinity;
  if (decimalExponent < kZeroExponent) return zero;

  if (droppedNonZero) buffer[digitCount++] = '1';
  char* out = buffer.data() + digitCount;
  *out++ = 'e';
  out = std::to_chars(out, buffer.data() + buffer.size(), decimalExponent - digitCount).ptr;

  double magnitude = 0.0;
  const auto result = std::from_chars(buffer.data(), out, magnitude);
  if (result.ec == std::errc::result_out_of_range) {
    // Beyond the largest finite double, or below half the smallest subnormal.
    magnitude = decimalExponent > 0 ? kInfinity : 0.0;
  }
  return negative ? -magnitude : magnitude;
}

// ---------------------------------------------------------------------------
// Writing

namespace {

constexpr int kDoubleDigits = 13;
constexpr int kSingleDigits = 6;

// Lays out significant digits (1 to `precision` of them, no trailing zeros)
// whose first digit has the power of ten `power`: the exponent form with a
// three-digit exponent when power is below -4 or at least `precision`, the
// fixed form otherwise, with a minus sign in front of a negative value.
std::string layOut(bool negative, const char* digits, int count, int power, int precision) {
  std::array<char, 32> buffer;
  char* out = buffer.data();
  if (negative) *out++ = '-';
  if (power < -4 || power >= precision) {
    *out++ = digits[0];
    if (count > 1) {
      *out++ = '.';
      out = std::copy(digits + 1, digits + count, out);
    }
    *out++ = 'e';
    *out++ = power < 0 ? '-' : '+';
    const int magnitude = power < 0 ? -power : power;  // at most 324
    *out++ = static_cast<char>('0' + magnitude / 100);
    *out++ = static_cast<char>('0' + magnitude / 10 % 10);
    *out++ = static_cast<char>('0' + magnitude % 10);
  } else if (power >= 0) {
    const int wholeDigits = power + 1;
    if (count <= wholeDigits) {
      out = std::copy(digits, digits + count, out);
      out = std::fill_n(out, wholeDigits - count, '0');
    } else {
      out = std::copy(digits, digits + wholeDigits, out);
      *out++ = '.';
      out = std::copy(digits + wholeDigits, digits + count, out);
    }
  } else {
    *out++ = '0';
    *out++ = '.';
    out = std::fill_n(out, -power - 1, '0');
    out = std::copy(digits, digits + count, out);
  }
  return std::string(buffer.data(), out);
}

int withoutTrailingZeros(const char* digits, int count) {
  while (count > 1 && digits[count - 1] == '0') --count;
  return count;
}

}  // namespace

std::string numberToText(double value) {
  const auto bits = std::bit_cast<std::uint64_t>(value);
  constexpr std::uint64_t kSignBit = std::uint64_t{1} << 63;
  constexpr std::uint64_t kExponentBits = std::uint64_t{0x7FF} << 52;
  constexpr std::uint64_t kQuietBit = std::uint64_t{1} << 51;
  constexpr std::uint64_t kDefaultNaN = kSignBit | kExponentBits | kQuietBit;
  const bool negative = (bits & kSignBit) != 0;

  if ((bits & kExponentBits) == kExponentBits) {
    if ((bits & ~(kSignBit | kExponentBits)) == 0) return negative ? "-1.#INF" : "1.#INF";
    if (bits == kDefaultNaN) return "-1.#IND";
    const char* word = (bits & kQuietBit) != 0 ? "1.#QNAN" : "1.#SNAN";
    return negative ? std::string("-") + word : std::string(word);
  }
  if ((bits & ~kSignBit) == 0) return "0";

  // First stage: the exact value to 17 significant digits. std::to_chars
  // rounds an exact tie to even where we round halves up, but the two differ
  // only when the 17th digit is even and exactly a half follows it; halves-up
  // then raises that digit by one without a carry (it is at most 8), leaving
  // digits 1 to 14 as they are, and those are all the second stage looks at.
  // Output: d.dddddddddddddddde+XX (two or three exponent digits).
  std::array<char, 32> scientific;
  const auto printed = std::to_chars(scientific.data(), scientific.data() + scientific.size(),
                                     std::fabs(value), std::chars_format::scientific, 16);
  std::array<char, 17> digits;
  digits[0] = scientific[0];
  std::copy(scientific.data() + 2, scientific.data() + 18, digits.data() + 1);
  int power = 0;
  std::from_chars(scientific.data() + 20, printed.ptr, power);
  if (scientific[19] == '-') power = -power;

  // Second stage: 17 digits to 13, halves up, the carry possibly running
  // through all thirteen.
  if (digits[kDoubleDigits] >= '5') {
    int i = kDoubleDigits - 1;
    while (i >= 0 && digits[i] == '9') digits[i--] = '0';
    if (i < 0) {
      digits[0] = '1';
      ++power;
    } else {
      ++digits[i];
    }
  }
  return layOut(negative, digits.data(), withoutTrailingZeros(digits.data(), kDoubleDigits), power,
                kDoubleDigits);
}

namespace {

__extension__ using Uint128 = unsigned __int128;

// Powers of five up to 5^44 (the largest scale, for the clamped power -39).
constexpr int kMaxPowerOfFive = 44;
constexpr std::array<Uint128, kMaxPowerOfFive + 1> kPowersOfFive = [] {
  std::array<Uint128, kMaxPowerOfFive + 1> powers{};
  Uint128 power = 1;
  for (auto& p : powers) {
    p = power;
    power *= 5;
  }
  return powers;
}();

// floor(s) and whether the fraction of s is one half or more, for the exact
// s = significand * 2^binaryExponent * 10^scale. The caller keeps s below
// about 10^7, and significand < 2^24, so every product fits in 128 bits
// (2^24 * 5^44 < 2^127).
struct Scaled {
  std::uint64_t whole;
  bool halfOrMore;
};

Scaled scaleExactly(std::uint32_t significand, int binaryExponent, int scale) {
  const int shift = binaryExponent + scale;  // of the power of two in s
  if (scale >= 0) {
    const Uint128 numerator = Uint128{significand} * kPowersOfFive[scale];
    if (shift >= 0) return {static_cast<std::uint64_t>(numerator << shift), false};
    const int down = -shift;
    const std::uint64_t whole = down >= 128 ? 0 : static_cast<std::uint64_t>(numerator >> down);
    const bool half = down - 1 < 128 && ((numerator >> (down - 1)) & 1) != 0;
    return {whole, half};
  }
  Uint128 numerator = significand;
  Uint128 denominator = kPowersOfFive[-scale];
  if (shift >= 0) {
    numerator <<= shift;
  } else {
    denominator <<= -shift;
  }
  const Uint128 remainder = numerator % denominator;
  return {static_cast<std::uint64_t>(numerator / denominator), 2 * remainder >= denominator};
}

}  // namespace

std::string singleToText(float value) {
  const auto bits = std::bit_cast<std::uint32_t>(value);
  const bool negative = (bits >> 31) != 0;
  const std::uint32_t biasedExponent = (bits >> 23) & 0xFF;
  const std::uint32_t fraction = bits & 0x7FFFFF;

  if (biasedExponent == 0xFF) {
    if (fraction != 0) return "1.#QNAN";
    return negative ? "-1.#INF" : "1.#INF";
  }
  if (biasedExponent == 0 && fraction == 0) return "0";

  // The magnitude is significand * 2^binaryExponent exactly.
  const std::uint32_t significand = biasedExponent == 0 ? fraction : fraction | 0x800000;
  const int binaryExponent = biasedExponent == 0 ? -149 : static_cast<int>(biasedExponent) - 150;

  // n, the power of ten of the magnitude, clamped at -39: first estimated from
  // the power of two b of the magnitude as floor(b log10 2), then corrected
  // until the scaled value lies in [100000, 1000000) (or n reaches the clamp).
  const int powerOfTwo = binaryExponent + std::bit_width(significand) - 1;
  constexpr int kMinPower = -39;
  int n = std::max((powerOfTwo * 78913) >> 18, kMinPower);

  // The magnitude scaled by 10^(5 - n), rounded halves up to a whole R. This
  // is done exactly; scaling in 64-bit-significand floating point and rounding
  // to a double first can only give a different R where s lies within 1e-10
  // of a half-integer.
  Scaled s = scaleExactly(significand, binaryExponent, 5 - n);
  while (s.whole >= 1'000'000) s = scaleExactly(significand, binaryExponent, 5 - ++n);
  while (s.whole < 100'000 && n > kMinPower) {
    s = scaleExactly(significand, binaryExponent, 5 - --n);
  }
  const std::uint64_t rounded = s.whole + (s.halfOrMore ? 1 : 0);
  if (rounded == 0) return "0";  // below half of 10^-44: only the smallest subnormals

  // The rounded value R * 10^(n - 5), laid out from the digits of R.
  std::array<char, 8> digits;
  const int count = static_cast<int>(
      std::to_chars(digits.data(), digits.data() + digits.size(), rounded).ptr - digits.data());
  const int power = n - 5 + count - 1;
  return layOut(negative, digits.data(), withoutTrailingZeros(digits.data(), count), power,
                kSingleDigits);
}

double absoluteValue(double value) {
  return value < 0 ? -value : value;
}

}  // namespace quorvane
