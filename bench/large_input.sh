#!/usr/bin/env bash
# bench/hardening/large_input (a 1 MiB text in the converter's boxes and the display: handler
# calls, input events, settling, the clock's longest pause) on the real X11 platform, under a
# private Xvfb and openbox.
#
#   bench/large_input.sh [-b BUILD_DIR]      (default: build/release)
set -u
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$root/build/release
while getopts 'b:' opt; do
  case $opt in
    b) build=$OPTARG ;;
    *)
      echo "usage: $0 [-b BUILD_DIR]" >&2
      exit 2
      ;;
  esac
done
bench=$build/bench/hardening/quorvane_large_input
if [[ ! -x $bench ]]; then
  echo "missing $bench: build first (cmake --build $build)" >&2
  exit 1
fi
source "$root/tests/desktop/xvfb_lib.sh"
xl_setup 1280x1024 || exit 1
"$bench" 2>"$XL_TMP/bench.err"
rc=$?
echo "load average $(cut -d' ' -f1-3 /proc/loadavg)"
exit $rc
