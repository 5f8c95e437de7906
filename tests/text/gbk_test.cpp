// The GBK boundary: round trips of the window's texts and the handling of
// characters GBK lacks and of malformed byte sequences.
#include "text/gbk.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace quorvane {
namespace {

struct RoundTripCase {
  std::u16string_view utf16;
  std::string_view gbk;
};

class GbkRoundTrip : public testing::TestWithParam<RoundTripCase> {};

TEST_P(GbkRoundTrip, BothDirections) {
  const RoundTripCase& c = GetParam();
  EXPECT_EQ(toGbk(c.utf16), c.gbk);
  EXPECT_EQ(fromGbk(c.gbk), c.utf16);
}

INSTANTIATE_TEST_SUITE_P(
    WindowTexts, GbkRoundTrip,
    testing::Values(
        RoundTripCase{u"", ""}, RoundTripCase{u"12+3=15", "12+3=15"},
        RoundTripCase{u"信息：", "\xD0\xC5\xCF\xA2\xA3\xBA"},
        RoundTripCase{u"您没有输入数据！",
                      "\xC4\xFA\xC3\xBB\xD3\xD0\xCA\xE4\xC8\xEB\xCA\xFD\xBE\xDD\xA3\xA1"},
        RoundTripCase{u"楷体_GB2312", "\xBF\xAC\xCC\xE5_GB2312"},
        RoundTripCase{u"宋体", "\xCB\xCE\xCC\xE5"},
        RoundTripCase{u"现在时间:", "\xCF\xD6\xD4\xDA\xCA\xB1\xBC\xE4:"},
        RoundTripCase{u"１２．５", "\xA3\xB1\xA3\xB2\xA3\xAE\xA3\xB5"},
        RoundTripCase{
            u"注意:在未输入计算要数值时,\r\n禁止点击等于,",
            "\xD7\xA2\xD2\xE2:\xD4\xDA\xCE\xB4\xCA\xE4\xC8\xEB\xBC\xC6\xCB\xE3\xD2\xAA\xCA"
            "\xFD\xD6\xB5\xCA\xB1,\r\n\xBD\xFB\xD6\xB9\xB5\xE3\xBB\xF7\xB5\xC8\xD3\xDA,"},
        // The middle dot maps to A1 A4 in GBK (GB2312 tables differ here).
        RoundTripCase{u"\u00B7", "\xA1\xA4"},
        RoundTripCase{u"2024年05月06日 星期一 12\u00B734",
                      "2024\xC4\xEA"
                      "05\xD4\xC2"
                      "06\xC8\xD5 \xD0\xC7\xC6\xDA\xD2\xBB 12\xA1\xA4"
                      "34"}));

TEST(ToGbk, CharactersOutsideGbkBecomeQuestionMarks) {
  // An emoji (a surrogate pair) is one '?', not two.
  EXPECT_EQ(toGbk(u"a\U0001F600b"), "a?b");
  EXPECT_EQ(toGbk(u"\U0001F600\U0001F600"), "??");
  // Hangul is not in GBK.
  EXPECT_EQ(toGbk(u"1\uD55C2"), "1?2");
  // Unpaired surrogates, including one cut short by the end.
  EXPECT_EQ(toGbk(std::u16string{u'x', char16_t{0xDC00}, u'y'}), "x?y");
  EXPECT_EQ(toGbk(std::u16string{u'x', char16_t{0xD800}, u'y'}), "x?y");
  EXPECT_EQ(toGbk(std::u16string{u'x', char16_t{0xD800}}), "x?");
  // Conversion goes on normally after a replacement.
  EXPECT_EQ(toGbk(u"\U0001F600信息"), "?\xD0\xC5\xCF\xA2");
}

TEST(FromGbk, MalformedBytesBecomeOneReplacementEach) {
  // A lead byte cut short by the end of the text.
  EXPECT_EQ(fromGbk("12\xB0"), u"12\uFFFD");
  // 0xFF starts no character; the rest converts normally.
  EXPECT_EQ(fromGbk("\xFF\xD0\xC5"), u"\uFFFD信");
  // A lead byte followed by a byte that cannot continue it: the lead byte is
  // replaced, and the next byte is read afresh.
  EXPECT_EQ(fromGbk("\xB0\x0A"
                    "1"),
            u"\uFFFD\n1");
  EXPECT_EQ(fromGbk("\xFF\xFF"), u"\uFFFD\uFFFD");
  // An embedded zero byte is a character like any other.
  EXPECT_EQ(fromGbk(std::string_view("a\0b", 3)), std::u16string(u"a\0b", 3));
}

TEST(FromGbk, EveryByteSequenceConvertsWithoutCrashing) {
  // All two-byte sequences: the result never holds more units than bytes in,
  // and converting back never fails either.
  std::string text(2, '\0');
  for (int first = 0; first < 256; ++first) {
    for (int second = 0; second < 256; ++second) {
      text[0] = static_cast<char>(first);
      text[1] = static_cast<char>(second);
      const std::u16string utf16 = fromGbk(text);
      ASSERT_GE(utf16.size(), 1u);
      ASSERT_LE(utf16.size(), 2u);
      if (utf16.size() == 1 && utf16[0] != u'\uFFFD') {
        // A valid two-byte character converts back to the same bytes.
        ASSERT_EQ(toGbk(utf16), text) << first << ' ' << second;
      }
    }
  }
}

}  // namespace
}  // namespace quorvane
