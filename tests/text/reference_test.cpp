// The number rules against references computed independently of them, over
// large generated inputs: numberToText against the C library's exact decimal
// digits (printf in the "C" locale) with the rounding and layout rules applied
// here from scratch, and textToNumber against strtod.
#include "text/numbers.h"

#include <gtest/gtest.h>

#include <bit>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace quorvane {
namespace {

// ---------------------------------------------------------------------------
// numberToText

// The digits of a value as the C library prints it in scientific form: the
// significant digits as one string and the power of ten of the first.
struct PrintedDigits {
  std::string digits;
  int power;
};

PrintedDigits printScientific(double magnitude, int fractionDigits) {
  char text[128];
  std::snprintf(text, sizeof text, "%.*e", fractionDigits, magnitude);
  const std::string printed = text;
  const auto e = printed.find('e');
  PrintedDigits result;
  result.digits = printed.substr(0, 1) + printed.substr(2, e - 2);
  result.power = std::atoi(printed.c_str() + e + 1);
  return result;
}

std::string referenceNumberText(double value) {
  const auto bits = std::bit_cast<std::uint64_t>(value);
  const bool negative = std::signbit(value);
  if (std::isinf(value)) return negative ? "-1.#INF" : "1.#INF";
  if (std::isnan(value)) {
    if (bits == 0xFFF8000000000000) return "-1.#IND";
    const bool quiet = (bits >> 51 & 1) != 0;
    return std::string(negative ? "-" : "") + (quiet ? "1.#QNAN" : "1.#SNAN");
  }
  if (value == 0) return "0";

  // Stage 1: 17 digits, halves up. printf rounds the exact value correctly but
  // may send an exact tie to even, so look further: if the exact digits after
  // the 17th are a 5 and nothing else, the tie goes up.
  const double magnitude = std::fabs(value);
  PrintedDigits p17 = printScientific(magnitude, 16);
  std::uint64_t digits17 = std::stoull(p17.digits);
  int power = p17.power;
  const PrintedDigits p41 = printScientific(magnitude, 40);
  if (p41.digits.substr(17) == "5" + std::string(23, '0')) {
    digits17 = std::stoull(p41.digits.substr(0, 17)) + 1;
    power = p41.power;
    if (digits17 == 100000000000000000ULL) {
      digits17 /= 10;
      ++power;
    }
  }

  // Stage 2: 13 digits, halves up.
  std::uint64_t digits13 = digits17 / 10000 + (digits17 % 10000 >= 5000 ? 1 : 0);
  if (digits13 == 10000000000000ULL) {
    digits13 /= 10;
    ++power;
  }
  const std::string digits = std::to_string(digits13);  // always 13 characters

  // Layout: "%.13g" with a three-digit exponent.
  std::string text;
  if (power < -4 || power >= 13) {
    std::string mantissa = digits.substr(0, 1) + "." + digits.substr(1);
    while (mantissa.back() == '0') mantissa.pop_back();
    if (mantissa.back() == '.') mantissa.pop_back();
    char exponent[16];
    std::snprintf(exponent, sizeof exponent, "e%c%03d", power < 0 ? '-' : '+', std::abs(power));
    text = mantissa + exponent;
  } else {
    if (power >= 0) {
      text = digits.substr(0, power + 1) + "." + digits.substr(power + 1);
    } else {
      text = "0." + std::string(-power - 1, '0') + digits;
    }
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
  }
  return negative ? "-" + text : text;
}

TEST(NumberToTextReference, MillionRandomBitPatterns) {
  std::mt19937_64 random(20240506);
  int mismatches = 0;
  for (int i = 0; i < 1'000'000 && mismatches < 10; ++i) {
    const double value = std::bit_cast<double>(random());
    const std::string expected = referenceNumberText(value);
    const std::string got = numberToText(value);
    if (got != expected) {
      ++mismatches;
      ADD_FAILURE() << std::hexfloat << value << ": got " << got << ", expected " << expected;
    }
  }
}

TEST(NumberToTextReference, TiesAndCarries) {
  // Values that random bit patterns almost never hit: exact halves at the
  // 13th digit, near-halves, and runs of nines that carry into a new digit.
  std::mt19937_64 random(7);
  std::uniform_int_distribution<std::int64_t> thirteen(1'000'000'000'000, 9'999'999'999'999);
  std::uniform_int_distribution<int> scale(-320, 300);
  std::vector<double> values;
  for (int i = 0; i < 100'000; ++i) {
    const std::int64_t n = thirteen(random);
    values.push_back(static_cast<double>(n) + 0.5);              // exact half
    values.push_back(static_cast<double>(n * 10 + 5));           // exact half, integer
    values.push_back(static_cast<double>(n) * 1e-5 + 0.000005);  // near half
    char text[64];
    std::snprintf(text, sizeof text, "%lld5e%d", static_cast<long long>(n), scale(random));
    values.push_back(std::strtod(text, nullptr));  // near half at every scale
    std::snprintf(text, sizeof text, "9.99999999999%04de%d", static_cast<int>(n % 10000),
                  scale(random));
    values.push_back(std::strtod(text, nullptr));  // carries
  }
  int mismatches = 0;
  for (const double value : values) {
    if (mismatches >= 10) break;
    const std::string expected = referenceNumberText(value);
    const std::string got = numberToText(value);
    if (got != expected) {
      ++mismatches;
      ADD_FAILURE() << std::hexfloat << value << ": got " << got << ", expected " << expected;
    }
  }
}

TEST(NumberToTextReference, ReferenceAgreesWithTheWorkedExamples) {
  // Guards the reference itself against a fault shared with the code.
  EXPECT_EQ(referenceNumberText(1.0000000237575), "1.000000023758");
  EXPECT_EQ(referenceNumberText(1234567890122.5), "1234567890123");
  EXPECT_EQ(referenceNumberText(99999.99999999999), "100000");
  EXPECT_EQ(referenceNumberText(0.00001), "1e-005");
  EXPECT_EQ(referenceNumberText(12345678901234), "1.234567890123e+013");
  // 2^50 + 0.25 is an exact tie at the 17th digit (…242|5): halves up.
  EXPECT_EQ(printScientific(0x1.0000000000001p50, 16).digits, "11258999068426242");
}

// ---------------------------------------------------------------------------
// textToNumber

// Generated ASCII number texts, biased towards what the grammar cares about.
class NumberTextGenerator {
 public:
  explicit NumberTextGenerator(std::uint64_t seed) : random_(seed) {}

