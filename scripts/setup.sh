#!/usr/bin/env bash
# Installs the Debian packages of packages.txt that are missing, then
# configures and builds Quorvane in build/release.
# Sourced by scripts/run.sh and scripts/test.sh.
set -euo pipefail

QUORVANE_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export QUORVANE_ROOT

quorvane_missing_packages() {
  local pkg missing=()
  while read -r pkg; do
    pkg=${pkg%%#*}
    pkg=${pkg//[[:space:]]/}
    [ -n "$pkg" ] || continue
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'ok installed'; then
      missing+=("$pkg")
    fi
  done <"$QUORVANE_ROOT/packages.txt"
  echo "${missing[@]:-}"
}

quorvane_install_packages() {
  local missing
  missing=$(quorvane_missing_packages)
  [ -n "$missing" ] || return 0
  echo "Installing missing packages: $missing"
  local apt=(env DEBIAN_FRONTEND=noninteractive apt-get)
  if [ "$(id -u)" -eq 0 ]; then
    "${apt[@]}" update -q
    # shellcheck disable=SC2086
    "${apt[@]}" install -y -q $missing
  elif command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
    sudo "${apt[@]}" update -q
    # shellcheck disable=SC2086
    sudo "${apt[@]}" install -y -q $missing
  else
    echo "Quorvane needs these Debian packages. Run this, then try again:" >&2
    echo "  sudo apt-get update && sudo apt-get install -y $missing" >&2
    exit 1
  fi
}

# The locale tests run under de_DE.UTF-8 (a decimal comma) and zh_CN.GBK (the
# program's own code page as the system's). Generates those locales when they
# are missing and we may (root or passwordless sudo). Never fails: without a
# locale, the tests that need it say what is missing.
quorvane_generate_test_locale() {
  local locale_entry name input charmap run=() need=()
  for locale_entry in de_DE:UTF-8:'de_DE\.utf-?8' zh_CN:GBK:'zh_CN\.gbk'; do
    IFS=: read -r input charmap name <<<"$locale_entry"
    if ! locale -a 2>/dev/null | grep -qiE "^${name}\$"; then
      need+=("$input.$charmap")
    fi
  done
  [ ${#need[@]} -gt 0 ] || return 0
  if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
      run=(sudo -n)
    else
      echo "Note: cannot generate the locales ${need[*]} without root; their tests will fail." >&2
      return 0
    fi
  fi
  local locale_name
  for locale_name in "${need[@]}"; do
    echo "Generating the $locale_name locale"
    if ! "${run[@]}" localedef -i "${locale_name%%.*}" -c -f "${locale_name#*.}" "$locale_name" \
      >/dev/null 2>&1; then
      echo "Note: generating the $locale_name locale failed; its tests will fail." >&2
    fi
  done
  return 0
}

quorvane_build() { # build dir, then extra cmake arguments
  local dir=$1
  shift
  cmake -S "$QUORVANE_ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
  cmake --build "$dir" -j2
}

quorvane_install_packages
quorvane_generate_test_locale
quorvane_build "$QUORVANE_ROOT/build/release"
