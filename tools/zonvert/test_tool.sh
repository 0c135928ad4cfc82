#!/usr/bin/env bash
# Tests of the zonvert tool, run on the built program.
# Usage: test_tool.sh TOOL GROUP SOURCE_DIR
#   GROUP: convert | errors | library_lines | names | datum
# Every case writes its fixtures into a temporary root (ROOT/template with
# the shipped parameter file and a small zone catalogue); the names group
# also runs without --root, where the tool must find the build tree's data.
# Exit 0 all passed, 1 a case failed, 77 skipped (no NADCON grids).
set -u
TOOL=$1
GROUP=$2
SRC=$3
GRIDS=${ZONVERT_NADCON_GRIDS:-$SRC/../shared/nadcon}

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
# Under a checker (tools/run-valgrind.sh sets ZONVERT_TOOL_LAUNCHER) every
# run of the tool goes through it.
if [ -n "${ZONVERT_TOOL_LAUNCHER:-}" ]; then
  printf '#!/bin/sh\nexec %s "%s" "$@"\n' "$ZONVERT_TOOL_LAUNCHER" "$TOOL" >"$WORK/tool"
  chmod +x "$WORK/tool"
  TOOL=$WORK/tool
fi
ROOT=$WORK/root
mkdir -p "$ROOT/template"
cp "$SRC/template/con_dos.asc" "$ROOT/template/"
# Zone 8998 selects Lambert Conformal Conic but has no record in the
# parameter file; the other rows name zones that have one.
cat >"$ROOT/template/zones.csv" <<'EOF'
code,key,family,name,ellipsoid,epsg,epsg_south,definition
1633,utm:wgs84:33,tmerc,"UTM zone 33, WGS 84",wgs84,32633,32733,"+proj=utm +zone=33"
-405,spcs27:0405,lcc,NAD27 California V,clarke1866,26745,,"+proj=lcc, quoted ""text"""
7507,spcs83:0405,lcc,NAD83 California V,grs80,26945,,
8998,test:noparams,lcc,a zone without parameters,grs80,,,
EOF

failures=0
OUT=$WORK/out
ERR=$WORK/err
RC=0

# run ARGS...: runs the tool, keeping stdout in $OUT, stderr in $ERR, status in RC.
run() {
  "$TOOL" "$@" >"$OUT" 2>"$ERR"
  RC=$?
}
fail() {
  echo "FAIL: $1"
  echo "--- stdout:"; cat "$OUT"
  echo "--- stderr:"; cat "$ERR"
  failures=$((failures + 1))
}
# expect NAME STATUS EXPECTED_STDOUT: exact stdout and exit status.
expect() {
  local got
  got=$(cat "$OUT")
  [ "$RC" -eq "$2" ] || { fail "$1: exit status $RC, expected $2"; return; }
  [ "$got" = "$3" ] || fail "$1: stdout differs; expected:
$3"
}
# expect_err NAME PATTERN: stderr has a line matching the extended regex.
expect_err() {
  grep -Eq -- "$2" "$ERR" || fail "$1: stderr lacks /$2/"
}
expect_no_err() {
  [ ! -s "$ERR" ] || fail "$1: stderr not empty"
}

