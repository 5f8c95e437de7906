#!/usr/bin/env bash
# Proves the Debian package on a clean system: makes a minimal Debian 12 root
# with debootstrap, installs the package there with apt (which pulls in Qt,
# libjpeg and the CJK fonts from the archive), starts the installed program
# under Xvfb from that root and finds its window.
#
# Usage (as root):
#   scripts/deb-clean-root.sh [PACKAGE.deb]
# Without an argument the package is built first (build/package, cpack -G DEB).
#
# The package mirror is the one this machine's apt already uses, read from
# /etc/apt/sources.list and /etc/apt/sources.list.d/ at run time.
# Environment:
#   QUORVANE_CLEAN_ROOT_PARENT  where the scratch root goes (default /var/tmp)
#   QUORVANE_KEEP_ROOT=1        keep the root afterwards for a look inside
#   QUORVANE_SCREENSHOT=FILE    where the screenshot of the window goes
#                               (default: next to the package)
set -euo pipefail

QUORVANE_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
SUITE=bookworm
DISPLAY_NUMBER=${QUORVANE_CLEAN_ROOT_DISPLAY:-77}

log() { printf '== %s\n' "$*"; }
die() {
  printf 'deb-clean-root: %s\n' "$*" >&2
  exit 1
}

[ "$(id -u)" -eq 0 ] || die "debootstrap and chroot need root; run this as root"

# --- tools on the host ------------------------------------------------------
needed=()
for pair in debootstrap:debootstrap Xvfb:xvfb xdotool:xdotool xwininfo:x11-utils \
  import:imagemagick cmake:cmake cpack:cmake dpkg-shlibdeps:dpkg-dev file:file; do
  command -v "${pair%%:*}" >/dev/null 2>&1 || needed+=("${pair#*:}")
done
if [ "${#needed[@]}" -gt 0 ]; then
  log "installing on the host: ${needed[*]}"
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${needed[@]}" >/dev/null
fi

