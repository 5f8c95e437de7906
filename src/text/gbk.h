// GBK (code page 936) <-> UTF-16 at the toolkit boundary, through glibc iconv
// under the name "GBK" ("GB2312" maps the middle dot wrongly).
//
// Neither direction fails: a character outside GBK becomes '?', and a
// malformed or truncated byte sequence becomes U+FFFD for each bad byte.
#pragma once

#include <string>
#include <string_view>

namespace quorvane {

std::string toGbk(std::u16string_view utf16);
std::u16string fromGbk(std::string_view gbk);

}  // namespace quorvane
