// Writes the value rules' results for a large fixed set of inputs, one line
// each, so that two builds (Linux and Windows) can be compared byte for byte:
// the same file means the same texts. scripts/windows-core-check.sh builds it
// for both and compares.
//
// The inputs are fixed: edge values, then pseudo-random bit patterns and
// texts from std::mt19937_64 with a fixed seed (its output is the same on
// every standard library). Usage: text_table OUTPUT_FILE
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "text/gbk.h"
#include "text/numbers.h"
#include "text/texts.h"

namespace {

using quorvane::compareTexts;
using quorvane::fromGbk;
using quorvane::numberToText;
using quorvane::singleToText;
using quorvane::textToNumber;
using quorvane::toGbk;
using quorvane::trimSpaces;

std::string hex(std::uint64_t value, int digits) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text(static_cast<std::size_t>(digits), '0');
  for (int i = digits - 1; i >= 0; --i, value >>= 4) {
    text[static_cast<std::size_t>(i)] = kDigits[value & 0xF];
  }
  return text;
}

// Bytes as hex, so that every line is plain ASCII whatever the text holds.
std::string hexBytes(std::string_view bytes) {
  std::string text;
  for (const char c : bytes) text += hex(static_cast<unsigned char>(c), 2);
  return text;
}

std::string hexUnits(std::u16string_view units) {
  std::string text;
  for (const char16_t u : units) text += hex(u, 4);
  return text;
}

// mantissa x 10^power, read by std::from_chars (correctly rounded on every
// platform, unlike the C libraries' pow).
double scaled(std::uint64_t mantissa, int power) {
  const std::string text = std::to_string(mantissa) + "e" + std::to_string(power);
  double value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

class Table {
 public:
  explicit Table(std::FILE* file) : file_(file) {}
  void line(std::string_view kind, std::string_view in, std::string_view out) {
    std::string row;
    row.append(kind).append(" ").append(in).append(" ").append(out).append("\n");
    std::fwrite(row.data(), 1, row.size(), file_);
  }

 private:
  std::FILE* file_;
};

void numbers(Table& table, std::mt19937_64& random) {
  std::vector<double> values = {0.0,
                                -0.0,
                                1.0,
                                -1.0,
                                36.0,
                                0.9144,
                                1.0 / 3,
                                0.1 + 0.2,
                                99999.99999999999,
                                1234567890122.5,
                                1.0000000237575,
                                std::numeric_limits<double>::max(),
                                std::numeric_limits<double>::min(),
                                std::numeric_limits<double>::denorm_min(),
                                std::numeric_limits<double>::infinity(),
                                -std::numeric_limits<double>::infinity(),
                                std::numeric_limits<double>::quiet_NaN(),
                                -std::numeric_limits<double>::quiet_NaN(),
                                std::numeric_limits<double>::signaling_NaN()};
  // Every power of ten in range, and its neighbours and halves around it.
  for (int power = -324; power <= 308; ++power) {
    const double p = scaled(1, power);
    for (const double v :
         {p, std::nextafter(p, 0.0), std::nextafter(p, HUGE_VAL), p * 5, p * 9.5, p * 1.25, -p}) {
      values.push_back(v);
    }
  }
  // Random bit patterns: every exponent, NaNs and subnormals included.
  for (int i = 0; i < 200000; ++i) values.push_back(std::bit_cast<double>(random()));
  // Random values with few digits, where rounding ties are common.
  for (int i = 0; i < 100000; ++i) {
    const std::uint64_t mantissa = random() % 100000000;
    values.push_back(scaled(mantissa, static_cast<int>(random() % 40) - 20));
  }
  for (const double v : values) {
    const std::string bits = hex(std::bit_cast<std::uint64_t>(v), 16);
    table.line("numberToText", bits, numberToText(v));
    const float single = static_cast<float>(v);
    table.line("singleToText", hex(std::bit_cast<std::uint32_t>(single), 8), singleToText(single));
    table.line("absoluteValue", bits,
               hex(std::bit_cast<std::uint64_t>(quorvane::absoluteValue(v)), 16));
    // What is written reads back.
    const std::string written = numberToText(v);
    table.line("textToNumber", written,
               hex(std::bit_cast<std::uint64_t>(textToNumber(written)), 16));
  }
  for (int i = 0; i < 100000; ++i) {
    const auto bits = static_cast<std::uint32_t>(random());
    const float single = std::bit_cast<float>(bits);
    table.line("singleToText", hex(bits, 8), singleToText(single));
  }
}

// Texts made of the pieces a number is read from, in half and full width,
// with some bytes that are neither.
void texts(Table& table, std::mt19937_64& random) {
  static constexpr std::array<std::string_view, 32> kPieces = {
      "0",        "1",        "5",        "9",        ".",        "-",        "+",
      "e",        "E",        "d",        "D",        " ",        "\t",       "\r\n",
      "\xA1\xA1", "\xA3\xB0", "\xA3\xB1", "\xA3\xB9", "\xA3\xAE", "\xA3\xAD", "\xA3\xAB",
      "\xA3\xE5", "\xA3\xC4", "\xA1\xAB", "\xA1\xEE", "1.#INF",   "x",        "\xB0",
      "\xFF",     "\xB0\xA1", "999999",   "00000000"};
  for (int i = 0; i < 200000; ++i) {
    std::string text;
    const int count = static_cast<int>(random() % 12);
    for (int k = 0; k < count; ++k) text += kPieces[random() % kPieces.size()];
    const std::string in = hexBytes(text);
    table.line("textToNumber", in, hex(std::bit_cast<std::uint64_t>(textToNumber(text)), 16));
    table.line("trimSpaces", in, hexBytes(trimSpaces(text)));
    std::string other;
    for (int k = static_cast<int>(random() % 4); k > 0; --k) other += kPieces[random() % 4];
    table.line("compareTexts", in + "/" + hexBytes(other),
               std::to_string(compareTexts(text, other)));
  }
}

// The whole GBK boundary: every one- and two-byte sequence, and every UTF-16
// unit alone and in pairs with a surrogate.
void gbk(Table& table) {
  for (int first = 0; first < 256; ++first) {
    const std::string one(1, static_cast<char>(first));
    table.line("fromGbk", hexBytes(one), hexUnits(fromGbk(one)));
    for (int second = 0; second < 256; ++second) {
      const std::string two = {static_cast<char>(first), static_cast<char>(second)};
      table.line("fromGbk", hexBytes(two), hexUnits(fromGbk(two)));
    }
  }
  for (int unit = 0; unit < 0x10000; ++unit) {
    const std::u16string text(1, static_cast<char16_t>(unit));
    table.line("toGbk", hexUnits(text), hexBytes(toGbk(text)));
  }
  const std::u16string pairs[] = {u"\U0001F600", u"a\U00020000b", {char16_t{0xD800}, u'x'}};
  for (const std::u16string& text : pairs) {
    table.line("toGbk", hexUnits(text), hexBytes(toGbk(text)));
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: text_table OUTPUT_FILE\n");
    return 2;
  }
  std::FILE* file = std::fopen(argv[1], "wb");
  if (file == nullptr) {
    std::perror(argv[1]);
    return 1;
  }
  Table table(file);
  std::mt19937_64 random(20261211);
  numbers(table, random);
  texts(table, random);
  gbk(table);
  return std::fclose(file) == 0 ? 0 : 1;
}
