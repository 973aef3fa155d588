#!/usr/bin/env python3
"""Draws the program icon (a headset on a blue tile) into resources/RivovaZiv.ico.

Run from anywhere: python3 tools/make-icon.py. 16, 32 and 48 pixel images,
32-bit with alpha, written as uncompressed bitmaps in the .ico container.
"""
import math
import os
import struct

SIZES = (16, 32, 48)
SAMPLES = 4  # per axis, for smooth edges


def coverage(x, y):
    """Colour (r, g, b, a) at a point of the unit square, y downwards."""
    # Rounded tile.
    r = 0.18
    cx = min(max(x, r), 1 - r)
    cy = min(max(y, r), 1 - r)
    if (x - cx) ** 2 + (y - cy) ** 2 > r * r:
        return (0, 0, 0, 0)
    white = (255, 255, 255, 255)
    # Head band: upper half of a ring.
    d = math.hypot(x - 0.5, y - 0.55)
    if y <= 0.55 and 0.26 <= d <= 0.34:
        return white
    # Ear cups.
    for left in (0.14, 0.70):
        if left <= x <= left + 0.16 and 0.50 <= y <= 0.78:
            return white
    # Microphone boom from the left cup towards the mouth.
    if 0.24 <= x <= 0.52 and 0.80 <= y <= 0.86:
        return white
    if 0.50 <= x <= 0.60 and 0.77 <= y <= 0.89:
        return (255, 200, 60, 255)
    return (30, 90, 168, 255)


def image(size):
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    c = coverage((px + (sx + 0.5) / SAMPLES) / size, (py + (sy + 0.5) / SAMPLES) / size)
                    for i in range(4):
                        acc[i] += c[i] * (c[3] / 255 if i < 3 else 1)
            n = SAMPLES * SAMPLES
            a = acc[3] / n
            rgb = [int(round(acc[i] / n / (a / 255))) if a else 0 for i in range(3)]
            row.append((rgb[0], rgb[1], rgb[2], int(round(a))))
        rows.append(row)
    # BITMAPINFOHEADER with doubled height (colour + mask), rows bottom-up, BGRA.
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b''.join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    mask_row = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_row)
        for px, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[px // 8] |= 0x80 >> (px % 8)
        mask += bits
    return header + pixels + bytes(mask)


def main():
    images = [image(s) for s in SIZES]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for s, data in zip(SIZES, images):
        out += struct.pack('<BBBBHHII', s % 256, s % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b''.join(images)
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'resources', 'RivovaZiv.ico')
    with open(path, 'wb') as f:
        f.write(out)


if __name__ == '__main__':
    main()
