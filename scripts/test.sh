#!/usr/bin/env bash
# Set up, build and run every test: the release build's tests (unit, widget
# and real-window), then all of them again built with clang under
# AddressSanitizer, UndefinedBehaviorSanitizer and LeakSanitizer (the window,
# its monkey test and the program under Xvfb included), together with short
# libFuzzer runs.
# Tests labelled "slow" are skipped; run them with: ctest --test-dir build/release -L slow
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

quorvane_build "$QUORVANE_ROOT/build/sanitize" \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DQUORVANE_GUI=ON -DQUORVANE_SANITIZE=ON -DQUORVANE_FUZZ=ON
ctest --test-dir "$QUORVANE_ROOT/build/sanitize" --output-on-failure -j2 -LE slow

ctest --test-dir "$QUORVANE_ROOT/build/release" --output-on-failure -j2 -LE slow
