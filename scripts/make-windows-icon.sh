#!/usr/bin/env bash
# Builds packaging/windows/quorvane.ico, the icon of the Windows executable,
# from the application icon's PNGs in assets/ (ImageMagick). The .ico is
# committed; run this again whenever the PNGs change.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
sizes=(16 32 48 64 128 256)
inputs=()
for size in "${sizes[@]}"; do
  inputs+=("$root/assets/icon-$size.png")
done
# Sizes below 256 are stored as bitmaps with alpha, 256 as PNG: what Windows
# Explorer and the task bar read.
convert "${inputs[@]}" "$root/packaging/windows/quorvane.ico"
identify "$root/packaging/windows/quorvane.ico"
