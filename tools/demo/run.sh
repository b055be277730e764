#!/usr/bin/env bash
# The demo of the program's main job: installs what it needs, builds the program, makes a sample
# server tree, starts the stand-in download server and runs a whole download session.
#   bash tools/demo/run.sh            on your display when DISPLAY is set (you press Download),
#                                          else unattended under Xvfb with screenshots
#   bash tools/demo/run.sh --xvfb     unattended under Xvfb even with a display
# BUILD_ROOT (default build-demo) holds the build, the Wine prefix and the demo's files.
set -euo pipefail
cd "$(dirname "$0")/../.."
bash tools/setup.sh

root=${BUILD_ROOT:-build-demo}
cmake -S . -B "$root/win" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchain-mingw32.cmake" >/dev/null
cmake --build "$root/win" -j "${JOBS:-2}" --target tkvndn

mode=()
if [ "${1:-}" != "--xvfb" ] && [ -n "${DISPLAY:-}" ]; then
  export TKVN_USE_DISPLAY=1
  mode=(--interactive)
fi
. tools/wine-env.sh
tkvn_wine_start "$root"
trap tkvn_wine_stop EXIT
python3 tools/demo/demo.py --exe "$root/win/app/tkvndn.exe" --work "$PWD/$root/demo" "${mode[@]}"
