#!/usr/bin/env bash
# Runs the station on the simulated camera (the default camera while no real camera is
# attached). With a display (DISPLAY or WAYLAND_DISPLAY set) and no arguments it starts
# the desktop station, streaming at once. Otherwise it runs the headless station:
# without arguments it records a short demonstration into ./recordings and inspects
# every file it wrote; with arguments it runs orvacam-cli with them (for example:
# scripts/run.sh inspect recordings/x.ser).
set -euo pipefail
cd "$(dirname "$0")/.."
if [ $# -eq 0 ] && { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }; then
  echo "A display is available: starting the desktop station (orvacam) on the simulated camera."
  ./scripts/build.sh default orvacam >/dev/null
  exec ./build/default/apps/orvacam --camera sim
fi
[ $# -eq 0 ] && echo "No display (DISPLAY and WAYLAND_DISPLAY unset): running the headless demonstration."
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
