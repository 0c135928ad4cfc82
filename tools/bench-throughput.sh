#!/usr/bin/env bash
# Throughput of `zonvert to-grid` on a UTM zone, file to file, beside
# PROJ's cs2cs doing the same conversion in the same run.
#
# Usage: tools/bench-throughput.sh [BUILD_DIR [POINTS [RUNS]]]
#   BUILD_DIR  build tree holding bin/zonvert (default: build)
#   POINTS     number of points (default: 2000000)
#   RUNS       runs of each program; the fastest counts (default: 3)
#
# The points are WGS 84 latitude and longitude in UTM zone 33 north, eight
# decimals, one per line; both programs write easting and northing with
# three decimals to a file.  Prints points per second of each, their ratio,
# and the largest difference between the two outputs.
set -euo pipefail
BUILD=${1:-build}
POINTS=${2:-2000000}
RUNS=${3:-3}
TOOL=$BUILD/bin/zonvert
[ -x "$TOOL" ] || { echo "no $TOOL: build first (cmake --build $BUILD)" >&2; exit 2; }
command -v cs2cs >/dev/null || { echo "cs2cs not found (Debian package proj-bin)" >&2; exit 2; }

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
awk -v n="$POINTS" 'BEGIN { srand(7); for (i = 0; i < n; i++) printf "%.8f %.8f\n", 40 + 10 * rand(), 12 + 6 * rand() }' \
  >"$WORK/points.txt"

now() { date +%s.%N; }
# best_seconds COMMAND...: the shortest wall time of RUNS runs.
best_seconds() {
  local best="" start end t
  for ((r = 0; r < RUNS; r++)); do
    start=$(now)
    "$@"
    end=$(now)
    t=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.6f", b - a }')
    if [ -z "$best" ] || awk -v t="$t" -v b="$best" 'BEGIN { exit !(t < b) }'; then best=$t; fi
  done
  echo "$best"
}

run_zonvert() { "$TOOL" to-grid utm:wgs84:33N "$WORK/points.txt" -o "$WORK/zonvert.txt"; }
run_cs2cs() { cs2cs -f %.3f EPSG:4326 EPSG:32633 "$WORK/points.txt" >"$WORK/cs2cs.txt"; }

tz=$(best_seconds run_zonvert)
tc=$(best_seconds run_cs2cs)

awk -v n="$POINTS" -v tz="$tz" -v tc="$tc" 'BEGIN {
  printf "points: %d, best of the runs, file to file\n", n
  printf "zonvert to-grid utm:wgs84:33N   %8.3f s  %12.0f points/s\n", tz, n / tz
  printf "cs2cs EPSG:4326 EPSG:32633      %8.3f s  %12.0f points/s\n", tc, n / tc
  printf "zonvert / cs2cs: %.2f\n", tc / tz
}'
# Both outputs agree to the millimetre level (the two use different
# Transverse Mercator series).
paste "$WORK/zonvert.txt" "$WORK/cs2cs.txt" | awk '
  { dx = $1 - $3; dy = $2 - $4; if (dx < 0) dx = -dx; if (dy < 0) dy = -dy
    if (dx > m) m = dx; if (dy > m) m = dy }
  END { printf "largest difference between the outputs: %.3f m\n", m }'
