#!/usr/bin/env bash
# The same texts and behaviour whatever the system's locale: the real program under Xvfb and
# openbox, run under LC_ALL=C, de_DE.UTF-8 (a decimal comma) and zh_CN.GBK (the program's own
# code page as the system's), worked with the same clicks and keystrokes each time. The trace
# (QUORVANE_TRACE) of every run must hold the expected results, written with a full stop as
# decimal sign, and the three traces must be identical line for line.
# The locales come from scripts/setup.sh; a missing one fails the test with what to run.
#
#   environments_test.sh PROGRAM
set -u
program=$1
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/../desktop/xvfb_lib.sh"

locales=(C de_DE.UTF-8 zh_CN.GBK)
missing=()
for loc in de_DE.UTF-8 zh_CN.GBK; do
  # locale -a writes utf8 / gbk in lower case without the hyphen.
  want=$(tr 'A-Z' 'a-z' <<<"${loc/-/}")
  locale -a 2>/dev/null | tr 'A-Z' 'a-z' | grep -qxF "$want" || missing+=("$loc")
done
if ((${#missing[@]} > 0)); then
  echo "FAILED the locales ${missing[*]} are missing. Generate them with scripts/setup.sh (as root)," \
    "or: localedef -i de_DE -c -f UTF-8 de_DE.UTF-8; localedef -i zh_CN -c -f GBK zh_CN.GBK"
  exit 1
fi

xl_setup 1280x1024 || exit 1
timeout 5 xdotool mousemove 1270 1010

# The full-width digits get keys of their own for the whole test. Otherwise xdotool binds each
# to a spare key just for its keystroke and unbinds it at once, and a program that reads the
# keyboard map a little later (as under the sanitizers) sees a key without a character.
if ! command -v xmodmap >/dev/null; then
  xl_log "missing tool: xmodmap (x11-xserver-utils, see packages.txt)"
  exit 1
fi
spare=($(xmodmap -pke | awk 'NF == 3 { print $2 }' | sort -n | tail -n 2))
if ((${#spare[@]} < 2)); then
  xl_log "no spare keycodes for the full-width digits"
  exit 1
fi
xmodmap -e "keycode ${spare[0]} = UFF11" -e "keycode ${spare[1]} = UFF12"

# The keys' top-left corners in the client area (40x32; 清零 and 等于 80x24).
declare -A key=(
  [1]="8 40 40 32" [2]="56 40 40 32" [3]="104 40 40 32" [4]="8 80 40 32" [5]="56 80 40 32"
  [6]="104 80 40 32" [7]="8 120 40 32" [8]="56 120 40 32" [9]="104 120 40 32" [0]="8 160 40 32"
  [.]="104 160 40 32" [neg]="56 160 40 32" [+]="152 40 40 32" [-]="152 80 40 32"
  [*]="152 120 40 32" [/]="152 160 40 32" [clear]="208 48 80 24" [=]="208 11 80 24"
)

# What every run's trace must hold.
expected=(
  "编辑框1 1.5+2.25=3.75"
  "编辑框1 1000*1000=1e+006"
  "编辑框1 7/0=1.#INF"
  "编辑框1 1/3=0.333333"
  "编辑框1 -5"
  "编辑框5 0.3472222222222"
  "编辑框8 0.317499996163"
  "编辑框6 432"
  "编辑框9 10.97279977798"
  "编辑框7 1.093613320465"
  "编辑框10 39.37007921595"
)

# run LOCALE: one session; the trace's box lines go to $XL_TMP/trace.LOCALE.
run() {
  local loc=$1 out=$XL_TMP/run.$1
  LC_ALL=$loc LANG=$loc QUORVANE_TRACE=1 xl_start "$out" "$program"
  local pid=$XL_LAST_PID wid
  if ! wid=$(xl_wait_window "$pid" 20); then
    xl_fail "$loc: no window"
    return
  fi
  xl_activate "$wid"
  # Each step waits (bounded) until the program has traced what it did, so that a busy machine
  # cannot make the next click or keystroke overtake it.
  local trace=$out.err
  traced_lines() { wc -l <"$trace"; }
  grown() { (($(traced_lines) >= $1)); }
  # Successive clicks land 3 px apart: a pointer that does not move makes no motion event for
  # xdotool's --sync to wait for.
  local nudge=3
  press() {
    local k g want
    for k in "$@"; do
      read -r -a g <<<"${key[$k]}"
      nudge=$((-nudge))
      want=$(($(traced_lines) + 1))  # every one of these keys writes the display
      xl_click_client "$wid" $((g[0] + g[2] / 2 + nudge)) $((g[1] + g[3] / 2)) ||
        xl_fail "$loc: click $k"
      xl_wait_for 5 grown "$want" || xl_fail "$loc: key $k wrote nothing to the display"
    done
  }
  # type_into LEFT TOP TEXT: clicks into an edit box (70x24) and types there, one character
  # at a time, each of which writes the row's two output boxes.
  type_into() {
    xl_click_client "$wid" $(($1 + 35)) $(($2 + 12)) || xl_fail "$loc: click the box at $1,$2"
    sleep 0.1
    local i want
    for ((i = 0; i < ${#3}; i++)); do
      want=$(($(traced_lines) + 2))
      timeout 10 xdotool type "${3:i:1}"
      xl_wait_for 5 grown "$want" || xl_fail "$loc: typing ${3:i:1} at $1,$2 changed no output"
    done
  }
  press 1 . 5 + 2 . 2 5 =
  press 1 0 0 0 '*' 1 0 0 0 =
  press 7 / 0 =
  press 1 / 3 =
  press clear 5 neg
  type_into 363 36 "12.5"  # inches
  type_into 363 68 "１２"  # yards, in full-width digits
  type_into 363 100 "1,5"  # metres, with a decimal comma: reads as 1
  sleep 0.3
  xl_activate "$wid"
  timeout 5 xdotool key Escape
  if xl_wait_exit "$pid" 10; then
    xl_expect_eq "$loc: exit code after Esc" 0 "$XL_EXIT_CODE"
  else
    xl_fail "$loc: still running 10 s after Esc"
    xl_stop "$pid"
  fi
  grep '^编辑框' "$out.err" | sed 's/[[:space:]]*$//' >"$XL_TMP/trace.$loc"
  local line missing_lines=()
  for line in "${expected[@]}"; do
    grep -qxF -- "$line" "$XL_TMP/trace.$loc" || missing_lines+=("$line")
  done
  if ((${#missing_lines[@]} == 0)); then
    xl_pass "$loc: all ${#expected[@]} expected results traced"
  else
    xl_fail "$loc: not traced: $(printf '[%s] ' "${missing_lines[@]}")"
  fi
}

for loc in "${locales[@]}"; do run "$loc"; done

reference=$XL_TMP/trace.C
for loc in "${locales[@]:1}"; do
  if diff -q "$reference" "$XL_TMP/trace.$loc" >/dev/null; then
    xl_pass "$loc: the trace is the same as under C ($(wc -l <"$reference") lines)"
  else
    xl_fail "$loc: the trace differs from the one under C:"
    diff "$reference" "$XL_TMP/trace.$loc" | head -n 20 | sed 's/^/    /'
  fi
done

if ! xl_summary; then
  for loc in "${locales[@]}"; do
    echo "--- $loc: program stderr without the trace (last lines) ---"
    grep -v '^编辑框' "$XL_TMP/run.$loc.err" | tail -n 10
  done
  exit 1
fi
