#!/usr/bin/env python3
"""Makes seeds for the archive fuzzer that no tool here writes, byte by byte: LArc's -lzs- and
-lz5- members, names followed by a comment, a MacLHA member in its MacBinary wrapper and an
OS-9/68K level-2 header, whose size leaves out its own two bytes. The fixtures are seeds too."""
import os
import struct

here = os.path.dirname(os.path.abspath(__file__))
out = os.path.join(here, 'archive-seeds')


def crc16(data):
    crc = 0
    for b in data:
        crc ^= b
        for _ in range(8):
            crc = (crc >> 1) ^ 0xA001 if crc & 1 else crc >> 1
    return crc


def member(level, method, name, packed, original, os_id=b'M', time=0x576e6000, os9=False):
    fixed = struct.pack('<5sIIIBB', method, len(packed), len(original), time, 0x20, level)
    crc = struct.pack('<H', crc16(original))
    if level == 2:
        ext = b'\x01' + name + b'\0\0'
        h = fixed + crc + os_id + struct.pack('<H', len(ext)) + ext
        return struct.pack('<H', len(h) + 2 - (2 if os9 else 0)) + h + packed
    h = fixed + bytes([len(name)]) + name + crc + (os_id + b'\0\0' if level == 1 else b'')
    return bytes([len(h), sum(h) & 0xFF]) + h + packed


def bits(fields):
    value, count = 0, 0
    for v, n in fields:
        value, count = (value << n) | v, count + n
    value <<= -count % 8
    return value.to_bytes((count + 7) // 8, 'big')


text = b'20231114,ABC,1.00,1.10,0.90,1.05,1000\r\n'
mac = bytearray(128)
mac[1] = 10
mac[2:12] = b'prices.csv'
mac[0x53:0x5B] = struct.pack('>II', len(text), 0)
mac[0x5B:0x63] = struct.pack('>II', 1700000000 + 2082844800, 1700000000 + 2082844800)
wrapped = bytes(mac) + text + bytes(-len(text) % 128)
lzs = bits([(1, 1), (ord('a'), 8), (1, 1), (ord('b'), 8), (0, 1), (2031, 11), (2, 4)])
seeds = {
    'lzs.lzh': member(0, b'-lzs-', b'LZS.TXT', lzs, b'ababab'),
    'lz5.lzh': member(0, b'-lz5-', b'LZ5.TXT', b'\x01x\x4d\x32\x30\xd7', b'xAAAAA0123456789'),
    'comment.lzh': member(1, b'-lh0-', b'prices.csv\0Daily prices', text, text, b'A'),
    'macbinary.lzh': member(2, b'-lh0-', b'prices.csv', wrapped, wrapped, b'm', 1700000000),
    'os9.lzh': member(2, b'-lh0-', b'prices.csv', text, text, b'K', 1700000000, os9=True),
}
os.makedirs(out, exist_ok=True)
for name, data in seeds.items():
    with open(os.path.join(out, name), 'wb') as f:
        f.write(data + b'\0')
