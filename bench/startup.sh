#!/usr/bin/env bash
# Start-up time and resident memory of the program, against a bare Qt window with 48 widgets
# of the same kinds (bench/desktop/bare_window), both under a private Xvfb and openbox.
#
#   bench/startup.sh [-b BUILD_DIR] [-n RUNS]      (defaults: build/release, 5 runs)
#
# How the time is taken: bench/desktop/map_clock subscribes to the structure events of the
# root window, reads the steady clock just before fork() and exec of the program, and reads it
# again when the event arrives that makes the program's window (found by _NET_WM_PID)
# viewable, i.e. when openbox maps the frame holding the mapped client. No polling is
# involved: the resolution is that of the clock and the X server's event delivery, tens of
# microseconds; fork and exec add well under a millisecond. On a busy machine that wall time
# grows with the load, so map_clock also reports the CPU time the program had used by then
# (scheduler accounting of its threads), which the load does not inflate.
# Memory: VmRSS from /proc/PID/status, 3 s after the window was mapped.
# Runs alternate between the two programs; each figure is the median of the runs.
set -u
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$root/build/release
runs=5
while getopts 'b:n:' opt; do
  case $opt in
    b) build=$OPTARG ;;
    n) runs=$OPTARG ;;
    *)
      echo "usage: $0 [-b BUILD_DIR] [-n RUNS]" >&2
      exit 2
      ;;
  esac
done

program=$build/src/app/quorvane
bare=$build/bench/desktop/bare_window
map_clock=$build/bench/desktop/map_clock
for f in "$program" "$bare" "$map_clock"; do
  if [[ ! -x $f ]]; then
    echo "missing $f: build first (cmake --build $build)" >&2
    exit 1
  fi
done

source "$root/tests/desktop/xvfb_lib.sh"
xl_setup 1280x1024 || exit 1

map_line() { grep -qs 'mapped_ms' "$1"; }

# measure NAME PROGRAM: one run; appends to the NAME_ms, NAME_cpu and NAME_kib arrays.
measure() {
  local name=$1 prog=$2 out=$XL_TMP/$1.$RANDOM
  xl_start "$out" "$map_clock" 10000 "$prog"
  local clock_pid=$XL_LAST_PID
  if ! xl_wait_for 12 map_line "$out.out"; then
    echo "$name: map_clock gave no answer" >&2
    xl_stop "$clock_pid"
    return 1
  fi
  local pid ms cpu
  read -r _ pid _ ms _ cpu <"$out.out"
  xl_track "$pid"
  if [[ $ms == timeout ]]; then
    echo "$name: no window within 10 s" >&2
    xl_stop "$pid"
    xl_stop "$clock_pid"
    return 1
  fi
  sleep 3
  local kib
  kib=$(xl_rss_kib "$pid")
  xl_stop "$pid"
  xl_stop "$clock_pid"
  eval "${name}_ms+=(\"\$ms\")"
  eval "${name}_cpu+=(\"\$cpu\")"
  eval "${name}_kib+=(\"\$kib\")"
}

median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END {
  if (NR == 0) { print "n/a"; exit }
  if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

quorvane_ms=() quorvane_cpu=() quorvane_kib=() bare_ms=() bare_cpu=() bare_kib=()
for ((i = 1; i <= runs; i++)); do
  measure quorvane "$program"
  measure bare "$bare"
done

report() { # NAME LABEL
  local -n ms=${1}_ms cpu=${1}_cpu kib=${1}_kib
  local m_ms m_cpu m_kib mib_runs=()
  m_ms=$(median "${ms[@]}")
  m_cpu=$(median "${cpu[@]}")
  m_kib=$(median "${kib[@]}")
  local k
  for k in "${kib[@]}"; do mib_runs+=("$(awk -v k="$k" 'BEGIN { printf "%.1f", k / 1024 }')"); done
  local verdict_ms verdict_mem
  verdict_ms=$(awk -v m="$m_ms" 'BEGIN { print (m != "n/a" && m <= 100) ? "met" : "MISSED" }')
  verdict_mem=$(awk -v k="$m_kib" 'BEGIN { print (k != "n/a" && k < 48 * 1024) ? "met" : "MISSED" }')
  printf '%-12s exec to mapped window: median %8s ms   runs: %s\n' "$2" "$m_ms" "${ms[*]}"
  printf '%-12s CPU used until mapped: median %8s ms   runs: %s\n' "" "$m_cpu" "${cpu[*]}"
  printf '%-12s VmRSS 3 s after map:   median %8s MiB  runs: %s\n' "" \
    "$(awk -v k="$m_kib" 'BEGIN { printf "%.1f", k / 1024 }')" "${mib_runs[*]}"
  if [[ $1 == quorvane ]]; then
    printf '%-12s goals: mapped within 100 ms of exec: %s; under 48 MiB: %s\n' "" \
      "$verdict_ms" "$verdict_mem"
  fi
}

echo "screen 1280x1024 under Xvfb $DISPLAY with openbox; $runs runs each, alternating;" \
  "load average $(cut -d' ' -f1-3 /proc/loadavg)"
report quorvane quorvane
report bare bare_window
