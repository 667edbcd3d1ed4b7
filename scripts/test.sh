#!/usr/bin/env bash
# Builds everything and runs every test: scripts/test.sh [default|asan|tsan] [ctest args...]
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-default}
shift || true
./scripts/build.sh "$preset"
# ThreadSanitizer cannot map its shadow memory under high ASLR entropy; run it without ASLR.
runner=()
if [ "$preset" = tsan ]; then runner=(setarch "$(uname -m)" -R); fi
"${runner[@]}" ctest --preset "$preset" "$@"
