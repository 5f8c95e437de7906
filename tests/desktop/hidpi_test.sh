#!/usr/bin/env bash
# The real window at a scale factor of 2 (QT_SCALE_FACTOR=2) under Xvfb and openbox, seen
# from outside the process: client and frame together 1540 x 680 device pixels (openbox's
# frame is not scaled; a frame of an odd number of pixels leaves the whole one pixel short,
# as the client can only have an even number of them), centred, still on top; text and the
# background picture drawn at device resolution, not doubled into 2 x 2 blocks; the 32-pixel
# image of the icon offered where 16 pixels are asked for. Saves screenshots in ARTIFACT_DIR.
#
#   hidpi_test.sh PROGRAM ARTIFACT_DIR
set -u
program=$1
artifacts=$2
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
icon32=$here/../../assets/icon-32.png
source "$here/xvfb_lib.sh"

xl_setup 2560x1440 || exit 1
timeout 5 xdotool mousemove 2550 1430

QT_SCALE_FACTOR=2 xl_start "$XL_TMP/program" "$program"
pid=$XL_LAST_PID
if ! wid=$(xl_wait_window "$pid" 15); then
  cat "$XL_TMP/program.err" >&2
  exit 1
fi
xl_wait_settled "$wid"

read -r cx cy cw ch <<<"$(xl_client_geometry "$wid")"
read -r fl fr ft fb <<<"$(xl_frame_extents "$wid")"
read -r sw sh <<<"$(xl_screen_size)"
ow=$((cw + fl + fr)) oh=$((ch + ft + fb))
echo "client ${cw}x${ch} at ($cx,$cy); frame extents left $fl right $fr top $ft bottom $fb;" \
  "whole ${ow}x${oh}; screen ${sw}x${sh} (device pixels)"

# within_one_short DESCRIPTION EXPECTED ACTUAL: ACTUAL is EXPECTED or one less (a side of
# the client is a whole number of device-independent pixels, two device pixels each).
within_one_short() {
  if (($3 <= $2 && $3 >= $2 - 1)); then
    xl_pass "$1: $3 (described $2)"
  else
    xl_fail "$1: expected $2 (or one less), got $3"
  fi
}
within_one_short "outer width, client plus frame" 1540 "$ow"
within_one_short "outer height, client plus frame" 680 "$oh"
if ((cw % 2 == 0 && ch % 2 == 0)); then
  xl_pass "client ${cw}x${ch}: whole device-independent pixels"
else
  xl_fail "client ${cw}x${ch} is not twice a whole size"
fi
ex=$(((sw - 1540) / 2)) ey=$(((sh - 680) / 2))
ax=$((cx - fl)) ay=$((cy - ft))
if ((ax - ex <= 1 && ex - ax <= 1 && ay - ey <= 1 && ey - ay <= 1)); then
  xl_pass "outer top-left ($ax,$ay) centred within a device pixel of ($ex,$ey)"
else
  xl_fail "outer top-left ($ax,$ay), centred would be ($ex,$ey)"
fi

state=$(xprop -id "$wid" _NET_WM_STATE)
if [[ $state == *_NET_WM_STATE_ABOVE* ]]; then
  xl_pass "kept above other windows (_NET_WM_STATE_ABOVE)"
else
  xl_fail "not marked always on top: $state"
fi

# Let the first paint and a clock tick land, then keep pictures: the client area, the window
# with openbox's frame, and a part of the client at full size (the converter and the leaves).
sleep 0.7
mkdir -p "$artifacts"
shot=$artifacts/quorvane_window_scale2.png
framed=$artifacts/quorvane_window_scale2_framed.png
crop=$artifacts/quorvane_window_scale2_crop.png
if import -window "$wid" "$shot" 2>"$XL_TMP/import.err" &&
  import -window root -crop "${ow}x${oh}+${ax}+${ay}" +repage "$framed" 2>>"$XL_TMP/import.err"; then
  echo "screenshot: $shot"
  echo "screenshot with the frame: $framed"