# --- the package ------------------------------------------------------------
if [ $# -ge 1 ]; then
  deb=$(realpath "$1")
else
  build=$QUORVANE_ROOT/build/package
  log "building the package in $build"
  cmake -S "$QUORVANE_ROOT" -B "$build" -DCMAKE_BUILD_TYPE=Release -DQUORVANE_BENCH=OFF \
    -DBUILD_TESTING=OFF >/dev/null
  cmake --build "$build" -j2 --target quorvane >/dev/null
  (cd "$build" && cpack -G DEB >/dev/null)
  deb=$(ls -t "$build"/quorvane_*.deb | head -n1)
fi
[ -f "$deb" ] || die "no package at $deb"
log "package: $deb"
dpkg-deb --field "$deb" Package Version Depends | sed 's/^/   /'

# --- the mirror, from this machine's apt sources ----------------------------
# Prints "URI KEYRING" of the first enabled "deb" source of the Debian archive
# that carries the base suite (not -updates or -security) and main.
find_mirror() {
  local f
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    awk -v suite="$SUITE" '
      function flush() {
        if (types ~ /(^| )deb( |$)/ && enabled != "no" && (" " suites " ") ~ (" " suite " ") &&
            (" " comps " ") ~ / main / && uris != "") {
          split(uris, u, " "); print u[1], signed; found = 1; exit
        }
        types = uris = suites = comps = signed = ""; enabled = "yes"
      }
      BEGIN { enabled = "yes" }
      /^[[:space:]]*#/ { next }
      /^[[:space:]]*$/ { flush(); next }
      {
        key = tolower($1); sub(/:$/, "", key); $1 = ""; sub(/^ +/, "")
        if (key == "types") types = $0
        else if (key == "uris") uris = $0
        else if (key == "suites") suites = $0
        else if (key == "components") comps = $0
        else if (key == "signed-by") signed = $0
        else if (key == "enabled") enabled = tolower($0)
      }
      END { if (!found) flush() }
    ' "$f"
  done
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] || continue
    # deb [options] URI suite component...
    awk -v suite="$SUITE" '
      $1 == "deb" {
        i = 2; signed = ""
        if ($2 ~ /^\[/) {
          for (; i <= NF; i++) {
            if ($i ~ /^\[?signed-by=/) { s = $i; sub(/^\[?signed-by=/, "", s); sub(/\]$/, "", s); signed = s }
            if ($i ~ /\]$/) { i++; break }
          }
        }
        if ($(i + 1) == suite) {
          for (j = i + 2; j <= NF; j++) if ($j == "main") { print $i, signed; exit }
        }
      }
    ' "$f"
  done
}
read -r mirror keyring < <(find_mirror | head -n1) || true
[ -n "${mirror:-}" ] || die "no enabled 'deb' source for $SUITE main in /etc/apt/sources.list{,.d}"
[ -n "${keyring:-}" ] && [ -f "$keyring" ] || keyring=/usr/share/keyrings/debian-archive-keyring.gpg
log "mirror from this machine's apt sources: $mirror (keyring $keyring)"

# --- the scratch root and its clean-up --------------------------------------
parent=${QUORVANE_CLEAN_ROOT_PARENT:-/var/tmp}
root=$(mktemp -d "$parent/quorvane-clean-root.XXXXXX")
chmod 0755 "$root" # the root's "/": apt's _apt user must get through it
out_dir=$(dirname "$deb")
screenshot=${QUORVANE_SCREENSHOT:-$out_dir/clean-root-window.png}
xvfb_pid="" app_pid=""
mounted=()

cleanup() {
  local status=$? m i
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null && wait "$app_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
    m=${mounted[i]}
    umount "$m" 2>/dev/null || umount -l "$m" 2>/dev/null || echo "could not unmount $m" >&2
  done
  if findmnt -rno TARGET | grep -q "^$root/"; then
    echo "something is still mounted under $root; leaving it in place" >&2
  elif [ "${QUORVANE_KEEP_ROOT:-0}" = 1 ]; then
    echo "root kept at $root"
  else
    rm -rf --one-file-system "$root"
  fi
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

mount_into() { # source target [mount options...]
  local target=$root$2
  mkdir -p "$target"
  mount "${@:3}" "$1" "$target"
  mounted+=("$target")
}

log "debootstrap --variant=minbase $SUITE into $root (takes a few minutes)"
started=$SECONDS
if ! debootstrap --variant=minbase --keyring="$keyring" "$SUITE" "$root" "$mirror" \
  >"$root.debootstrap.log" 2>&1; then
  tail -n 30 "$root.debootstrap.log" >&2
  die "debootstrap failed (log: $root.debootstrap.log)"
fi
rm -f "$root.debootstrap.log"
log "debootstrap done in $((SECONDS - started)) s; $(chroot "$root" dpkg-query -W | wc -l) packages"

mount_into proc /proc -t proc
mount_into sysfs /sys -t sysfs
mount_into /dev /dev --bind
mount_into devpts /dev/pts -t devpts -o newinstance,ptmxmode=0666
mkdir -p /tmp/.X11-unix
mount_into /tmp/.X11-unix /tmp/.X11-unix --bind
cp -L /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true

log "apt-get install ./$(basename "$deb") inside the root"
cp "$deb" "$root/tmp/"
in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root \
  LANG=C.UTF-8 DEBIAN_FRONTEND=noninteractive "$@"; }
in_root apt-get update -q >/dev/null
if ! in_root apt-get install -y -q "./tmp/$(basename "$deb")" >"$root/tmp/apt.log" 2>&1; then
  tail -n 40 "$root/tmp/apt.log" >&2
  die "apt-get install of the package failed in the clean root"
fi
grep -E '^(Setting up|Unpacking) quorvane|newly installed' "$root/tmp/apt.log" | sed 's/^/   /'
in_root dpkg-query -W -f='   ${Package} ${Version} ${Status}\n' quorvane fonts-arphic-ukai \
  fonts-arphic-uming libqt6widgets6
in_root sh -c 'ls -l /usr/bin/quorvane /usr/share/applications/*.desktop \
  /usr/share/metainfo/*.xml /usr/share/icons/hicolor/*/apps/*.png' | sed 's/^/   /'
grep -o '<release version="[^"]*"' "$root"/usr/share/metainfo/*.metainfo.xml | sed 's/^/   metadata: /'

log "Xvfb :$DISPLAY_NUMBER on the host, its socket bound into the root"
Xvfb ":$DISPLAY_NUMBER" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=":$DISPLAY_NUMBER"
for _ in $(seq 50); do
  xdpyinfo >/dev/null 2>&1 && break
  sleep 0.2
done
xdpyinfo >/dev/null 2>&1 || die "Xvfb did not start on :$DISPLAY_NUMBER"

log "starting /usr/bin/quorvane from the root"
mkdir -p -m 0700 "$root/run/user/0"
chroot "$root" env -i PATH=/usr/bin:/bin HOME=/root LANG=C.UTF-8 DISPLAY="$DISPLAY" \
  XDG_RUNTIME_DIR=/run/user/0 /usr/bin/quorvane >"$root/tmp/quorvane.log" 2>&1 &
app_pid=$!

window=""
for _ in $(seq 100); do
  window=$(xdotool search --onlyvisible --name Quorvane 2>/dev/null | head -n1) || true
  [ -n "$window" ] && break
  kill -0 "$app_pid" 2>/dev/null || break
  sleep 0.2
done
if [ -z "$window" ]; then
  cat "$root/tmp/quorvane.log" >&2
  xwininfo -root -tree >&2 || true
  die "no window named Quorvane appeared"
fi
sleep 1 # let the first paint finish before the screenshot
log "window found: $window"
echo "   title: $(xdotool getwindowname "$window")"
xprop -id "$window" WM_CLASS 2>/dev/null | sed 's/^/   /' || true
xwininfo -id "$window" | grep -E 'Absolute|Width|Height|Map State' | sed 's/^ */   /'
xwininfo -root -tree | grep -F "Quorvane" | sed 's/^ */   tree: /'
import -window "$window" "$screenshot"
echo "   screenshot: $screenshot"
if [ -s "$root/tmp/quorvane.log" ]; then
  echo "   the program wrote:"
  sed 's/^/     /' "$root/tmp/quorvane.log"
fi

# Esc closes the window; the program then ends with status 0.
xdotool windowfocus --sync "$window" 2>/dev/null || true
xdotool key --clearmodifiers Escape
for _ in $(seq 50); do
  kill -0 "$app_pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$app_pid" 2>/dev/null; then
  die "the program did not end after Esc"
fi
status=0
wait "$app_pid" || status=$?
app_pid=""
echo "   closed with Esc, exit status $status"
[ "$status" -eq 0 ] || die "the program ended with status $status"
log "the package installs and runs on a clean Debian 12 root"
