#!/usr/bin/env bash
# Set up, build and start Quorvane.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
exec "$QUORVANE_ROOT/build/release/src/app/quorvane"
