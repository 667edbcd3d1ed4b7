#!/usr/bin/env bash
# Soak run (a benchmark, not a test): scripts/soak.sh MINUTES [FOLDER]
# The station records ADV with LAGARITH16 from the simulated camera in its fastest
# full-frame mode (1920 x 1200, 25 ms) in real time for MINUTES, into FOLDER (default: a
# new temporary folder, removed afterwards). It then prints the frames recorded and
# missed (from orvacam-cli inspect), the CPU use of each thread group (sampled once a
# second from /proc/PID/task/*/stat and comm), the peak memory (VmHWM), the write
# throughput, and the load average before and after: on a shared machine the figures are
# only as good as the load lets them be.
set -euo pipefail
cd "$(dirname "$0")/.."
minutes=${1:?usage: scripts/soak.sh MINUTES [FOLDER]}
[[ "$minutes" =~ ^[1-9][0-9]*$ ]] || { echo "soak.sh: MINUTES must be a whole number from 1" >&2; exit 2; }
seconds=$((minutes * 60))

./scripts/build.sh default orvacam-cli >/dev/null
cli=build/default/apps/orvacam-cli

work=$(mktemp -d "${TMPDIR:-/tmp}/orva-soak.XXXXXX")
trap 'rm -rf "$work"' EXIT
out=${2:-$work/recording}
# A settings and data folder of its own: the user's settings are neither read nor written.
export ORVA_CONFIG_DIR=$work/config ORVA_DATA_DIR=$work/data
mkdir -p "$out"

ticks=$(getconf CLK_TCK)
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
"$cli" record --camera sim --mode 0 --exposure 25 --format adv-compressed --seconds "$seconds" --out "$out" \
  >"$work/record.out" 2>"$work/record.err" &
pid=$!
start=$(date +%s.%N)

# One line per thread and sample: tid, name, utime + stime in clock ticks. Threads that
# end keep their last sample; the name is read first so a reused tid cannot mix names.
: >"$work/threads"
hwm=0
while kill -0 "$pid" 2>/dev/null; do
  for task in /proc/"$pid"/task/*; do
    tid=${task##*/}
    name=$(cat "$task/comm" 2>/dev/null) || continue
    stat=$(cat "$task/stat" 2>/dev/null) || continue
    rest=${stat##*) }  # the fields after the name, from the state (field 3) on
    read -r -a f <<<"$rest"
    echo "$tid ${name// /_} $((f[11] + f[12]))" >>"$work/threads"
  done
  h=$(awk '/^VmHWM:/ {print $2}' /proc/"$pid"/status 2>/dev/null || echo 0)
  [ -n "$h" ] && [ "$h" -gt "$hwm" ] && hwm=$h
  sleep 1
done
status=0
wait "$pid" || status=$?
end=$(date +%s.%N)
load_after=$(cut -d' ' -f1-3 /proc/loadavg)
cat "$work/record.out"
if [ "$status" != 0 ]; then
  cat "$work/record.err" >&2
  echo "soak.sh: the recording failed (exit $status)" >&2
  exit 1
fi

file=$(ls "$out"/*.adv | head -n 1)
"$cli" inspect "$file" >"$work/inspect.out" || true
elapsed=$(awk -v a="$start" -v b="$end" 'BEGIN {printf "%.1f", b - a}')
# The recording's own duration ("recorded N frames (...), M missed, in S s") for the rates.
recorded=$(sed -n 's/^recorded .* in \([0-9.]*\) s$/\1/p' "$work/record.out")
recorded=${recorded:-$elapsed}
bytes=$(stat -c %s "$file")
frames=$(awk -F': ' '$1 == "frames" {print $2}' "$work/inspect.out")
missed=$(awk -F': ' '$1 == "missed frames" {print $2}' "$work/inspect.out")
result=$(awk -F': ' '$1 == "result" {print $2}' "$work/inspect.out")

echo "== soak: $minutes min, ADV LAGARITH16, simulated camera, 1920 x 1200, 25 ms"
echo "frames recorded: $frames"
echo "missed frames: $missed (frame numbers absent between the first and the last frame)"
# Where they went missing, from the GPS sidecar (lines end with a carriage return): a burst
# at one moment points at a stall of the machine, a spread at a steady shortfall.
csv=$(ls "$out"/*.csv 2>/dev/null | head -n 1)
if [ -n "$csv" ]; then
  tr '\r' '\n' <"$csv" | awk -F';' '
    $1 ~ /^[0-9]+$/ {
      if (prev != "" && $1 != prev + 1) printf "  %d missed after frame %d (%.1f s into the recording)\n", $1 - prev - 1, prev, prev * 0.025
      prev = $1
    }' | head -n 20
fi
echo "file: $result, $((bytes / 1000000)) MB, ratio $(awk -v f="$frames" -v b="$bytes" 'BEGIN {printf "%.2f", f * 1920 * 1200 * 2 / b}') to raw"
awk -v e="$recorded" -v b="$bytes" -v f="$frames" 'BEGIN {
  printf "write throughput: %.1f MB/s to the file (%.1f MB/s of raw frames) over the %.1f s recorded\n",
         b / e / 1e6, f * 1920 * 1200 * 2 / e / 1e6, e }'
echo "peak memory (VmHWM): $((hwm / 1024)) MB"
echo "CPU by thread group (% of one core over the $elapsed s the process ran; orvacam-cli = the main thread and any unnamed one):"
# Last sample of each thread, summed by name.
awk -v t="$ticks" -v e="$elapsed" '
  { last[$1] = $3; name[$1] = $2 }
  END {
    for (tid in last) { sum[name[tid]] += last[tid]; count[name[tid]]++ }
    for (n in sum) printf "  %-16s %3d thread(s) %6.1f %%\n", n, count[n], 100 * sum[n] / t / e
  }' "$work/threads" | sort -k4 -rn
echo "load average: $load_before before, $load_after after ($(nproc) cores)"
