#!/usr/bin/env bash
# Benchmark of a whole unattended session (one year of one daily file type) beside curl + lhasa,
# and of the extraction pass alone beside lhasa alone, on the same archives.
#   bash tools/bench/session-bench.sh [--runs N]      BUILD_ROOT (default build) holds the build
set -euo pipefail
cd "$(dirname "$0")/../.."
bash tools/setup.sh
root=$(realpath -m "${BUILD_ROOT:-build}")
. tools/wine-env.sh
. tools/bench/bench-build.sh
trap tkvn_wine_stop EXIT
tkvn_wine_start "$root" "$(tkvn_wine_runnable_archs | head -n1)"
tkvn_bench_build "$root" tkvndn extraction_bench
python3 tools/bench/session-bench.py --exe "$TKVN_BENCH_BUILD/app/tkvndn.exe" \
  --extraction-bench "$TKVN_BENCH_BUILD/tools/bench/extraction_bench.exe" "$@"
