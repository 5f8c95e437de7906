// Trimming, joining and comparing GBK texts.
//
// Texts are GBK byte strings (see numbers.h). An absent text is the empty
// string: every rule here takes an absent text as the empty text, and an empty
// result stands for an absent one. A text ends at its first zero byte, if it
// holds one, as a zero-terminated text would. Results are new std::string values owned by
// the caller; inputs are never changed.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace quorvane {

// Removes the spaces at both ends: the half-width space 0x20 and the
// full-width space 0xA1 0xA1. Tab, line feed and carriage return are ordinary
// characters. A byte of 0x80 or above takes the next byte with it, whatever it
// is; a lone lead byte at the very end is dropped (and a run of spaces before
// it stays).
//   trimSpaces("  12\xA1\xA1")        -> "12"
//   trimSpaces("\xB0\xA1\xA1\xA1")    -> "\xB0\xA1"
//   trimSpaces("12 \xB0")             -> "12 "
//   trimSpaces("\xA1")                -> ""   (absent)
//   trimSpaces("\t1 ")                -> "\t1"
std::string trimSpaces(std::string_view text);

// The texts one after the other, nothing between them.
//   joinTexts({"12", "+", "3", "=", "15"}) -> "12+3=15"
//   joinTexts({"", ""})                    -> ""
std::string joinTexts(std::initializer_list<std::string_view> texts);

// -1, 0 or +1 as a sorts before, equal to or after b, byte by byte with bytes
// taken as unsigned; a proper prefix sorts first.
//   compareTexts("", "")   -> 0
//   compareTexts("", "+")  -> -1
//   compareTexts("-", "+") -> +1
//   compareTexts("\xB0", "z") -> +1
int compareTexts(std::string_view a, std::string_view b);

}  // namespace quorvane
