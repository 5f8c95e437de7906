// trimSpaces against a plain character-by-character reference, and
// joinTexts / compareTexts against the standard library, on arbitrary bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "text/texts.h"

namespace {

std::string_view untilZero(std::string_view text) {
  return text.substr(0, std::min(text.find('\0'), text.size()));
}

// Splits the text into characters, drops a lone lead byte at the end, then
// removes space characters from the front and (unless a lone byte was
// dropped) from the back.
std::string referenceTrim(std::string_view text) {
  text = untilZero(text);
  std::vector<std::string_view> characters;
  bool loneLeadByte = false;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = static_cast<unsigned char>(text[i]) >= 0x80 ? 2 : 1;
    if (i + length > text.size()) {
      loneLeadByte = true;
      break;
    }
    characters.push_back(text.substr(i, length));
    i += length;
  }
  const auto isSpace = [](std::string_view c) { return c == " " || c == "\xA1\xA1"; };
  std::size_t first = 0;
  std::size_t last = characters.size();
  while (first < last && isSpace(characters[first])) ++first;
  while (!loneLeadByte && last > first && isSpace(characters[last - 1])) --last;
  std::string result;
  for (std::size_t i = first; i < last; ++i) result += characters[i];
  return result;
}

int sign(int value) {
  return (value > 0) - (value < 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::string trimmed = quorvane::trimSpaces(text);
  const std::string expected = referenceTrim(text);
  FUZZ_CHECK(trimmed == expected, "trimmed %zu bytes to %zu, expected %zu", size, trimmed.size(),
             expected.size());

  // Two texts from one input: split at the middle.
  const std::string_view a = text.substr(0, size / 2);
  const std::string_view b = text.substr(size / 2);
  const std::string joined = quorvane::joinTexts({a, b});
  FUZZ_CHECK(joined == std::string(untilZero(a)) + std::string(untilZero(b)), "join of %zu bytes",
             size);

  const int order = quorvane::compareTexts(a, b);
  const std::string_view ca = untilZero(a);
  const std::string_view cb = untilZero(b);
  int expectedOrder = sign(std::memcmp(ca.data(), cb.data(), std::min(ca.size(), cb.size())));
  if (expectedOrder == 0)
    expectedOrder =
        sign(static_cast<int>(ca.size() > cb.size()) - static_cast<int>(ca.size() < cb.size()));
  FUZZ_CHECK(order == expectedOrder, "compare gave %d, expected %d", order, expectedOrder);
  FUZZ_CHECK(quorvane::compareTexts(b, a) == -order, "compare is not antisymmetric");
  FUZZ_CHECK(quorvane::compareTexts(a, a) == 0, "a text differs from itself");
  return 0;
}
