#!/usr/bin/env bash
# Benchmark of a whole unattended session (one year of one daily file type) beside curl + lhasa.
#   bash tools/bench/session-bench.sh [--runs N]      BUILD_ROOT (default build) holds the build
set -euo pipefail
cd "$(dirname "$0")/../.."
bash tools/setup.sh
root=${BUILD_ROOT:-build}
cmake -S . -B "$root/win" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchain-mingw32.cmake" >/dev/null
cmake --build "$root/win" -j "${JOBS:-2}" --target tkvndn >/dev/null
. tools/wine-env.sh
tkvn_wine_start "$root"
trap tkvn_wine_stop EXIT
python3 tools/bench/session-bench.py --exe "$root/win/app/tkvndn.exe" "$@"
