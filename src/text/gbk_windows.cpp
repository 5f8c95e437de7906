// GBK <-> UTF-16 on Windows, through the system's code page 936, one
// character at a time so that the replacements are those of the iconv build
// (gbk.cpp): a character GBK lacks becomes '?', a surrogate pair one '?', and
// a byte that starts no character one U+FFFD, after which the next byte is
// read afresh.
//
// Code page 936 also maps GBK's user-defined areas and a few unassigned
// places to the Private Use Area, and 0xFF to U+F8F5; the GBK tables of the
// iconv build have none of these, so they are refused here as well and both
// builds give the same texts.
#include <windows.h>

#include <cstddef>

#include "text/gbk.h"

namespace quorvane {
namespace {

constexpr UINT kGbkCodePage = 936;

bool isHighSurrogate(char16_t c) {
  return c >= 0xD800 && c <= 0xDBFF;
}
bool isLowSurrogate(char16_t c) {
  return c >= 0xDC00 && c <= 0xDFFF;
}
bool isPrivateUse(char16_t c) {
  return c >= 0xE000 && c <= 0xF8FF;
}

// Appends the GBK bytes of one character of the Basic Multilingual Plane;
// false when GBK lacks it.
bool appendGbk(char16_t c, std::string& out) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
    return true;
  }
  if (isHighSurrogate(c) || isLowSurrogate(c) || isPrivateUse(c)) return false;
  const wchar_t wide = static_cast<wchar_t>(c);
  char bytes[2];
  BOOL usedDefault = FALSE;
  const int n = WideCharToMultiByte(kGbkCodePage, WC_NO_BEST_FIT_CHARS, &wide, 1, bytes,
                                    sizeof bytes, nullptr, &usedDefault);
  if (n <= 0 || usedDefault) return false;
  out.append(bytes, static_cast<std::size_t>(n));
  return true;
}

// The character of one or two GBK bytes, or U+FFFD when they are not one.
char16_t decode(const char* bytes, int count) {
  wchar_t wide = 0;
  if (MultiByteToWideChar(kGbkCodePage, MB_ERR_INVALID_CHARS, bytes, count, &wide, 1) != 1) {
    return u'\uFFFD';
  }
  const auto c = static_cast<char16_t>(wide);
  return isPrivateUse(c) ? u'\uFFFD' : c;
}

}  // namespace

std::string toGbk(std::u16string_view utf16) {
  std::string result;
  result.reserve(utf16.size() * 2);
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    const char16_t c = utf16[i];
    if (appendGbk(c, result)) continue;
    if (isHighSurrogate(c) && i + 1 < utf16.size() && isLowSurrogate(utf16[i + 1])) ++i;
    result.push_back('?');
  }
  return result;
}

std::u16string fromGbk(std::string_view gbk) {
  std::u16string result;
  result.reserve(gbk.size());
  std::size_t i = 0;
  while (i < gbk.size()) {
    const auto byte = static_cast<unsigned char>(gbk[i]);
    if (byte < 0x80) {
      result.push_back(char16_t{byte});
      ++i;
    } else if (!IsDBCSLeadByteEx(kGbkCodePage, byte)) {
      result.push_back(decode(gbk.data() + i, 1));
      ++i;
    } else {
      // A lead byte: with its trail byte one character, else one U+FFFD for
      // the lead byte alone.
      const char16_t c = i + 1 < gbk.size() ? decode(gbk.data() + i, 2) : u'\uFFFD';
      result.push_back(c);
      i += c == u'\uFFFD' ? 1 : 2;
    }
  }
  return result;
}

}  // namespace quorvane
