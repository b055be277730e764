#!/usr/bin/env bash
# The demo of the program's main job: installs what it needs, builds the program, makes a sample
# server tree, starts the stand-in download server and runs a whole download session.
#   bash tools/demo/run.sh            on your display when DISPLAY is set (you press Download),
#                                          else unattended under Xvfb with screenshots
#   bash tools/demo/run.sh --xvfb     unattended under Xvfb even with a display
# It runs the delivered 32-bit program where Wine runs 32-bit programs, else the same sources built
# for x86_64 (TKVN_WINDOWS_ARCHS=x86_64 chooses that anywhere), and says which.
# BUILD_ROOT (default build-demo) holds the build, the Wine prefix and the demo's files.
set -uo pipefail
cd "$(dirname "$0")/../.."
. tools/steps.sh
. tools/wine-env.sh

root=${BUILD_ROOT:-build-demo}
mkdir -p "$root"
root=$(cd "$root" && pwd)
export TKVN_STEP_LOGS=$root/steps

tkvn_step "installing what the demo needs (tools/setup.sh)" bash tools/setup.sh

wanted=${TKVN_WINDOWS_ARCHS:-i686 x86_64}
arch=
reasons=()
for candidate in ${wanted//,/ }; do
  if why=$(tkvn_wine_why_not "$candidate"); then
    arch=$candidate
    break
  fi
  reasons+=("$candidate: $why")
done
[ -n "$arch" ] || tkvn_fail "Wine can run none of the architectures asked for here (${reasons[*]})"
case $arch in
  i686) build="$root/win" toolchain=cmake/toolchain-mingw32.cmake what="the delivered 32-bit program" ;;
  x86_64) build="$root/win64" toolchain=cmake/toolchain-mingw64.cmake what="the 64-bit build of the program" ;;
esac
echo "demo: running $what ($arch)${reasons:+; ${reasons[*]}}"

tkvn_step "configuring the $arch build ($build)" \
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$PWD/$toolchain"
tkvn_step "building tkvndn.exe" cmake --build "$build" -j "${JOBS:-2}" --target tkvndn

mode=()
if [ "${1:-}" != "--xvfb" ] && [ -n "${DISPLAY:-}" ]; then
  export TKVN_USE_DISPLAY=1
  mode=(--interactive)
fi
tkvn_step "starting Wine for $arch (prefix $root/wineprefix-$arch) and Xvfb" tkvn_wine_start "$root" "$arch"
trap tkvn_wine_stop EXIT
status=0
python3 tools/demo/demo.py --exe "$build/app/tkvndn.exe" --work "$root/demo" "${mode[@]}" || status=$?
if [ $status -ne 0 ]; then
  echo "FAILED: the demo session ($what, $arch) did not complete: demo.py ended with $status (its lines above say why)" >&2
  exit 1
fi
echo "demo: done with $what ($arch)"
