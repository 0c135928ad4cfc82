#!/usr/bin/env bash
# Installs the build into a temporary prefix, then builds the host program
# of this folder against the installed package (find_package and
# pkg-config) and runs it and the installed tool.
# Usage: run.sh BUILD_DIR THIS_DIR CMAKE C_COMPILER [SANITIZERS]
set -u
BUILD=$1
HERE=$2
CMAKE=$3
CC=$4
SANITIZE=${5:-}
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
PREFIX=$WORK/prefix
failures=0
fail() {
  echo "FAIL: $1"
  failures=$((failures + 1))
}

"$CMAKE" --install "$BUILD" --prefix "$PREFIX" >"$WORK/install.log" 2>&1 ||
  { cat "$WORK/install.log"; echo "FAIL: cmake --install"; exit 1; }
for f in lib/libzonvert.so include/zonvert.h bin/zonvert template/con_dos.asc \
  template/zones.csv lib/cmake/zonvert/zonvertConfig.cmake lib/pkgconfig/zonvert.pc; do
  [ -e "$PREFIX/$f" ] || fail "not installed: $f"
done

# A sanitized library needs a sanitized host.
flags=""
[ -n "$SANITIZE" ] && flags="-fsanitize=$SANITIZE"
expected="500000.000 4982950.401 45.00000000 15.00000000"

# CMake package.
if "$CMAKE" -S "$HERE" -B "$WORK/host" -DCMAKE_PREFIX_PATH="$PREFIX" -DCMAKE_C_COMPILER="$CC" \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags" >"$WORK/host.log" 2>&1 &&
  "$CMAKE" --build "$WORK/host" >>"$WORK/host.log" 2>&1; then
  out=$("$WORK/host/zonvert_host") || fail "CMake host: status $?: $out"
  [ "$out" = "$expected" ] || fail "CMake host printed: $out"
  # The data come from PREFIX/template: without it no conversion runs.
  mv "$PREFIX/template" "$PREFIX/template.away"
  "$WORK/host/zonvert_host" >/dev/null 2>&1 && fail "CMake host converted without PREFIX/template"
  mv "$PREFIX/template.away" "$PREFIX/template"
else
  cat "$WORK/host.log"
  fail "CMake host did not build"
fi

# pkg-config.
if command -v pkg-config >/dev/null; then
  # shellcheck disable=SC2046
  if "$CC" $flags "$HERE/host.c" -o "$WORK/host-pc" \
    $(PKG_CONFIG_PATH="$PREFIX/lib/pkgconfig" pkg-config --cflags --libs zonvert) \
    -Wl,-rpath,"$PREFIX/lib" -lm; then
    out=$("$WORK/host-pc") || fail "pkg-config host: status $?"
    [ "$out" = "$expected" ] || fail "pkg-config host printed: $out"
  else
    fail "pkg-config host did not build"
  fi
else
  echo "pkg-config not found: pkg-config host skipped"
fi

# The installed tool finds the installed library and data.
out=$("$PREFIX/bin/zonvert" to-grid utm:wgs84:33N 45 15) || fail "installed tool: status $?"
[ "$out" = "500000.000 4982950.401" ] || fail "installed tool printed: $out"

if [ "$failures" -gt 0 ]; then
  echo "$failures failed"
  exit 1
fi
echo "install test passed"
