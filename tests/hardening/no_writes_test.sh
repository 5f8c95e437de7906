#!/usr/bin/env bash
# Nothing written to the system: the real program under Xvfb and openbox, with a home, XDG
# directories (config, cache, data, state, a private runtime directory) and a temporary folder
# of its own, run twice:
#   1. all of them empty and read-only (the runtime directory private, 0700, and empty): the
#      window maps, a calculation and a conversion work (seen through the trace), and the
#      hyperlinks open through the fallback; as root, whom permissions do not stop, this run
#      is made as the user nobody;
#   2. all of them empty and writable: after the same session and Esc, not one file or folder
#      has appeared in any of them, and the two files that register the fake browser are
#      unchanged.
# The desktop's own open action refuses (no browser on the program's PATH), so both
# hyperlinks fall back to the registered text/html entry, a fake browser that records its
# arguments outside the watched folders.
#
#   no_writes_test.sh PROGRAM
set -u
program=$1
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/../desktop/xvfb_lib.sh"

xl_setup 1280x1024 || exit 1
timeout 5 xdotool mousemove 1270 1010

# The fake browser: appends its arguments, one a line, then a blank line, to $FAKE_LOG.
mkdir -p "$XL_TMP/bin"
cat >"$XL_TMP/bin/fake-browser" <<'EOF'
#!/bin/sh
for arg in "$@"; do printf '%s\n' "$arg"; done >>"$FAKE_LOG"
printf '\n' >>"$FAKE_LOG"
EOF
chmod 755 "$XL_TMP/bin/fake-browser"

# session NAME MODE: one run of the program in fresh folders (MODE ro or rw).
session() {
  local name=$1 mode=$2 root=$XL_TMP/$1
  local dirs=(home config cache data state run tmp)
  local d
  for d in "${dirs[@]}"; do mkdir -p "$root/$d"; done
  # The registration of the fake browser, the only files there beforehand.
  mkdir -p "$root/data/applications"
  printf '[Default Applications]\ntext/html=fake-browser.desktop\n' >"$root/config/mimeapps.list"
  printf '[Desktop Entry]\nType=Application\nName=Fake\nExec=%s %%u\n' \
    "$XL_TMP/bin/fake-browser" >"$root/data/applications/fake-browser.desktop"
  chmod 700 "$root/run"
  # Kind, size, time of last change and name of everything there.
  local before
  before=$(cd "$root" && find . -printf '%y %s %T@ %p\n' | sort)
  local as_user=()
  if [[ $mode == ro ]]; then
    chmod -R a-w "$root"
    chmod u+w "$root/run"
    if (($(id -u) == 0)); then
      as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
      chown 65534:65534 "$root/run"
      chmod a+x "$XL_TMP" "$root"
    fi
  fi

  : >"$XL_TMP/$name.opened"
  chmod 666 "$XL_TMP/$name.opened"
  local pid
  "${as_user[@]}" env -u BROWSER -u DEFAULT_BROWSER \
    PATH="$XL_TMP/bin-empty" HOME="$root/home" TMPDIR="$root/tmp" \
    XDG_CONFIG_HOME="$root/config" XDG_CACHE_HOME="$root/cache" XDG_DATA_HOME="$root/data" \
    XDG_STATE_HOME="$root/state" XDG_RUNTIME_DIR="$root/run" \
    XDG_CONFIG_DIRS="$root/config" XDG_DATA_DIRS="$root/data" \
    FAKE_LOG="$XL_TMP/$name.opened" QUORVANE_TRACE=1 \
    "$program" >"$XL_TMP/$name.out" 2>"$XL_TMP/$name.err" </dev/null &
  pid=$!
  xl_track "$pid"
  local wid
  if ! wid=$(xl_wait_window "$pid" 20); then
    xl_fail "$name: no window"
    tail -n 20 "$XL_TMP/$name.err"
    return
  fi
  xl_pass "$name: the window maps"
  xl_activate "$wid"

  local trace=$XL_TMP/$name.err
  click() { xl_click_client "$wid" "$1" "$2" || xl_fail "$name: could not click at $1,$2"; sleep 0.15; }
  # Each of these keys writes the display: wait (bounded) until the program has
  # traced that, so that a busy machine cannot make the next click overtake it.
  grown() { (($(wc -l <"$trace") >= $1)); }
  key() {
    local want=$(($(wc -l <"$trace") + 1))
    xl_click_client "$wid" "$1" "$2" || xl_fail "$name: could not click at $1,$2"
    xl_wait_for 5 grown "$want" || xl_fail "$name: the key at $1,$2 wrote nothing to the display"
  }
  # 7 (8,120), · (104,160), 5 (56,80), * (152,120), 4 (8,80), 等于 (208,11)
  key 28 136; key 124 176; key 76 96; key 172 136; key 28 96; key 248 23
  if xl_wait_for 5 grep -qxF "编辑框1 7.5*4=30" "$trace"; then
    xl_pass "$name: 7.5*4 clicked gives 7.5*4=30"
  else
    xl_fail "$name: the display did not show 7.5*4=30"
  fi
  # 编辑框3, the yard box (363,68 70x24): 2 yards.
  click 398 80
  timeout 5 xdotool type --delay 60 2
  if xl_wait_for 5 grep -qxF "编辑框6 72" "$trace" &&
    xl_wait_for 5 grep -qxF "编辑框9 1.828799962997" "$trace"; then
    xl_pass "$name: 2 yards typed gives 72 inches and 1.828799962997 metres"
  else
    xl_fail "$name: the yard row did not convert 2"
  fi
  # Both hyperlinks (8,216 and 8,248, 152x24): the desktop refuses, the fallback opens.
  click 84 228
  click 84 260
  local opened=$XL_TMP/$name.opened
  records() { [[ $(grep -c '^$' "$opened") -ge 2 ]]; }
  if xl_wait_for 5 records; then
    xl_expect_eq "$name: both hyperlinks started the registered browser with their address" \
      "http://www.lumeno-studio.example||https://shop.lumeno-studio.example/|" \
      "$(paste -sd '|' "$opened")"
  else
    xl_fail "$name: the hyperlinks did not start the registered browser: $(cat "$opened")"
  fi

  xl_activate "$wid"
  timeout 5 xdotool key Escape
  if xl_wait_exit "$pid" 10; then
    xl_expect_eq "$name: exit code after Esc" 0 "$XL_EXIT_CODE"
  else
    xl_fail "$name: still running 10 s after Esc"
    xl_stop "$pid"
  fi

  chmod -R u+w "$root"
  local after
  after=$(cd "$root" && find . -printf '%y %s %T@ %p\n' | sort)
  if [[ $before == "$after" ]]; then
    xl_pass "$name: nothing written under HOME, the XDG folders or TMPDIR"
  else
    xl_fail "$name: the folders changed:"
    diff <(echo "$before") <(echo "$after") | sed 's/^/    /'
  fi
}

mkdir -p "$XL_TMP/bin-empty"
session read-only ro
session writable rw

if ! xl_summary; then
  for f in "$XL_TMP"/*.err; do
    echo "--- $(basename "$f") (last lines) ---"
    grep -v '^编辑框' "$f" | tail -n 15
  done
  exit 1
fi