group_convert() {
  # Points as arguments, metres and degrees.
  run to-grid 1633 --root "$ROOT" 45 15 48.2082 16.3738
  expect "arguments" 0 $'500000.000 4982950.401\n602065.207 5340353.595'
  expect_no_err "arguments"

  # Comments, blank lines, commas, tabs, extra columns, CR LF and a last
  # line without a line feed all keep their place and their text.
  printf '# Vienna and Rome\n48.2082,16.3738,Vienna\n\n  41.9028\t12.4964  Rome  x\r\n48.2082, 16.3738' \
    >"$WORK/mixed.txt"
  run to-grid 1633 --root "$ROOT" "$WORK/mixed.txt"
  expect "mixed layout" 0 "$(printf '# Vienna and Rome\n602065.207,5340353.595,Vienna\n\n  292335.313\t4642015.500  Rome  x\r\n602065.207, 5340353.595')"

  # Units and decimals: US survey feet, arc-seconds, -d.
  local cases=(
    "-u us-ft 45 15|1640416.665 16348229.757"
    "-a sec 162000 54000|500000.000 4982950.401"
    "-d 1 45 15|500000.0 4982950.4"
    "-d 0 -u us-ft 45 15|1640417 16348230"
    "-d2 -uus-ft 45 15|1640416.67 16348229.76"
    "--decimals=1 45 15|500000.0 4982950.4"
  )
  local c
  for c in "${cases[@]}"; do
    # shellcheck disable=SC2086
    run to-grid 1633 --root "$ROOT" ${c%%|*}
    expect "units: ${c%%|*}" 0 "${c#*|}"
  done

  # Round trip grid -> geographic, in degrees and in arc-seconds.
  run to-geo 1633 --root "$ROOT" 602065.207 5340353.595
  expect "to-geo degrees" 0 "48.208200002 16.373799995"
  run to-geo 1633 --root "$ROOT" -a sec -u us-ft 1640416.665 16348229.757
  expect "to-geo arc-seconds, feet" 0 "162000.00001 54000.00000"

  # Several inputs in order, standard input as '-', output to a file.
  printf '45 15\n' >"$WORK/a.txt"
  printf '48.2082 16.3738\n' >"$WORK/b.txt"
  "$TOOL" to-grid 1633 --root "$ROOT" "$WORK/a.txt" - "$WORK/b.txt" -o "$WORK/o.txt" \
    <<<'41.9028 12.4964' >"$OUT" 2>"$ERR"
  RC=$?
  expect "-o keeps stdout empty" 0 ""
  [ "$(cat "$WORK/o.txt")" = $'500000.000 4982950.401\n292335.313 4642015.500\n602065.207 5340353.595' ] ||
    fail "inputs in order into -o file"

  # Many lines cross the 1 MiB read and write blocks: one output line per
  # input line, each the same as the line converted alone.  A 3 MiB comment
  # line makes the reader grow its buffer and comes out whole.
  awk 'BEGIN { for (i = 0; i < 120000; i++) printf "%.6f %.6f p%d\n", 40 + (i % 997) / 100, 12 + (i % 601) / 100, i }' \
    >"$WORK/big.txt"
  head -c 3145728 /dev/zero | tr '\0' 'c' | sed 's/^/# /' >>"$WORK/big.txt"
  printf '\n45 15 last\n' >>"$WORK/big.txt"
  run to-grid 1633 --root "$ROOT" "$WORK/big.txt"
  [ "$RC" -eq 0 ] || fail "big input: status $RC"
  [ "$(wc -l <"$OUT")" -eq "$(wc -l <"$WORK/big.txt")" ] || fail "big input: line count"
  local line
  for line in 1 54321 120000; do
    local alone
    alone=$("$TOOL" to-grid 1633 --root "$ROOT" <<<"$(sed -n "${line}p" "$WORK/big.txt")")
    [ "$(sed -n "${line}p" "$OUT")" = "$alone" ] || fail "big input: line $line differs"
  done
  cmp -s <(sed -n 120001p "$OUT") <(sed -n 120001p "$WORK/big.txt") || fail "big input: long comment"
  [ "$(tail -n 1 "$OUT")" = "500000.000 4982950.401 last" ] || fail "big input: last line"
}

