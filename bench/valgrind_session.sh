#!/usr/bin/env bash
# The real program under valgrind's memcheck, worked through a scripted session under a private
# Xvfb and openbox: a notice raised and closed, a few hundred clicks on every key and
# keystrokes into every edit box (digits, letters, Chinese and full-width text, Tab and
# Shift+Tab, Backspace, undo), both hyperlinks pressed (the desktop refuses: no browser on the
# program's PATH and nothing registered), then Esc. Not part of the test run: it takes minutes.
#
#   bench/valgrind_session.sh [-b BUILD_DIR] [-n ROUNDS]   (defaults: build/release, 6)
#
# Prints memcheck's error and leak summaries, then checks: no invalid read or write (nor any
# other memcheck error), and nothing definitely lost with a frame of the program's own code
# (the quorvane executable) in its allocation stack. Suppressions: bench/valgrind/quorvane.supp,
# each for a named toolkit or font-library site, with its reason. The full log is kept in
# BUILD_DIR/bench/valgrind_session.log. Exit status 0 when both checks hold.
set -u
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$root/build/release
rounds=6
while getopts 'b:n:' opt; do
  case $opt in
    b) build=$OPTARG ;;
    n) rounds=$OPTARG ;;
    *)
      echo "usage: $0 [-b BUILD_DIR] [-n ROUNDS]" >&2
      exit 2
      ;;
  esac
done
program=$build/src/app/quorvane
if [[ ! -x $program ]]; then
  echo "missing $program: build first (cmake --build $build)" >&2
  exit 1
fi
if ! command -v valgrind >/dev/null; then
  echo "missing valgrind (see packages.txt)" >&2
  exit 1
fi
program=$(readlink -f "$program")
log=$build/bench/valgrind_session.log
mkdir -p "$(dirname "$log")"

source "$root/tests/desktop/xvfb_lib.sh"
xl_setup 1280x1024 || exit 1
timeout 5 xdotool mousemove 1270 1010
mkdir -p "$XL_TMP/empty-bin"

started=$(xl_now_ms)
PATH="$XL_TMP/empty-bin" QUORVANE_TRACE=1 xl_start "$XL_TMP/program" \
  "$(command -v valgrind)" --tool=memcheck --leak-check=full --show-leak-kinds=definite \
  --errors-for-leak-kinds=definite --track-origins=yes --num-callers=40 \
  --suppressions="$root/bench/valgrind/quorvane.supp" --log-file="$log" "$program"
pid=$XL_LAST_PID
if ! wid=$(xl_wait_window "$pid" 180); then
  echo "no window within 180 s under valgrind; the log's end:" >&2
  tail -n 20 "$log" >&2
  exit 1
fi
echo "window mapped after $((($(xl_now_ms) - started) / 1000)) s under memcheck"
xl_activate "$wid"
trace=$XL_TMP/program.err

# Waits until the trace has grown by at least one line since the given count (bounded), so
# that the session does not run ahead of the slowed program.
trace_lines() { wc -l <"$trace"; }
settle() {
  local before=$1
  grown() { (($(trace_lines) > before)); }
  xl_wait_for 30 grown
}

