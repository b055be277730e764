#!/usr/bin/env python3
"""Makes the decoder fuzzer's seeds from the fixture archives: each compressed member's packed
data behind the selector byte that LhaDecoderFuzz reads (the method is the byte modulo 8, the
size the byte divided by 8 in 8 KB steps; 4 steps here)."""
import os

here = os.path.dirname(os.path.abspath(__file__))
src = os.path.join(here, '..', '..', 'data', 'lha')
out = os.path.join(here, 'decoder-seeds')


def le(b):
    return int.from_bytes(b, 'little')


def members(a):
    at = 0
    while at < len(a) and a[at] != 0:
        level = a[at + 20]
        packed = le(a[at + 7:at + 11])
        if level in (0, 1):
            start = at + a[at] + 2
            if level == 1:
                size = le(a[start - 2:start])
                while size:
                    packed -= size
                    start += size
                    size = le(a[start - 2:start])
        elif level == 2:
            start = at + le(a[at:at + 2])
        else:
            start = at + le(a[at + 24:at + 28])
        yield bytes(a[at + 2:at + 7]), a[start:start + packed]
        at = start + packed


selectors = {b'-lh4-': 0, b'-lh5-': 1, b'-lh6-': 2, b'-lh7-': 3}
os.makedirs(out, exist_ok=True)
for name in sorted(os.listdir(src)):
    if not name.endswith('.lzh') or 'long' in name or name.startswith('l3'):
        continue
    archive = open(os.path.join(src, name), 'rb').read()
    for i, (method, data) in enumerate(members(archive)):
        if method in selectors:
            with open(os.path.join(out, '%s-%d' % (name[:-4], i)), 'wb') as f:
                f.write(bytes([selectors[method] + 8 * 4]) + data)
