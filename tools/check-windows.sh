#!/usr/bin/env bash
# Cross-builds zonvert.dll for 32-bit Windows, checks that it exports the
# eight listed names and nothing else, and runs the example host under wine
# when wine is installed, comparing its output with that of the Linux build
# (Debian: g++-mingw-w64-i686; wine with wine32).
# Usage: tools/check-windows.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-win32}

cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake \
  -DZONVERT_BUILD_TESTS=OFF -DZONVERT_WERROR=ON
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)"

exported=$(i686-w64-mingw32-objdump -p "$build/bin/zonvert.dll" |
  sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | awk '/^\t\[/ {print $NF}' | sort)
listed=$(grep -E '^[A-Za-z_]' exports/zonvert.exports | sort)
if [ "$exported" != "$listed" ]; then
  printf 'zonvert.dll exports:\n%s\nlisted:\n%s\n' "$exported" "$listed" >&2
  exit 1
fi
echo "zonvert.dll exports the $(echo "$listed" | wc -l) listed names"

if command -v wine >/dev/null; then
  # A wine prefix of its own, so that nothing outside the build is touched.
  export WINEPREFIX="$PWD/$build/wineprefix" WINEDEBUG=-all
  windows=$(timeout 600 wine "$build/bin/zonvert_example.exe" | tr -d '\r')
  echo "$windows"
  # The same points through the Linux build, when there is one: the same digits.
  if [ -x build/bin/zonvert_example ]; then
    if [ "$windows" != "$(build/bin/zonvert_example)" ]; then
      echo "the Windows DLL and the Linux library give different results" >&2
      exit 1
    fi
    echo "same results as the Linux build"
  fi
else
  echo "wine not installed: the example host was not run"
fi