group_errors() {
  # Malformed lines: each keeps its place, marked, and is reported.
  printf 'abc 15 name\n45\n45 15\n45 x\n,15\n95 15\n' >"$WORK/bad.txt"
  run to-grid 1633 --root "$ROOT" "$WORK/bad.txt"
  expect "malformed lines" 1 $'* * name\n* *\n500000.000 4982950.401\n* *\n*,*\n* *'
  expect_err "malformed 1" "^$WORK/bad.txt:1: not a number: 'abc'$"
  expect_err "malformed 2" "^$WORK/bad.txt:2: second coordinate missing$"
  expect_err "malformed 4" "^$WORK/bad.txt:4: not a number: 'x'$"
  expect_err "malformed 5" "^$WORK/bad.txt:5: no coordinates$"
  expect_err "malformed 6" "^$WORK/bad.txt:6: latitude outside -90..90 degrees$"
  [ "$(grep -c . "$ERR")" -eq 5 ] || fail "malformed lines: one report per bad line"

  # An unknown zone name: every line marked and reported, nothing dropped.
  printf '45 15\n# kept\n46 16\n' >"$WORK/two.txt"
  run to-grid spcs27:9999 --root "$ROOT" "$WORK/two.txt"
  expect "unknown zone" 1 $'* *\n# kept\n* *'
  expect_err "unknown zone 1" "^$WORK/two.txt:1: unknown zone 'spcs27:9999'"
  expect_err "unknown zone 3" "^$WORK/two.txt:3: unknown zone 'spcs27:9999'"

  # A zone code that selects no projection.
  run to-grid 9000 --root "$ROOT" 45 15
  expect "no projection" 1 "* *"
  expect_err "no projection" "^<arguments>:1: zone code 9000: selects no projection"

  # Usage errors: status 2 and no data.
  local usage=(
    "to-grid 1633 --bogus 45 15"
    "to-grid 1633 45"
    "to-grid"
    "frobnicate"
    "to-grid 1633 -d 99 45 15"
    "to-grid 1633 -u yards 45 15"
    "shift 27to84 45 15"
    "to-grid 1633 --datum 27to83 45 15"
  )
  local u
  for u in "${usage[@]}"; do
    # shellcheck disable=SC2086
    run $u
    [ "$RC" -eq 2 ] && [ ! -s "$OUT" ] && [ -s "$ERR" ] || fail "usage error: $u (status $RC)"
  done

  # A missing input file: reported, status 2, the other inputs converted.
  run to-grid 1633 --root "$ROOT" "$WORK/none.txt" "$WORK/two.txt"
  expect "missing input file" 2 $'500000.000 4982950.401\n# kept\n577432.183 5094533.592'
  expect_err "missing input file" "none.txt: No such file"

  # Help for every command.
  local command
  for command in to-grid to-geo grid-to-grid shift zones; do
    run "$command" --help
    [ "$RC" -eq 0 ] && head -n 1 "$OUT" | grep -q "^usage: zonvert $command" ||
      fail "$command --help"
  done
  run --help
  [ "$RC" -eq 0 ] && grep -q "grid-to-grid" "$OUT" || fail "--help"

  # Empty input: no output, success.
  run to-grid 1633 --root "$ROOT" </dev/null
  expect "empty input" 0 ""
}

group_library_lines() {
  # The library prints its " *** Error: ..." lines on standard output for an
  # illegal zone suffix and a zone without parameters; the data stay free
  # of it and the zone's lines are marked and reported.
  printf '45 15\n46 16\n' >"$WORK/two.txt"
  run to-grid 1662 --root "$ROOT" "$WORK/two.txt"
  expect "illegal suffix" 1 $'* *\n* *'
  expect_err "illegal suffix" "^zonvert: zone code 1662: illegal zone suffix"
  expect_err "illegal suffix line 2" "^$WORK/two.txt:2: zone code 1662: illegal zone suffix"

  run to-grid test:noparams --root "$ROOT" "$WORK/two.txt"
  expect "no parameters" 1 $'* *\n* *'
  expect_err "no parameters" "^$WORK/two.txt:1: test:noparams \\(zone code 8998\\): no parameters"

  # grid-to-grid with a good FROM and a TO without parameters.
  run grid-to-grid 1633 8998 --root "$ROOT" 500000 4982950
  expect "no parameters in TO" 1 "* *"

  # No parameter file under the root: the library's message on standard
  # error once, not once per line; the lines are marked.
  mkdir -p "$WORK/empty/template"
  printf '45 15\n46 16\n47 17\n' >"$WORK/three.txt"
  run to-grid 1633 --root "$WORK/empty" "$WORK/three.txt"
  expect "no parameter file" 1 $'* *\n* *\n* *'
  [ "$(grep -c 'con_dos.asc not found' "$ERR")" -eq 1 ] || fail "no parameter file: one message"
}

