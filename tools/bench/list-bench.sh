#!/usr/bin/env bash
# Times the building of the download list for 20 years of three file types with a 300-line
# holiday.txt, in the Windows build for the architecture Wine runs here (see list-bench.cpp).
#   BUILD_ROOT (default build) holds the build; RUNS builds (default 5).
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$(realpath -m "${BUILD_ROOT:-build}")
. tools/wine-env.sh
. tools/bench/bench-build.sh
trap tkvn_wine_stop EXIT
tkvn_wine_start "$root" "$(tkvn_wine_runnable_archs | head -n1)" >/dev/null
tkvn_bench_build "$root" list-bench
wine "$TKVN_BENCH_BUILD/tools/bench/list-bench.exe"
