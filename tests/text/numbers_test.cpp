// The number rules on their worked examples and the edge cases that matter.
// Expected numbers are written as hex floats or bit patterns and compared bit
// for bit, so that -0.0 and 0.0, or two neighbouring doubles, never pass for
// each other.
#include "text/numbers.h"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

namespace quorvane {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

std::uint64_t bitsOf(double value) {
  return std::bit_cast<std::uint64_t>(value);
}
double doubleFrom(std::uint64_t bits) {
  return std::bit_cast<double>(bits);
}
float singleFrom(std::uint32_t bits) {
  return std::bit_cast<float>(bits);
}

// ---------------------------------------------------------------------------
// textToNumber

struct ReadCase {
  std::string_view text;
  double expected;
};

void PrintTo(const ReadCase& c, std::ostream* os) {
  *os << '"' << c.text << '"';
}

class TextToNumberReads : public testing::TestWithParam<ReadCase> {};

TEST_P(TextToNumberReads, BitExact) {
  const ReadCase& c = GetParam();
  const double got = textToNumber(c.text);
  EXPECT_EQ(bitsOf(got), bitsOf(c.expected))
      << "got " << std::hexfloat << got << ", expected " << c.expected;
}

INSTANTIATE_TEST_SUITE_P(
    WorkedExamples, TextToNumberReads,
    testing::Values(ReadCase{"", 0.0}, ReadCase{"12.5", 0x1.9p+3},
                    ReadCase{"\xA3\xB1\xA3\xB2\xA3\xAE\xA3\xB5", 0x1.9p+3},  // full-width 12.5
                    ReadCase{"   -7", -7.0}, ReadCase{"12abc", 12.0}, ReadCase{"abc", 0.0},
                    ReadCase{".5", 0.5}, ReadCase{"5.", 5.0}, ReadCase{"2e3", 2000.0},
                    ReadCase{"2d3", 2000.0}, ReadCase{"2e", 2.0}, ReadCase{"- 5", 0.0},
                    ReadCase{"-0", -0.0}, ReadCase{"1,5", 1.0}, ReadCase{"12+3=15", 12.0},
                    ReadCase{"1.#INF", 1.0}, ReadCase{"-1.#INF", -1.0}, ReadCase{"1e400", kInf},
                    ReadCase{"-1e400", -kInf}, ReadCase{"1e-400", 0.0}, ReadCase{"1e+020", 1e20}));

INSTANTIATE_TEST_SUITE_P(
    SignsPointsAndExponents, TextToNumberReads,
    testing::Values(
        // Without a mantissa digit the result is +0, whatever sign was written.
        ReadCase{"-", 0.0}, ReadCase{"-.", 0.0}, ReadCase{".", 0.0}, ReadCase{"-e5", 0.0},
        ReadCase{"e5", 0.0}, ReadCase{"+-5", 0.0}, ReadCase{"--5", 0.0}, ReadCase{"+5", 5.0},
        ReadCase{"-.5", -0.5}, ReadCase{"+.5e1", 5.0}, ReadCase{"1.2.3", 1.2},
        // A letter without digits is not part of the number.
        ReadCase{"5e+", 5.0}, ReadCase{"5e-", 5.0}, ReadCase{"5ex", 5.0}, ReadCase{"5e+-2", 5.0},
        ReadCase{"5d", 5.0}, ReadCase{"1E2", 100.0}, ReadCase{"1e+2", 100.0},
        ReadCase{"1D-2", 0.01}, ReadCase{"1.5e3.5", 1500.0}, ReadCase{"1e02", 100.0},
        ReadCase{"1e 2", 1.0},
        // Zero mantissas keep the written sign, whatever the exponent.
        ReadCase{"-0.000e5", -0.0}, ReadCase{"0e999999", 0.0}, ReadCase{"-0e-999999", -0.0},
        ReadCase{"-000", -0.0}, ReadCase{"0.0", 0.0}, ReadCase{"007", 7.0},
        ReadCase{"0.000123", 0.000123}));

INSTANTIATE_TEST_SUITE_P(
    WhiteSpaceAndFullWidth, TextToNumberReads,
    testing::Values(ReadCase{"\t\n\v\f\r 8", 8.0},
                    ReadCase{"\x1C"
                             "8",
                             0.0},                        // not white space
                    ReadCase{"\xA1\xA1\xA1\xA1 7", 7.0},  // ideographic spaces
                    ReadCase{"\xA3\xAD\xA3\xB3", -3.0},   // full-width minus, 3
                    ReadCase{"\xA3\xAB\xA3\xB3", 3.0},    // full-width plus, 3
                    ReadCase{"2\xA3\xE5"
                             "3",
                             2000.0},  // full-width e
                    ReadCase{"2\xA3\xC4\xA3\xAD"
                             "1",
                             0.2},  // full-width D and minus
                    ReadCase{"12\xA1\xA3"
                             "5",
                             12.0},  // the ideographic full stop ends the number
                    ReadCase{"12\xA1\xA1"
                             "5",
                             12.0},            // as does an ideographic space inside it
                    ReadCase{"12\xB0", 12.0},  // a lone lead byte at the end is dropped
                    ReadCase{"\xB0", 0.0},     // and reads as nothing
                    ReadCase{"\xB0\xA1"
                             "5",
                             0.0},  // a character the fold leaves alone is not a number
                    ReadCase{"\xA1\xAB"
                             "5",
                             0.0},  // full-width tilde becomes ~
                    ReadCase{"\xA1\xEE"
                             "5",
                             0.0},  // white star becomes *
                    ReadCase{"\xA3", 0.0}, ReadCase{"1\xA3\xAE", 1.0}));

INSTANTIATE_TEST_SUITE_P(
    RangeLimits, TextToNumberReads,
    testing::Values(ReadCase{"1.7976931348623157e308", DBL_MAX}, ReadCase{"1.8e308", kInf},
                    ReadCase{"-1.8e308", -kInf},
                    // Halfway between DBL_MAX and 2^1024
                    // (1.79769313486231580793728971405303...e308) is the border to infinity.
                    ReadCase{"1.797693134862315807937289714054e308", kInf},
                    ReadCase{"1.797693134862315807937289714053e308", DBL_MAX},
                    ReadCase{"2.2250738585072014e-308", DBL_MIN},
                    ReadCase{"4.9406564584124654e-324", 0x1p-1074},
                    // Half the smallest subnormal is the border to zero.
                    ReadCase{"2.4703282292062328e-324", 0x1p-1074},
                    ReadCase{"2.4703282292062327e-324", 0.0},
                    ReadCase{"-2.4703282292062327e-324", -0.0},
                    ReadCase{"1e-320", 0x0.00000000007e8p-1022}, ReadCase{"-1e-400", -0.0},
                    ReadCase{"1e-330", 0.0}, ReadCase{"1e309", kInf},
                    ReadCase{"0.00000000000000000000000001e334", 1e308},
                    ReadCase{"100000000000000000000000000e-349", 0x1p-1073}));

TEST(TextToNumber, HugeTextsAreReadCorrectly) {
  const std::size_t kMiB = 1 << 20;

  // A mebibyte of digits overflows to infinity.
  EXPECT_EQ(textToNumber(std::string(kMiB, '1')), kInf);

  // A mebibyte of zeros after the point, then a 1, scaled back up: exactly 1.
  std::string small = "0." + std::string(kMiB, '0') + "1e" + std::to_string(kMiB + 1);
  EXPECT_EQ(textToNumber(small), 1.0);
  EXPECT_EQ(textToNumber("-" + small.substr(0, kMiB + 3)), -0.0);
  EXPECT_TRUE(std::signbit(textToNumber("-" + small.substr(0, kMiB + 3))));

  // A 1 followed by a mebibyte of zeros, scaled back down.
  EXPECT_EQ(textToNumber("1" + std::string(kMiB, '0') + "e-" + std::to_string(kMiB)), 1.0);
}

TEST(TextToNumber, DigitsBeyondTheKeptOnesStillDecideAHalfway) {
  // 1 + 2^-53 lies exactly halfway between 1 and the next double: a tie that
  // goes to even (1). Any non-zero digit after it, however far, tips it up.
  const std::string half = "1.00000000000000011102230246251565404236316680908203125";
  EXPECT_EQ(bitsOf(textToNumber(half)), bitsOf(1.0));
  EXPECT_EQ(bitsOf(textToNumber(half + std::string(2000, '0'))), bitsOf(1.0));
  EXPECT_EQ(bitsOf(textToNumber(half + std::string(2000, '0') + "1")), bitsOf(0x1.0000000000001p0));
  // And just below the halfway point, however far the 9s run, stays 1.
  const std::string below = "1.00000000000000011102230246251565404236316680908203124";
  EXPECT_EQ(bitsOf(textToNumber(below + std::string(2000, '9'))), bitsOf(1.0));
}

TEST(TextToNumber, ExponentsWithThousandsOfDigitsSaturate) {
  EXPECT_EQ(textToNumber("1e" + std::string(5000, '9')), kInf);
  EXPECT_EQ(textToNumber("-1e" + std::string(5000, '9')), -kInf);
  EXPECT_EQ(bitsOf(textToNumber("1e-" + std::string(5000, '9'))), bitsOf(0.0));
  EXPECT_EQ(bitsOf(textToNumber("-1e-" + std::string(5000, '9'))), bitsOf(-0.0));
  // Leading zeros of the exponent do not count.
  EXPECT_EQ(textToNumber("-1e" + std::string(5000, '0') + "1"), -10.0);
  // A huge mantissa exponent cancelled by a huge written one.
  EXPECT_EQ(textToNumber(std::string(3000, '0') + "." + std::string(3000, '0') + "25e3002"), 25.0);
}

// ---------------------------------------------------------------------------
// numberToText

struct WriteCase {
  std::uint64_t bits;
  std::string_view text;
};

void PrintTo(const WriteCase& c, std::ostream* os) {
  *os << std::hexfloat << doubleFrom(c.bits) << " -> " << c.text;
}

class NumberToTextWrites : public testing::TestWithParam<WriteCase> {};

TEST_P(NumberToTextWrites, Exactly) {
  EXPECT_EQ(numberToText(doubleFrom(GetParam().bits)), GetParam().text);
}

WriteCase write(double value, std::string_view text) {
  return {bitsOf(value), text};
}

INSTANTIATE_TEST_SUITE_P(
    WorkedExamples, NumberToTextWrites,
    testing::Values(
        write(36, "36"), write(1.0 / 36, "0.02777777777778"), write(1.0 / 3, "0.3333333333333"),
        write(2.0 / 3, "0.6666666666667"), write(static_cast<double>(0.9144f), "0.9143999814987"),
        write(static_cast<double>(0.0254f), "0.02539999969304"), write(1e20, "1e+020"),
        write(-0.5, "-0.5"), write(0.0001, "0.0001"), write(0.00001, "1e-005"),
        write(1234567890123, "1234567890123"), write(12345678901234, "1.234567890123e+013"),
        write(99999.99999999999, "100000"), write(9.99999999999996, "10"),
        write(DBL_MAX, "1.797693134862e+308"), write(-0.0, "0"), write(0.0, "0"),
        write(-kInf, "-1.#INF"), write(kInf, "1.#INF"), write(1.0000000237575, "1.000000023758"),
        write(1234567890122.5, "1234567890123"), write(1.5e-7, "1.5e-007"),
        write(0x1p-1074, "4.940656458412e-324")));

INSTANTIATE_TEST_SUITE_P(
    NotANumber, NumberToTextWrites,
    testing::Values(WriteCase{0xFFF8000000000000, "-1.#IND"},   // the default quiet NaN
                    WriteCase{0x7FF8000000000000, "1.#QNAN"},   // same, sign clear
                    WriteCase{0xFFF8000000000001, "-1.#QNAN"},  // payload beyond the quiet bit
                    WriteCase{0x7FFFFFFFFFFFFFFF, "1.#QNAN"},
                    WriteCase{0x7FF0000000000001, "1.#SNAN"},
                    WriteCase{0xFFF4000000000000, "-1.#SNAN"},
                    WriteCase{0x7FF7FFFFFFFFFFFF, "1.#SNAN"}));

INSTANTIATE_TEST_SUITE_P(
    RoundingAndLayout, NumberToTextWrites,
    testing::Values(
        // Halves up at the 13th digit; the carry can run through all of them.
        write(9999999999999.5, "1e+013"), write(9999999999999.4, "9999999999999"),
        write(9999999999999, "9999999999999"), write(1e13, "1e+013"),
        write(9.9999999999995, "10"),  // 9.99999999999950017...
        write(9.9999999999994, "9.999999999999"), write(0.5, "0.5"), write(100, "100"),
        write(123.456, "123.456"), write(-1234.5, "-1234.5"),
        // The threshold of the fixed form is judged after rounding.
        write(0.000099999999999999, "0.0001"), write(0.00009999999999, "9.999999999e-005"),
        write(0.00012345678901234, "0.0001234567890123"),
        write(-0.00012345678901234, "-0.0001234567890123"),
        // Three exponent digits, both signs.
        write(1e100, "1e+100"), write(1e-100, "1e-100"), write(-1.5e300, "-1.5e+300"),
        write(-1.2345678901234e-300, "-1.234567890123e-300"), write(DBL_MIN, "2.225073858507e-308"),
        write(-0x1p-1074, "-4.940656458412e-324"),
        write(0x1.fffffffffffffp-1023, "2.225073858507e-308"), write(1e15, "1e+015"),
        write(1.0, "1"), write(-1.0, "-1"), write(0.1, "0.1"), write(0.1 + 0.2, "0.3")));

// ---------------------------------------------------------------------------
// singleToText

struct SingleCase {
  std::uint32_t bits;
  std::string_view text;
};

void PrintTo(const SingleCase& c, std::ostream* os) {
  *os << std::hexfloat << singleFrom(c.bits) << " -> " << c.text;
}

class SingleToTextWrites : public testing::TestWithParam<SingleCase> {};

TEST_P(SingleToTextWrites, Exactly) {
  EXPECT_EQ(singleToText(singleFrom(GetParam().bits)), GetParam().text);
}

SingleCase single(float value, std::string_view text) {
  return {std::bit_cast<std::uint32_t>(value), text};
}

INSTANTIATE_TEST_SUITE_P(
    WorkedExamples, SingleToTextWrites,
    testing::Values(single(1.0f / 3, "0.333333"), single(2.0f / 3, "0.666667"),
                    single(1.0f / 7, "0.142857"), single(0.9144f, "0.9144"),
                    single(0.1f + 0.2f, "0.3"), single(15, "15"), single(37.5f, "37.5"),
                    single(100000, "100000"), single(123456.5f, "123457"),
                    single(1000000, "1e+006"), single(1000005, "1.00001e+006"),
                    single(16777216, "1.67772e+007"), single(9.999999f, "10"),
                    single(0.0001f, "0.0001"), single(0.00001f, "1e-005"), single(1e20f, "1e+020"),
                    single(FLT_MAX, "3.40282e+038"), single(-0.5f, "-0.5"), single(-0.0f, "0"),
                    single(0.0f, "0"), single(std::numeric_limits<float>::infinity(), "1.#INF"),
                    single(-std::numeric_limits<float>::infinity(), "-1.#INF"),
                    SingleCase{0x7FC00000, "1.#QNAN"}));

INSTANTIATE_TEST_SUITE_P(EdgeCases, SingleToTextWrites,
                         testing::Values(
                             // Every NaN, whatever its sign and payload.
                             SingleCase{0xFFC00000, "1.#QNAN"}, SingleCase{0x7F800001, "1.#QNAN"},
                             SingleCase{0xFFFFFFFF, "1.#QNAN"},
                             // Exact halves round up, also where the carry reaches a new digit.
                             single(1234565, "1.23457e+006"), single(999999.5f, "1e+006"),
                             single(999999.4375f, "999999"), single(0.5f, "0.5"),
                             single(-123456.5f, "-123457"),
                             // Layout thresholds with six digits.
                             single(123456, "123456"), single(0.000123457f, "0.000123457"),
                             single(0.0000999999f, "9.99999e-005"),
                             single(0.00009999999f, "0.0001"),
                             // Subnormals: n is clamped at -39, so they keep fewer digits.
                             single(1e-40f, "1e-040"), SingleCase{0x00000001, "0"},
                             SingleCase{0x80000001, "0"}, SingleCase{0x00000003, "0"},
                             SingleCase{0x00000004, "1e-044"}, SingleCase{0x80000004, "-1e-044"},
                             single(0x1p-140f, "7.2e-043"), single(0x1p-130f, "7.3468e-040"),
                             SingleCase{0x007FFFFF, "1.17549e-038"},  // the largest subnormal
                             single(FLT_MIN, "1.17549e-038"), single(-FLT_MAX, "-3.40282e+038")));

// ---------------------------------------------------------------------------
// absoluteValue

TEST(AbsoluteValue, NegatesOnlyValuesBelowZero) {
  const struct {
    double value;
    double expected;
  } cases[] = {{-5.0, 5.0},
               {5.0, 5.0},
               {-0.0, -0.0},
               {0.0, 0.0},
               {-kInf, kInf},
               {kInf, kInf},
               {-0x1p-1074, 0x1p-1074},
               {-DBL_MAX, DBL_MAX}};
  for (const auto& c : cases) {
    EXPECT_EQ(bitsOf(absoluteValue(c.value)), bitsOf(c.expected)) << c.value;
  }
  // A NaN is not below zero: it comes back as it was, sign and all.
  const double negativeNaN = doubleFrom(0xFFF8000000000000);
  EXPECT_EQ(bitsOf(absoluteValue(negativeNaN)), bitsOf(negativeNaN));
}

TEST(AbsoluteValue, NegativeZeroStaysNegativeAndShowsAsZero) {
  const double read = textToNumber("-0");
  EXPECT_TRUE(std::signbit(absoluteValue(read)));
  EXPECT_EQ(numberToText(absoluteValue(read)), "0");
}

// ---------------------------------------------------------------------------
// Reading back what was written

TEST(RoundTrip, WrittenTextsReadBackUpToTheFirstCharacterThatCannotContinue) {
  EXPECT_EQ(textToNumber(numberToText(kInf)), 1.0);
  EXPECT_EQ(textToNumber(numberToText(-kInf)), -1.0);
  EXPECT_EQ(textToNumber(numberToText(1e20)), 1e20);
  EXPECT_EQ(textToNumber(singleToText(1e20f)), 1e20);
  EXPECT_EQ(textToNumber(numberToText(1.0 / 3)), 0.3333333333333);
  EXPECT_EQ(textToNumber(numberToText(DBL_MAX)), 1.797693134862e308);
}

}  // namespace
}  // namespace quorvane
