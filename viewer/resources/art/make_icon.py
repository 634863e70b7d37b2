#!/usr/bin/env python3
"""Draws the viewer's icon (viewer.ico): a framed picture with sky, sun and
hills, half in shadow. Run it again to remake the file; the build only reads
the result."""
import math
import struct
import sys


def pixel(x, y, n):
    """Colour (r, g, b, a) of pixel (x, y) of an n x n icon, from a 1.0-unit
    design space so both sizes share one drawing."""
    u = (x + 0.5) / n
    v = (y + 0.5) / n
    margin = 1.5 / 32
    if u < margin or v < margin or u > 1 - margin or v > 1 - margin:
        return (0, 0, 0, 0)
    frame = 3.0 / 32
    if u < frame or v < frame or u > 1 - frame or v > 1 - frame:
        return (40, 44, 58, 255)
    # Sky, lighter towards the horizon.
    r, g, b = int(60 + 120 * v), int(120 + 90 * v), 235
    # Sun.
    if math.hypot(u - 0.68, v - 0.32) < 0.12:
        r, g, b = 255, 214, 60
    # Two hills.
    if v > 0.62 + 0.10 * math.sin(u * 5.0):
        r, g, b = 70, 160, 80
    if v > 0.76 + 0.06 * math.cos(u * 7.0 + 1.0):
        r, g, b = 40, 120, 60
    # The shadow that gives the program its name: the lower-left half dimmed.
    if u + (1 - v) < 0.95:
        r, g, b = r * 5 // 8, g * 5 // 8, b * 5 // 8
    return (r, g, b, 255)


def dib(n, draw=pixel):
    header = struct.pack('<IiiHHIIiiII', 40, n, 2 * n, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = []
    for y in range(n - 1, -1, -1):  # bottom-up
        row = b''
        for x in range(n):
            r, g, b, a = draw(x, y, n)
            row += bytes((b, g, r, a))
        rows.append(row)
    mask_stride = ((n + 31) // 32) * 4
    mask = b''
    for y in range(n - 1, -1, -1):
        bits = 0
        for x in range(n):
            if draw(x, y, n)[3] == 0:
                bits |= 1 << (mask_stride * 8 - 1 - x)
        mask += bits.to_bytes(mask_stride, 'big')
    return header + b''.join(rows) + mask


def ico(sizes, draw=pixel):
    """An .ico file of 32-bit images of the given sizes, drawn by
    draw(x, y, n); other icons of the project reuse it."""
    images = [dib(n, draw) for n in sizes]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for n, data in zip(sizes, images):
        out += struct.pack('<BBBBHHII', n, n, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b''.join(images)


if __name__ == '__main__':
    path = sys.argv[1] if len(sys.argv) > 1 else 'viewer.ico'
    with open(path, 'wb') as f:
        f.write(ico([32, 16]))
