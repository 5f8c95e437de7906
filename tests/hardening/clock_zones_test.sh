#!/usr/bin/env bash
# The clock box across a daylight-saving change and in another zone, with the system clock
# faked by libfaketime (Debian package faketime): the real window's clock is watched by
# clock_watch, which prints every text the box takes.
#   - America/New_York, spring forward (10 March 2024, 02:00 EST becomes 03:00 EDT): started at
#     01:59:57, the box goes from 1时59分59秒 straight to 3时; no 2 o'clock is ever shown.
#   - America/New_York, fall back (3 November 2024, 02:00 EDT becomes 01:00 EST): from
#     1时59分59秒 back to 1时.
#   - Asia/Shanghai (no daylight saving, UTC+8): the spring-forward instant is 14:59:59 to
#     15:00 there, and noon UTC on 1 June 2024 is 20时.
#
#   clock_zones_test.sh CLOCK_WATCH
set -u
watch=$1
lib=""
for candidate in /usr/lib/*/faketime/libfaketime.so.1 /usr/lib/faketime/libfaketime.so.1; do
  [[ -e $candidate ]] && lib=$candidate && break
done
if [[ -z $lib ]]; then
  echo "FAILED libfaketime is missing: install the Debian package faketime (see packages.txt)"
  exit 1
fi

failures=0
pass() { printf 'ok     %s\n' "$*"; }
fail() {
  printf 'FAILED %s\n' "$*"
  failures=$((failures + 1))
}

# watch_zone NAME TZ START_EPOCH UNTIL BEFORE AFTER [ABSENT]: runs the watcher with the clock
# starting at START_EPOCH (seconds since 1970, UTC) in zone TZ until the box shows UNTIL; the
# box must show BEFORE immediately followed by AFTER, and no text containing ABSENT.
watch_zone() {
  local name=$1 tz=$2 start=$3 until=$4 before=$5 after=$6 absent=${7:-}
  local out
  out=$(mktemp)
  # A relative offset: the faked clock starts at START_EPOCH and runs on at the real pace;
  # monotonic clocks (Qt's timers) stay real.
  local offset=$((start - $(date +%s)))
  TZ=$tz LD_PRELOAD=$lib FAKETIME="${offset}s" FAKETIME_DONT_FAKE_MONOTONIC=1 \
    ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0" \
    timeout 60 "$watch" "$until" 20 >"$out" 2>"$out.err"
  local rc=$?
  if ((rc != 0)); then
    fail "$name: the box never showed $until (exit code $rc); it showed: $(tail -n 3 "$out" | paste -sd ' ')"
    tail -n 5 "$out.err"
  elif grep -A1 -xF -- "$before" "$out" | tail -n 1 | grep -qxF -- "$after"; then
    pass "$name: $before, then $after"
  else
    fail "$name: expected $before followed by $after; the box showed: $(paste -sd ' ' "$out")"
  fi
  if [[ -n $absent ]] && grep -qF -- "$absent" "$out"; then
    fail "$name: the box showed $(grep -F -- "$absent" "$out" | head -n 1)"
  fi
  rm -f "$out" "$out.err"
}

# 2024-03-10 06:59:57 UTC = 01:59:57 EST.
watch_zone "New York, spring forward" America/New_York 1710053997 \
  "2024年3月10日3时0分1秒" "2024年3月10日1时59分59秒" "2024年3月10日3时" "日2时"
# 2024-11-03 05:59:57 UTC = 01:59:57 EDT.
watch_zone "New York, fall back" America/New_York 1730613597 \
  "2024年11月3日1时0分1秒" "2024年11月3日1时59分59秒" "2024年11月3日1时"
watch_zone "Shanghai, at New York's spring-forward instant" Asia/Shanghai 1710053997 \
  "2024年3月10日15时0分1秒" "2024年3月10日14时59分59秒" "2024年3月10日15时"
# 2024-06-01 11:59:57 UTC.
watch_zone "Shanghai, noon UTC" Asia/Shanghai 1717243197 \
  "2024年6月1日20时0分1秒" "2024年6月1日19时59分59秒" "2024年6月1日20时"

echo "clock checks: $failures failed"
((failures == 0))
