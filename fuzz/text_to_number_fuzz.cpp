// textToNumber on arbitrary bytes: never a NaN, unchanged by anything after
// the number, the same for the full-width spelling of an ASCII text, and, for
// ASCII texts the C library reads the same way, equal to strtod bit for bit.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "text/numbers.h"

namespace {

std::uint64_t bitsOf(double value) {
  return std::bit_cast<std::uint64_t>(value);
}

// ASCII without the letters that make strtod read hexadecimal, inf or nan.
bool strtodReadsAlike(std::string_view text) {
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x80 || std::strchr("xXiInNpP", c) != nullptr) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const double value = quorvane::textToNumber(text);
  FUZZ_CHECK(!std::isnan(value), "NaN from %zu bytes", size);

  // The ideographic full stop can never continue a number.
  const double extended = quorvane::textToNumber(std::string(text) + "\xA1\xA3");
  FUZZ_CHECK(bitsOf(extended) == bitsOf(value), "%a became %a", value, extended);

  if (strtodReadsAlike(text)) {
    std::string forStrtod(text);
    std::string fullWidth;
    for (char& c : forStrtod) {
      if (c == 'd' || c == 'D') c = 'e';
    }
    for (const char c : text) {
      if (c == ' ') {
        fullWidth += "\xA1\xA1";
      } else if (c > ' ' && c < 0x7F) {
        fullWidth += '\xA3';
        fullWidth += static_cast<char>(c + 0x80);
      } else {
        fullWidth += c;
      }
    }
    // strtod reads up to the first zero byte, as a zero-terminated text ends there.
    const double expected = std::strtod(forStrtod.c_str(), nullptr);
    FUZZ_CHECK(bitsOf(value) == bitsOf(expected), "got %a, strtod %a", value, expected);
    const double wide = quorvane::textToNumber(fullWidth);
    FUZZ_CHECK(bitsOf(wide) == bitsOf(value), "full-width %a, ASCII %a", wide, value);
  }
  return 0;
}
