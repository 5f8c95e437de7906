// Trimming, joining and comparing GBK byte strings.
#include "text/texts.h"

#include <cstddef>
#include <cstring>

namespace quorvane {
namespace {

// A text ends at its first zero byte, as a zero-terminated text would.
std::string_view untilTerminator(std::string_view text) {
  const void* zero = std::memchr(text.data(), '\0', text.size());
  if (zero == nullptr) return text;
  return text.substr(0, static_cast<std::size_t>(static_cast<const char*>(zero) - text.data()));
}

constexpr unsigned char kSpace = 0x20;
constexpr unsigned char kFullWidthSpaceByte = 0xA1;  // A1 A1 is the full-width space

}  // namespace

std::string trimSpaces(std::string_view text) {
  text = untilTerminator(text);
  const auto* const bytes = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t size = text.size();

  // Leading spaces, in any mix of the two kinds.
  std::size_t start = 0;
  while (start < size) {
    if (bytes[start] == kSpace) {
      ++start;
    } else if (bytes[start] == kFullWidthSpaceByte && start + 1 < size &&
               bytes[start + 1] == kFullWidthSpaceByte) {
      start += 2;
    } else {
      break;
    }
  }

  // Trailing spaces: walk character by character, remembering where the
  // current run of spaces began. A lone lead byte at the very end is dropped,
  // and a run of spaces before it stays.
  std::size_t stop = size;
  std::size_t runStart = size;  // size: not in a run
  std::size_t i = start;
  while (i < size) {
    const unsigned char byte = bytes[i];
    if (byte < 0x80) {
      if (byte == kSpace) {
        if (runStart == size) runStart = i;
      } else {
        runStart = size;
      }
      ++i;
    } else if (i + 1 == size) {
      runStart = size;
      stop = i;
      break;
    } else {
      if (byte == kFullWidthSpaceByte && bytes[i + 1] == kFullWidthSpaceByte) {
        if (runStart == size) runStart = i;
      } else {
        runStart = size;
      }
      i += 2;
    }
  }
  if (runStart != size) stop = runStart;
  return std::string(text.substr(start, stop - start));
}

std::string joinTexts(std::initializer_list<std::string_view> texts) {
  std::size_t total = 0;
  for (const std::string_view text : texts) total += untilTerminator(text).size();
  std::string result;
  result.reserve(total);
  for (const std::string_view text : texts) result.append(untilTerminator(text));
  return result;
}

int compareTexts(std::string_view a, std::string_view b) {
  a = untilTerminator(a);
  b = untilTerminator(b);
  // char_traits<char>::compare compares bytes as unsigned char.
  const int order = a.compare(b);
  return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

}  // namespace quorvane
