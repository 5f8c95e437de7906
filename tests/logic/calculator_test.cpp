// The calculator driven through the main window's keys, as a user clicks them.
#include "calc/calculator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fake_host.h"

// The expected states name only the fields that differ from the start state.
// GCC 12 warns about the others in designated initializers.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace quorvane {
namespace {

using testing::FakeHost;
using testing::gbk;

constexpr std::string_view kNoData = "您没有输入数据！";
constexpr std::string_view kNoOperator = "您没有输入运算符！";

// A step is the caption of a key to click ("7", "·", "+/-", "等于", ...) or,
// after a '>', text the user types into the display.
void press(FakeHost& host, std::string_view step) {
  if (step.starts_with('>')) {
    host.type("编辑框1", gbk(step.substr(1)));
    return;
  }
  for (const ui::ControlRecord& record : ui::kControls) {
    if (record.kind == ControlKind::PushButton && record.text == step) {
      host.click(record.name);
      return;
    }
  }
  FAIL() << "no key with caption " << step;
}

std::vector<std::string> noticeMessages(const FakeHost& host) {
  std::vector<std::string> messages;
  for (const auto& notice : host.notices) {
    EXPECT_EQ(notice.flags, 0);
    EXPECT_FALSE(notice.caption.has_value());
    messages.push_back(notice.message);
  }
  return messages;
}

struct State {
  int operatorCode = 0;
  std::string_view firstOperandText;
  float resultValue = 0.0f;
  bool decimalPointEntered = false;
  bool negateNext = true;
  bool resultShown = false;
};

void expectState(const State& want) {
  const CalculatorState& s = calculatorState();
  EXPECT_EQ(s.operatorCode, want.operatorCode);
  EXPECT_EQ(s.firstOperandText, gbk(want.firstOperandText));
  EXPECT_EQ(s.resultValue, want.resultValue);
  EXPECT_EQ(s.decimalPointEntered, want.decimalPointEntered);
  EXPECT_EQ(s.negateNext, want.negateNext);
  EXPECT_EQ(s.resultShown, want.resultShown);
}

TEST(Calculator, WorkedSequence) {
  constexpr float kInf = std::numeric_limits<float>::infinity();
  struct Row {
    std::string_view key;
    std::string_view display;
    State state;
    std::string_view notice;  // empty: none
  };
  // clang-format off
  const Row rows[] = {
      {"1", "1", {}},
      {"2", "12", {}},
      {"·", "12.", {.decimalPointEntered = true}},
      {"5", "12.5", {.decimalPointEntered = true}},
      {"+", "", {.operatorCode = 1, .firstOperandText = "12.5"}},
      {"3", "3", {.operatorCode = 1, .firstOperandText = "12.5"}},
      {"+/-", "-3", {.operatorCode = 1, .firstOperandText = "12.5", .negateNext = false}},
      {"等于", "12.5+-3=9.5", {.operatorCode = 1, .firstOperandText = "12.5", .resultValue = 9.5f,
                               .negateNext = false, .resultShown = true}},
      {"·", "12.5+-3=9.5.", {.operatorCode = 1, .firstOperandText = "12.5", .resultValue = 9.5f,
                              .decimalPointEntered = true, .negateNext = false,
                              .resultShown = true}},
      {"7", "7", {}},
      {"等于", "7", {}, kNoOperator},
      {"/", "", {.operatorCode = 4, .firstOperandText = "7"}},
      {"等于", "", {.operatorCode = 4, .firstOperandText = "7"}, kNoData},
      {"0", "0", {.operatorCode = 4, .firstOperandText = "7"}},
      {"等于", "7/0=1.#INF", {.operatorCode = 4, .firstOperandText = "7", .resultValue = kInf,
                              .resultShown = true}},
      {"清零", "", {}},
  };
  // clang-format on
  FakeHost host;
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::Message() << "after " << row.key << " -> " << row.display);
    host.notices.clear();
    press(host, row.key);
    EXPECT_EQ(host.text("编辑框1"), gbk(row.display));
    expectState(row.state);
    const std::vector<std::string> expected =
        row.notice.empty() ? std::vector<std::string>{} : std::vector{gbk(row.notice)};
    EXPECT_EQ(noticeMessages(host), expected);
  }
}

