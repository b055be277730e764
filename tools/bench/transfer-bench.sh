#!/usr/bin/env bash
# Measures the transfer on loopback, in one run: one 50 MB body and 250 bodies of 60 KB fetched
# through StartTransfer under Wine, beside the same receives done by a program that does nothing
# else (receive_floor.exe, under Wine) and curl fetching the same from the same stand-in server.
#   BUILD_ROOT (default build) holds the Windows build (BUILD_ROOT/win, or BUILD_ROOT/win64 where
#   Wine runs only 64-bit programs) and the Wine prefix.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$(realpath -m "${BUILD_ROOT:-build}")
. tools/wine-env.sh
. tools/bench/bench-build.sh

work=$(mktemp -d /tmp/tkvn-bench-XXXXXX)
server_pid=
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
  [ -n "$server_pid" ] && wait "$server_pid" 2>/dev/null || true
  rm -rf "$work"
  tkvn_wine_stop
}
trap cleanup EXIT
tkvn_wine_start "$root" "$(tkvn_wine_runnable_archs | head -n1)"
tkvn_bench_build "$root" transfer_bench receive_floor
bench=$TKVN_BENCH_BUILD/tools/bench/transfer_bench.exe
floor=$TKVN_BENCH_BUILD/tools/bench/receive_floor.exe

mkdir -p "$work/root/bench/60k" "$work/targets" "$work/curl"
head -c 52428800 /dev/urandom >"$work/root/bench/50m.bin"
for i in $(seq 0 249); do head -c 61440 /dev/urandom >"$work/root/bench/60k/$i.bin"; done

python3 tools/server/tkvn_server.py --root "$work/root" --port 0 --port-file "$work/port" \
  --lifetime 900 --parent-pid $$ >/dev/null 2>"$work/server.log" &
server_pid=$!
for _ in $(seq 1 100); do [ -s "$work/port" ] && break; sleep 0.05; done
port=$(cat "$work/port")
proxy="http://127.0.0.1:$port"
url="http://download.tickvane.com"
targets=$(winepath -w "$work/targets")

now() { date +%s.%N; }
# Run from C: as the program runs from its data directory (the volume serial of Z: is not readable).
run_bench() { (cd "$WINEPREFIX/drive_c" && wine "$bench" "$@"); }
# The same receives with nothing else: the least a program can spend on them under this Wine.
run_floor() { (cd "$WINEPREFIX/drive_c" && wine "$floor" "$@"); }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { print b - a }'; }

echo "loopback, stand-in server on port $port"

t0=$(now)
run_bench "$port" "$targets" /bench/50m.bin 1
t1=$(now)
cmp -s "$work/targets/bench0.bin" "$work/root/bench/50m.bin" && echo "  body verified"
printf 'StartTransfer  1 x 50 MB : %6.2f s (with Wine start-up)\n' "$(elapsed "$t0" "$t1")"

run_floor "$port" /bench/50m.bin 1

t0=$(now)
curl -s -f -x "$proxy" -o "$work/curl/50m.bin" "$url/bench/50m.bin"
t1=$(now)
printf 'curl           1 x 50 MB : %6.2f s\n' "$(elapsed "$t0" "$t1")"

t0=$(now)
run_bench "$port" "$targets" "/bench/60k/%d.bin" 250
t1=$(now)
printf 'StartTransfer 250 x 60 KB: %6.2f s (with Wine start-up)\n' "$(elapsed "$t0" "$t1")"

run_floor "$port" "/bench/60k/%d.bin" 250

t0=$(now)
for i in $(seq 0 249); do curl -s -f -x "$proxy" -o "$work/curl/$i.bin" "$url/bench/60k/$i.bin"; done
t1=$(now)
printf 'curl          250 x 60 KB: %6.2f s (one curl process each)\n' "$(elapsed "$t0" "$t1")"

args=()
for i in $(seq 0 249); do args+=(-o "$work/curl/$i.bin" "$url/bench/60k/$i.bin"); done
t0=$(now)
curl -s -f -x "$proxy" -0 "${args[@]}"
t1=$(now)
printf 'curl          250 x 60 KB: %6.2f s (one curl process, HTTP/1.0)\n' "$(elapsed "$t0" "$t1")"
