#!/usr/bin/env python3
"""Draws the options sheet's sample picture: a 120 x 120 landscape (sky with a
sun, hills, a lake and a small house) whose nine cells all look different,
so the picker shows which one is chosen. Writes it as a baseline JPEG
through cjpeg.

    make_sample_picture.py OUT_FILE [CJPEG]"""
import math
import subprocess
import sys

SIZE = 120


def mix(a, b, t):
    t = min(1.0, max(0.0, t))
    return tuple(int(round(a[k] + (b[k] - a[k]) * t)) for k in range(3))


def hill(x, base, height, width, centre):
    d = (x - centre) / width
    return base - height * math.exp(-d * d)


def pixel(x, y):
    # Sky: deep blue at the top to pale at the horizon.
    colour = mix((40, 90, 190), (200, 225, 250), y / 60.0)
    # Sun, upper right, with a soft rim.
    d = math.hypot(x - 92, y - 22)
    if d < 12:
        colour = (255, 220, 90)
    elif d < 15:
        colour = mix((255, 220, 90), colour, (d - 12) / 3.0)
    # Two hills, the far one darker.
    if y >= hill(x, 72, 30, 28, 30):
        colour = mix((60, 120, 70), (40, 90, 50), (y - 40) / 80.0)
    if y >= hill(x, 86, 22, 34, 88):
        colour = mix((90, 160, 70), (60, 120, 50), (y - 60) / 60.0)
    # The lake along the bottom, with ripples.
    if y >= 92:
        ripple = 12 if (x + 3 * y) % 17 == 0 else 0
        colour = mix((30, 100, 170), (20, 60, 120), (y - 92) / 28.0)
        colour = tuple(min(255, c + ripple) for c in colour)
    # A small house with a red roof on the near hill.
    if 70 <= x < 86 and 62 <= y < 74:
        colour = (235, 225, 200)
        if 76 <= x < 80 and 67 <= y < 74:
            colour = (110, 70, 40)
    if 54 <= y < 62 and abs(x - 78) <= (y - 54) + 1:
        colour = (190, 40, 40)
    return colour


def ppm():
    rows = bytearray()
    for y in range(SIZE):
        for x in range(SIZE):
            rows.extend(pixel(x, y))
    return b'P6\n%d %d\n255\n' % (SIZE, SIZE) + bytes(rows)


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    cjpeg = sys.argv[2] if len(sys.argv) == 3 else 'cjpeg'
    jpeg = subprocess.run([cjpeg, '-quality', '90', '-baseline'], input=ppm(),
                          stdout=subprocess.PIPE, check=True).stdout
    with open(sys.argv[1], 'wb') as f:
        f.write(jpeg)


if __name__ == '__main__':
    main()
