#!/usr/bin/env bash
# Installs everything the build, the tests and the demo need on a Debian 12 machine.
# Idempotent: packages already present are skipped. Must run as root (or through sudo).
set -euo pipefail

# Both Windows architectures: the delivered program is 32-bit (wine32 runs it where the kernel
# runs 32-bit programs); the x86_64 build runs under wine64 everywhere, also where it does not.
packages=(
  cmake ninja-build g++-mingw-w64-i686 mingw-w64-i686-dev binutils-mingw-w64-i686
  g++-mingw-w64-x86-64 mingw-w64-x86-64-dev binutils-mingw-w64-x86-64
  wine wine64 wine32:i386 xvfb xauth xdotool imagemagick fonts-wine
  python3 clang libclang-rt-14-dev g++ googletest
  jlha-utils lhasa libarchive-tools curl
  nginx-light tinyproxy apache2-utils openssl nsis zip p7zip-full
)

missing=()
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
# wine32 comes from the i386 half of the archive, which every amd64 machine can add (whether its
# kernel runs 32-bit programs or not).
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
