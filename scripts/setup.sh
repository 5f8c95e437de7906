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

# The locale test of the number rules runs under de_DE.UTF-8 (a decimal comma).
# Generates that locale when it is missing and we may (root or passwordless
# sudo). Never fails: without the locale, that one test says what is missing.
quorvane_generate_test_locale() {
  if locale -a 2>/dev/null | grep -qiE '^de_DE\.utf-?8$'; then
    return 0
  fi
  local run=()
  if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
      run=(sudo -n)
    else
      echo "Note: cannot generate the de_DE.UTF-8 locale without root; its test will fail." >&2
      return 0
    fi
  fi
  echo "Generating the de_DE.UTF-8 locale"
  if ! "${run[@]}" localedef -i de_DE -c -f UTF-8 de_DE.UTF-8 >/dev/null 2>&1; then
    echo "Note: generating the de_DE.UTF-8 locale failed; its test will fail." >&2
  fi
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
