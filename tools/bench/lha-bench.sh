#!/usr/bin/env bash
# Decoding throughput of the project's LHA extractor against lhasa and libarchive's bsdtar, on one
# ~40 MB CSV-like file packed by jlha with -lh5- and with -lh7-. Each tool extracts the same
# archive into a fresh folder on the same file system; the best of RUNS runs counts. The input is
# made here and never kept in the repository.
#   BUILD_ROOT (default build) holds the optimised native build in $BUILD_ROOT/bench.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$(realpath -m "${BUILD_ROOT:-build}")
runs=${RUNS:-5}
work=${BENCH_DIR:-$root/bench-data}

cmake -S . -B "$root/bench" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTKVN_SANITIZE=OFF \
  -DTKVN_FUZZ=OFF -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$root/bench" -j2 --target tkvn-lha >/dev/null
ours=$root/bench/tools/lha/tkvn-lha

mkdir -p "$work"
work=$(cd "$work" && pwd)
if [ ! -f "$work/quotes.csv" ]; then
  python3 - "$work/quotes.csv" <<'PY'
import random, sys
r = random.Random(40)
codes = ['%s%s%s' % (a, b, c) for a in 'ABCDEFGHIJ' for b in 'KLMNOP' for c in 'QRSTUVWXYZ']
lines = []
size = 0
day = 20200101
while size < 40 * 1000 * 1000:
    for code in codes:
        o = r.uniform(0.1, 90.0)
        line = '%s,%d,%.3f,%.3f,%.3f,%.3f,%d\r\n' % (
            code, day, o, o * r.uniform(1.0, 1.05), o * r.uniform(0.95, 1.0),
            o * r.uniform(0.97, 1.03), r.randrange(0, 5000000))
        lines.append(line)
        size += len(line)
    day += 1
open(sys.argv[1], 'w', newline='').write(''.join(lines))
PY
fi
for m in 5 7; do
  [ -f "$work/quotes-lh$m.lzh" ] || (cd "$work" && jlha a1o${m}q "quotes-lh$m.lzh" quotes.csv)
done
bytes=$(stat -c %s "$work/quotes.csv")

# Best wall-clock seconds of `runs` runs of the command, each into an empty folder.
best() {
  local best_t=
  for _ in $(seq "$runs"); do
    rm -rf "$work/out" && mkdir "$work/out"
    local s e
    s=$(date +%s.%N)
    "$@" >/dev/null
    e=$(date +%s.%N)
    cmp -s "$work/out/quotes.csv" "$work/quotes.csv" || { echo "wrong output from $1" >&2; exit 1; }
    best_t=$(awk -v s="$s" -v e="$e" -v b="$best_t" 'BEGIN { t = e - s; print (b == "" || t < b) ? t : b }')
  done
  echo "$best_t"
}

printf '%-6s %-10s %10s %10s\n' method tool seconds MB/s
for m in 5 7; do
  a="$work/quotes-lh$m.lzh"
  t_ours=$(best "$ours" e "$a" "$work/out/")
  t_lhasa=$(best lhasa xqw="$work/out" "$a")
  t_bsdtar=$(best bsdtar -xf "$a" -C "$work/out")
  awk -v m="-lh$m-" -v n="$bytes" -v o="$t_ours" -v l="$t_lhasa" -v b="$t_bsdtar" 'BEGIN {
    printf "%-6s %-10s %10.3f %10.1f\n", m, "ours", o, n / o / 1e6
    printf "%-6s %-10s %10.3f %10.1f\n", m, "lhasa", l, n / l / 1e6
    printf "%-6s %-10s %10.3f %10.1f\n", m, "bsdtar", b, n / b / 1e6
    printf "%-6s ours/lhasa %.2f, ours/bsdtar %.2f (speed ratios)\n", m, l / o, b / o
  }'
done
