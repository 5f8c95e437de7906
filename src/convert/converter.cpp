// The three rows of the converter. Each handler reads its input box afresh for
// each of its two outputs and writes the first output, then the second.
#include "convert/converter.h"

#include "text/numbers.h"
#include "ui/window_description.h"

namespace quorvane {
namespace {

// The single factors take part in double arithmetic exactly as stored.
constexpr double kInch = kMetresPerInch;
constexpr double kYard = kMetresPerYard;

// Reads the input box, applies the rule in double precision and writes the
// result into the output box.
template <typename Rule>
void convertInto(Host& host, ControlRef input, ControlRef output, Rule rule) {
  const double x = textToNumber(host.readText(input));
  host.writeText(output, numberToText(rule(x)));
}

}  // namespace

void editBox2Changed(Host& host) {
  constexpr ControlRef inches = ui::control("编辑框2");
  convertInto(host, inches, ui::control("编辑框5"), [](double x) { return x / kInchesPerYard; });
  convertInto(host, inches, ui::control("编辑框8"), [](double x) { return x * kInch; });
}

void editBox3Changed(Host& host) {
  constexpr ControlRef yards = ui::control("编辑框3");
  convertInto(host, yards, ui::control("编辑框6"), [](double x) { return x * kInchesPerYard; });
  convertInto(host, yards, ui::control("编辑框9"), [](double x) { return x * kYard; });
}

void editBox4Changed(Host& host) {
  constexpr ControlRef metres = ui::control("编辑框4");
  convertInto(host, metres, ui::control("编辑框7"), [](double x) { return x / kYard; });
  convertInto(host, metres, ui::control("编辑框10"), [](double x) { return x / kInch; });
}

}  // namespace quorvane
