#!/usr/bin/env bash
# Installs the build into a scratch root as a distribution would
# (DESTDIR, prefix /usr) and checks what desktops look for there: the program
# in bin, the desktop entry, the AppStream metadata and one icon per size in
# the hicolor theme, each image of the size its folder names.
#
# Usage: check_install_tree.sh BUILD_DIR APP_ID ICON_SIZE...
set -euo pipefail
build=$1 app_id=$2
shift 2
sizes=("$@")

stage=$(mktemp -d "$build/install-tree-check.XXXXXX")
trap 'rm -rf "$stage"' EXIT
DESTDIR=$stage cmake --install "$build" --prefix /usr >/dev/null
root=$stage/usr

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# Width and height of a PNG, from its IHDR chunk.
png_size() {
  local sig w h
  sig=$(od -An -tx1 -N8 "$1" | tr -d ' \n')
  [ "$sig" = 89504e470d0a1a0a ] || {
    echo "not-a-png"
    return
  }
  w=$(od -An -tu4 --endian=big -j16 -N4 "$1" | tr -d ' ')
  h=$(od -An -tu4 --endian=big -j20 -N4 "$1" | tr -d ' ')
  echo "${w}x${h}"
}

[ -x "$root/bin/quorvane" ] || fail "usr/bin/quorvane is missing or not executable"
desktop=$root/share/applications/$app_id.desktop
metainfo=$root/share/metainfo/$app_id.metainfo.xml
[ -f "$desktop" ] || fail "desktop entry ${desktop#"$stage"} is missing"
[ -f "$metainfo" ] || fail "metadata ${metainfo#"$stage"} is missing"

if [ -f "$desktop" ]; then
  grep -qx "Icon=$app_id" "$desktop" || fail "the desktop entry does not name the icon $app_id"
  exec_line=$(sed -n 's/^Exec=//p' "$desktop")
  [ -x "$root/bin/${exec_line%% *}" ] || fail "Exec=$exec_line is not a program in usr/bin"
fi

for size in "${sizes[@]}"; do
  icon=$root/share/icons/hicolor/${size}x${size}/apps/$app_id.png
  if [ ! -f "$icon" ]; then
    fail "icon ${icon#"$stage"} is missing"
    continue
  fi
  got=$(png_size "$icon")
  [ "$got" = "${size}x${size}" ] || fail "icon ${icon#"$stage"} is $got, not ${size}x${size}"
done

# The whole tree as AppStream's own tooling sees it: the metadata, the
# launchable desktop entry it names and the icons.
if ! appstreamcli validate-tree --no-net --explain "$stage/usr"; then
  fail "appstreamcli validate-tree rejected the install tree"
fi

find "$stage" -type f | sed "s|^$stage||" | sort
if [ "$failures" -ne 0 ]; then
  echo "$failures problem(s) in the install tree"
  exit 1
fi
echo "install tree OK"
