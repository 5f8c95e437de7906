#!/usr/bin/env bash
# Proves that a Windows build of the value rules gives the same texts as the
# Linux build, and that the executable's version record is what Windows reads:
#
#  1. cross-compiles the pure core (src/text) and its unit tests (tests/text)
#     with mingw-w64 (cmake/mingw-w64.cmake, QUORVANE_GUI=OFF,
#     QUORVANE_BENCH=OFF), against GoogleTest built for Windows from Debian's
#     /usr/src/googletest, and runs the tests under wine;
#  2. writes the rules' results for two million fixed inputs (every GBK byte
#     pair and UTF-16 unit, edge and random doubles, singles and texts) with
#     the Windows build under wine and with a Linux build, and compares the
#     two files byte for byte;
#  3. compiles the resource script (packaging/windows/quorvane.rc.in) into a
#     small Windows program that reads its own version record and icon
#     through the Windows API, and checks what it prints.
#
# Usage: scripts/windows-core-check.sh [BUILD_DIR]   (default build/windows)
# Installs mingw-w64, wine, wine64 and googletest when they are missing (as
# root, or through sudo); the default set-up does not need them.
set -euo pipefail

QUORVANE_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(realpath -m "${1:-$QUORVANE_ROOT/build/windows}")
mkdir -p "$build"
triplet=x86_64-w64-mingw32
cross_cxx=$triplet-g++-posix

log() { printf '== %s\n' "$*"; }
die() {
  printf 'windows-core-check: %s\n' "$*" >&2
  exit 1
}

# --- tools ------------------------------------------------------------------
missing=()
for pkg in mingw-w64 wine wine64 googletest cmake g++ make; do
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'ok installed' || missing+=("$pkg")
done
if [ "${#missing[@]}" -gt 0 ]; then
  log "installing ${missing[*]}"
  apt=(env DEBIAN_FRONTEND=noninteractive apt-get)
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null ||
      die "run as root, or first: sudo apt-get install -y ${missing[*]}"
    apt=(sudo "${apt[@]}")
  fi
  "${apt[@]}" update -q >/dev/null
  "${apt[@]}" install -y -q --no-install-recommends "${missing[@]}" >/dev/null
fi
echo "   $($cross_cxx --version | head -n1); $(wine --version 2>/dev/null)"

# wine: its own prefix in the build folder, no display, no add-on installers.
export WINEPREFIX=$build/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  log "creating the wine prefix"
  wineboot --init >/dev/null 2>&1 || die "wineboot failed"
fi
# wine keeps a server per prefix running for a while; end ours on the way out.
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT

# --- GoogleTest for Windows ---------------------------------------------------
gtest=$build/googletest
if [ ! -f "$gtest/lib/cmake/GTest/GTestConfig.cmake" ]; then
  log "building GoogleTest for Windows from /usr/src/googletest"
  cmake -S /usr/src/googletest -B "$build/googletest-build" \
    -DCMAKE_TOOLCHAIN_FILE="$QUORVANE_ROOT/cmake/mingw-w64.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$gtest" -DBUILD_GMOCK=OFF >"$build/googletest.log" 2>&1 &&
    cmake --build "$build/googletest-build" -j2 >>"$build/googletest.log" 2>&1 &&
    cmake --install "$build/googletest-build" >>"$build/googletest.log" 2>&1 ||
    die "GoogleTest did not build; see $build/googletest.log"
fi

# --- 1. the core and its unit tests, for Windows, under wine ------------------
log "cross-compiling quorvane_text and quorvane_text_tests (QUORVANE_GUI=OFF QUORVANE_BENCH=OFF)"
cross=$build/core
cmake -S "$QUORVANE_ROOT" -B "$cross" -DCMAKE_TOOLCHAIN_FILE="$QUORVANE_ROOT/cmake/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DQUORVANE_GUI=OFF -DQUORVANE_BENCH=OFF \
  -DGTest_DIR="$gtest/lib/cmake/GTest" >"$build/configure.log" 2>&1 ||
  {
    cat "$build/configure.log"
    die "configure failed"
  }
cmake --build "$cross" -j2 --target quorvane_text_tests >"$build/build.log" 2>&1 ||
  {
    tail -n 40 "$build/build.log"
    die "the cross build failed"
  }
tests_exe=$cross/tests/text/quorvane_text_tests.exe
file "$tests_exe" | sed "s|$build/||; s/^/   /"

