// The calculator's state and the click handlers of its keys.
//
// The handlers read the display afresh each time they need it; the only place
// its text is trimmed is the blank test. Everything stored, joined or converted
// is the display text exactly as read.
#include "calc/calculator.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "text/gbk.h"
#include "text/numbers.h"
#include "text/texts.h"
#include "ui/window_description.h"

namespace quorvane {
namespace {

constexpr ControlRef kDisplay = ui::control("编辑框1");

// The sign of each operator code; code 0 (none) never reaches the equation.
constexpr std::array<std::string_view, 5> kOperatorSigns{"", "+", "-", "*", "/"};

bool displayIsBlank(Host& host) {
  return compareTexts(trimSpaces(host.readText(kDisplay)), "") == 0;
}

const std::string& noDataNotice() {
  static const std::string text = toGbk(u"您没有输入数据！");
  return text;
}

const std::string& noOperatorNotice() {
  static const std::string text = toGbk(u"您没有输入运算符！");
  return text;
}

// Empties a text and gives its memory back.
void release(std::string& text) {
  std::string().swap(text);
}

}  // namespace

CalculatorState& calculatorState() {
  static CalculatorState state;
  return state;
}

void resetEntry(Host& host) {
  CalculatorState& s = calculatorState();
  s.resultValue = 0.0f;
  host.writeText(kDisplay, "");
  s.decimalPointEntered = false;
  s.negateNext = true;
  s.resultShown = false;
}

void clearCalculation(Host& host) {
  resetEntry(host);
  CalculatorState& s = calculatorState();
  s.operatorCode = 0;
  release(s.firstOperandText);
}

void releaseCalculation() {
  release(calculatorState().firstOperandText);
}

// Digit keys: a finished equation is cleared first; otherwise the caption is
// appended whatever the display holds (leading zeros stay, no length limit).
void button1Clicked(Host& host) {
  const EventSource clicked = host.eventComponent();
  if (calculatorState().resultShown) clearCalculation(host);
  host.writeText(kDisplay, joinTexts({host.readText(kDisplay), host.readText(clicked.ref)}));
}

// Point key: only its flag decides; the display is not searched for a point.
void button11Clicked(Host& host) {
  CalculatorState& s = calculatorState();
  if (s.decimalPointEntered) return;
  if (displayIsBlank(host)) host.writeText(kDisplay, "0");
  host.writeText(kDisplay, joinTexts({host.readText(kDisplay), "."}));
  s.decimalPointEntered = true;
}

// Sign key: prefixes a minus sign and takes the magnitude on alternate presses.
void button12Clicked(Host& host) {
  if (displayIsBlank(host)) return;
  CalculatorState& s = calculatorState();
  if (s.negateNext) {
    host.writeText(kDisplay, joinTexts({"-", host.readText(kDisplay)}));
  } else {
    host.writeText(kDisplay, numberToText(absoluteValue(textToNumber(host.readText(kDisplay)))));
  }
  s.negateNext = !s.negateNext;
}

// Operator keys: the display becomes the first operand and the caption picks
// the operator. A pending operation is dropped, not evaluated.
void button13Clicked(Host& host) {
  const EventSource clicked = host.eventComponent();
  if (displayIsBlank(host)) return;
  CalculatorState& s = calculatorState();
  const std::string caption = host.readText(clicked.ref);
  for (int code = 1; code <= 4; ++code) {
    if (compareTexts(caption, kOperatorSigns[static_cast<std::size_t>(code)]) == 0) {
      s.operatorCode = code;
      break;
    }
  }
  s.firstOperandText = host.readText(kDisplay);
  resetEntry(host);
}

void button17Clicked(Host& host) {
  clearCalculation(host);
}

// Equals key: evaluates in double precision, keeps the result as a single and
// writes the whole equation. The state stays as it was apart from the result,
// so equals again evaluates the equation text as the second operand.
void button18Clicked(Host& host) {
  if (displayIsBlank(host)) {
    host.showNotice(noDataNotice(), 0, std::nullopt);
    return;
  }
  CalculatorState& s = calculatorState();
  if (s.operatorCode == 0) {
    host.showNotice(noOperatorNotice(), 0, std::nullopt);
    return;
  }
  const double a = textToNumber(s.firstOperandText);
  const double b = textToNumber(host.readText(kDisplay));
  double result = 0.0;
  switch (s.operatorCode) {
    case 1:
      result = a + b;
      break;
    case 2:
      result = a - b;
      break;
    case 3:
      result = a * b;
      break;
    case 4:
      result = a / b;
      break;
    default:
      return;  // never: the code is set only from the four signs
  }
  s.resultValue = static_cast<float>(result);
  host.writeText(kDisplay, joinTexts({s.firstOperandText,
                                      kOperatorSigns[static_cast<std::size_t>(s.operatorCode)],
                                      host.readText(kDisplay), "=", singleToText(s.resultValue)}));
  s.resultShown = true;
}

}  // namespace quorvane
