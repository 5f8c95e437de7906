#!/usr/bin/env bash
# Builds the Debian package with CPack into a scratch folder and checks its
# control fields and contents: the version, the library dependencies that
# dpkg-shlibdeps computed, the declared CJK fonts, and the program with its
# desktop entry, metadata and icons under /usr.
#
# Usage: check_deb.sh BUILD_DIR APP_ID VERSION ICON_SIZE...
set -euo pipefail
build=$1 app_id=$2 version=$3
shift 3
sizes=("$@")

out=$(mktemp -d "$build/deb-check.XXXXXX")
trap 'rm -rf "$out"' EXIT
if ! cpack -G DEB --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1; then
  cat "$out/cpack.log"
  echo "FAIL: cpack -G DEB failed"
  exit 1
fi
debs=("$out"/*.deb)
[ -f "${debs[0]}" ] || {
  echo "FAIL: cpack made no .deb"
  exit 1
}
deb=${debs[0]}
echo "package: $(basename "$deb")"
dpkg-deb --info "$deb"

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
field() { dpkg-deb --field "$deb" "$1"; }

[ "$(field Package)" = quorvane ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)', not $version"
[ "$(basename "$deb")" = "quorvane_${version}_$(dpkg --print-architecture).deb" ] ||
  fail "file name $(basename "$deb") does not follow name_version_arch.deb"
[ -n "$(field Section)" ] || fail "no Section"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
[ "$(field Description | wc -l)" -gt 1 ] || fail "Description has no long text"

# One name per dependency, alternatives and version constraints dropped.
depends=$(field Depends | tr ',|' '\n\n' | sed 's/(.*)//; s/[[:space:]]//g' | sed '/^$/d')
for pkg in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 \
  fonts-arphic-ukai fonts-arphic-uming; do
  grep -qx "$pkg" <<<"$depends" || fail "Depends lacks $pkg"
done

contents=$(dpkg-deb --contents "$deb" | awk '{print $NF}')
expected=(
  ./usr/bin/quorvane
  "./usr/share/applications/$app_id.desktop"
  "./usr/share/metainfo/$app_id.metainfo.xml"
  ./usr/share/doc/quorvane/copyright
)
for size in "${sizes[@]}"; do
  expected+=("./usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png")
done
for path in "${expected[@]}"; do
  grep -qxF "$path" <<<"$contents" || fail "the package lacks $path"
done
# The program is shipped stripped.
dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/bin/quorvane >"$out/quorvane"
if file "$out/quorvane" | grep -q 'not stripped'; then
  fail "usr/bin/quorvane is not stripped"
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures problem(s) in the package"
  exit 1
fi
echo "package OK"
