// GBK <-> UTF-16 through glibc iconv.
//
// The clock writes a text about 800 times a second, so each thread keeps its
// two conversion descriptors open for its whole life instead of opening them
// per call. The only allocation is the result itself: it is sized for the
// worst case up front and shrunk (without reallocation) at the end.
//
// Towards GBK the text is first widened here, a stack buffer at a time, to
// UCS-4 in the machine's order ("WCHAR_T", glibc's own internal form), so that
// iconv converts in one step. From UTF-16 glibc takes two steps, and after
// each character that GBK lacks it redoes the first step to find where the
// second stopped: a 1 MiB text with many such characters took seconds.
#include "text/gbk.h"

#include <iconv.h>

#include <bit>
#include <cerrno>
#include <cstddef>
#include <cstring>

namespace quorvane {
namespace {

constexpr const char* kUtf16Native =
    std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";

// An iconv descriptor that closes itself; invalid when the conversion is not
// available on this system.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (valid()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // Converts as much as possible. Returns false with errno set (EILSEQ,
  // EINVAL) when it stopped at input it cannot convert.
  bool convert(const char*& in, std::size_t& inLeft, char*& out, std::size_t& outLeft) {
    // glibc's iconv takes char** for the input but never writes through it.
    char* src = const_cast<char*>(in);
    const std::size_t rc = iconv(cd_, &src, &inLeft, &out, &outLeft);
    in = src;
    return rc != static_cast<std::size_t>(-1);
  }

  void reset() { iconv(cd_, nullptr, nullptr, nullptr, nullptr); }

 private:
  iconv_t cd_;
};

Converter& toGbkConverter() {
  thread_local Converter converter("GBK", "WCHAR_T");
  return converter;
}

Converter& fromGbkConverter() {
  thread_local Converter converter(kUtf16Native, "GBK");
  return converter;
}

bool isHighSurrogate(char16_t c) {
  return c >= 0xD800 && c <= 0xDBFF;
}
bool isLowSurrogate(char16_t c) {
  return c >= 0xDC00 && c <= 0xDFFF;
}

}  // namespace

std::string toGbk(std::u16string_view utf16) {
  // Every UTF-16 unit gives at most two GBK bytes; a surrogate pair gives one '?'.
  std::string result(utf16.size() * 2, '\0');
  char* out = result.data();
  std::size_t outLeft = result.size();
  Converter& converter = toGbkConverter();

  std::size_t pos = 0;
  if (converter.valid()) {
    static_assert(sizeof(wchar_t) == sizeof(char32_t), "WCHAR_T is UCS-4 with glibc");
    converter.reset();
    constexpr std::size_t kChunk = 1024;
    char32_t wide[kChunk];
    std::size_t next = 0;
    bool full = false;
    while (next < utf16.size() && !full) {
      // Widen the next chunk: a surrogate pair becomes its code point, an
      // unpaired surrogate stays what it is. GBK has neither, so each is one
      // character that iconv refuses below.
      std::size_t count = 0;
      while (count < kChunk && next < utf16.size()) {
        const char16_t c = utf16[next++];
        if (isHighSurrogate(c) && next < utf16.size() && isLowSurrogate(utf16[next])) {
          wide[count++] = 0x10000 + ((char32_t{c} - 0xD800) << 10) + (utf16[next++] - 0xDC00);
        } else {
          wide[count++] = c;
        }
      }
      const char* in = reinterpret_cast<const char*>(wide);
      std::size_t inLeft = count * sizeof(char32_t);
      while (inLeft > 0 && !converter.convert(in, inLeft, out, outLeft)) {
        if (errno == E2BIG) {  // cannot happen: the result is sized for the worst case
          full = true;
          break;
        }
        // Stopped at a character GBK lacks: it becomes one '?'.
        *out++ = '?';
        --outLeft;
        in += sizeof(char32_t);
        inLeft -= sizeof(char32_t);
        converter.reset();
      }
    }
    pos = result.size() - outLeft;
  } else {
    // No GBK converter on this system: ASCII passes, everything else is '?'.
    for (std::size_t i = 0; i < utf16.size(); ++i) {
      const char16_t c = utf16[i];
      if (isHighSurrogate(c) && i + 1 < utf16.size() && isLowSurrogate(utf16[i + 1])) ++i;
      result[pos++] = c < 0x80 ? static_cast<char>(c) : '?';
    }
  }
  result.resize(pos);
  return result;
}

std::u16string fromGbk(std::string_view gbk) {
  // Every GBK character (one or two bytes) is one UTF-16 unit, all of GBK being
  // in the Basic Multilingual Plane; a bad byte is one U+FFFD.
  std::u16string result(gbk.size(), u'\0');
  char* const begin = reinterpret_cast<char*>(result.data());
  char* out = begin;
  std::size_t outLeft = result.size() * sizeof(char16_t);
  Converter& converter = fromGbkConverter();

  if (converter.valid()) {
    converter.reset();
    const char* in = gbk.data();
    std::size_t inLeft = gbk.size();
    while (inLeft > 0 && !converter.convert(in, inLeft, out, outLeft)) {
      if (errno == E2BIG) break;  // cannot happen: the result is sized for the worst case
      // A byte that starts no valid character, or a lead byte cut short by the
      // end of the text: one U+FFFD for it, then go on with the next byte.
      const char16_t replacement = u'\uFFFD';
      std::memcpy(out, &replacement, sizeof replacement);
      out += sizeof replacement;
      outLeft -= sizeof replacement;
      ++in;
      --inLeft;
      converter.reset();
    }
  } else {
    for (const char c : gbk) {
      const auto byte = static_cast<unsigned char>(c);
      const char16_t unit = byte < 0x80 ? char16_t{byte} : u'\uFFFD';
      std::memcpy(out, &unit, sizeof unit);
      out += sizeof unit;
    }
  }
  result.resize(static_cast<std::size_t>(out - begin) / sizeof(char16_t));
  return result;
}

}  // namespace quorvane
