#!/usr/bin/env bash
# One benchmark, an earlier revision against the working tree, in one run:
#   scripts/bench-compare.sh REVISION BENCHMARK [FILTER] [ROUNDS]
# e.g. scripts/bench-compare.sh 2a252ce FrameProcessor ConsumeFrame 3
# Builds bench_BENCHMARK of REVISION in a temporary worktree and of the working tree, then
# runs the two in turns ROUNDS times (default 3), so that a change in the machine's load
# falls on both alike, and prints per case the median real time of each and the ratio
# new / old (below 1: the working tree is faster).
set -euo pipefail
cd "$(dirname "$0")/.."
revision=${1:?usage: scripts/bench-compare.sh REVISION BENCHMARK [FILTER] [ROUNDS]}
bench=${2:?usage: scripts/bench-compare.sh REVISION BENCHMARK [FILTER] [ROUNDS]}
filter=${3:-.}
rounds=${4:-3}

work=$(mktemp -d "${TMPDIR:-/tmp}/orva-bench.XXXXXX")
cleanup() {
  git worktree remove --force "$work/old" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
git worktree add --detach "$work/old" "$revision" >/dev/null
(cd "$work/old" && ./scripts/build.sh default "bench_$bench" >/dev/null)
./scripts/build.sh default "bench_$bench" >/dev/null

for round in $(seq "$rounds"); do
  for side in old new; do
    binary=build/default/bench/bench_$bench
    [ "$side" = old ] && binary=$work/old/build/default/bench/bench_$bench
    "$binary" --benchmark_filter="$filter" --benchmark_format=csv 2>/dev/null |
      awk -F, -v side="$side" 'NR > 1 && $1 != "" { gsub(/"/, "", $1); print side "," $1 "," $4 "," $5 }' >>"$work/results"
  done
  echo "round $round of $rounds done" >&2
done

# side,name,real_time,time_unit -> median per side and name, then the ratio.
printf "%-52s %12s %12s %8s\n" case old new new/old
sort -t, -k2,2 -k1,1 "$work/results" | awk -F, '
  { key = $2; v[$1, key, ++n[$1, key]] = $3; unit[key] = $4; names[key] = 1 }
  function median(side, key,   i, j, t, c, a) {
    c = n[side, key]
    for (i = 1; i <= c; i++) a[i] = v[side, key, i]
    for (i = 1; i <= c; i++) for (j = i + 1; j <= c; j++) if (a[j] < a[i]) { t = a[i]; a[i] = a[j]; a[j] = t }
    return c % 2 ? a[(c + 1) / 2] : (a[c / 2] + a[c / 2 + 1]) / 2
  }
  END {
    for (key in names) {
      o = median("old", key); w = median("new", key)
      printf "%-52s %10.1f%-2s %10.1f%-2s %8.3f\n", key, o, unit[key], w, unit[key], (o > 0 ? w / o : 0)
    }
  }' | sort
