// Every one of the 2^32 single bit patterns through singleToText, against a
// reference that pre-rounds the way the rule is first described: the scaled
// value formed in 64-bit-significand floating point, rounded to a double, its
// fraction judged halves-up; the text then written by std::to_chars in the
// "%.6g" style with the exponent widened to three digits.
//
// singleToText scales exactly instead. The two may differ only where the
// scaled value lies within 1e-10 of a half-integer; those patterns are
// checked against the exact decimal digits printed by the C library instead,
// and counted.
//
// Labelled slow: run with ctest -L slow.
#include "text/numbers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace quorvane {
namespace {

static_assert(std::numeric_limits<long double>::digits >= 64,
              "the reference needs a 64-bit-significand long double");

constexpr std::array<long double, 46> kPowersOfTen = [] {
  std::array<long double, 46> powers{};
  long double p = 1;
  for (auto& power : powers) {
    power = p;
    p *= 10;  // exact up to 10^27, correctly rounded beyond within an ulp or two
  }
  return powers;
}();

long double scale(long double magnitude, int exponent) {
  return exponent >= 0 ? magnitude * kPowersOfTen[exponent] : magnitude / kPowersOfTen[-exponent];
}

// "%.6g"-style text of a double with a three-digit exponent.
std::string sixDigitText(double value) {
  char text[32];
  char* end = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 6).ptr;
  std::string result(text, end);
  const auto e = result.find('e');
  if (e != std::string::npos) {
    const std::string exponentDigits = result.substr(e + 2);
    result = result.substr(0, e + 2) + std::string(3 - exponentDigits.size(), '0') + exponentDigits;
  }
  return result;
}

struct Reference {
  std::string text;
  bool nearHalf;  // the scaled value lies within 1e-10 of a half-integer
};

Reference referenceSingleText(float value) {
  if (std::isnan(value)) return {"1.#QNAN", false};
  if (std::isinf(value)) return {value < 0 ? "-1.#INF" : "1.#INF", false};
  if (value == 0) return {"0", false};

  const long double magnitude = std::fabs(static_cast<long double>(value));
  int n = std::max(static_cast<int>(std::floor(std::log10(magnitude))), -39);
  long double scaled = scale(magnitude, 5 - n);
  if (scaled >= 1e6L) scaled = scale(magnitude, 5 - ++n);
  if (scaled < 1e5L && n > -39) scaled = scale(magnitude, 5 - --n);

  const double s = static_cast<double>(scaled);
  const double whole = std::floor(s);
  const double rounded = s - whole >= 0.5 ? whole + 1 : whole;
  const bool nearHalf = std::fabs(scaled - std::floor(scaled) - 0.5L) < 1e-10L;
  if (rounded == 0) return {"0", nearHalf};

  const long double result = scale(static_cast<long double>(rounded), n - 5);
  const double shown = static_cast<double>(value < 0 ? -result : result);
  return {sixDigitText(shown), nearHalf};
}

// The exact route, from all the decimal digits of the single: keep the digits
// down to the place 10^(n-5) (n clamped at -39), add one when the next is 5
// or more.
std::string exactSingleText(float value) {
  char text[256];
  std::snprintf(text, sizeof text, "%.150e", std::fabs(static_cast<double>(value)));
  const std::string printed = text;
  const auto e = printed.find('e');
  const std::string digits = printed.substr(0, 1) + printed.substr(2, e - 2);
  const int power = std::atoi(printed.c_str() + e + 1);
  const int n = std::max(power, -39);
  const int kept = 6 - (n - power);  // digits at places 10^(n-5) and above
  long long r = 0;
  for (int i = 0; i < kept; ++i) r = r * 10 + (digits[i] - '0');
  if (kept >= 0 && digits[kept] >= '5') ++r;
  if (r == 0) return "0";
  const long double result = scale(static_cast<long double>(r), n - 5);
  return sixDigitText(static_cast<double>(value < 0 ? -result : result));
}

TEST(SingleToTextSweep, AllBitPatterns) {
  const unsigned threads = std::max(1u, std::thread::hardware_concurrency());
  constexpr std::uint64_t kPatterns = std::uint64_t{1} << 32;
  std::atomic<std::uint64_t> mismatches{0};
  std::atomic<std::uint64_t> nearHalves{0};
  std::atomic<std::uint64_t> routesDiffer{0};
  std::mutex reportLock;
  std::vector<std::string> reports;

  const auto started = std::chrono::steady_clock::now();
  std::vector<std::thread> workers;
  for (unsigned t = 0; t < threads; ++t) {
    workers.emplace_back([&, t] {
      const std::uint64_t first = kPatterns * t / threads;
      const std::uint64_t last = kPatterns * (t + 1) / threads;
      for (std::uint64_t bits = first; bits < last; ++bits) {
        const float value = std::bit_cast<float>(static_cast<std::uint32_t>(bits));
        const std::string got = singleToText(value);
        const Reference reference = referenceSingleText(value);
        if (reference.nearHalf) ++nearHalves;
        if (got == reference.text) continue;
        if (reference.nearHalf) {
          ++routesDiffer;
          if (got == exactSingleText(value)) continue;
        }
        if (++mismatches <= 20) {
          char line[160];
          std::snprintf(line, sizeof line, "bits %08x (%.9g): got %s, expected %s",
                        static_cast<unsigned>(bits), static_cast<double>(value), got.c_str(),
                        reference.text.c_str());
          const std::lock_guard lock(reportLock);
          reports.push_back(line);
        }
      }
    });
  }
  for (auto& worker : workers) worker.join();
  const auto seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

  for (const auto& report : reports) ADD_FAILURE() << report;
  EXPECT_EQ(mismatches.load(), 0u);
  std::printf(
      "Swept 2^32 singles in %.0f s on %u threads; %llu within 1e-10 of a half, %llu where the "
      "64-bit-significand route and the exact route differ\n",
      seconds, threads, static_cast<unsigned long long>(nearHalves.load()),
      static_cast<unsigned long long>(routesDiffer.load()));
}

TEST(SingleToTextSweep, ReferenceAgreesWithTheWorkedExamples) {
  EXPECT_EQ(referenceSingleText(123456.5f).text, "123457");
  EXPECT_EQ(referenceSingleText(1000005.0f).text, "1.00001e+006");
  EXPECT_EQ(referenceSingleText(9.999999f).text, "10");
  EXPECT_EQ(referenceSingleText(1e-40f).text, "1e-040");
  EXPECT_EQ(referenceSingleText(std::bit_cast<float>(0x00000001u)).text, "0");
  EXPECT_EQ(exactSingleText(123456.5f), "123457");
  EXPECT_EQ(exactSingleText(1e-40f), "1e-040");
  EXPECT_EQ(exactSingleText(2.0f / 3), "0.666667");
}

}  // namespace
}  // namespace quorvane
