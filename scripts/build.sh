#!/usr/bin/env bash
# Configures (once) and builds one preset incrementally: scripts/build.sh [preset] [targets...]
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-default}
shift || true
./scripts/install-deps.sh
# Configured again when the presets changed, so that a changed cache variable takes effect.
if [ ! -f "build/$preset/build.ninja" ] || [ CMakePresets.json -nt "build/$preset/CMakeCache.txt" ]; then
  cmake --preset "$preset" >/dev/null
fi
if [ $# -gt 0 ]; then
  cmake --build --preset "$preset" --target "$@"
else
  cmake --build --preset "$preset"
fi