group_names() {
  # Names resolve to the zone code, hemisphere included.
  local same=(
    "1633|utm:wgs84:33N|45 15"
    "1633|UTM:WGS84:33n|45 15"
    "1633|epsg:32633|45 15"
    "1633 --hemisphere south|utm:wgs84:33S|-30 15"
    "1633 --hemisphere south|epsg:32733|-30 15"
    "-405|spcs27:0405|34.0522 -118.2437"
    "-405|spcs27:405|34.0522 -118.2437"
    "-405 -u m|spcs27:0405 -u m|34.0522 -118.2437"
  )
  local c code name point expected
  for c in "${same[@]}"; do
    IFS='|' read -r code name point <<<"$c"
    # shellcheck disable=SC2086
    expected=$("$TOOL" to-grid $code --root "$ROOT" $point)
    # shellcheck disable=SC2086
    run to-grid $name --root "$ROOT" $point
    expect "name $name" 0 "$expected"
  done
  run to-grid utm:wgs84:33S --root "$ROOT" -30 15
  expect "southern false northing" 0 "500000.000 6681214.647"

  # State Plane 1927 defaults to US survey feet; metres on request.
  run to-grid spcs27:0405 --root "$ROOT" 34.0522 -118.2437
  expect "spcs27 feet" 0 "1926178.671 201045.679"
  run to-grid spcs27:0405 --root "$ROOT" -u m 34.0522 -118.2437
  expect "spcs27 metres" 0 "587100.434 61278.846"

  # The catalogue listing and its search.
  run zones --root "$ROOT" 0405
  [ "$RC" -eq 0 ] && [ "$(wc -l <"$OUT")" -eq 2 ] && grep -q "spcs27:0405 .*26745 .*NAD27 California V" "$OUT" ||
    fail "zones 0405"
  run zones --root "$ROOT" nowhere
  [ "$RC" -eq 1 ] && [ ! -s "$OUT" ] || fail "zones without a match"

  # No catalogue under the root: a name cannot resolve, a code still works.
  mkdir -p "$WORK/bare/template"
  cp "$SRC/template/con_dos.asc" "$WORK/bare/template/"
  run to-grid utm:wgs84:33N --root "$WORK/bare" 45 15
  expect "no catalogue" 1 "* *"
  expect_err "no catalogue" "cannot read the zone catalogue $WORK/bare/template/zones.csv"
  run to-grid 1633 --root "$WORK/bare" 45 15
  expect "code without catalogue" 0 "500000.000 4982950.401"

  # Without --root the tool finds the data of the tree it was built into.
  run to-grid spcs27:0405 34.0522 -118.2437
  expect "build tree root" 0 "1926178.671 201045.679"
}

group_datum() {
  [ -f "$GRIDS/conus.las" ] || { echo "no NADCON grids in $GRIDS"; exit 77; }
  local f
  for f in "$GRIDS"/*.las "$GRIDS"/*.los; do ln -s "$f" "$ROOT/template/"; done

  # A CONUS grid node: NAD 27 (34, -117) is NAD 83 (34.00001485,
  # -117.00086104); the inverse returns to the node.
  run shift 27to83 --root "$ROOT" -d 8 34 -117
  expect "27to83 on a node" 0 "34.00001485 -117.00086104"
  run shift 83to27 --root "$ROOT" -d 8 34.00001485 -117.00086104
  expect "83to27 back" 0 "34.00000000 -117.00000000"
  run shift 27to83 --root "$ROOT" -a sec -d 3 122400 -421200
  expect "27to83 in arc-seconds" 0 "122400.053 -421203.100"

  # A point outside every area keeps its place, marked and reported.
  printf '34 -117 a\n0 0 b\n34 -117 c\n' >"$WORK/pts.txt"
  run shift 27to83 --root "$ROOT" -d 8 "$WORK/pts.txt"
  expect "out of area" 1 $'34.00001485 -117.00086104 a\n* * b\n34.00001485 -117.00086104 c'
  expect_err "out of area" "^$WORK/pts.txt:2: point lies in no NADCON area"

  # NAD 27 State Plane to NAD 83 State Plane through --datum equals the
  # three steps one after the other (to 1 mm: the steps pass text).
  local direct steps
  direct=$("$TOOL" grid-to-grid spcs27:0405 spcs83:0405 --datum 27to83 --root "$ROOT" \
    1926178.671 201045.679)
  steps=$("$TOOL" to-geo spcs27:0405 --root "$ROOT" -d 12 1926178.671 201045.679 |
    "$TOOL" shift 27to83 --root "$ROOT" -d 12 | "$TOOL" to-grid spcs83:0405 --root "$ROOT")
  [ "$direct" = "1977415.972 561282.178" ] || fail "grid-to-grid --datum: $direct"
  [ "$steps" = "$direct" ] || fail "grid-to-grid --datum against the steps: $steps"

  # Without grid files the points are reported, with the library's
  # messages on standard error.
  run shift 27to83 --root "$WORK/nogrids" 34 -117
  expect "no grids" 1 "* *"
  expect_err "no grids message" "conus.las"
}

case "$GROUP" in
  convert | errors | library_lines | names | datum) "group_$GROUP" ;;
  *) echo "unknown group $GROUP"; exit 2 ;;
esac
if [ "$failures" -gt 0 ]; then
  echo "$failures failed"
  exit 1
fi
echo "group $GROUP passed"
