// The four-function calculator: its state and the click handlers of its keys.
//
// The display text is the entry: keys append to it or rewrite it, and numbers
// are read from it only when equals is clicked. One operation on two operands
// at a time; no chaining, no precedence, no memory.
#pragma once

#include <cstdint>
#include <string>

#include "app/host.h"

namespace quorvane {

struct CalculatorState {
  std::int32_t operatorCode = 0;  // 0 none, 1 +, 2 -, 3 *, 4 /
  std::string firstOperandText;   // the display as it stood when an operator was accepted
  float resultValue = 0.0f;
  bool decimalPointEntered = false;
  bool negateNext = true;  // the sign key prefixes "-" (true) or takes the magnitude
  bool resultShown = false;
};

// The one calculator of the run, shared by all its handlers.
CalculatorState& calculatorState();

// Result 0, display empty, no point entered, negate next, no result shown.
// Leaves the pending operator and first operand alone.
void resetEntry(Host& host);
// resetEntry, then no operator and no first operand.
void clearCalculation(Host& host);
// The exit routine: releases the first operand.
void releaseCalculation();

void button1Clicked(Host& host);   // digit keys 0-9
void button11Clicked(Host& host);  // point
void button12Clicked(Host& host);  // sign
void button13Clicked(Host& host);  // operator keys + - * /
void button17Clicked(Host& host);  // clear
void button18Clicked(Host& host);  // equals

}  // namespace quorvane
