#!/usr/bin/env bash
# Soak: the real program left running with its 1 ms clock ticking, under a private Xvfb and
# openbox, beside the bare 1 ms Qt timer (bench/desktop/bare_timer) started at the same moment
# in the same X server, so that both see the same machine.
#
#   bench/soak.sh [-b BUILD_DIR] [SECONDS]      (defaults: build/release, 600)
#
# Every 10 s it prints both processes' resident memory (VmRSS) and their CPU over the last
# interval. At the end:
#   - memory: the program's VmRSS at the end against its value after the first minute (after
#     half the run when it is shorter than two minutes); goal: within 1 MiB;
#   - CPU: the program's CPU from then to the end against the bare timer's over the same
#     time, from /proc/PID/stat clock ticks and from the scheduler's nanosecond accounting;
#     goal: at most 1.15 times the bare timer's;
#   - the tick rate of both over their whole run (from their "ticks N seconds S" line).
# Exit status 0 when both goals are met.
set -u
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$root/build/release
while getopts 'b:' opt; do
  case $opt in
    b) build=$OPTARG ;;
    *)
      echo "usage: $0 [-b BUILD_DIR] [SECONDS]" >&2
      exit 2
      ;;
  esac
done
shift $((OPTIND - 1))
seconds=${1:-600}
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
timeout 5 xdotool mousemove 1270 1010
hz=$(getconf CLK_TCK)

QUORVANE_TRACE=1 xl_start "$XL_TMP/program" "$program"
qpid=$XL_LAST_PID
xl_start "$XL_TMP/bare" "$bare"
bpid=$XL_LAST_PID
qwid=$(xl_wait_window "$qpid" 20) || exit 1
bwid=$(xl_wait_window "$bpid" 20) || exit 1
start=$(xl_now_ms)
baseline_at=$((seconds >= 120 ? 60 : seconds / 2))

echo "soak of $seconds s; program pid $qpid, bare timer pid $bpid; screen 1280x1024 under" \
  "Xvfb $DISPLAY with openbox; $(nproc) cores"
printf '%8s %12s %12s %10s %10s\n' "time s" "RSS KiB" "bare KiB" "CPU %" "bare CPU %"
q_prev=$(xl_cpu_ticks "$qpid")
b_prev=$(xl_cpu_ticks "$bpid")
t_prev=$start
base_rss="" base_q="" base_b="" base_qns="" base_bns="" base_t=""
next=10
while true; do
  now_s=$((($(xl_now_ms) - start) / 1000))
  if ((now_s >= baseline_at)) && [[ -z $base_rss ]]; then
    base_rss=$(xl_rss_kib "$qpid")
    base_q=$(xl_cpu_ticks "$qpid")
    base_b=$(xl_cpu_ticks "$bpid")
    base_qns=$(xl_cpu_ns "$qpid")
    base_bns=$(xl_cpu_ns "$bpid")
    base_t=$(xl_now_ms)
    echo "baseline at $now_s s: program VmRSS $base_rss KiB"
  fi
  if ((now_s >= next)) || ((now_s >= seconds)); then
    t=$(xl_now_ms)
    q=$(xl_cpu_ticks "$qpid") || break
    b=$(xl_cpu_ticks "$bpid") || break
    awk -v t="$now_s" -v r="$(xl_rss_kib "$qpid")" -v br="$(xl_rss_kib "$bpid")" \
      -v q=$((q - q_prev)) -v b=$((b - b_prev)) -v hz="$hz" -v ms=$((t - t_prev)) \
      'BEGIN { printf "%8d %12d %12d %10.1f %10.1f\n", t, r, br, 100 * q / hz / (ms / 1000),
               100 * b / hz / (ms / 1000) }'
    q_prev=$q b_prev=$b t_prev=$t
    next=$((next + 10))
  fi
  ((now_s >= seconds)) && break
  sleep 1
done

end_rss=$(xl_rss_kib "$qpid")
end_q=$(xl_cpu_ticks "$qpid")
end_b=$(xl_cpu_ticks "$bpid")
end_qns=$(xl_cpu_ns "$qpid")
end_bns=$(xl_cpu_ns "$bpid")
end_t=$(xl_now_ms)

for pair in "$qpid:$qwid" "$bpid:$bwid"; do
  xl_activate "${pair#*:}"
  timeout 5 xdotool key Escape
  xl_wait_exit "${pair%%:*}" 10 || xl_stop "${pair%%:*}"
done
rate() { awk '/^ticks [0-9]+ seconds / { gsub(",", ".", $4); r = ($4 > 0) ? $2 / $4 : 0 }
  END { if (r == "") print "n/a"; else printf "%.0f", r }' "$1"; }

echo "load average $(cut -d' ' -f1-3 /proc/loadavg)"
awk -v base="$base_rss" -v end="$end_rss" -v at="$baseline_at" -v s="$seconds" \
  -v q=$((end_q - base_q)) -v b=$((end_b - base_b)) -v hz="$hz" -v ms=$((end_t - base_t)) \
  -v qns=$((end_qns - base_qns)) -v bns=$((end_bns - base_bns)) \
  -v qrate="$(rate "$XL_TMP/program.err")" -v brate="$(rate "$XL_TMP/bare.err")" 'BEGIN {
  growth = end - base
  printf "program VmRSS: %d KiB at %d s, %d KiB at %d s: %+d KiB (goal within 1024 KiB: %s)\n",
    base, at, end, s, growth, (growth <= 1024 && growth >= -1024) ? "met" : "MISSED"
  qc = 100 * q / hz / (ms / 1000); bc = 100 * b / hz / (ms / 1000)
  printf "CPU from %d s to the end, /proc stat: program %.2f %%, bare timer %.2f %% of a core",
    at, qc, bc
  ratio = bc > 0 ? qc / bc : 0
  printf ": ratio %.3f (goal at most 1.15: %s)\n", ratio, (bc > 0 && ratio <= 1.15) ? "met" : "MISSED"
  if (bns > 0) printf "CPU by schedstat: program %.3f %%, bare timer %.3f %%: ratio %.3f\n",
    qns / 1e4 / ms, bns / 1e4 / ms, qns / bns
  printf "ticks a second over the whole run: program %s, bare timer %s\n", qrate, brate
  exit !((growth <= 1024 && growth >= -1024) && bc > 0 && ratio <= 1.15)
}'
