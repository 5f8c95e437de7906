// numberToText against snprintf("%.13g"), singleToText against
// snprintf("%.6g") and textToNumber against strtod, on the same inputs, then
// the ratio of each pair's CPU time (ours / the C library's).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#include "text/numbers.h"

namespace {

// Values like those the calculator and converter show: lengths typed by hand,
// their conversions (long fractions), results of all magnitudes, integers.
const std::vector<double>& sampleDoubles() {
  static const std::vector<double> values = [] {
    std::mt19937_64 random(1);
    std::uniform_real_distribution<double> logMagnitude(-8, 16);
    std::uniform_int_distribution<int> whole(0, 100000);
    std::vector<double> v;
    for (int i = 0; i < 1024; ++i) {
      switch (i % 4) {
        case 0:
          v.push_back(std::pow(10.0, logMagnitude(random)));
          break;
        case 1:
          v.push_back(whole(random));
          break;
        case 2:
          v.push_back(whole(random) * 0.9144);  // yards to metres
          break;
        default:
          v.push_back(-whole(random) / 36.0);
          break;
      }
    }
    return v;
  }();
  return values;
}

const std::vector<float>& sampleSingles() {
  static const std::vector<float> values = [] {
    std::vector<float> v;
    for (const double d : sampleDoubles()) v.push_back(static_cast<float>(d));
    return v;
  }();
  return values;
}

// Texts as typed into a box or read back from one.
const std::vector<std::string>& sampleTexts() {
  static const std::vector<std::string> texts = [] {
    std::vector<std::string> t;
    std::mt19937 random(2);
    std::uniform_int_distribution<int> whole(0, 9999);
    for (std::size_t i = 0; i < sampleDoubles().size(); ++i) {
      if (i % 2 == 0) {
        char text[32];
        std::snprintf(text, sizeof text, "%.13g", sampleDoubles()[i]);
        t.emplace_back(text);
      } else {
        t.push_back(std::to_string(whole(random)) + "." + std::to_string(whole(random) % 100));
      }
    }
    return t;
  }();
  return texts;
}

void numberToTextBench(benchmark::State& state) {
  const auto& values = sampleDoubles();
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(quorvane::numberToText(values[i++ & 1023]));
  }
}
BENCHMARK(numberToTextBench)->Name("numberToText");

void snprintf13gBench(benchmark::State& state) {
  const auto& values = sampleDoubles();
  std::size_t i = 0;
  char text[32];
  for (auto _ : state) {
    benchmark::DoNotOptimize(std::snprintf(text, sizeof text, "%.13g", values[i++ & 1023]));
    benchmark::ClobberMemory();
  }
}
BENCHMARK(snprintf13gBench)->Name("snprintf %.13g");

void singleToTextBench(benchmark::State& state) {
  const auto& values = sampleSingles();
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(quorvane::singleToText(values[i++ & 1023]));
  }
}
BENCHMARK(singleToTextBench)->Name("singleToText");

void snprintf6gBench(benchmark::State& state) {
  const auto& values = sampleSingles();
  std::size_t i = 0;
  char text[32];
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        std::snprintf(text, sizeof text, "%.6g", static_cast<double>(values[i++ & 1023])));
    benchmark::ClobberMemory();
  }
}
BENCHMARK(snprintf6gBench)->Name("snprintf %.6g");

void textToNumberBench(benchmark::State& state) {
  const auto& texts = sampleTexts();
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(quorvane::textToNumber(texts[i++ & 1023]));
  }
}
BENCHMARK(textToNumberBench)->Name("textToNumber");

void strtodBench(benchmark::State& state) {
  const auto& texts = sampleTexts();
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(std::strtod(texts[i++ & 1023].c_str(), nullptr));
  }
}
BENCHMARK(strtodBench)->Name("strtod");

// Reports as usual and keeps each benchmark's CPU time per iteration.
class RecordingReporter : public benchmark::ConsoleReporter {
 public:
  // Colours only on a terminal, so that redirected figures stay plain text.
  RecordingReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Iteration || run.aggregate_name == "median") {
        cpuTimes[run.run_name.function_name] = run.GetAdjustedCPUTime();
      }
    }
  }
  std::map<std::string, double> cpuTimes;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RecordingReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  const std::pair<const char*, const char*> pairs[] = {
      {"numberToText", "snprintf %.13g"},
      {"singleToText", "snprintf %.6g"},
      {"textToNumber", "strtod"},
  };
  std::printf("\nRatio of CPU time per call (goal: at most 1.0)\n");
  for (const auto& [ours, theirs] : pairs) {
    const auto a = reporter.cpuTimes.find(ours);
    const auto b = reporter.cpuTimes.find(theirs);
    if (a == reporter.cpuTimes.end() || b == reporter.cpuTimes.end() || b->second <= 0) continue;
    std::printf("%s / %s: %.2f\n", ours, theirs, a->second / b->second);
  }
  return 0;
}
