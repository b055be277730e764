#!/usr/bin/env bash
# Times the building of the download list for 20 years of three file types with a 300-line
# holiday.txt, in the Windows build under Wine (see list-bench.cpp).
#   BUILD_ROOT (default build) holds the Windows build in $BUILD_ROOT/win; RUNS builds (default 5).
set -euo pipefail
cd "$(dirname "$0")/../.."
root=${BUILD_ROOT:-build}

cmake -S . -B "$root/win" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchain-mingw32.cmake" >/dev/null
cmake --build "$root/win" -j2 --target list-bench >/dev/null

. tools/wine-env.sh
tkvn_wine_start "$root" >/dev/null
trap tkvn_wine_stop EXIT
wine "$root/win/tools/bench/list-bench.exe"
