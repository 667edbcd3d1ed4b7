#!/usr/bin/env bash
# Builds and runs every benchmark: scripts/bench.sh [benchmark args...]
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/build.sh default
for b in build/default/bench/bench_*; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  "$b" "$@"
done
