#!/usr/bin/env bash
# The real program under Xvfb and openbox, worked with the real mouse and keyboard and
# watched through its trace (QUORVANE_TRACE): clicks 1, 2, +, 3, 等于 on the keys' places,
# types 36 into the inch box, then closes with Esc and reads the clock's tick count.
#
#   end_to_end_test.sh PROGRAM
set -u
program=$1
source "$(dirname "${BASH_SOURCE[0]}")/xvfb_lib.sh"

xl_setup 1280x1024 || exit 1
timeout 5 xdotool mousemove 1270 1010

export QUORVANE_TRACE=1
xl_start "$XL_TMP/program" "$program"
pid=$XL_LAST_PID
trace=$XL_TMP/program.err
if ! wid=$(xl_wait_window "$pid" 15); then
  cat "$trace" >&2
  exit 1
fi
xl_wait_settled "$wid"
xl_activate "$wid"

# Trace lines of one control, trailing blanks dropped (an emptied box traces as its name).
lines_of() { grep "^$1\( \|\$\)" "$trace" | sed 's/[[:space:]]*$//'; }
traced() { lines_of "${1%% *}" | grep -qxF -- "$1"; }

# expect_traced LINE: waits (bounded) for the line to appear in the trace.
expect_traced() {
  if xl_wait_for 5 traced "$1"; then
    xl_pass "traced: $1"
  else
    xl_fail "not traced within 5 s: $1"
  fi
}

# click_key NAME LEFT TOP WIDTH HEIGHT: a click on the centre of a key. Each of
# these keys writes the display: waits (bounded) until the program has traced
# that, so that a busy machine cannot make the next click overtake it.
display_writes() { grep -c '^编辑框1\( \|$\)' "$trace"; }
display_grown() { (($(display_writes) >= $1)); }
click_key() {
  local want=$(($(display_writes) + 1))
  if ! xl_click_client "$wid" $(($2 + $4 / 2)) $(($3 + $5 / 2)); then
    xl_fail "could not click $1"
  fi
  xl_wait_for 5 display_grown "$want" || xl_fail "$1 wrote nothing to the display"
}

click_key 按钮1 8 40 40 32
click_key 按钮2 56 40 40 32
click_key 按钮13 152 40 40 32
click_key 按钮3 104 40 40 32
click_key 按钮18 208 11 80 24
expect_traced "编辑框1 12+3=15"
# What each click wrote into the display, in order: the digits append, + empties it.
xl_expect_eq "the display's writes for 1 2 + 3 等于" \
  "编辑框1 1|编辑框1 12|编辑框1|编辑框1 3|编辑框1 12+3=15" \
  "$(lines_of 编辑框1 | tail -n 5 | paste -sd '|')"

# 编辑框2, the inch box (363,36 70x24).
xl_click_client "$wid" $((363 + 35)) $((36 + 12)) || xl_fail "could not click the inch box"
sleep 0.15
timeout 5 xdotool type --delay 60 36
expect_traced "编辑框5 1"
expect_traced "编辑框8 0.9143999889493"
sleep 0.2
xl_expect_eq "the yard box's last content" "编辑框5 1" "$(lines_of 编辑框5 | tail -n 1)"
xl_expect_eq "the metre box's last content" "编辑框8 0.9143999889493" \
  "$(lines_of 编辑框8 | tail -n 1)"
other_rows=$(grep -c '^编辑框\(6\|7\|9\|10\)\( \|$\)' "$trace")
xl_expect_eq "output boxes of the other rows written" 0 "$other_rows"

xl_activate "$wid"
timeout 5 xdotool key Escape
if xl_wait_exit "$pid" 5; then
  xl_expect_eq "Esc ends the program; exit code" 0 "$XL_EXIT_CODE"
  ticks=$(sed -n 's/^ticks \([0-9][0-9]*\) seconds .*/\1/p' "$trace" | tail -n 1)
  if [[ -n $ticks ]] && ((ticks > 0)); then
    xl_pass "the clock ticked: $(grep '^ticks ' "$trace" | tail -n 1)"
  else
    xl_fail "no 'ticks <N> seconds <S>' line with N > 0 at exit"
  fi
else
  xl_fail "the program still runs 5 s after Esc"
fi

if ! xl_summary; then
  echo "--- trace (last lines) ---"
  tail -n 30 "$trace"
  exit 1
fi
