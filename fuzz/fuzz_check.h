// A check that stops the fuzzer with a message when an invariant fails.
#pragma once

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition, ...)                                  \
  do {                                                              \
    if (!(condition)) {                                             \
      std::fprintf(stderr, "Invariant failed: %s\n  ", #condition); \
      std::fprintf(stderr, __VA_ARGS__);                            \
      std::fprintf(stderr, "\n");                                   \
      std::abort();                                                 \
    }                                                               \
  } while (false)
