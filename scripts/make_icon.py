#!/usr/bin/env python3
"""Draws Glimra's icon (a camera lens on a rounded blue tile) and writes it as a .ico file
with 16, 32, 64, 128 and 256 pixel images, 32 bits per pixel."""
import math
import struct
import sys
import zlib

SIZES = (16, 32, 64, 128, 256)


def pixel(x, y, size):
    """RGBA of one pixel, sampled 4x4 for smooth edges."""
    acc = [0.0, 0.0, 0.0, 0.0]
    for sy in range(4):
        for sx in range(4):
            u = (x + (sx + 0.5) / 4) / size * 2 - 1
            v = (y + (sy + 0.5) / 4) / size * 2 - 1
            rgba = sample(u, v)
            a = rgba[3]
            for i in range(3):
                acc[i] += rgba[i] * a
            acc[3] += a
    alpha = acc[3] / 16
    if acc[3] == 0:
        return (0, 0, 0, 0)
    return tuple(int(round(acc[i] / acc[3])) for i in range(3)) + (int(round(alpha * 255)),)


def sample(u, v):
    # Rounded square tile.
    r = 0.28
    dx = max(abs(u) - (0.92 - r), 0)
    dy = max(abs(v) - (0.92 - r), 0)
    if math.hypot(dx, dy) > r:
        return (0, 0, 0, 0)
    d = math.hypot(u, v)
    if d < 0.18:
        return (235, 245, 255, 1)   # lens highlight
    if d < 0.46:
        return (20, 40, 70, 1)      # lens glass
    if d < 0.58:
        return (230, 235, 240, 1)   # lens ring
    if -0.85 < u < -0.45 and -0.85 < v < -0.62:
        return (255, 200, 60, 1)    # flash
    shade = int(150 + 60 * (1 - (v + 1) / 2))
    return (30, 90, shade, 1)


def image_rgba(size):
    return [[pixel(x, y, size) for x in range(size)] for y in range(size)]


def dib_entry(size, rows):
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    body = bytearray()
    for y in reversed(range(size)):
        for (r, g, b, a) in rows[y]:
            body += bytes((b, g, r, a))
    mask_stride = ((size + 31) // 32) * 4
    body += bytes(mask_stride * size)  # AND mask unused with alpha
    return header + bytes(body)


def png_entry(size, rows):
    raw = bytearray()
    for y in range(size):
        raw.append(0)
        for (r, g, b, a) in rows[y]:
            raw += bytes((r, g, b, a))

    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data) & 0xFFFFFFFF)

    ihdr = struct.pack('>IIBBBBB', size, size, 8, 6, 0, 0, 0)
    return b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', ihdr) + chunk(b'IDAT', zlib.compress(bytes(raw), 9)) + chunk(b'IEND', b'')


def main(path):
    entries = []
    for size in SIZES:
        rows = image_rgba(size)
        entries.append((size, png_entry(size, rows) if size == 256 else dib_entry(size, rows)))
    out = bytearray(struct.pack('<HHH', 0, 1, len(entries)))
    offset = 6 + 16 * len(entries)
    for size, data in entries:
        dim = 0 if size == 256 else size
        out += struct.pack('<BBBBHHII', dim, dim, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for _, data in entries:
        out += data
    with open(path, 'wb') as f:
        f.write(out)


if __name__ == '__main__':
    main(sys.argv[1])
