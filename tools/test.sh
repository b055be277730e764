#!/usr/bin/env bash
# Builds everything and runs every test: the native builds (clang with short fuzzing runs, and
# Debian's default gcc; both with AddressSanitizer and UndefinedBehaviorSanitizer) and the Windows
# builds under Wine, for each Windows architecture that Wine runs on this machine:
#   i686     the delivered 32-bit program (build/win), under 32-bit Wine;
#   x86_64   the same sources built for 64-bit Windows (build/win64), under 64-bit Wine.
# Some machines cannot run 32-bit programs at all: there the x86_64 suite stands in, and the 32-bit
# program is still built and given the checks that need no Wine (its imports, its installer's
# contents). TKVN_WINDOWS_ARCHS (i686, x86_64 or both, space- or comma-separated) chooses instead.
#
# BUILD_ROOT (default: build) names the folder that holds the builds and the Wine prefixes. Extra
# arguments go to every ctest run (bash tools/test.sh -R settings).
set -uo pipefail
cd "$(dirname "$0")/.."
. tools/steps.sh
. tools/wine-env.sh

root=${BUILD_ROOT:-build}
jobs=${JOBS:-2}
generator=Ninja
mkdir -p "$root"
root=$(cd "$root" && pwd)
export TKVN_STEP_LOGS=$root/steps

tkvn_step "installing what the builds and tests need (tools/setup.sh)" bash tools/setup.sh

# Which Windows architectures this run covers, and why the others are left out.
declare -A build_dir=([i686]="$root/win" [x86_64]="$root/win64")
declare -A toolchain=([i686]=cmake/toolchain-mingw32.cmake [x86_64]=cmake/toolchain-mingw64.cmake)
archs=()
left_out=()
if [ -n "${TKVN_WINDOWS_ARCHS:-}" ]; then
  for arch in ${TKVN_WINDOWS_ARCHS//,/ }; do
    case $arch in
      i686 | x86_64) ;;
      *) tkvn_fail "TKVN_WINDOWS_ARCHS: unknown architecture '$arch' (i686, x86_64)" ;;
    esac
    why=$(tkvn_wine_why_not "$arch") ||
      tkvn_fail "TKVN_WINDOWS_ARCHS asks for $arch, but Wine cannot run $arch programs here: $why"
    archs+=("$arch")
  done
  for arch in i686 x86_64; do
    [[ " ${archs[*]} " == *" $arch "* ]] || left_out+=("$arch not chosen by TKVN_WINDOWS_ARCHS")
  done
else
  for arch in i686 x86_64; do
    if why=$(tkvn_wine_why_not "$arch"); then
      archs+=("$arch")
    else
      left_out+=("$arch cannot run here: $why")
    fi
  done
