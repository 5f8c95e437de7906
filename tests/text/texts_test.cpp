// Trimming, joining and comparing GBK byte strings.
#include "text/texts.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace quorvane {
namespace {

struct TrimCase {
  std::string_view text;
  std::string_view expected;
};

void PrintTo(const TrimCase& c, std::ostream* os) {
  *os << testing::PrintToString(std::string(c.text));
}

class TrimSpaces : public testing::TestWithParam<TrimCase> {};

TEST_P(TrimSpaces, Trims) {
  EXPECT_EQ(trimSpaces(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TrimSpaces,
    testing::Values(TrimCase{"  12\xA1\xA1", "12"}, TrimCase{"12", "12"},
                    TrimCase{"\xA1\xA1 \xA1\xA1"
                             "12 \xA1\xA1 ",
                             "12"},
                    // Only 0x20 and A1 A1 are spaces; spaces inside stay.
                    TrimCase{"\t1 ", "\t1"}, TrimCase{" \n12\r ", "\n12\r"},
                    TrimCase{" 1 \xA1\xA1 2 ", "1 \xA1\xA1 2"},
                    // Spaces only, empty: absent.
                    TrimCase{"   ", ""}, TrimCase{"\xA1\xA1\xA1\xA1", ""}, TrimCase{"", ""},
                    // A lead byte takes the next byte with it, whatever it is.
                    TrimCase{"\xB0\xA1\xA1\xA1", "\xB0\xA1"}, TrimCase{"\xB0 ", "\xB0 "},
                    TrimCase{" \xB0  ", "\xB0 "}, TrimCase{"\xA1\xB0 ", "\xA1\xB0"},
                    TrimCase{"\xA1\xA1\xA1", ""},  // a full-width space, then a lone lead byte
                    // A lone lead byte at the very end is dropped, and the spaces before it stay.
                    TrimCase{"12 \xB0", "12 "}, TrimCase{"\xA1", ""},
                    TrimCase{"12\xA1\xA1\xB0", "12\xA1\xA1"}, TrimCase{"\xB0", ""},
                    // An A1 followed by anything but A1 is not a space, at either end.
                    TrimCase{"\xA1\xA2"
                             "1",
                             "\xA1\xA2"
                             "1"},
                    TrimCase{"1\xA1\xA2", "1\xA1\xA2"},
                    // A zero byte ends the text.
                    TrimCase{std::string_view(" 1 \0 2", 6), "1"}));

TEST(JoinTexts, ConcatenatesWithNothingBetween) {
  EXPECT_EQ(joinTexts({"12", "+", "3", "=", "15"}), "12+3=15");
  EXPECT_EQ(joinTexts({"", "12"}), "12");
  EXPECT_EQ(joinTexts({"", ""}), "");
  EXPECT_EQ(joinTexts({"\xB0", "\xA1"}), "\xB0\xA1");
  EXPECT_EQ(joinTexts({" a ", "\xD0\xC5"}), " a \xD0\xC5");
  EXPECT_EQ(joinTexts({std::string_view("1\0x", 3), "2"}), "12");
}

TEST(CompareTexts, OrdersBytesAsUnsigned) {
  const struct {
    std::string_view a, b;
    int expected;
  } cases[] = {
      {"", "", 0},        {"", "+", -1},     {"+", "", 1},
      {"+", "+", 0},      {"-", "+", 1},     {"+", "-", -1},
      {"\xB0", "z", 1},   {"z", "\xB0", -1}, {"\xFF", "\x01", 1},
      {"12", "123", -1},  {"123", "12", 1},  {"\xB0\xA1", "\xB0\xA2", -1},
      {"abc", "abd", -1}, {"abd", "abc", 1}, {std::string_view("+\0a", 3), "+", 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(compareTexts(c.a, c.b), c.expected)
        << testing::PrintToString(std::string(c.a)) << " vs "
        << testing::PrintToString(std::string(c.b));
  }
}

TEST(TrimSpaces, BlankTestOfTheDisplay) {
  // The calculator asks whether the display is blank this way.
  EXPECT_EQ(compareTexts(trimSpaces(" \xA1\xA1 "), ""), 0);
  EXPECT_NE(compareTexts(trimSpaces(" 0 "), ""), 0);
}

}  // namespace
}  // namespace quorvane
