# Sourced by the benchmarks, after tools/wine-env.sh and tkvn_wine_start: the Windows build for the
# architecture the prefix was started for.
#   tkvn_bench_build ROOT TARGET...   configures and builds TARGETs (Release) in ROOT/win or
#                                     ROOT/win64; sets TKVN_BENCH_ARCH and TKVN_BENCH_BUILD and
#                                     prints which
tkvn_bench_build() {
  local root=$1 toolchain
  shift
  TKVN_BENCH_ARCH=${TKVN_WINE_ARCH:?tkvn_wine_start first}
  case $TKVN_BENCH_ARCH in
    i686) TKVN_BENCH_BUILD=$root/win toolchain=mingw32 ;;
    x86_64) TKVN_BENCH_BUILD=$root/win64 toolchain=mingw64 ;;
    *)
      echo "bench: Wine runs neither i686 nor x86_64 programs here" >&2
      return 1
      ;;
  esac
  cmake -S . -B "$TKVN_BENCH_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchain-$toolchain.cmake" >/dev/null
  cmake --build "$TKVN_BENCH_BUILD" -j "${JOBS:-2}" --target "$@" >/dev/null
  echo "architecture: $TKVN_BENCH_ARCH (build $TKVN_BENCH_BUILD, Wine $(wine --version 2>/dev/null))"
}
