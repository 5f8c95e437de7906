// The length converter: three rows, each an input box whose every change
// recomputes the two output boxes of its row. No state of its own.
#pragma once

#include "app/host.h"

namespace quorvane {

// Metres per inch and per yard, held as singles and widened to double when used.
inline constexpr float kMetresPerInch = 0.0254f;
inline constexpr float kMetresPerYard = 0.9144f;
inline constexpr double kInchesPerYard = 36.0;

void editBox2Changed(Host& host);  // inches -> yards, metres
void editBox3Changed(Host& host);  // yards  -> inches, metres
void editBox4Changed(Host& host);  // metres -> yards, inches

}  // namespace quorvane