# click_key LEFT TOP WIDTH HEIGHT: a click on the centre of a key, 2 px off the last click so
# that the pointer always moves (xdotool's --sync waits for the motion).
nudge=2
click_key() {
  nudge=$((-nudge))
  xl_click_client "$wid" $(($1 + $3 / 2 + nudge)) $(($2 + $4 / 2)) >/dev/null 2>&1
}
declare -A key=(
  [1]="8 40 40 32" [2]="56 40 40 32" [3]="104 40 40 32" [4]="8 80 40 32" [5]="56 80 40 32"
  [6]="104 80 40 32" [7]="8 120 40 32" [8]="56 120 40 32" [9]="104 120 40 32" [0]="8 160 40 32"
  [.]="104 160 40 32" [neg]="56 160 40 32" [+]="152 40 40 32" [-]="152 80 40 32"
  [*]="152 120 40 32" [/]="152 160 40 32" [clear]="208 48 80 24" [=]="208 11 80 24"
)
clicks=0
keys=0
press() {
  local k before
  for k in "$@"; do
    before=$(trace_lines)
    # shellcheck disable=SC2086
    click_key ${key[$k]}
    clicks=$((clicks + 1))
    # Keys that write the display show up in the trace; the others are given a moment.
    case $k in
      [0-9] | . | neg | + | - | '*' | / | clear | =) settle "$before" || true ;;
    esac
  done
}
# type_into LEFT TOP TEXT: a click into an edit box (70x24), then the text.
type_into() {
  xl_click_client "$wid" $(($1 + 35)) $(($2 + 12)) >/dev/null 2>&1
  clicks=$((clicks + 1))
  timeout 60 xdotool type --delay 120 "$3"
  keys=$((keys + ${#3}))
}
keystroke() {
  timeout 10 xdotool key --delay 150 "$@"
  keys=$((keys + $#))
}

# A notice: equals on the empty display; Return closes it.
press =
notice_up() { xdotool search --name '^信息：$' >/dev/null 2>&1; }
if xl_wait_for 60 notice_up; then
  keystroke Return
  notice_gone() { ! notice_up; }
  xl_wait_for 60 notice_gone || echo "the notice did not close" >&2
else
  echo "no notice appeared" >&2
fi

for ((r = 1; r <= rounds; r++)); do
  press 1 2 . 5 + 3 neg = 7 '*' 8 9 = 4 / 0 = 0 / 0 = clear
  press 6 5 4 - 3 2 1 = . 9 neg neg + 5 = = 2 . . 5 / 8 = clear
  type_into 363 36 "12.5cm"
  type_into 363 68 "3中文"
  type_into 363 100 "1e400"
  keystroke BackSpace BackSpace BackSpace ctrl+z ctrl+shift+z Tab Tab shift+Tab
  type_into 503 36 "typed"
  xl_click_client "$wid" 100 20 >/dev/null 2>&1
  clicks=$((clicks + 1))
  keystroke ctrl+a Delete 1 2 3
  press + 4 =
done
# Both hyperlinks: the desktop has no browser to offer, and nothing is registered.
xl_click_client "$wid" 84 228 >/dev/null 2>&1
xl_click_client "$wid" 84 260 >/dev/null 2>&1
clicks=$((clicks + 2))
sleep 2

xl_activate "$wid"
timeout 5 xdotool key Escape
if ! xl_wait_exit "$pid" 300; then
  echo "still running 300 s after Esc; stopped" >&2
  xl_stop "$pid" 10
fi
echo "session: $clicks clicks, $keys keystrokes, $rounds rounds; $(grep -c '^编辑框' "$trace")" \
  "box changes traced; exit code ${XL_EXIT_CODE:-none}; $((($(xl_now_ms) - started) / 1000)) s"
echo "--- memcheck ($log)"
grep -E 'ERROR SUMMARY|definitely lost|indirectly lost|possibly lost|still reachable|suppressed:' \
  "$log" | sed 's/^==[0-9]*== *//'

status=0
errors=$(sed -n 's/.*ERROR SUMMARY: \([0-9]*\) errors.*/\1/p' "$log" | tail -n 1)
invalid=$(grep -cE 'Invalid (read|write)|Invalid free|uninitialised|Mismatched free' "$log")
echo "invalid reads, writes, frees and uses of uninitialised values: $invalid"
# Definitely lost blocks with a frame in the program's own executable.
own=$(awk -v prog="$(basename "$program")" '
  /definitely lost in loss record/ { inrec = 1; hit = 0; next }
  inrec && /^==[0-9]+== *$/ { if (hit) n++; inrec = 0; next }
  inrec && (index($0, "/" prog ")") || index($0, "quorvane::")) { hit = 1 }
  END { print n + 0 }' "$log")
echo "definitely lost blocks allocated from the program's own code: $own"
if [[ ${errors:-x} != 0 ]]; then
  echo "memcheck reported ${errors:-no summary of} errors: see $log"
  status=1
fi
((invalid == 0 && own == 0)) || status=1
if ((status == 0)); then
  echo "result: no invalid access, nothing definitely lost from the program's own code"
fi
exit $status
