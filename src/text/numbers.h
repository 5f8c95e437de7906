// Numbers as the user sees them: the text of a box read as a double, and a
// double or single written as text, exact to the character.
//
// Texts are GBK (code page 936) byte strings: a byte below 0x80 is one
// character, a byte of 0x80 or above begins a two-byte character together with
// the byte after it. An absent text is represented by the empty string; every
// rule here takes it as the empty text. Results are new std::string values
// owned by the caller. None of these rules fails, reports, or depends on the C
// locale.
#pragma once

#include <string>
#include <string_view>

namespace quorvane {

// Reads the leading decimal number of a text, after folding full-width forms
// (A3 A1..A3 FE -> 21..7E, A1 A1 -> space, A1 AB -> ~, A1 EE/EF -> *) and
// skipping white space (09..0D, 20). E, e, D and d start an exponent. A text
// without a mantissa digit reads as +0. Values beyond the double range are
// infinities of their sign, values below the smallest subnormal signed zeros.
//   textToNumber("")          -> 0
//   textToNumber("１２．５")  -> 12.5   (full-width, GBK bytes)
//   textToNumber("   -7")     -> -7
//   textToNumber("12+3=15")   -> 12
//   textToNumber("2d3")       -> 2000
//   textToNumber("5e+")       -> 5
//   textToNumber("- 5")       -> 0
//   textToNumber("-0")        -> -0.0
//   textToNumber("1.#INF")    -> 1
//   textToNumber("1e400")     -> +inf
//   textToNumber("1e-400")    -> 0
double textToNumber(std::string_view text);

// Writes a double with at most 13 significant digits: the exact value rounded
// halves-up to 17 digits, then those halves-up to 13; the exponent form (three
// exponent digits) when the leading digit's power X is below -4 or 13 or more,
// the fixed form otherwise; trailing zeros and a bare point removed. Zero of
// either sign is 0. Never empty, never longer than 20 bytes.
//   numberToText(36)                    -> "36"
//   numberToText(1.0 / 3)               -> "0.3333333333333"
//   numberToText(1e20)                  -> "1e+020"
//   numberToText(0.00001)               -> "1e-005"
//   numberToText(12345678901234)        -> "1.234567890123e+013"
//   numberToText(99999.99999999999)     -> "100000"
//   numberToText(1234567890122.5)       -> "1234567890123"
//   numberToText(1.0000000237575)       -> "1.000000023758"   (two-stage rounding)
//   numberToText(-0.0)                  -> "0"
//   numberToText(-inf)                  -> "-1.#INF"
//   numberToText(default quiet NaN, sign set) -> "-1.#IND"
//   numberToText(other quiet NaN)       -> "1.#QNAN" (minus sign when the sign bit is set)
//   numberToText(signalling NaN)        -> "1.#SNAN" (minus sign when the sign bit is set)
std::string numberToText(double value);

// Writes a single with at most 6 significant digits: the magnitude scaled by
// 10^(5-n) (n its power of ten, not below -39) and rounded halves-up to a
// whole R, then laid out as numberToText does with 6 in place of 13. Every
// NaN is 1.#QNAN. Never empty, never longer than 13 bytes.
//   singleToText(1.0f / 3)    -> "0.333333"
//   singleToText(0.1f + 0.2f) -> "0.3"
//   singleToText(123456.5f)   -> "123457"
//   singleToText(1000000.0f)  -> "1e+006"
//   singleToText(1000005.0f)  -> "1.00001e+006"
//   singleToText(9.999999f)   -> "10"
//   singleToText(1e-40f)      -> "1e-040"
//   singleToText(FLT_MAX)     -> "3.40282e+038"
//   singleToText(NaN)         -> "1.#QNAN"
std::string singleToText(float value);

// The negation of a value below zero, else the value itself; -0.0 stays -0.0.
double absoluteValue(double value);

}  // namespace quorvane
