#!/usr/bin/env bash
# The delivered installer, read without running it (so on every machine, Wine or not): 7-Zip
# lists what an NSIS installer holds. It must carry the 32-bit program that was built, byte for
# byte, the user guide and the uninstaller.
#
#   installer-contents.sh EXE VERSION WORKDIR
set -euo pipefail
exe=$1 version=$2 work=$3
source_dir=$(cd "$(dirname "$0")/../../.." && pwd)
fail() { echo "FAIL: $*" >&2; exit 1; }

setup="$work/tkvndn-$version-setup.exe"
bash "$source_dir/installer/build.sh" "$exe" "$version" "$setup" || fail "the installer was not built"
listing=$(7z l -ba -slt "$setup") || fail "7-Zip cannot read $setup"
grep -qxF "Type = Nsis" < <(7z l "$setup") || fail "$setup is not an NSIS installer"
for name in tkvndn.exe "User Guide.txt" uninstall.exe; do
  grep -qxF "Path = $name" <<<"$listing" || fail "the installer does not hold $name"
done
7z l "$setup" | grep -q "^SubType = .*64-bit" && fail "the delivered installer is a 64-bit one"
7z e -so "$setup" tkvndn.exe 2>/dev/null | cmp -s - "$exe" || fail "the installer's tkvndn.exe is not the program that was built"
7z e -so "$setup" "User Guide.txt" 2>/dev/null | cmp -s - "$work/User Guide.txt" || fail "the installer's user guide is not the guide"
echo "installer: tkvndn.exe, User Guide.txt and uninstall.exe in $(basename "$setup")"
