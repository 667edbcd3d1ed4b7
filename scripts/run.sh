#!/usr/bin/env bash
# Runs the station (the simulated camera when no real camera is attached).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/build.sh default orvacam-cli >/dev/null
exec ./build/default/apps/orvacam-cli "$@"
