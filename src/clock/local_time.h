// The system's local calendar time, the one platform call of the clock.
#pragma once

#include <ctime>

namespace quorvane {

// The local calendar time of a moment by the system's time-zone and
// daylight-saving rules. The rules are loaded once, not re-read on every call.
std::tm localCalendarTime(std::time_t moment);

}  // namespace quorvane
