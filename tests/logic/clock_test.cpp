// The clock: date-time values as calendar texts, the local time under a fixed
// zone, and the tick writing the clock box.
#include "clock/clock.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "fake_host.h"

namespace quorvane {
namespace {

using testing::FakeHost;
using testing::gbk;

// The value of a date (as a day number) and a time of day; before day 0 the
// time of day counts backwards.
double at(int day, int hour, int minute, int second) {
  const double time = (hour * 3600 + minute * 60 + second) / 86400.0;
  return day < 0 ? day - time : day + time;
}

TEST(DateTimeToText, Table) {
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  constexpr double kInf = std::numeric_limits<double>::infinity();
  struct Case {
    double value;
    std::string_view text;
  };
  const Case cases[] = {
      // The time part by which fields are zero.
      {at(41145, 8, 45, 3), "2012年8月24日8时45分3秒"},
      {at(41145, 8, 45, 0), "2012年8月24日8时45分"},
      {at(41145, 8, 0, 0), "2012年8月24日8时"},
      {at(41145, 0, 0, 0), "2012年8月24日"},
      {at(41145, 0, 0, 7), "2012年8月24日0时0分7秒"},
      {at(41145, 0, 30, 0), "2012年8月24日0时30分"},
      {at(41145, 13, 0, 30), "2012年8月24日13时0分30秒"},
      {at(41145, 12, 0, 0), "2012年8月24日12时"},
      {41145.5, "2012年8月24日12时"},
      {at(41275, 9, 5, 0), "2013年1月1日9时5分"},
      {at(41274, 23, 59, 59), "2012年12月31日23时59分59秒"},
      {at(36585, 23, 0, 1), "2000年2月29日23时0分1秒"},
      {at(45351, 6, 7, 8), "2024年2月29日6时7分8秒"},
      {61, "1900年3月1日"},
      {25569, "1970年1月1日"},
      // To the nearest second, carried into the next day.
      {41145.999996, "2012年8月25日"},
      {41145 + 59.6 / 86400, "2012年8月24日0时1分"},
      {41145 + 59.49 / 86400, "2012年8月24日0时0分59秒"},
      // Day 0 and before: the time of day is subtracted.
      {0, "1899年12月30日"},
      {0.5, "1899年12月30日12时"},
      {-0.5, "1899年12月30日12时"},
      {1, "1899年12月31日"},
      {-1, "1899年12月29日"},
      {-1.25, "1899年12月29日6时"},
      {at(-109512, 12, 34, 56), "1600年2月29日12时34分56秒"},
      {-657434, "100年1月1日"},
      {2958465, "9999年12月31日"},
      {at(2958464, 18, 0, 0), "9999年12月30日18时"},
      // Clamps.
      {2958465.5, "9999年12月31日"},
      {3000000, "9999年12月31日"},
      {kInf, "9999年12月31日"},
      {kNaN, "9999年12月31日"},
      {-kNaN, "9999年12月31日"},
      {-700000, "100年1月1日"},
      {-657434.5, "100年1月1日"},
      {at(-657434, 23, 59, 59), "100年1月1日"},  // its times of day lie below the earliest value
      {-kInf, "100年1月1日"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(::testing::Message() << std::hexfloat << k.value << " -> " << k.text);
    EXPECT_EQ(dateTimeToText(k.value), gbk(k.text));
  }
}

// Sets TZ for one test and puts the old one back.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* zone) {
    if (const char* old = std::getenv("TZ")) old_ = old;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~ScopedTimeZone() {
    if (old_) {
      setenv("TZ", old_->c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }
  ScopedTimeZone(const ScopedTimeZone&) = delete;
  ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

 private:
  std::optional<std::string> old_;
};

// The value for a moment, computed from the seconds since 1970 and a fixed
// offset east of UTC; 1 January 1970 is day 25569.
double valueAt(std::time_t utc, long offsetSeconds) {
  const long long local = static_cast<long long>(utc) + offsetSeconds;
  long long days = local / 86400;
  long long seconds = local % 86400;
  if (seconds < 0) {
    seconds += 86400;
    --days;
  }
  return static_cast<double>(25569 + days) + static_cast<double>(seconds) / 86400.0;
}

TEST(CurrentDateTime, FollowsTheZoneOffset) {
  struct Case {
    const char* zone;
    long offset;
  };
  const Case cases[] = {
      {"UTC0", 0},
      {"<+0530>-5:30", 5 * 3600 + 30 * 60},
      {"<-10>10", -10 * 3600},
      {"<+1345>-13:45", 13 * 3600 + 45 * 60},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.zone);
    ScopedTimeZone zone(k.zone);
    const std::time_t before = std::time(nullptr);
    const double value = currentDateTime();
    const std::time_t after = std::time(nullptr);
    bool matched = false;
    for (std::time_t t = before; t <= after; ++t)
      matched = matched || value == valueAt(t, k.offset);
    EXPECT_TRUE(matched) << std::fixed << value << " vs " << valueAt(before, k.offset);
    // Whole seconds only.
    const double seconds = (value - std::floor(value)) * 86400.0;
    EXPECT_NEAR(seconds, std::round(seconds), 1e-6);
  }
}

TEST(ClockHandler, EachTickWritesTheTimeIntoItsBox) {
  FakeHost host;
  EXPECT_EQ(host.text("编辑框11"), "");
  host.writes.clear();
  const std::string before = dateTimeToText(currentDateTime());
  host.tick();
  const std::string after = dateTimeToText(currentDateTime());
  const std::string shown = host.text("编辑框11");
  EXPECT_TRUE(shown == before || shown == after) << shown;
  ASSERT_EQ(host.writes.size(), 1u);
  EXPECT_EQ(host.writes[0].control, testing::controlNamed("编辑框11"));

  // What the user typed lasts until the next tick.
  host.type("编辑框11", "x");
  EXPECT_EQ(host.text("编辑框11"), shown + "x");
  host.tick();
  EXPECT_NE(host.text("编辑框11").back(), 'x');
  EXPECT_EQ(host.writes.size(), 2u);
}

}  // namespace
}  // namespace quorvane
