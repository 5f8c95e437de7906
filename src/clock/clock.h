// The clock: the local date and time, rewritten into its box at every tick.
//
// A date-time value is a double: the integer part counts days from
// 30 December 1899 (day 0; day -1 is 29 December 1899), the fraction is the
// time of day as a part of 24 hours, subtracted for negative days
// (29 December 1899 06:00 is -1.25).
#pragma once

#include <string>

#include "app/host.h"

namespace quorvane {

// The local date and time of the system clock, to the whole second, by the
// system's time-zone and daylight-saving rules.
double currentDateTime();

// The value as a Chinese calendar text, never empty. Values above 2958465 or
// not a number are 2958465, below -657434 are -657434; rounded to the nearest
// second. The time part shows hour, minute and second when the second is not
// zero, hour and minute when only the minute is not zero, the hour alone when
// only it is not zero, and nothing at midnight.
//   dateTimeToText(41145.0 + (8*3600 + 45*60 + 3) / 86400.0) -> "2012年8月24日8时45分3秒"
//   dateTimeToText(41145.0 + 8 / 24.0)                       -> "2012年8月24日8时"
//   dateTimeToText(41145.0)                                  -> "2012年8月24日"
//   dateTimeToText(41145.999996)                             -> "2012年8月25日"
//   dateTimeToText(-1.25)                                    -> "1899年12月29日6时"
//   dateTimeToText(NaN)                                      -> "9999年12月31日"
// The text is GBK.
std::string dateTimeToText(double value);

void timer1Ticked(Host& host);       // writes the time into 编辑框11
void editBox11Changed(Host& host);   // does nothing

}  // namespace quorvane
