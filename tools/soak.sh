#!/usr/bin/env bash
# Builds the soak program (optimised, warnings as errors) and runs it: ten
# million mixed calls of the exports through the shared library, failing
# when anonymous resident memory, open descriptors or memory mappings grow
# between the end of the warm-up and the end of the run.
# Usage: tools/soak.sh [CALLS]   (a multiple of 400000; default 10000000)
#   ZONVERT_NADCON_GRIDS: the NADCON grid folder (default ../shared/nadcon).
set -euo pipefail
cd "$(dirname "$0")/.."
calls=${1:-10000000}
grids=${ZONVERT_NADCON_GRIDS:-$PWD/../shared/nadcon}

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DZONVERT_WERROR=ON >/dev/null
cmake --build build -j 2 --target zonvert_soak zonvert_template
start=$(date +%s)
build/bin/zonvert_soak . "$grids" "$calls"
echo "soak: $(( $(date +%s) - start )) s"
