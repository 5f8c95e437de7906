# Shared by the real-window tests and the desktop benchmarks; source it, don't run it.
#
# Gives a script its own X server (Xvfb, display number chosen by the server through
# -displayfd, so several of these can run side by side with other people's servers) and an
# openbox window manager, a private HOME and XDG directories under a temporary folder, and
# starts programs there. Everything started is recorded by PID and torn down by PID when the
# script exits (trap on EXIT): nothing is ever killed by name. Every wait is bounded.
#
#   source tests/desktop/xvfb_lib.sh
#   xl_setup 1280x1024            # Xvfb + openbox; exports DISPLAY, HOME, XDG_*
#   xl_start out_prefix prog args # sets XL_LAST_PID; stdout/stderr in out_prefix.{out,err}
#   wid=$(xl_wait_window "$XL_LAST_PID" 10)
#
# Exit status conventions: functions return non-zero on failure or timeout and say why on
# stderr; they never exit the script themselves.

XL_TMP=""
XL_PIDS=()
XL_LAST_PID=""
XL_XVFB_PID=""
XL_WM_PID=""

xl_log() { printf '[desktop] %s\n' "$*" >&2; }

# Milliseconds since the epoch, from bash's own clock (no fork).
xl_now_ms() {
  local t=${EPOCHREALTIME/[.,]/}
  echo $((t / 1000))
}

# xl_wait_for TIMEOUT_S COMMAND [ARGS...]: runs COMMAND every 20 ms until it succeeds.
# Returns 1 when the time is up.
xl_wait_for() {
  local timeout_s=$1
  shift
  local deadline=$(($(xl_now_ms) + timeout_s * 1000))
  while ! "$@"; do
    if (($(xl_now_ms) >= deadline)); then return 1; fi
    sleep 0.02
  done
}

