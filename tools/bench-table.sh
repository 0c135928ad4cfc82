#!/usr/bin/env bash
# Runs the benchmark programs (bench_conversion, bench_nadcon) and prints
# one table: per operation the time per point of zonvert, of PROJ doing the
# same in the same run (the operation proj_create_crs_to_crs builds from
# geographic degrees to the grid), their ratio, PROJ's bare projection in
# radians ("core") and the ratio to it, the floor (the maths-library calls the
# formulas make, in their order and waiting for each other as the formulas
# do) and zonvert's ratio to it, the same calls free to overlap ("free"),
# with the targets checked.
#
# Usage: tools/bench-table.sh [BUILD_DIR [REPETITIONS [MIN_TIME]]]
#   BUILD_DIR    build tree configured with -DZONVERT_BUILD_BENCHMARKS=ON
#                (default: build; built here if the programs are missing)
#   REPETITIONS  runs of every benchmark; the median counts (default: 9)
#   MIN_TIME     seconds per run (default: 0.3)
# Environment: ZONVERT_BENCH_TIME=real takes wall-clock time instead of
# CPU time (the same on a quiet machine; CPU time is steadier on a busy one).
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build}
REPS=${2:-9}
MIN_TIME=${3:-0.3}
CLOCK=${ZONVERT_BENCH_TIME:-cpu}

if [ ! -x "$BUILD/bin/bench_conversion" ] || [ ! -x "$BUILD/bin/bench_nadcon" ]; then
  cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DZONVERT_BUILD_BENCHMARKS=ON >/dev/null
  cmake --build "$BUILD" -j "$(nproc 2>/dev/null || echo 2)" --target bench_conversion bench_nadcon
fi

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
for program in bench_conversion bench_nadcon; do
  # Standard output goes to a file: the convenience exports write their
  # trace line there (bench_conversion also sends it to a file of its own).
  "$BUILD/bin/$program" --benchmark_repetitions="$REPS" --benchmark_min_time="$MIN_TIME" \
    --benchmark_report_aggregates_only=true --benchmark_out="$WORK/$program.json" \
    --benchmark_out_format=json >"$WORK/$program.stdout" 2>"$WORK/$program.stderr"
done

python3 - "$CLOCK" "$REPS" "$WORK/bench_conversion.json" "$WORK/bench_nadcon.json" <<'PY'
import json, sys
clock, reps, files = sys.argv[1], sys.argv[2], sys.argv[3:]
key = "cpu_time" if clock == "cpu" else "real_time"
median, context = {}, None
for path in files:
    data = json.load(open(path))
    context = data["context"]
    for b in data["benchmarks"]:
        if b.get("aggregate_name") == "median":
            scale = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}[b["time_unit"]]
            median[b["run_name"]] = b[key] * scale

def ns(name):
    return median.get(name)

def fmt(v, width=10, digits=1):
    return f"{v:{width}.{digits}f}" if v is not None else f"{'-':>{width}}"

failures = []
print(f"median {clock} time per point of {reps} repetitions; "
      f"{context['num_cpus']} CPUs at {context['mhz_per_cpu']} MHz, {context['date']}")
print()
print(f"{'operation':<26}{'zonvert ns':>11}{'PROJ ns':>10}{'zv/PROJ':>9}{'core ns':>9}{'zv/core':>8}"
      f"{'floor ns':>10}{'zv/floor':>9}{'free ns':>9}  targets")
rows = []
for family in ["tmerc", "lcc", "merc", "cass", "bonne", "eov"]:
    for direction in ["forward", "inverse"]:
        rows.append((f"{family} {direction}", f"{family}/{direction}", True))
rows += [("datum shift forward", "nadcon/forward", False), ("datum shift inverse", "nadcon/inverse", False),
         ("datum shift fwd, swept", "nadcon-swept/forward", False),
         ("datum shift inv, swept", "nadcon-swept/inverse", False)]
for label, stem, projection in rows:
    z, p, f = ns(stem + "/zonvert"), ns(stem + "/proj"), ns(stem + "/floor")
    free, core = ns(stem + "/floor-free"), ns(stem + "/proj-core")
    marks = []
    if z is not None and p is not None:
        ok = z <= 0.5 * p
        marks.append(("ok" if ok else "MISS") + " <=0.5 PROJ")
        if not ok: failures.append(label + ": more than half of PROJ")
    if projection and z is not None and f is not None:
        ok = z <= 1.5 * f
        marks.append(("ok" if ok else "MISS") + " <=1.5 floor")
        if not ok: failures.append(label + ": more than 1.5 times the floor")
    if not projection and z is not None:
        limit = 100.0 if "forward" in stem else 500.0
        ok = z < limit
        marks.append(("ok" if ok else "MISS") + f" <{limit:.0f} ns")
        if not ok: failures.append(label + f": not under {limit:.0f} ns")
    ratio_p = z / p if z is not None and p else None
    ratio_f = z / f if z is not None and f else None
    ratio_c = z / core if z is not None and core else None
    print(f"{label:<26}{fmt(z, 11)}{fmt(p)}{fmt(ratio_p, 9, 2)}{fmt(core, 9)}{fmt(ratio_c, 8, 2)}"
          f"{fmt(f)}{fmt(ratio_f, 9, 2)}{fmt(free, 9)}  {', '.join(marks)}")
for label, stem in [("datum shift fwd, CTable2", "nadcon/forward/proj-ctable2"),
                    ("datum shift inv, CTable2", "nadcon/inverse/proj-ctable2")]:
    direction = "forward" if "forward" in stem else "inverse"
    z, p = ns(f"nadcon/{direction}/zonvert"), ns(stem)
    print(f"{label:<26}{fmt(z, 11)}{fmt(p)}{fmt(z / p if z and p else None, 9, 3)}")
print()
miss, scan = ns("miss/zonvert"), ns("miss/fscanf")
if miss is not None and scan is not None:
    ok = scan >= 4.0 * miss
    if not ok: failures.append("parameter-file miss: not four times cheaper than the fscanf scan")
    print(f"{'parameter-file miss':<26}{fmt(miss / 1e3, 11)} us   fscanf scan of the same file {scan / 1e3:.1f} us,"
          f" {scan / miss:.1f} times as long  {'ok' if ok else 'MISS'} >=4")
for name in ["lldrv", "lldrv_dbl", "lldrv_str"]:
    if ns(name) is not None:
        print(f"{name:<26}{fmt(ns(name), 11)}     (trace line written to a file)")
print()
print("all targets met" if not failures else "targets missed:\n  " + "\n  ".join(failures))
PY
