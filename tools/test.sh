#!/usr/bin/env bash
# Builds everything and runs every test: the native builds (clang with short fuzzing runs, and
# Debian's default gcc; both with AddressSanitizer and UndefinedBehaviorSanitizer) and the Windows
# build under Wine.
# BUILD_ROOT (default: build) names the folder that holds both builds and the Wine prefix.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh

root=${BUILD_ROOT:-build}
jobs=${JOBS:-2}
generator=Ninja

cmake -S . -B "$root/host" -G $generator -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$root/host" -j "$jobs"
# gcc warns where clang does not (format truncation, dangling else): both must build clean.
cmake -S . -B "$root/gcc" -G $generator -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++ >/dev/null
cmake --build "$root/gcc" -j "$jobs"
cmake -S . -B "$root/win" -G $generator -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchain-mingw32.cmake" >/dev/null
cmake --build "$root/win" -j "$jobs"

. tools/wine-env.sh
tkvn_wine_start "$root"
trap tkvn_wine_stop EXIT

# The Windows tests share one prefix and run one at a time; the native ones run beside them.
status=0
{
  status_host=0
  ctest --test-dir "$root/host" -j "$jobs" --output-on-failure "$@" >"$root/host-ctest.log" 2>&1 || status_host=1
  ctest --test-dir "$root/gcc" -j "$jobs" --output-on-failure "$@" >"$root/gcc-ctest.log" 2>&1 || status_host=1
  exit $status_host
} &
host_pid=$!
ctest --test-dir "$root/win" -j "$jobs" --output-on-failure "$@" >"$root/win-ctest.log" 2>&1 || status=1
wait $host_pid || status=1
cat "$root/host-ctest.log" "$root/gcc-ctest.log" "$root/win-ctest.log"

passed=0 failed=0
for log in "$root/host-ctest.log" "$root/gcc-ctest.log" "$root/win-ctest.log"; do
  line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -n1 || true)
  if [ -n "$line" ]; then
    f=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/' <<<"$line")
    t=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\2/' <<<"$line")
    passed=$((passed + t - f)); failed=$((failed + f))
  fi
done
echo "all: $passed passed, $failed failed"
exit $status
