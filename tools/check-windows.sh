#!/usr/bin/env bash
# Cross-builds zonvert.dll with MinGW-w64 for 32-bit Windows (i686, the
# target: cdecl, undecorated names from the .def written from exports/) and
# for 64-bit Windows (x86-64), then
#   1. checks that each DLL exports exactly the eight listed names,
#      undecorated (objdump -p);
#   2. runs the Windows host test (tests/windows/host.cpp) with the x86-64
#      DLL under wine64: it loads the DLL from ROOT\bin, runs the table of
#      tests/conversion_cases.h against its expected values and checks the
#      message boxes and the text-mode parameter file;
#   3. runs the same table through the Linux build (zonvert_cases_print) and
#      compares the two case by case: equal bits, or else within the case's
#      tolerance, reporting the largest difference.
# The i686 DLL is built and inspected, not run (machines without 32-bit
# support run 64-bit Windows programs only).  Headless and non-interactive;
# wine gets a prefix of its own inside the build directory.
# Needs (Debian): cmake g++ g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine64 python3.
# Usage: tools/check-windows.sh [BUILD_DIR]    (default: build-windows)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-windows}
jobs=2  # the machines that run this are small and shared
mkdir -p "$build"
build=$(realpath "$build")
nadcon=$(realpath ../shared/nadcon)

# ---------------------------------------------------------------- builds
for arch in i686 x86_64; do
  cmake -S . -B "$build/$arch" -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-$arch.cmake" \
    -DZONVERT_BUILD_TESTS=OFF -DZONVERT_WERROR=ON >/dev/null
  cmake --build "$build/$arch" -j "$jobs"
done
# The Linux twin of the host: the same table through libzonvert.so.
cmake -S . -B "$build/linux" -DZONVERT_WERROR=ON >/dev/null
cmake --build "$build/linux" -j "$jobs" --target zonvert_cases_print

# ---------------------------------------------------------------- exports
# Both DLLs export exactly the listed names, undecorated; the i686 one is
# the target, the x86-64 one is the one run below.
listed=$(grep -E '^[A-Za-z_]' exports/zonvert.exports | sort)
for arch in i686:pei-i386 x86_64:pei-x86-64; do
  dll="$build/${arch%%:*}/bin/zonvert.dll"
  objdump="${arch%%:*}-w64-mingw32-objdump"
  "$objdump" -f "$dll" | grep -q "file format ${arch#*:}\$" ||
    { echo "$dll is not a ${arch#*:} DLL" >&2; exit 1; }
  exported=$("$objdump" -p "$dll" |
    sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | awk '/^\t\[/ {print $NF}' | sort)
  if [ "$exported" != "$listed" ]; then
    printf '%s exports:\n%s\nlisted:\n%s\n' "$dll" "$exported" "$listed" >&2
    exit 1
  fi
  echo "${arch%%:*} zonvert.dll exports exactly the $(echo "$listed" | wc -l) listed names:" $exported
done

# ---------------------------------------------------------------- wine
# Debian's wine64 package installs only the loader /usr/lib/wine/wine64;
# /usr/bin/wine comes with the package wine and wine64 with other builds.
loader=
for candidate in /usr/lib/wine/wine64 "$(command -v wine64 || true)" "$(command -v wine || true)"; do
  if [ -n "$candidate" ] && [ -x "$candidate" ]; then loader=$candidate; break; fi
done
if [ -z "$loader" ]; then
  echo "no wine loader found (Debian package wine64)" >&2
  exit 1
fi
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all WINEARCH=win64
export WINELOADER="$loader"  # the loader that wine's own helper programs start with
# No downloads and no dialogs while the prefix is made: no Mono, no Gecko.
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY

windows_path() { printf 'Z:%s' "$(printf '%s' "$1" | tr / '\\')"; }

set +e
timeout 600 "$loader" "$build/x86_64/bin/zonvert_windows_host.exe" \
  "$(windows_path "$build/x86_64/bin/zonvert.dll")" "$(windows_path "$PWD/template")" \
  "$(windows_path "$nadcon")" </dev/null >"$build/host.out" 2>"$build/host.err"
status=$?
set -e
tr -d '\r' <"$build/host.out" | grep -v '^X=' || true
if [ "$status" -ne 0 ]; then
  echo "the Windows host test failed under $loader (exit status $status)" >&2
  tail -n 20 "$build/host.err" >&2
  exit 1
fi
# Stop the wine server of this prefix now rather than after its idle timeout.
for server in /usr/lib/wine/wineserver "$(command -v wineserver || true)"; do
  if [ -n "$server" ] && [ -x "$server" ]; then "$server" -k >/dev/null 2>&1 || true; break; fi
done

# ---------------------------------------------------------------- Linux
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
mkdir "$root/template"
cp template/con_dos.asc "$root/template/"
ln -s "$nadcon"/*.las "$nadcon"/*.los "$root/template/"
"$build/linux/bin/zonvert_cases_print" "$root" | grep '^case ' >"$build/linux.cases"
tr -d '\r' <"$build/host.out" | grep '^case ' >"$build/windows.cases"

python3 - "$build/linux.cases" "$build/windows.cases" <<'EOF'
import struct, sys
def read(path):
    cases = {}
    for line in open(path):
        fields = [f.strip() for f in line[len("case "):].split("|")]
        cases[fields[0]] = fields
    return cases
linux, windows = read(sys.argv[1]), read(sys.argv[2])
if list(linux) != list(windows):
    sys.exit("the two runs hold different cases")
same, largest = 0, (0.0, None)
for name, l in linux.items():
    w = windows[name]
    if l[2:] == w[2:]:
        same += 1
        continue
    # Different bits or text: report how far apart the values are (each run
    # has already checked its values against the expected ones).
    for a, b in zip(l[2].split(), w[2].split()):
        da, db = (struct.unpack("<d", bytes.fromhex(x)[::-1])[0] for x in (a, b))
        if abs(da - db) > largest[0]:
            largest = (abs(da - db), name)
    print(f"differs: {name}\n  linux   {' | '.join(l[1:])}\n  windows {' | '.join(w[1:])}")
print(f"{same} of {len(linux)} cases give the same bits (and text) on Windows and Linux")
if largest[1] is not None:
    print(f"largest difference: {largest[0]:.3g} in '{largest[1]}' (within the case's tolerance)")
EOF
echo "check-windows: passed"
