// The clock: reading the local time and writing it as a Chinese calendar text.
//
// The tick runs about 800 times a second for as long as the program does, so
// its path stays cheap: localCalendarTime (which keeps the zone rules it loaded once
// instead of re-reading them on every call, as localtime() does), calendar
// arithmetic on day numbers, and one text built in a stack buffer.
#include "clock/clock.h"

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <ctime>
#include <string_view>

#include "clock/local_time.h"
#include "ui/window_description.h"

namespace quorvane {
namespace {

using std::chrono::days;
using std::chrono::sys_days;
using std::chrono::year_month_day;

constexpr sys_days kDayZero{std::chrono::year{1899} / std::chrono::December / 30};
constexpr double kSecondsPerDay = 86400.0;
constexpr double kLatest = 2958465.0;    // 31 December 9999, 00:00:00
constexpr double kEarliest = -657434.0;  // 1 January 100, 00:00:00

// The GBK bytes of the calendar characters.
constexpr std::string_view kYear = "\xC4\xEA";    // 年
constexpr std::string_view kMonth = "\xD4\xC2";   // 月
constexpr std::string_view kDay = "\xC8\xD5";     // 日
constexpr std::string_view kHour = "\xCA\xB1";    // 时
constexpr std::string_view kMinute = "\xB7\xD6";  // 分
constexpr std::string_view kSecond = "\xC3\xEB";  // 秒

constexpr ControlRef kClockBox = ui::control("编辑框11");

// Builds a short text without touching the heap until it is finished. The
// longest text, 9999年12月31日23时59分59秒, takes 30 bytes.
class ShortText {
 public:
  ShortText& number(int value) {
    end_ = std::to_chars(end_, buffer_ + sizeof buffer_, value).ptr;
    return *this;
  }
  ShortText& append(std::string_view bytes) {
    for (char c : bytes) *end_++ = c;
    return *this;
  }
  std::string str() const { return std::string(buffer_, static_cast<std::size_t>(end_ - buffer_)); }

 private:
  char buffer_[48];
  char* end_ = buffer_;
};

}  // namespace

double currentDateTime() {
  const std::time_t now = std::time(nullptr);
  const std::tm local = localCalendarTime(now);
  // Counting from the first of the month also copes with any day field.
  const sys_days date = sys_days{std::chrono::year{local.tm_year + 1900} /
                                 std::chrono::month{static_cast<unsigned>(local.tm_mon + 1)} / 1} +
                        days{local.tm_mday - 1};
  const auto dayNumber = static_cast<double>((date - kDayZero).count());
  const double timeOfDay =
      (local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec) / kSecondsPerDay;
  // Before day 0 the time of day counts backwards.
  return dayNumber < 0 ? dayNumber - timeOfDay : dayNumber + timeOfDay;
}

std::string dateTimeToText(double value) {
  if (std::isnan(value) || value > kLatest) {
    value = kLatest;
  } else if (value < kEarliest) {
    value = kEarliest;
  }

  // To the nearest second: half a second away from zero, then truncate.
  constexpr double kHalfSecond = 0.5 / kSecondsPerDay;
  const double rounded = value > 0 ? value + kHalfSecond : value - kHalfSecond;
  const auto dayNumber = static_cast<int>(std::trunc(rounded));
  const double magnitude = std::fabs(rounded);
  const auto seconds = static_cast<int>((magnitude - std::floor(magnitude)) * kSecondsPerDay);
  const int hour = seconds / 3600;
  const int minute = seconds / 60 % 60;
  const int second = seconds % 60;

  const year_month_day date{kDayZero + days{dayNumber}};
  ShortText text;
  text.number(static_cast<int>(date.year()))
      .append(kYear)
      .number(static_cast<int>(static_cast<unsigned>(date.month())))
      .append(kMonth)
      .number(static_cast<int>(static_cast<unsigned>(date.day())))
      .append(kDay);

  if (second != 0) {
    text.number(hour).append(kHour).number(minute).append(kMinute).number(second).append(kSecond);
  } else if (minute != 0) {
    text.number(hour).append(kHour).number(minute).append(kMinute);
  } else if (hour != 0) {
    text.number(hour).append(kHour);
  }
  return text.str();
}

void timer1Ticked(Host& host) {
  host.writeText(kClockBox, dateTimeToText(currentDateTime()));
}

void editBox11Changed(Host& /*host*/) {}

}  // namespace quorvane
