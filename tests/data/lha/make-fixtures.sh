#!/usr/bin/env bash
# Makes the LHA fixture archives in this folder. The archives are committed; run this again only
# to change them. The ordinary ones come from Debian's jlha (jlha-utils); the ones with hostile
# names are written by the small Python writer below, which knows only the level-0 stored format.
# Every archive is then checked with Debian's lhasa.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# Source files: a price list like the vendor's daily files, incompressible bytes, an empty file,
# and a long file (more than one output chunk and many blocks) of little variety.
python3 - <<'PY'
import random
r = random.Random(8)
with open('prices.csv', 'w', newline='\r\n') as f:
    for i in range(400):
        f.write('%08d,ABC%03d,%.2f,%.2f,%.2f,%.2f,%d\n' % (
            20240101 + i % 28, r.randrange(200), r.uniform(1, 50), r.uniform(1, 50),
            r.uniform(1, 50), r.uniform(1, 50), r.randrange(100000)))
with open('random.bin', 'wb') as f:
    f.write(bytes(r.randrange(256) for _ in range(5000)))
open('empty.txt', 'w').close()
with open('long.csv', 'w', newline='\r\n') as f:
    for i in range(14000):
        f.write('%08d,XYZ%03d,%d.%02d,%d\n' % (20240101 + i % 5, i % 40, 10 + i % 7, i % 4 * 25, i % 9 * 100))
PY
mkdir -p sub/dir a b
printf 'note in a subdirectory\r\n' > sub/dir/note.txt
printf 'first same\r\n' > a/same.txt
printf 'second same, the later one\r\n' > b/same.txt

jlha a1o5q "$work/l1_lh5.lzh" prices.csv
jlha a0o6q "$work/l0_lh6.lzh" prices.csv
jlha a2o7q "$work/l2_lh7.lzh" prices.csv random.bin empty.txt
jlha a1zq "$work/l1_lh0.lzh" prices.csv
jlha a2o5q "$work/l2_lh5_paths.lzh" sub/dir/note.txt a/same.txt b/same.txt
jlha a1o5q "$work/l1_lh5_long.lzh" long.csv
jlha a2o7q "$work/l2_lh7_long.lzh" long.csv
# A server archive carrying batch files and the program's own files beside its data: none of them
# may ever be extracted.
printf '@echo off\r\necho from an archive\r\n' > ascii_update.bat
printf '@echo off\r\ndel *.*\r\n' > FixFiles.bat
printf '/tkvn/dn/data/,D,Daily DN File,dn\r\n' > files.use
printf '01-01-24\r\n' > date
jlha a1o5q "$work/program.lzh" prices.csv ascii_update.bat FixFiles.bat files.use date

# Level-0 stored members with the names given, each holding "member N\r\n".
python3 - "$work/names.lzh" <<'PY'
import sys

def crc16(data):
    c = 0
    for b in data:
        c ^= b
        for _ in range(8):
            c = (c >> 1) ^ 0xA001 if c & 1 else c >> 1
    return c

names = [
    b'..', b'.', b'C:evil.txt', b'..\\..\\up.txt', b'\\abs\\root.txt', b'/etc/abs.txt',
    b'CON', b'nul.txt', b'Com1.log', b'dot.', b'space ', b'ctl\x01.txt', b'pipe|x.txt',
    b'dir\\\x95\x5c.txt', b'\x95\x5c', b'dir/ok.txt', b'', b'ascii_update.bat\x95', b'COM\xb9.txt',
    b'files.use',
]
out = bytearray()
for i, name in enumerate(names):
    data = b'member %d\r\n' % i
    body = (b'-lh0-' + len(data).to_bytes(4, 'little') + len(data).to_bytes(4, 'little') +
            (0x58210000).to_bytes(4, 'little') + b'\x20\x00' + bytes([len(name)]) + name +
            crc16(data).to_bytes(2, 'little'))
    out += bytes([len(body), sum(body) & 0xFF]) + body + data
out += b'\x00'
open(sys.argv[1], 'wb').write(out)
PY

# jlha writes neither -lh4- nor level-3 headers; both are made from its output. A -lh5- stream
# of a file under 4 KB never reaches back further than -lh4- can, so relabelled it is a sound
# -lh4- member. The level-3 archive carries the level-2 one's members under rewritten headers.
head -c 3000 prices.csv > small.csv
jlha a0o5q "$work/small_lh5.lzh" small.csv
python3 - "$work/small_lh5.lzh" "$work/l0_lh4.lzh" "$work/l2_lh7.lzh" "$work/l3_lh7.lzh" <<'PY'
import sys

def crc16(data):
    c = 0
    for b in data:
        c ^= b
        for _ in range(8):
            c = (c >> 1) ^ 0xA001 if c & 1 else c >> 1
    return c

src, lh4, l2, l3 = sys.argv[1:]
a = bytearray(open(src, 'rb').read())
assert a[2:7] == b'-lh5-' and a[20] == 0
a[2:7] = b'-lh4-'
a[1] = sum(a[2:a[0] + 2]) & 0xFF
open(lh4, 'wb').write(a)

a = open(l2, 'rb').read()
out = bytearray()
at = 0
while at < len(a) and a[at] != 0:
    total = int.from_bytes(a[at:at + 2], 'little')
    h = a[at:at + total]
    assert h[20] == 2
    packed = int.from_bytes(h[7:11], 'little')
    exts = []
    pos, size = 26, int.from_bytes(h[24:26], 'little')
    while size:
        exts.append((h[pos], bytearray(h[pos + 1:pos + size - 2])))
        pos, size = pos + size, int.from_bytes(h[pos + size - 2:pos + size], 'little')
    body = bytearray()
    for i, (kind, data) in enumerate(exts):
        if kind == 0:
            data[0:2] = b'\0\0'
        following = 1 + len(exts[i + 1][1]) + 4 if i + 1 < len(exts) else 0
        body += bytes([kind]) + data + following.to_bytes(4, 'little')
    first = 1 + len(exts[0][1]) + 4 if exts else 0
    head = bytearray(b'\x04\x00' + h[2:20] + b'\x03' + h[21:24])
    head += (32 + len(body)).to_bytes(4, 'little') + first.to_bytes(4, 'little')
    header = head + body
    crc_at = None
    off = 32
    for kind, data in exts:
        if kind == 0:
            crc_at = off + 1
        off += 1 + len(data) + 4
    if crc_at is not None:
        header[crc_at:crc_at + 2] = crc16(header).to_bytes(2, 'little')
    out += header + a[at + total:at + total + packed]
    at += total + packed
out += b'\0'
open(l3, 'wb').write(out)
PY
rm "$work/small_lh5.lzh"

for a in "$work"/*.lzh; do
  lhasa t "$a" >/dev/null
  cp "$a" "$here/"
done
ls -l "$here"/*.lzh
