#!/usr/bin/env bash
# Builds zonvert without sanitizers (optimised, with debug information) and
# runs the test suite under valgrind memcheck: every test program ctest
# starts (each GoogleTest case in a process of its own, the C host) and
# every run of the zonvert tool in the tool tests.  Any memory error, and
# any definitely, indirectly or possibly lost block, fails the test that
# caused it.  The PROJ cross-check (label proj) is left out: it converts
# thousands of points per zone through PROJ and would take most of an hour
# under valgrind; the same code paths run in the unit tests.
# Usage: tools/run-valgrind.sh [ctest options]
set -euo pipefail
cd "$(dirname "$0")/.."
command -v valgrind >/dev/null || { echo "valgrind is not installed" >&2; exit 1; }

memcheck="valgrind --tool=memcheck --quiet --error-exitcode=99 --leak-check=full \
--show-leak-kinds=definite,indirect,possible --errors-for-leak-kinds=definite,indirect,possible \
--track-origins=yes --track-fds=no"
# CMake runs every test executable it built through the emulator, valgrind
# here (it also lists the GoogleTest cases under it).
emulator=${memcheck// /;}

cmake -S . -B build-valgrind -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZONVERT_WERROR=ON \
  -DZONVERT_REQUIRE_ALL_TESTS=ON "-DCMAKE_CROSSCOMPILING_EMULATOR=$emulator" >/dev/null
cmake --build build-valgrind -j 2
start=$(date +%s)
ZONVERT_TOOL_LAUNCHER=$memcheck \
  ctest --test-dir build-valgrind --no-tests=error --output-on-failure -j 2 -LE proj "$@"
echo "valgrind: $(( $(date +%s) - start )) s"
