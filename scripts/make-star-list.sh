#!/usr/bin/env bash
# Writes the star list that the simulated camera's catalogue sky draws from: right
# ascension, declination (degrees, J2000) and V magnitude of the Tycho-2 stars around a
# few pointings, taken from the index files of astrometry-data-tycho2-10-19 with
# astrometry.net's query-starkd. Drawing the very stars the solver's index holds makes a
# simulated frame solvable offline.
#
#   scripts/make-star-list.sh [output] [radius-degrees] [ra,dec ...]
#
# Without pointings it writes the regions the solver tests and the station's simulated
# camera use (data/, installed with the program).
set -euo pipefail
cd "$(dirname "$0")/.."

output=${1:-data/tycho2-regions.csv}
radius=${2:-2.5}
shift 2 2>/dev/null || shift $#
pointings=("$@")
if [ ${#pointings[@]} -eq 0 ]; then
  # Orion's belt; a field just south of the equator; a field across right ascension 0.
  pointings=("83.8,-5.4" "150.0,-0.5" "0.8,30.0")
fi

index_dir=${ORVA_ASTROMETRY_INDEX_DIR:-/usr/share/astrometry}
index="$index_dir/index-tycho2-10.littleendian.fits"
command -v query-starkd >/dev/null || { echo "query-starkd not found (package astrometry.net)" >&2; exit 1; }
[ -f "$index" ] || { echo "$index not found (package astrometry-data-tycho2-10-19)" >&2; exit 1; }

tmp=$(mktemp)
trap 'rm -f "$tmp"' EXIT
for p in "${pointings[@]}"; do
  ra=${p%,*}
  dec=${p#*,}
  # query-starkd prints a search line and a column comment before the "ra, dec, mag" rows.
  query-starkd -r "$ra" -d "$dec" -R "$radius" -T "$index" 2>/dev/null | grep -E '^-?[0-9]' >>"$tmp"
done
{
  echo "# Tycho-2 stars from $(basename "$index"), radius $radius deg around: ${pointings[*]}"
  echo "# right ascension (deg), declination (deg), V magnitude"
  sort -u "$tmp"
} >"$output"
echo "$(($(wc -l <"$output") - 2)) stars written to $output"