log "running quorvane_text_tests.exe under wine"
status=0
(cd "$(dirname "$tests_exe")" && wine "$tests_exe" --gtest_brief=1) >"$build/tests.log" 2>&1 ||
  status=$?
grep -v '^Running main()' "$build/tests.log" | sed 's/^/   /'
tests_status=$status

# --- 2. the same texts as the Linux build -------------------------------------
log "writing the rules' results with the Windows and the Linux build"
native=$build/native-core
cmake -S "$QUORVANE_ROOT" -B "$native" -DCMAKE_BUILD_TYPE=Release -DQUORVANE_GUI=OFF \
  -DQUORVANE_BENCH=OFF -DBUILD_TESTING=OFF >"$build/native.log" 2>&1 &&
  cmake --build "$native" -j2 --target quorvane_text >>"$build/native.log" 2>&1 ||
  {
    tail -n 40 "$build/native.log"
    die "the Linux build of quorvane_text failed"
  }
flags=(-std=c++20 -O2 -Wall -Wextra -Wpedantic -Werror -I"$QUORVANE_ROOT/src")
table_src=$QUORVANE_ROOT/tests/packaging/text_table.cpp
g++ "${flags[@]}" "$table_src" "$native/src/text/libquorvane_text.a" -o "$build/text_table"
$cross_cxx "${flags[@]}" "$table_src" "$cross/src/text/libquorvane_text.a" -static \
  -o "$build/text_table.exe"
"$build/text_table" "$build/texts-linux.txt"
(cd "$build" && wine ./text_table.exe texts-windows.txt)
lines=$(wc -l <"$build/texts-linux.txt")
echo "   linux:   $(sha256sum "$build/texts-linux.txt" | cut -c1-64)  $lines lines"
echo "   windows: $(sha256sum "$build/texts-windows.txt" | cut -c1-64)  $(wc -l <"$build/texts-windows.txt") lines"
texts_status=0
if cmp -s "$build/texts-linux.txt" "$build/texts-windows.txt"; then
  echo "   identical: $(cut -d' ' -f1 "$build/texts-linux.txt" | sort | uniq -c | awk '{printf "%s %s, ", $2, $1}' | sed 's/, $//')"
else
  texts_status=1
  echo "   DIFFERENT, first differences (< linux, > windows):"
  diff "$build/texts-linux.txt" "$build/texts-windows.txt" | head -n 20 | sed 's/^/   /'
  echo "   per rule: $(diff "$build/texts-linux.txt" "$build/texts-windows.txt" | grep '^<' |
    awk '{print $2}' | sort | uniq -c | tr '\n' ' ')"
fi

# --- 3. the version record ------------------------------------------------------
log "the version record and icon of packaging/windows/quorvane.rc.in, as Windows reads them"
rc=$cross/packaging/quorvane.rc
[ -f "$rc" ] || die "configuring did not produce $rc"
$triplet-windres "$rc" -O coff -o "$build/quorvane-rc.o"
$cross_cxx "${flags[@]}" "$QUORVANE_ROOT/tests/packaging/version_record.cpp" "$build/quorvane-rc.o" \
  -static -lversion -o "$build/version_record.exe"
record=$(cd "$build" && wine ./version_record.exe | tr -d '\r')
sed 's/^/   /' <<<"$record"
version=$(sed -n 's/^project(Quorvane VERSION \([0-9.]*\).*/\1/p' "$QUORVANE_ROOT/CMakeLists.txt")
record_status=0
for expected in "FILEVERSION ${version//./,}" "PRODUCTVERSION ${version//./,}" \
  "FileVersion \"$version\"" "ProductVersion \"$version\"" 'ProductName "Quorvane"' \
  "icon 16x16 32x32 48x48 64x64 128x128 256x256"; do
  grep -qxF "$expected" <<<"$record" || {
    echo "   MISSING: $expected"
    record_status=1
  }
done

# --- verdict --------------------------------------------------------------------
echo
echo "unit tests under wine: $([ "$tests_status" -eq 0 ] && echo passed || echo FAILED)"
echo "same texts as Linux:   $([ "$texts_status" -eq 0 ] && echo yes || echo NO)"
echo "version record:        $([ "$record_status" -eq 0 ] && echo as expected || echo WRONG)"
[ "$tests_status" -eq 0 ] && [ "$texts_status" -eq 0 ] && [ "$record_status" -eq 0 ]
