// singleToText on raw single bit patterns: never empty, never longer than
// 13 bytes, at most six significant digits, every NaN 1.#QNAN, and every
// finite value read back to within half a unit of its sixth digit (of
// 10^-44 for the smallest values).
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
  std::uint32_t bits = 0;
  std::memcpy(&bits, data, std::min(size, sizeof bits));
  const float value = std::bit_cast<float>(bits);

  const std::string text = quorvane::singleToText(value);
  FUZZ_CHECK(!text.empty() && text.size() <= 13, "%a gave \"%s\"", value, text.c_str());
  if (std::isnan(value)) {
    FUZZ_CHECK(text == "1.#QNAN", "%a gave \"%s\"", value, text.c_str());
    return 0;
  }
  if (std::isinf(value)) return 0;
  FUZZ_CHECK(text.find_first_not_of("-0123456789.e+") == std::string::npos, "%a gave \"%s\"", value,
             text.c_str());

  // Significant digits: those of the mantissa without its leading zeros.
  int significant = 0;
  for (const char c : text.substr(0, text.find('e'))) {
    if (c >= '1' && c <= '9') ++significant;
    if (c == '0' && significant > 0) ++significant;
  }
  FUZZ_CHECK(significant <= 6, "%a gave \"%s\"", value, text.c_str());

  const double back = quorvane::textToNumber(text);
  const double magnitude = std::fabs(static_cast<double>(value));
  const double bound = magnitude >= 1e-39 ? 5.000001e-6 * magnitude : 0.5000001e-44;
  FUZZ_CHECK(std::fabs(back - static_cast<double>(value)) <= bound,
             "%a gave \"%s\", which reads as %a", value, text.c_str(), back);
  return 0;
}
