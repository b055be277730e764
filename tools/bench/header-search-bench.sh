#!/usr/bin/env bash
# The search for the first header in a file that does not start with one, on crafted files of
# 2, 4 and 8 MB that hold a header start every 24 bytes behind a short program stub: one kind
# claims a 64 KB level-2 header at each, the other a level-0 header of 257 bytes with a wrong
# checksum. The project's extractor beside lhasa, one run each, both asked to test the file; the
# time should grow with the file's size, no faster. Neither finds an archive there; only the time
# counts. The files are made here and never kept in the repository.
#   BUILD_ROOT (default build) holds the optimised native build in $BUILD_ROOT/bench.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$(realpath -m "${BUILD_ROOT:-build}")
work=$(realpath -m "${BENCH_DIR:-$root/bench-data}")

cmake -S . -B "$root/bench" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTKVN_SANITIZE=OFF \
  -DTKVN_FUZZ=OFF -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$root/bench" -j2 --target tkvn-lha >/dev/null
ours=$root/bench/tools/lha/tkvn-lha

mkdir -p "$work"
for kind in level2 level0; do
  for mb in 2 4 8; do
    [ -f "$work/headers-$kind-$mb.bin" ] ||
      python3 - "$work/headers-$kind-$mb.bin" "$kind" "$mb" <<'PY'
import sys
path, kind, mb = sys.argv[1], sys.argv[2], int(sys.argv[3])
unit = bytearray(24)
unit[2:7] = b'-lh5-'
if kind == 'level2':
    # Size 0xFFFF, level 2; the first extended header claims 0xFFFF bytes as well, past the
    # header's end, so no candidate is sound.
    unit[0:2] = b'\xff\xff'
    unit[20] = 2
else:
    # Size 255, a checksum that never matches, level 0.
    unit[0:2] = b'\xff\x01'
    unit[20] = 0
stub = b'MZ' + bytes(62)
open(path, 'wb').write(stub + bytes(unit) * (((mb << 20) - len(stub)) // len(unit)))
PY
  done
done

# Wall-clock seconds of one run of the command.
seconds() {
  local s e
  s=$(date +%s.%N)
  "$@" >/dev/null 2>&1 || true
  e=$(date +%s.%N)
  awk -v s="$s" -v e="$e" 'BEGIN { printf "%.3f", e - s }'
}

printf '%-8s %-4s %10s %10s\n' kind MB ours lhasa
for kind in level2 level0; do
  for mb in 2 4 8; do
    f="$work/headers-$kind-$mb.bin"
    printf '%-8s %-4s %10s %10s\n' "$kind" "$mb" "$(seconds "$ours" t "$f")" \
      "$(seconds lhasa t "$f")"
  done
done
