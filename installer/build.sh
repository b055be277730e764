#!/usr/bin/env bash
# Builds the Windows installer from a built tkvndn.exe: the user guide with CR LF line ends (which
# every Notepad shows) beside the output, then makensis on installer/tkvndn.nsi.
#
#   installer/build.sh EXE VERSION OUTFILE [TARGET]
#
# TARGET is NSIS's: x86-unicode (the default, the delivered installer) or amd64-unicode.
set -euo pipefail
[ $# -ge 3 ] || { echo "usage: $0 EXE VERSION OUTFILE [TARGET]" >&2; exit 2; }
exe=$(realpath "$1") version=$2 outfile=$3 target=${4:-x86-unicode}
source_dir=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$(dirname "$outfile")"
outfile=$(realpath "$outfile")
guide="$(dirname "$outfile")/User Guide.txt"
sed 's/$/\r/' "$source_dir/docs/USER-GUIDE.md" >"$guide"
rm -f "$outfile"
makensis -V2 -DTARGET="$target" -DVERSION="$version" -DVERSION_QUAD="$version.0.0" -DEXE="$exe" \
  -DGUIDE="$guide" -DOUTFILE="$outfile" "$source_dir/installer/tkvndn.nsi" >/dev/null
[ -s "$outfile" ] || { echo "installer: makensis made no installer" >&2; exit 1; }