# Running and not a zombie. (kill -0 also succeeds for a zombie that is not yet reaped.)
xl_alive() {
  local pid=$1 stat
  stat=$(cat "/proc/$pid/stat" 2>/dev/null) || return 1
  stat=${stat##*) }
  [[ ${stat:0:1} != Z && ${stat:0:1} != X ]]
}

xl_dead() { ! xl_alive "$1"; }

# xl_stop PID [GRACE_S]: TERM, then KILL after the grace time; reaps it when it is our child.
xl_stop() {
  local pid=$1 grace=${2:-3}
  [[ -n $pid ]] || return 0
  if xl_alive "$pid"; then
    kill -TERM "$pid" 2>/dev/null
    if ! xl_wait_for "$grace" xl_dead "$pid"; then
      kill -KILL "$pid" 2>/dev/null
      xl_wait_for 2 xl_dead "$pid"
    fi
  fi
  wait "$pid" 2>/dev/null
  return 0
}

xl_teardown() {
  local i
  for ((i = ${#XL_PIDS[@]} - 1; i >= 0; i--)); do
    xl_stop "${XL_PIDS[i]}"
  done
  XL_PIDS=()
  if [[ -n $XL_TMP && -d $XL_TMP ]]; then
    rm -rf -- "$XL_TMP"
  fi
  XL_TMP=""
}

# Makes the temporary folder and the private home; installs the teardown trap.
xl_init() {
  XL_TMP=$(mktemp -d "${TMPDIR:-/tmp}/quorvane-desktop.XXXXXX") || return 1
  trap xl_teardown EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM
  mkdir -p "$XL_TMP/home" "$XL_TMP/config" "$XL_TMP/cache" "$XL_TMP/data" "$XL_TMP/state" \
    "$XL_TMP/run"
  chmod 700 "$XL_TMP/run"
  export HOME=$XL_TMP/home
  export XDG_CONFIG_HOME=$XL_TMP/config
  export XDG_CACHE_HOME=$XL_TMP/cache
  export XDG_DATA_HOME=$XL_TMP/data
  export XDG_STATE_HOME=$XL_TMP/state
  export XDG_RUNTIME_DIR=$XL_TMP/run
  # No session bus and no session manager: a bus address that leads nowhere keeps libdbus
  # from trying to launch a bus of its own.
  export DBUS_SESSION_BUS_ADDRESS=unix:path=$XL_TMP/run/no-bus
  unset SESSION_MANAGER DESKTOP_SESSION XDG_CURRENT_DESKTOP WAYLAND_DISPLAY
  export QT_QPA_PLATFORM=xcb
  export LANG=C.UTF-8 LC_ALL=C.UTF-8
}

# Remembers a PID for the teardown.
xl_track() { XL_PIDS+=("$1"); }

xl_display_ready() { [[ -s $XL_TMP/displayfd ]] && [[ $(<"$XL_TMP/displayfd") == *[0-9]* ]]; }

# xl_start_xvfb [WxH]: a 24-bit screen of that size (default 1280x1024); exports DISPLAY.
xl_start_xvfb() {
  local size=${1:-1280x1024}
  : >"$XL_TMP/displayfd"
  # Xvfb writes its display number to fd 3 once it accepts connections.
  Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -noreset \
    3>"$XL_TMP/displayfd" >"$XL_TMP/xvfb.log" 2>&1 &
  XL_XVFB_PID=$!
  xl_track "$XL_XVFB_PID"
  if ! xl_wait_for 15 xl_display_ready; then
    xl_log "Xvfb did not report a display within 15 s; its log:"
    cat "$XL_TMP/xvfb.log" >&2
    return 1
  fi
  local n
  n=$(tr -dc '0-9' <"$XL_TMP/displayfd")
  export DISPLAY=":$n"
  if ! xl_wait_for 10 xdpyinfo -display "$DISPLAY" >/dev/null 2>&1; then
    xl_log "display $DISPLAY does not answer"
    return 1
  fi
}

xl_wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }

xl_start_openbox() {
  # The stock configuration, except that windows which do not place themselves go to the
  # top-left corner instead of the middle of the screen, so that a program's own centring
  # can be told apart from the window manager's.
  mkdir -p "$XDG_CONFIG_HOME/openbox"
  sed 's|<center>yes</center>|<center>no</center>|' /etc/xdg/openbox/rc.xml \
    >"$XDG_CONFIG_HOME/openbox/rc.xml"
  openbox --sm-disable --config-file "$XDG_CONFIG_HOME/openbox/rc.xml" >"$XL_TMP/openbox.log" 2>&1 &
  XL_WM_PID=$!
  xl_track "$XL_WM_PID"
  if ! xl_wait_for 15 xl_wm_ready; then
    xl_log "openbox did not come up within 15 s; its log:"
    cat "$XL_TMP/openbox.log" >&2
    return 1
  fi
}

# xl_setup [WxH]: private home, X server and window manager.
xl_setup() {
  local tool
  for tool in Xvfb openbox xdotool xwininfo xprop xdpyinfo; do
    if ! command -v "$tool" >/dev/null; then
      xl_log "missing tool: $tool (see packages.txt)"
      return 1
    fi
  done
  xl_init && xl_start_xvfb "${1:-}" && xl_start_openbox
}

# Screen size "W H".
xl_screen_size() {
  xdpyinfo | awk '/dimensions:/ { split($2, a, "x"); print a[1], a[2]; exit }'
}

# xl_start OUT_PREFIX PROGRAM [ARGS...]: starts the program in the background with its
# output in OUT_PREFIX.out / OUT_PREFIX.err; sets XL_LAST_PID. (Not to be called in $(...):
# the program must be a child of the script so that its exit code can be collected.)
xl_start() {
  local prefix=$1
  shift
  "$@" >"$prefix.out" 2>"$prefix.err" </dev/null &
  XL_LAST_PID=$!
  xl_track "$XL_LAST_PID"
}

# xl_wait_exit PID TIMEOUT_S: waits for our child to end and sets XL_EXIT_CODE to its exit
# code. Returns 1 when it is still running at the deadline. (Not in $(...) either.)
XL_EXIT_CODE=""
xl_wait_exit() {
  local pid=$1
  XL_EXIT_CODE=""
  xl_wait_for "$2" xl_dead "$pid" || return 1
  XL_EXIT_CODE=0
  wait "$pid" || XL_EXIT_CODE=$?
}

# The first viewable top-level window of the process (by _NET_WM_PID), if any.
xl_find_window() {
  xdotool search --onlyvisible --pid "$1" 2>/dev/null | head -n 1
}

xl__window_found() {
  xl_alive "$1" || return 2
  XL__WID=$(xl_find_window "$1")
  [[ -n $XL__WID ]] || return 1
  # Managed: the window manager has put its frame extents on it.
  xprop -id "$XL__WID" _NET_FRAME_EXTENTS 2>/dev/null | grep -q '='
}

# xl_wait_window PID TIMEOUT_S: prints the id of the process's mapped, managed window.
xl_wait_window() {
  local pid=$1 timeout_s=$2 rc
  local deadline=$(($(xl_now_ms) + timeout_s * 1000))
  XL__WID=""
  while true; do
    xl__window_found "$pid"
    rc=$?
    if ((rc == 0)); then
      echo "$XL__WID"
      return 0
    fi
    if ((rc == 2)); then
      xl_log "process $pid ended before showing a window"
      return 1
    fi
    if (($(xl_now_ms) >= deadline)); then
      xl_log "no window of process $pid within $timeout_s s"
      return 1
    fi
    sleep 0.02
  done
}

# Client area of a window in root coordinates: "X Y W H".
xl_client_geometry() {
  xwininfo -id "$1" | awk '
    /Absolute upper-left X:/ { x = $NF }
    /Absolute upper-left Y:/ { y = $NF }
    /^ *Width:/ { w = $NF }
    /^ *Height:/ { h = $NF }
    END { print x, y, w, h }'
}

# xl_wait_settled WID [TIMEOUT_S]: waits until the window's place and size have stayed the
# same over three looks 100 ms apart (a program may still adjust them just after mapping).
xl_wait_settled() {
  local wid=$1 timeout_s=${2:-5} last="" now same=0
  local deadline=$(($(xl_now_ms) + timeout_s * 1000))
  while (($(xl_now_ms) < deadline)); do
    now=$(xl_client_geometry "$wid")
    if [[ $now == "$last" ]]; then
      same=$((same + 1))
      ((same >= 2)) && return 0
    else
      same=0
      last=$now
    fi
    sleep 0.1
  done
  xl_log "window $wid still moving after $timeout_s s"
  return 1
}

# The window manager's frame around the client: "LEFT RIGHT TOP BOTTOM".
xl_frame_extents() {
  xprop -id "$1" _NET_FRAME_EXTENTS | sed -n 's/.*= *//p' | tr -d ','
}

# xl_activate WID: gives the window the input focus (bounded).
xl_activate() {
  timeout 5 xdotool windowactivate --sync "$1" >/dev/null 2>&1 ||
    timeout 5 xdotool windowfocus --sync "$1" >/dev/null 2>&1
}

# xl_click_client WID X Y: a left click at client coordinates (X, Y) of the window.
xl_click_client() {
  local g
  read -r -a g <<<"$(xl_client_geometry "$1")"
  timeout 5 xdotool mousemove --sync $((g[0] + $2)) $((g[1] + $3)) click 1
}

# Resident memory of a process in KiB.
xl_rss_kib() { awk '/^VmRSS:/ { print $2 }' "/proc/$1/status" 2>/dev/null; }

# CPU time used so far by a process, in clock ticks (utime + stime).
xl_cpu_ticks() {
  local stat
  stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
  stat=${stat##*) }
  local -a f
  read -r -a f <<<"$stat"
  # After the command name: state is field 3, utime field 14 and stime field 15.
  echo $((f[11] + f[12]))
}

# CPU time used so far by the live threads of a process in nanoseconds, from the scheduler's
# accounting (/proc/PID/task/*/schedstat, first field): far finer than the clock ticks above,
# but it loses the time of threads that ended in between.
xl_cpu_ns() {
  local f total=0 ns _
  for f in /proc/"$1"/task/*/schedstat; do
    read -r ns _ <"$f" 2>/dev/null || continue
    total=$((total + ns))
  done
  echo "$total"
}

# Checks for the test scripts: each prints one line; xl_summary gives the script's status.
XL_CHECKS_OK=0
XL_CHECKS_FAILED=0
xl_pass() {
  printf 'ok     %s\n' "$*"
  XL_CHECKS_OK=$((XL_CHECKS_OK + 1))
}
xl_fail() {
  printf 'FAILED %s\n' "$*"
  XL_CHECKS_FAILED=$((XL_CHECKS_FAILED + 1))
}
# xl_expect_eq DESCRIPTION EXPECTED ACTUAL
xl_expect_eq() {
  if [[ $2 == "$3" ]]; then
    xl_pass "$1: $3"
  else
    xl_fail "$1: expected '$2', got '$3'"
  fi
}
xl_summary() {
  printf 'desktop checks: %d ok, %d failed\n' "$XL_CHECKS_OK" "$XL_CHECKS_FAILED"
  ((XL_CHECKS_FAILED == 0))
}
