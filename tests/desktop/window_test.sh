#!/usr/bin/env bash
# The real window under Xvfb and openbox, seen from outside the process: outer size,
# centring, always on top, no maximizing or resizing, dragging by a label and by the
# background (but not by an edit box), Esc ending the program with exit code 0.
# Saves a screenshot of the window in ARTIFACT_DIR.
#
#   window_test.sh PROGRAM ARTIFACT_DIR
set -u
program=$1
artifacts=$2
source "$(dirname "${BASH_SOURCE[0]}")/xvfb_lib.sh"

# An odd screen size, so that the halving of the free space has a fraction to drop.
xl_setup 1281x1023 || exit 1
# Pointer off the window: a hover must not change what the screenshot shows.
timeout 5 xdotool mousemove 1270 1010

xl_start "$XL_TMP/program" "$program"
pid=$XL_LAST_PID
if ! wid=$(xl_wait_window "$pid" 15); then
  cat "$XL_TMP/program.err" >&2
  exit 1
fi
xl_wait_settled "$wid"

read -r cx cy cw ch <<<"$(xl_client_geometry "$wid")"
read -r fl fr ft fb <<<"$(xl_frame_extents "$wid")"
read -r sw sh <<<"$(xl_screen_size)"
echo "client ${cw}x${ch} at ($cx,$cy); frame extents left $fl right $fr top $ft bottom $fb;" \
  "screen ${sw}x${sh}"

xl_expect_eq "outer size (client plus frame)" "770x340" "$((cw + fl + fr))x$((ch + ft + fb))"
xl_expect_eq "outer top-left centred, fraction dropped" \
  "($(((sw - 770) / 2)),$(((sh - 340) / 2)))" "($((cx - fl)),$((cy - ft)))"

state=$(xprop -id "$wid" _NET_WM_STATE)
if [[ $state == *_NET_WM_STATE_ABOVE* ]]; then
  xl_pass "kept above other windows (_NET_WM_STATE_ABOVE)"
else
  xl_fail "not marked always on top: $state"
fi

actions=$(xprop -id "$wid" _NET_WM_ALLOWED_ACTIONS)
if [[ $actions == *MAXIMIZE* ]]; then
  xl_fail "the window manager offers maximizing: $actions"
else
  xl_pass "no maximize among the allowed actions"
fi
if [[ $actions == *_NET_WM_ACTION_RESIZE* ]]; then
  xl_fail "the window manager offers resizing: $actions"
else
  xl_pass "no resize among the allowed actions"
fi
if [[ $actions == *_NET_WM_ACTION_MINIMIZE* ]]; then
  xl_pass "minimizing is offered"
else
  xl_fail "minimizing is not offered: $actions"
fi

title=$(xprop -id "$wid" _NET_WM_NAME)
if [[ $title == *'= "Quorvane'* ]]; then
  xl_pass "title starts with the product name"
else
  xl_fail "title: $title"
fi

# Let the first paint and the first clock tick land, then keep a picture of the window.
sleep 0.7
mkdir -p "$artifacts"
shot=$artifacts/quorvane_window.png
if import -window "$wid" "$shot" 2>"$XL_TMP/import.err"; then
  echo "screenshot: $shot"
else
  xl_fail "screenshot: $(cat "$XL_TMP/import.err")"
fi

# drag CLIENT_X CLIENT_Y DX DY: presses the left button at a client point, moves the pointer
# by (DX, DY) in four steps and releases it.
drag() {
  local g
  read -r -a g <<<"$(xl_client_geometry "$wid")"
  timeout 5 xdotool mousemove --sync $((g[0] + $1)) $((g[1] + $2))
  sleep 0.1
  timeout 5 xdotool mousedown 1
  sleep 0.15
  local step
  for step in 1 2 3 4; do
    timeout 5 xdotool mousemove_relative -- $(($3 / 4)) $(($4 / 4))
    sleep 0.08
  done
  timeout 5 xdotool mouseup 1
}

client_at() { [[ $(xl_client_geometry "$wid") == "$1 $2 "* ]]; }

# expect_position DESCRIPTION X Y: the client's top-left, waited for (bounded).
expect_position() {
  xl_wait_for 3 client_at "$2" "$3"
  read -r nx ny _ <<<"$(xl_client_geometry "$wid")"
  xl_expect_eq "$1" "($2,$3)" "($nx,$ny)"
}

# On 标签12 (client 8,280, 632x24).
drag 300 292 60 40
expect_position "a drag on the bottom label moves the window by the drag" $((cx + 60)) $((cy + 40))

# On the background between the calculator's keys and the calendar.
read -r bx by _ <<<"$(xl_client_geometry "$wid")"
drag 250 100 -80 -20
expect_position "a drag on the background moves the window by the drag" $((bx - 80)) $((by - 20))

# On 编辑框1 (client 8,8, 184x24): selects text, does not move the window.
read -r ex ey _ <<<"$(xl_client_geometry "$wid")"
drag 100 20 40 40
sleep 0.3
read -r nx ny _ <<<"$(xl_client_geometry "$wid")"
xl_expect_eq "a drag on the display leaves the window in place" "($ex,$ey)" "($nx,$ny)"

xl_activate "$wid"
timeout 5 xdotool key Escape
if xl_wait_exit "$pid" 5; then
  xl_expect_eq "Esc ends the program; exit code" 0 "$XL_EXIT_CODE"
else
  xl_fail "the program still runs 5 s after Esc"
fi

if ! xl_summary; then
  echo "--- program stderr (last lines) ---"
  tail -n 20 "$XL_TMP/program.err"
  exit 1
fi