else
  xl_fail "screenshot: $(cat "$XL_TMP/import.err")"
  xl_summary
  exit 1
fi
xl_expect_eq "screenshot size" "${cw}x${ch}" "$(identify -format '%wx%h' "$shot")"
convert "$shot" -crop 640x260+900+0 +repage "$crop"
echo "full-size crop: $crop"

# uneven_share X Y W H: the share of the area's pixels (client coordinates, even) that
# differ from the top-left pixel of their aligned 2 x 2 block. An area drawn at half the
# resolution and doubled has none.
uneven_share() {
  local area=$XL_TMP/area.png doubled=$XL_TMP/doubled.png differing
  convert "$shot" -crop "${3}x${4}+${1}+${2}" +repage "$area"
  convert "$area" -sample 50% -sample 200% "$doubled"
  differing=$(compare -metric AE "$area" "$doubled" null: 2>&1)
  awk -v d="${differing%% *}" -v n=$(($3 * $4)) 'BEGIN { printf "%.3f", d / n }'
}
# at_least DESCRIPTION MIN SHARE
at_least() {
  if awk -v s="$3" -v m="$2" 'BEGIN { exit !(s >= m) }'; then
    xl_pass "$1: $3 of the pixels differ within their 2x2 block"
  else
    xl_fail "$1: only $3 of the pixels differ within their 2x2 block (doubled at half resolution?)"
  fi
}
# The leaves of the background, between 标签1 and the converter's right column (logical
# 566,0 128x34); the note 标签12 (logical 10,282 300x20); the engraved 现在时间 (472,214).
at_least "background picture scaled smoothly" 0.2 "$(uneven_share 1132 0 256 68)"
at_least "note text at device resolution" 0.05 "$(uneven_share 20 564 600 40)"
at_least "engraved label text at device resolution" 0.05 "$(uneven_share 944 428 192 48)"

# The icon: _NET_WM_ICON holds width, height and ARGB pixels for each image; the first
# image, for 16 device-independent pixels, must be the 32-pixel picture itself (the same
# alpha everywhere and the same colours where opaque), not the 16-pixel one scaled up.
xprop -id "$wid" -notype -f _NET_WM_ICON 32x '=$0+\n' _NET_WM_ICON | sed 's/^_NET_WM_ICON=//' |
  tr -d ' \n' | tr ',' '\n' >"$XL_TMP/icon.txt"
total=$(wc -l <"$XL_TMP/icon.txt")
sizes=() p=1
while ((p + 1 <= total)); do
  read -r w h <<<"$(sed -n "${p}p;$((p + 1))p" "$XL_TMP/icon.txt" | paste -sd ' ')"
  w=$((w)) h=$((h)) # from 0x hexadecimal
  sizes+=("${w}x${h}")
  p=$((p + 2 + w * h))
done
echo "icon images offered: ${sizes[*]}"
first=${sizes[0]:-none}
xl_expect_eq "first icon image (16 px at scale 2)" "32x32" "$first"
sed -n '3,1026p' "$XL_TMP/icon.txt" | while read -r v; do printf '%08x\n' "$v"; done >"$XL_TMP/wm.txt"
convert "$icon32" -depth 8 txt:- | awk 'NR > 1 { for (i = 1; i <= NF; i++) if ($i ~ /^#/) {
  h = tolower(substr($i, 2)); print substr(h, 7, 2) substr(h, 1, 6) } }' >"$XL_TMP/png.txt"
mismatch=$(paste "$XL_TMP/wm.txt" "$XL_TMP/png.txt" | awk '
  NF != 2 { bad++; next }
  substr($1, 1, 2) != substr($2, 1, 2) || (substr($2, 1, 2) == "ff" && $1 != $2) { bad++ }
  END { print bad + 0, NR }')
xl_expect_eq "icon pixels differing from assets/icon-32.png, of all" "0 1024" "$mismatch"

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
