#!/usr/bin/env bash
# The choice of windowing platform, seen from outside the process, with a real Wayland
# compositor (weston, headless) beside a real X server (Xvfb and openbox):
#   - Wayland alone (no DISPLAY): the program runs as a Wayland client, its window mapped
#     and drawn, and says once on stderr that it cannot stay on top;
#   - Wayland and an X server (as XWayland gives): it runs on X, above other windows, and
#     says nothing;
#   - the user's explicit QT_QPA_PLATFORM=wayland stands even with an X server there;
#   - a DISPLAY whose X server does not answer: it goes on to Wayland and still runs.
# Saves a screenshot of the compositor's screen in ARTIFACT_DIR.
#
#   platform_test.sh PROGRAM ARTIFACT_DIR
set -u
program=$1
artifacts=$2
source "$(dirname "${BASH_SOURCE[0]}")/xvfb_lib.sh"

for tool in weston weston-screenshooter; do
  if ! command -v "$tool" >/dev/null; then
    xl_log "missing tool: $tool (package weston, see packages.txt)"
    exit 1
  fi
done

warning='Quorvane: 在 Wayland 上运行，窗口无法保持在其他窗口之上。'

xl_setup 1280x1024 || exit 1
# The program chooses for itself here; xvfb_lib.sh asks for xcb.
unset QT_QPA_PLATFORM

# A headless compositor of our own, with a socket in the private runtime folder. --debug
# lets weston-screenshooter take a picture of its screen.
socket=quorvane-wayland
weston --backend=headless-backend.so --use-pixman --socket="$socket" --idle-time=0 \
  --no-config --debug --width=1024 --height=640 >"$XL_TMP/weston.log" 2>&1 &
xl_track $!
if ! xl_wait_for 15 test -S "$XDG_RUNTIME_DIR/$socket"; then
  xl_log "weston did not open its socket within 15 s; its log:"
  cat "$XL_TMP/weston.log" >&2
  exit 1
fi

# warnings FILE: how many lines of FILE are exactly the warning.
warnings() { grep -cxF -- "$warning" "$1"; }

# mapped_on_wayland FILE: the client's protocol log (WAYLAND_DEBUG=client) shows a
# top-level with the program's title, configured by the compositor, and a buffer drawn
# into a surface.
mapped_on_wayland() {
  grep -qE ' -> xdg_toplevel@[0-9]+\.set_title\("Quorvane' "$1" &&
    grep -qE '\] xdg_toplevel@[0-9]+\.configure\(' "$1" &&
    grep -qE ' -> wl_surface@[0-9]+\.attach\(wl_buffer@' "$1"
}

# --- Wayland alone -------------------------------------------------------------------------
echo "== Wayland, no X server"
xl_start "$XL_TMP/wayland" env -u DISPLAY WAYLAND_DISPLAY="$socket" XDG_SESSION_TYPE=wayland \
  WAYLAND_DEBUG=client "$program"
pid=$XL_LAST_PID
if xl_wait_for 15 mapped_on_wayland "$XL_TMP/wayland.err"; then
  xl_pass "window mapped and drawn as a Wayland client"
else
  xl_fail "no Wayland window within 15 s"
fi
sleep 1
if xl_alive "$pid"; then
  xl_pass "still running on Wayland"
else
  xl_fail "ended on Wayland"
fi
xl_expect_eq "the cannot-stay-on-top line on stderr, times" 1 "$(warnings "$XL_TMP/wayland.err")"
mkdir -p "$artifacts"
shot=$artifacts/quorvane_wayland.png
rm -f "$XL_TMP"/wayland-screenshot-*.png
if (cd "$XL_TMP" && WAYLAND_DISPLAY=$socket timeout 10 weston-screenshooter) >/dev/null 2>&1 &&
  mv "$XL_TMP"/wayland-screenshot-*.png "$shot" 2>/dev/null; then
  echo "screenshot of the compositor's screen: $shot"
else
  xl_fail "weston-screenshooter took no picture"
fi
xl_stop "$pid"

# --- Wayland and X -------------------------------------------------------------------------
echo "== Wayland and an X server (as with XWayland)"
xl_start "$XL_TMP/both" env WAYLAND_DISPLAY="$socket" XDG_SESSION_TYPE=wayland "$program"
pid=$XL_LAST_PID
if wid=$(xl_wait_window "$pid" 15); then
  xl_pass "window on the X server"
  state=$(xprop -id "$wid" _NET_WM_STATE)
  if [[ $state == *_NET_WM_STATE_ABOVE* ]]; then
    xl_pass "kept above other windows (_NET_WM_STATE_ABOVE)"
  else
    xl_fail "not marked always on top: $state"
  fi
  xl_activate "$wid"
  timeout 5 xdotool key Escape
  if xl_wait_exit "$pid" 5; then
    xl_expect_eq "Esc ends the program; exit code" 0 "$XL_EXIT_CODE"
  else
    xl_fail "the program still runs 5 s after Esc"
  fi
else
  xl_fail "no window on the X server"
fi
xl_expect_eq "the cannot-stay-on-top line on stderr, times" 0 "$(warnings "$XL_TMP/both.err")"
xl_stop "$pid"

# --- the user's choice ---------------------------------------------------------------------
echo "== QT_QPA_PLATFORM=wayland with an X server there"
has_warned() { (($(warnings "$1") > 0)); }
xl_start "$XL_TMP/chosen" env QT_QPA_PLATFORM=wayland WAYLAND_DISPLAY="$socket" "$program"
pid=$XL_LAST_PID
xl_wait_for 10 has_warned "$XL_TMP/chosen.err"
sleep 0.5
xl_expect_eq "the cannot-stay-on-top line on stderr, times" 1 "$(warnings "$XL_TMP/chosen.err")"
if xl_alive "$pid"; then
  xl_pass "still running on Wayland"
else
  xl_fail "ended"
fi
xl_expect_eq "windows of the program on the X server" "" "$(xl_find_window "$pid")"
xl_stop "$pid"

# --- an X server that does not answer ------------------------------------------------------
echo "== DISPLAY names no X server, Wayland is there"
xl_start "$XL_TMP/stale" env DISPLAY=:999 WAYLAND_DISPLAY="$socket" "$program"
pid=$XL_LAST_PID
xl_wait_for 10 has_warned "$XL_TMP/stale.err"
sleep 0.5
if xl_alive "$pid"; then
  xl_pass "still running, on Wayland"
else
  xl_fail "ended (exit code $(wait "$pid"; echo $?))"
fi
xl_expect_eq "the cannot-stay-on-top line on stderr, times" 1 "$(warnings "$XL_TMP/stale.err")"
xl_stop "$pid"

if ! xl_summary; then
  for f in wayland both chosen stale; do
    echo "--- program stderr, $f (last lines) ---"
    grep -v '^\[' "$XL_TMP/$f.err" | tail -n 10
  done
  exit 1
fi
