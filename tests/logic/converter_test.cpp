// The converter's three rows, fed keystroke by keystroke as the window feeds them.
#include "convert/converter.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "fake_host.h"

namespace quorvane {
namespace {

using testing::controlNamed;
using testing::FakeHost;
using testing::gbk;

struct Row {
  std::string_view input, first, second;
};
constexpr std::array<Row, 3> kRows{{
    {"编辑框2", "编辑框5", "编辑框8"},
    {"编辑框3", "编辑框6", "编辑框9"},
    {"编辑框4", "编辑框7", "编辑框10"},
}};

const Row& rowOf(std::string_view input) {
  for (const Row& row : kRows) {
    if (row.input == input) return row;
  }
  throw std::invalid_argument("not an input box");
}

// The nine converter boxes that a change of input must leave alone.
std::vector<std::string> otherRows(FakeHost& host, std::string_view input) {
  std::vector<std::string> texts;
  for (const Row& row : kRows) {
    if (row.input == input) continue;
    for (auto box : {row.input, row.first, row.second}) texts.push_back(host.text(box));
  }
  return texts;
}

TEST(Converter, WorkedResults) {
  struct Case {
    std::string_view input, typed, first, second;
  };
  // clang-format off
  const Case cases[] = {
      {"编辑框2", "1", "0.02777777777778", "0.02539999969304"},
      {"编辑框2", "36", "1", "0.9143999889493"},
      {"编辑框2", "12.5", "0.3472222222222", "0.317499996163"},
      {"编辑框2", "144", "4", "3.657599955797"},
      {"编辑框3", "1", "36", "0.9143999814987"},
      {"编辑框3", "2.5", "90", "2.285999953747"},
      {"编辑框3", "1000", "36000", "914.3999814987"},
      {"编辑框4", "1", "1.093613320465", "39.37007921595"},
      {"编辑框4", "100", "109.3613320465", "3937.007921595"},
      {"编辑框4", "1000", "1093.613320465", "39370.07921595"},
      {"编辑框2", "abc", "0", "0"},
      {"编辑框3", "abc", "0", "0"},
      {"编辑框4", "abc", "0", "0"},
      {"编辑框2", "1e400", "1.#INF", "1.#INF"},
      {"编辑框3", "1e400", "1.#INF", "1.#INF"},
      {"编辑框4", "1e400", "1.#INF", "1.#INF"},
      {"编辑框4", "-1e400", "-1.#INF", "-1.#INF"},
      {"编辑框3", "-1", "-36", "-0.9143999814987"},
      {"编辑框2", "-0", "0", "0"},
      {"编辑框3", "1e-400", "0", "0"},
      {"编辑框3", "12cm", "432", "10.97279977798"},
      {"编辑框3", "１２", "432", "10.97279977798"},  // full-width digits
      {"编辑框3", " 12", "432", "10.97279977798"},
  };
  // clang-format on
  for (const Case& k : cases) {
    SCOPED_TRACE(::testing::Message() << k.input << " <- " << k.typed);
    FakeHost host;
    const Row& row = rowOf(k.input);
    const std::vector<std::string> untouched = otherRows(host, k.input);
    host.type(k.input, gbk(k.typed));
    EXPECT_EQ(host.text(row.first), gbk(k.first));
    EXPECT_EQ(host.text(row.second), gbk(k.second));
    EXPECT_EQ(host.text(k.input), gbk(k.typed));  // never corrected or echoed
    EXPECT_EQ(otherRows(host, k.input), untouched);
  }
}

TEST(Converter, EveryKeystrokeRecomputesFirstOutputThenSecond) {
  FakeHost host;
  host.writes.clear();
  host.type("编辑框2", "12.5");
  const ControlRef yards = controlNamed("编辑框5");
  const ControlRef metres = controlNamed("编辑框8");
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"0.02777777777778", "0.02539999969304"},  // 1
      {"0.3333333333333", "0.3047999963164"},    // 12
      {"0.3333333333333", "0.3047999963164"},    // 12.
      {"0.3472222222222", "0.317499996163"},     // 12.5
  };
  ASSERT_EQ(host.writes.size(), 2 * expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(host.writes[2 * i].control, yards);
    EXPECT_EQ(host.writes[2 * i].text, expected[i].first);
    EXPECT_EQ(host.writes[2 * i + 1].control, metres);
    EXPECT_EQ(host.writes[2 * i + 1].text, expected[i].second);
  }
}

TEST(Converter, DeletingToEmptyShowsZeros) {
  for (const Row& row : kRows) {
    SCOPED_TRACE(row.input);
    FakeHost host;
    host.type(row.input, "12");
    host.backspace(row.input);
    EXPECT_NE(host.text(row.first), "0");
    host.backspace(row.input);
    EXPECT_EQ(host.text(row.input), "");
    EXPECT_EQ(host.text(row.first), "0");
    EXPECT_EQ(host.text(row.second), "0");
  }
}

TEST(Converter, RowsAreIndependent) {
  FakeHost host;
  host.type("编辑框2", "36");
  host.type("编辑框3", "1");
  host.type("编辑框4", "1");
  host.type("编辑框3", "0");  // now 10 yards
  EXPECT_EQ(host.text("编辑框5"), "1");
  EXPECT_EQ(host.text("编辑框8"), "0.9143999889493");
  EXPECT_EQ(host.text("编辑框6"), "360");
  EXPECT_EQ(host.text("编辑框9"), "9.143999814987");
  EXPECT_EQ(host.text("编辑框7"), "1.093613320465");
  EXPECT_EQ(host.text("编辑框10"), "39.37007921595");
  EXPECT_EQ(host.text("编辑框1"), "");
}

TEST(Converter, TextTypedIntoAnOutputBoxStaysUntilTheRowChanges) {
  FakeHost host;
  host.writes.clear();
  host.type("编辑框6", "x");
  EXPECT_TRUE(host.writes.empty());
  EXPECT_EQ(host.text("编辑框6"), "x");
  host.type("编辑框3", "2");
  EXPECT_EQ(host.text("编辑框6"), "72");
}

}  // namespace
}  // namespace quorvane
