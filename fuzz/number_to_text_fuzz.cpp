// numberToText on raw double bit patterns: never empty, never longer than
// 20 bytes, only the characters of numbers and of the four words; for every
// finite value the text reads back to within half a unit of the 13th digit,
// and what it reads back as is written as the same text.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz_check.h"
#include "text/numbers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::uint64_t bits = 0;
  std::memcpy(&bits, data, std::min(size, sizeof bits));
  const double value = std::bit_cast<double>(bits);

  const std::string text = quorvane::numberToText(value);
  FUZZ_CHECK(!text.empty() && text.size() <= 20, "%a gave \"%s\"", value, text.c_str());
  FUZZ_CHECK(text.find_first_not_of("-0123456789.e+#INFDQSAN") == std::string::npos,
             "%a gave \"%s\"", value, text.c_str());
  if (!std::isfinite(value)) return 0;

  const double back = quorvane::textToNumber(text);
  // Half a unit of the 13th digit, the first rounding to 17 digits, and the
  // rounding of the reading: half a unit in the last place at most, which
  // the spacing of doubles just below the value covers (the smallest
  // subnormal where that spacing is coarser than 13 digits). A value halfway
  // between two 13-digit texts, such as 10.000732421875, is exactly half a
  // unit of the 13th digit away from its text, and the reading adds to that.
  const double magnitude = std::fabs(value);
  const double bound = 5.000001e-13 * magnitude + (magnitude - std::nextafter(magnitude, 0.0)) +
                       0x1p-1074;
  FUZZ_CHECK(std::fabs(back - value) <= bound, "%a gave \"%s\", which reads as %a", value,
             text.c_str(), back);
  const std::string again = quorvane::numberToText(back);
  FUZZ_CHECK(again == text, "%a gave \"%s\", which reads as %a, written \"%s\"", value,
             text.c_str(), back, again.c_str());
  return 0;
}