fi
[ ${#archs[@]} -gt 0 ] || tkvn_fail "Wine can run no Windows programs here (${left_out[*]}); tools/setup.sh installs wine64 and wine32"
export TKVN_WINDOWS_RUN="${archs[*]}"
echo "-- Windows tests for: ${archs[*]}${left_out:+ (${left_out[*]})}"

tkvn_step "configuring the clang build ($root/host)" \
  cmake -S . -B "$root/host" -G $generator -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
tkvn_step "building the clang build" cmake --build "$root/host" -j "$jobs"
# gcc warns where clang does not (format truncation, dangling else): both must build clean.
tkvn_step "configuring the gcc build ($root/gcc)" \
  cmake -S . -B "$root/gcc" -G $generator -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++
tkvn_step "building the gcc build" cmake --build "$root/gcc" -j "$jobs"

i686_runs=0
[[ " ${archs[*]} " == *" i686 "* ]] && i686_runs=1
for arch in i686 x86_64; do
  runs=0
  [[ " ${archs[*]} " == *" $arch "* ]] && runs=1
  # The delivered program is 32-bit: its build is made on every machine.
  [ $runs = 1 ] || [ $arch = i686 ] || continue
  tkvn_step "configuring the $arch Windows build (${build_dir[$arch]})" \
    cmake -S . -B "${build_dir[$arch]}" -G $generator -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/${toolchain[$arch]}"
  if [ $runs = 1 ]; then
    tkvn_step "building the $arch Windows build" cmake --build "${build_dir[$arch]}" -j "$jobs"
  else
    tkvn_step "building the $arch program (its tests cannot run here)" \
      cmake --build "${build_dir[$arch]}" -j "$jobs" --target tkvndn
  fi
done

# The native tests run beside the Windows ones; the Windows suites run one after the other, each
# in its own prefix, their tests one at a time (they share the prefix's registry and screen).
logs=("$root/host-ctest.log" "$root/gcc-ctest.log")
declare -A log_dir=(["$root/host-ctest.log"]="$root/host" ["$root/gcc-ctest.log"]="$root/gcc")
status=0
{
  status_host=0
  ctest --test-dir "$root/host" -j "$jobs" --output-on-failure "$@" >"$root/host-ctest.log" 2>&1 || status_host=1
  ctest --test-dir "$root/gcc" -j "$jobs" --output-on-failure "$@" >"$root/gcc-ctest.log" 2>&1 || status_host=1
  exit $status_host
} &
host_pid=$!
trap 'kill $host_pid 2>/dev/null; tkvn_wine_stop' EXIT

if [ $i686_runs = 0 ]; then
  log="$root/win-nowine-ctest.log"
  logs+=("$log")
  log_dir[$log]=${build_dir[i686]}
  echo "-- the i686 checks that need no Wine"
  ctest --test-dir "${build_dir[i686]}" -L nowine --output-on-failure "$@" >"$log" 2>&1 || status=1
fi
for arch in "${archs[@]}"; do
  log="$root/win-$arch-ctest.log"
  logs+=("$log")
  log_dir[$log]=${build_dir[$arch]}
  echo "-- the $arch Windows tests under Wine"
  # A function: it runs in this shell, so its prefix, display and PATH hold for the tests.
  tkvn_step "starting Wine for $arch (prefix $root/wineprefix-$arch) and Xvfb" tkvn_wine_start "$root" "$arch"
  ctest --test-dir "${build_dir[$arch]}" -j "$jobs" --output-on-failure "$@" >"$log" 2>&1 || status=1
  tkvn_wine_stop
done
wait $host_pid || status=1
trap - EXIT
cat "${logs[@]}"

# CTest counts a skipped test among those that did not fail; each says why in its output above.
passed=0 failed=0 skipped=0
for log in "${logs[@]}"; do
  line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -n1 || true)
  if [ -z "$line" ]; then
    if ! grep -q 'No tests were found' "$log"; then
      echo "FAILED: $(basename "$log") holds no CTest summary; its last lines:"
      tail -n 20 "$log" | sed 's/^/  | /'
      status=1
      failed=$((failed + 1))
    fi
    continue
  fi
  f=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/' <<<"$line")
  t=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\2/' <<<"$line")
  s=$(grep -cE '^[[:space:]]+[0-9]+ - .* \(Skipped\)$' "$log" || true)
  passed=$((passed + t - f - s)); failed=$((failed + f)); skipped=$((skipped + s))
  # Each skipped test said why in its output, which CTest keeps but does not print.
  for name in $(sed -nE 's/^[[:space:]]+[0-9]+ - (.*) \(Skipped\)$/\1/p' "$log"); do
    why=$(awk -v name="$name" '$0 ~ "Test: " name "$" {p=1} p && /^skipped:/ {print; exit} /^<end of output>/ {p=0}' \
            "${log_dir[$log]}/Testing/Temporary/LastTest.log" 2>/dev/null)
    echo "skipped: $name: ${why#skipped: }"
  done
done
summary="windows: ${archs[*]}"
[ ${#left_out[@]} -eq 0 ] || summary+=" (${left_out[*]})"
[ $i686_runs = 1 ] || summary+="; the i686 build ran only the checks that need no Wine"
echo "$summary"
echo "all: $passed passed, $failed failed, $skipped skipped"
exit $status
