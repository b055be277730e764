# Sourced by the benchmarks, after tools/wine-env.sh: the Windows build for the architecture Wine
# runs on this machine (i686, as delivered, where it can; x86_64 otherwise).
#   tkvn_bench_build ROOT TARGET...   configures and builds TARGETs (Release) in ROOT/win or
#                                     ROOT/win64; sets TKVN_BENCH_ARCH and TKVN_BENCH_BUILD and
#                                     prints which
tkvn_bench_build() {
  local root=$1 toolchain
  shift
  TKVN_BENCH_ARCH=$(tkvn_wine_runnable_archs | head -n1)
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
