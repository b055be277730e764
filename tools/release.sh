#!/usr/bin/env bash
# Builds a release into dist/: the program as the vendor delivers it, its Windows installer, a
# zip of the bare executable, all named with the version, and their SHA-256 sums.
#
#   bash tools/release.sh
#
# The build has a folder of its own ($BUILD_ROOT/release, BUILD_ROOT defaults to build) with the
# delivered settings spelt out, so that a test build's server or debug option cannot slip in.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh

root=${BUILD_ROOT:-build}
build="$root/release"
jobs=${JOBS:-2}
dist=dist

version=$(sed -nE 's/^project\(tkvndn VERSION ([0-9]+\.[0-9]+)[ )].*/\1/p' CMakeLists.txt)
[[ $version =~ ^[0-9]+\.[0-9]+$ ]] || { echo "release: no version in CMakeLists.txt" >&2; exit 1; }

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchain-mingw32.cmake" \
  -DTKVN_DEBUG=OFF -DTKVN_SERVER_HOST=download.tickvane.com -DTKVN_SERVER_PORT=80 >/dev/null
cmake --build "$build" -j "$jobs" --target tkvndn

mkdir -p "$dist"
exe="$dist/tkvndn.exe"
setup="tkvndn-$version-setup.exe"
zip="tkvndn-$version-win32.zip"
rm -f "$exe" "$dist/$setup" "$dist/$zip" "$dist/SHA256SUMS"
i686-w64-mingw32-strip -o "$exe" "$build/app/tkvndn.exe"

# The file's properties must show the version the release is named after.
if ! strings -el "$exe" | grep -qxF "$version"; then
  echo "release: the version resource of tkvndn.exe does not say $version" >&2
  exit 1
fi

bash installer/build.sh "$exe" "$version" "$dist/$setup"
rm -f "$dist/User Guide.txt"
zip -q -j -X "$dist/$zip" "$exe"
rm -f "$exe"
(cd "$dist" && sha256sum "$setup" "$zip" >SHA256SUMS)

echo "release $version:"
(cd "$dist" && ls -l "$setup" "$zip" SHA256SUMS | awk '{printf "  %-28s %9d bytes\n", $NF, $5}' && cat SHA256SUMS)
