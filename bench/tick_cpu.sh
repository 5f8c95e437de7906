#!/usr/bin/env bash
# The idle cost of the 1 ms clock: CPU of the program (trace on, to count its ticks) against
# a window whose 1 ms precise timer does nothing (bench/desktop/bare_timer), both under a
# private Xvfb and openbox, one after the other, alternating.
#
#   bench/tick_cpu.sh [-b BUILD_DIR] [-n RUNS] [SECONDS]   (defaults: build/release, 5, 10)
#
# Each run starts the program, waits for its window, lets it settle for 1 s, then reads
# utime + stime from /proc/PID/stat at the start and at the end of SECONDS of wall time:
# CPU is that difference as a percentage of one core (clock ticks of 1/CLK_TCK s, so the
# resolution is 1 % of a core-second over the window). Esc then closes the program, which
# prints "ticks <N> seconds <S>": the tick rate is N / S over its whole run.
# A second CPU figure comes from the scheduler's nanosecond accounting of the process's
# threads (/proc/PID/task/*/schedstat) over the same window: the same quantity without the
# clock ticks' coarseness, shown to tell small differences apart.
# Goals: the program at most 1.15 times the bare timer's CPU, at least 800 ticks a second.
set -u
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$root/build/release
runs=5
while getopts 'b:n:' opt; do
  case $opt in
    b) build=$OPTARG ;;
    n) runs=$OPTARG ;;
    *)
      echo "usage: $0 [-b BUILD_DIR] [-n RUNS] [SECONDS]" >&2
      exit 2
      ;;
  esac
done
shift $((OPTIND - 1))
seconds=${1:-10}

program=$build/src/app/quorvane
bare=$build/bench/desktop/bare_timer
for f in "$program" "$bare"; do
  if [[ ! -x $f ]]; then
    echo "missing $f: build first (cmake --build $build)" >&2
    exit 1
  fi
done

source "$root/tests/desktop/xvfb_lib.sh"
xl_setup 1280x1024 || exit 1
hz=$(getconf CLK_TCK)

# measure NAME PROGRAM: one run; appends to NAME_cpu, NAME_fine and NAME_rate.
measure() {
  local name=$1 prog=$2 out=$XL_TMP/$1.$RANDOM
  QUORVANE_TRACE=1 xl_start "$out" "$prog"
  local pid=$XL_LAST_PID wid
  if ! wid=$(xl_wait_window "$pid" 15); then
    xl_stop "$pid"
    return 1
  fi
  sleep 1
  local c0 c1 n0 n1 t0 t1
  c0=$(xl_cpu_ticks "$pid")
  n0=$(xl_cpu_ns "$pid")
  t0=$(xl_now_ms)
  sleep "$seconds"
  c1=$(xl_cpu_ticks "$pid")
  n1=$(xl_cpu_ns "$pid")
  t1=$(xl_now_ms)
  xl_activate "$wid"
  timeout 5 xdotool key Escape
  if ! xl_wait_exit "$pid" 5; then
    echo "$name: still running 5 s after Esc; stopped" >&2
    xl_stop "$pid"
  fi
  local cpu fine rate
  cpu=$(awk -v c=$((c1 - c0)) -v hz="$hz" -v ms=$((t1 - t0)) \
    'BEGIN { printf "%.2f", 100 * c / hz / (ms / 1000) }')
  fine=$(awk -v ns=$((n1 - n0)) -v ms=$((t1 - t0)) 'BEGIN { printf "%.3f", ns / 1e4 / ms }')
  rate=$(awk '/^ticks [0-9]+ seconds / { r = ($4 > 0) ? $2 / $4 : 0 } END {
    if (r == "") print "n/a"; else printf "%.0f", r }' "$out.err")
  eval "${name}_cpu+=(\"\$cpu\")"
  eval "${name}_fine+=(\"\$fine\")"
  eval "${name}_rate+=(\"\$rate\")"
}

median() { printf '%s\n' "$@" | grep -v 'n/a' | sort -g | awk '{ v[NR] = $1 } END {
  if (NR == 0) { print "n/a"; exit }
  if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

quorvane_cpu=() quorvane_fine=() quorvane_rate=() bare_cpu=() bare_fine=() bare_rate=()
for ((i = 1; i <= runs; i++)); do
  measure quorvane "$program"
  measure bare "$bare"
done

q_cpu=$(median "${quorvane_cpu[@]}")
b_cpu=$(median "${bare_cpu[@]}")
q_fine=$(median "${quorvane_fine[@]}")
b_fine=$(median "${bare_fine[@]}")
q_rate=$(median "${quorvane_rate[@]}")
b_rate=$(median "${bare_rate[@]}")
echo "screen 1280x1024 under Xvfb $DISPLAY with openbox; $runs runs of $seconds s each," \
  "alternating; load average $(cut -d' ' -f1-3 /proc/loadavg)"
printf 'quorvane    CPU %% of a core, /proc stat: median %6s   runs: %s\n' "$q_cpu" "${quorvane_cpu[*]}"
printf 'bare_timer  CPU %% of a core, /proc stat: median %6s   runs: %s\n' "$b_cpu" "${bare_cpu[*]}"
printf 'quorvane    CPU %% of a core, schedstat: median %6s   runs: %s\n' "$q_fine" "${quorvane_fine[*]}"
printf 'bare_timer  CPU %% of a core, schedstat: median %6s   runs: %s\n' "$b_fine" "${bare_fine[*]}"
printf 'quorvane    ticks a second:             median %6s   runs: %s\n' "$q_rate" "${quorvane_rate[*]}"
printf 'bare_timer  ticks a second:             median %6s   runs: %s\n' "$b_rate" "${bare_rate[*]}"
awk -v q="$q_cpu" -v b="$b_cpu" -v qf="$q_fine" -v bf="$b_fine" -v r="$q_rate" 'BEGIN {
  if (q == "n/a" || b == "n/a" || b <= 0) {
    print "ratio quorvane / bare_timer: n/a"
  } else {
    ratio = q / b
    printf "ratio quorvane / bare_timer: %.3f (goal at most 1.15: %s)\n", ratio,
      ratio <= 1.15 ? "met" : "MISSED"
  }
  if (qf != "n/a" && bf != "n/a" && bf > 0)
    printf "ratio by schedstat:          %.3f\n", qf / bf
  printf "quorvane tick rate: %s a second (goal at least 800: %s)\n", r,
    (r != "n/a" && r >= 800) ? "met" : "MISSED"
}'