TEST(Calculator, KeySequences) {
  struct Case {
    std::vector<std::string_view> steps;
    std::string_view display;
    std::vector<std::string_view> notices = {};
  };
  // clang-format off
  const Case cases[] = {
      // Each operator, and one operation at a time.
      {{"9", "-", "4", "等于"}, "9-4=5"},
      {{"6", "*", "7", "等于"}, "6*7=42"},
      {{"8", "/", "2", "等于"}, "8/2=4"},
      {{"1", "2", "+", "3", "*", "2", "等于"}, "3*2=6"},
      // An operator on a blank display keeps the pending one.
      {{"1", "2", "+", "-", "3", "等于"}, "12+3=15"},
      {{"+", "5", "等于"}, "5", {kNoOperator}},
      // After a result: the whole equation is the next first operand, equals
      // again takes it as second operand, the point key appends, a digit
      // starts afresh.
      {{"1", "2", "+", "3", "等于", "*", "2", "等于"}, "12+3=15*2=24"},
      {{"1", "2", "+", "3", "等于", "等于"}, "12+12+3=15=24"},
      {{"1", "2", "+", "3", "等于", "·"}, "12+3=15."},
      {{"1", "2", "+", "3", "等于", "·", "4"}, "4"},
      {{"1", "2", "·", "+", "3", "等于", "·"}, "12.+3=15."},
      // Results through single precision and its text.
      {{"1", "/", "3", "等于"}, "1/3=0.333333"},
      {{"1", "0", "0", "0", "*", "1", "0", "0", "0", "等于"}, "1000*1000=1e+006"},
      {{"7", "/", "0", "等于"}, "7/0=1.#INF"},
      {{"0", "/", "0", "等于"}, "0/0=1.#QNAN"},
      {{"0", "·", "1", "+", "0", "·", "2", "等于"}, "0.1+0.2=0.3"},
      {{"1", "-", "3", "等于"}, "1-3=-2"},
      {{">1e39", "*", "1", "等于"}, "1e39*1=1.#INF"},
      // Notices and blank displays.
      {{"等于"}, "", {kNoData}},
      {{"5", "等于"}, "5", {kNoOperator}},
      {{"5", "+", "等于"}, "", {kNoData}},
      {{">  ", "等于"}, "  ", {kNoData}},
      {{">　", "等于"}, "　", {kNoData}},
      {{">  ", "·"}, "0."},
      {{">　", "·"}, "0."},
      {{">  ", "+"}, "  "},
      {{">  ", "5"}, "  5"},
      {{"·"}, "0."},
      {{"+/-"}, ""},
      // Typed text is used as it stands.
      {{">abc", "+", "2", "等于"}, "abc+2=2"},
      {{"> 12 ", "+", "3", "等于"}, " 12 +3=15"},
      {{">１２", "+", "3", "等于"}, "１２+3=15"},
      {{"0", "0", "7"}, "007"},
      {{"0", "0", "7", "+", "1", "等于"}, "007+1=8"},
      // The point key only looks at its flag.
      {{"1", "·", "5", "·"}, "1.5"},
      {{">1.5", "·"}, "1.5."},
      // The sign key alternates; the point stays refused after 5. -> -5. -> 5.
      {{"5", "+/-"}, "-5"},
      {{"5", "+/-", "+/-"}, "5"},
      {{"5", "+/-", "+/-", "+/-"}, "-5"},
      {{"5", "·", "+/-"}, "-5."},
      {{"5", "·", "+/-", "+/-"}, "5"},
      {{"5", "·", "+/-", "+/-", "·"}, "5"},
      {{"+/-", "5", "+/-"}, "-5"},
      {{"1", "2", "+", "3", "等于", "+/-"}, "-12+3=15"},
      {{"1", "2", "+", "3", "等于", "+/-", "+/-"}, "12"},
      {{"5", "+/-", "+", "5", "+/-"}, "-5"},
      // Clear forgets everything.
      {{"5", "+", "3", "清零", "等于"}, "", {kNoData}},
      {{"5", "+", "3", "清零", "3", "等于"}, "3", {kNoOperator}},
  };
  // clang-format on
  for (const Case& k : cases) {
    std::string trace;
    for (auto step : k.steps) trace.append(step).append(" ");
    SCOPED_TRACE(trace);
    FakeHost host;
    for (auto step : k.steps) press(host, step);
    EXPECT_EQ(host.text("编辑框1"), gbk(k.display));
    std::vector<std::string> expected;
    for (auto notice : k.notices) expected.push_back(gbk(notice));
    EXPECT_EQ(noticeMessages(host), expected);
  }
}

TEST(Calculator, RefusedKeysLeaveTheStateAlone) {
  FakeHost host;
  for (auto step : {"1", "2", "+"}) press(host, step);
  host.notices.clear();
  for (auto step : {"-", "+/-", "等于"}) press(host, step);
  expectState({.operatorCode = 1, .firstOperandText = "12"});
  EXPECT_EQ(host.notices.size(), 1u);

  for (auto step : {"3", "·", "·"}) press(host, step);
  EXPECT_EQ(host.text("编辑框1"), "3.");
  expectState({.operatorCode = 1, .firstOperandText = "12", .decimalPointEntered = true});
}

TEST(Calculator, EqualsKeepsTheOperationForAnotherEvaluation) {
  FakeHost host;
  for (auto step : {"2", "·", "5", "*", "+/-"}) press(host, step);  // sign key on blank: nothing
  for (auto step : {"4", "+/-", "等于"}) press(host, step);
  EXPECT_EQ(host.text("编辑框1"), "2.5*-4=-10");
  expectState({.operatorCode = 3,
               .firstOperandText = "2.5",
               .resultValue = -10.0f,
               .negateNext = false,
               .resultShown = true});
}

TEST(Calculator, ZeroDividedByZeroKeepsANotANumber) {
  FakeHost host;
  for (auto step : {"0", "/", "0", "等于"}) press(host, step);
  EXPECT_TRUE(std::isnan(calculatorState().resultValue));
}

TEST(Calculator, ExitRoutineReleasesTheFirstOperand) {
  FakeHost host;
  for (auto step : {"1", "2", "3", "+"}) press(host, step);
  ASSERT_EQ(calculatorState().firstOperandText, "123");
  releaseCalculation();
  EXPECT_EQ(calculatorState().firstOperandText, "");
  releaseCalculation();  // and again: nothing held, nothing done
  EXPECT_EQ(calculatorState().firstOperandText, "");
}

}  // namespace
}  // namespace quorvane