  std::string next() {
    if (chance(10)) return noise();
    std::string text;
    while (chance(15)) text += pick(" \t\n\v\f\r");
    if (chance(40)) text += pick("+-");
    const int wholeDigits = digitCount();
    for (int i = 0; i < wholeDigits; ++i) text += digit();
    if (chance(60)) {
      text += '.';
      const int fractionDigits = digitCount();
      for (int i = 0; i < fractionDigits; ++i) text += digit();
    }
    if (chance(50)) {
      text += pick("eEdD");
      if (chance(60)) text += pick("+-");
      const int exponentDigits = chance(2) ? 400 : static_cast<int>(below(5));
      for (int i = 0; i < exponentDigits; ++i) text += pick("0123456789");
    }
    if (chance(30)) text += noise();
    return text;
  }

 private:
  bool chance(int percent) { return below(100) < static_cast<std::uint64_t>(percent); }
  std::uint64_t below(std::uint64_t n) { return random_() % n; }
  char pick(const char* set) { return set[below(std::char_traits<char>::length(set))]; }
  // Zeros are frequent so that leading and trailing zeros get exercised.
  char digit() { return chance(30) ? '0' : pick("0123456789"); }
  int digitCount() {
    const auto r = below(100);
    if (r < 10) return 0;
    if (r < 80) return static_cast<int>(below(8));
    if (r < 97) return static_cast<int>(below(40));
    return static_cast<int>(below(900));  // beyond the digits a double can hold
  }
  // No x, i, n or p: the C library would read hexadecimal, inf and nan.
  std::string noise() {
    std::string text;
    const auto length = below(6);
    for (std::uint64_t i = 0; i < length; ++i) text += pick(" +-.0123456789eEdDa,#=");
    return text;
  }

  std::mt19937_64 random_;
};

// The same text in full-width forms: every printable character A3 (c + 0x80),
// the space A1 A1.
std::string fullWidth(const std::string& text) {
  std::string wide;
  for (const char c : text) {
    if (c == ' ') {
      wide += "\xA1\xA1";
    } else if (c > ' ' && c < 0x7F) {
      wide += '\xA3';
      wide += static_cast<char>(c + 0x80);
    } else {
      wide += c;
    }
  }
  return wide;
}

TEST(TextToNumberReference, AgreesWithStrtodBitForBit) {
  ASSERT_NE(std::setlocale(LC_ALL, "C"), nullptr);
  NumberTextGenerator generator(42);
  int mismatches = 0;
  for (int i = 0; i < 1'000'000 && mismatches < 10; ++i) {
    const std::string text = generator.next();
    // strtod knows only E and e as exponent letters.
    std::string forStrtod = text;
    for (char& c : forStrtod) {
      if (c == 'd' || c == 'D') c = 'e';
    }
    char* parsedEnd = nullptr;
    double expected = std::strtod(forStrtod.c_str(), &parsedEnd);
    // A text without a number reads as +0; some C libraries give -0 for "-E".
    if (parsedEnd == forStrtod.c_str()) expected = 0.0;
    const double got = textToNumber(text);
    if (std::bit_cast<std::uint64_t>(got) != std::bit_cast<std::uint64_t>(expected)) {
      ++mismatches;
      ADD_FAILURE() << '"' << text << "\": got " << std::hexfloat << got << ", strtod gives "
                    << expected;
    }
    if (i % 10 == 0) {
      const double wide = textToNumber(fullWidth(text));
      if (std::bit_cast<std::uint64_t>(wide) != std::bit_cast<std::uint64_t>(expected)) {
        ++mismatches;
        ADD_FAILURE() << "full-width \"" << text << "\": got " << std::hexfloat << wide
                      << ", expected " << expected;
      }
    }
  }
}

}  // namespace
}  // namespace quorvane
