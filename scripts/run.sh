#!/usr/bin/env bash
# Runs the headless station on the simulated camera (the default camera while no real
# camera is attached). Without arguments it records a short demonstration into
# ./recordings and inspects every file it wrote; with arguments it runs orvacam-cli
# with them (for example: scripts/run.sh inspect recordings/x.ser).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/build.sh default orvacam-cli >/dev/null
cli=./build/default/apps/orvacam-cli
if [ $# -gt 0 ]; then
  exec "$cli" "$@"
fi
"$cli" version
"$cli" cameras
# Five seconds of the 480 x 300 mode at 20 ms, with the GPS status CSV beside it.
summary=$("$cli" record --camera sim --mode 4 --exposure 20 --format ser --seconds 5 --out ./recordings --csv)
echo "$summary"
while IFS= read -r file; do
  echo
  "$cli" inspect "$file"
done < <(sed -n 's/^written: //p' <<<"$summary")
