"""Makes the 12-megapixel photo-like JPEGs of the Next benchmark, once.

Usage: make_next_pictures.py FOLDER [COUNT] [jpg|heic]
COUNT pictures (8 by default) of 4000x3000, JPEGs or, with "heic", HEICs as
a phone writes them (heif-enc, with a 320x240 embedded thumbnail); photo-like as the thumbnail
benchmark's, each with a marker of its own colour over its centre, which the screen's
centre shows both at 1:1 (centred) and fitted, and right of it a checkerboard
of 2-pixel cells in that colour and black: fitted, the high-quality pass
shows it as the colour's half, a nearest-pixel pass as one or the other. Writes colours.txt: one
line per picture, its name and the marker's colour as RRGGBB.
The checkerboard covers x 2600-3399, y 1100-1899.
"""
import os
import random
import subprocess
import sys

from PIL import Image, ImageDraw

from make_thumb_pictures import gradient, grain, shapes

STAMP = ".next-pictures-v3"
MARKERS = ((230, 20, 20), (20, 200, 40), (30, 40, 230), (240, 220, 30),
           (20, 210, 220), (220, 30, 210), (250, 130, 20), (120, 40, 200))


def main():
    folder = sys.argv[1]
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 8
    ext = sys.argv[3] if len(sys.argv) > 3 else "jpg"
    if os.path.exists(os.path.join(folder, STAMP)):
        return
    os.makedirs(folder, exist_ok=True)
    rng = random.Random(20261207)
    w, h = 4000, 3000
    lines = []
    for i in range(count):
        img = gradient((w, h), rng)
        shapes(img, rng)
        img = grain(img, rng)
        colour = MARKERS[i % len(MARKERS)]
        draw = ImageDraw.Draw(img)
        draw.rectangle((w // 2 - 400, h // 2 - 400, w // 2 + 400, h // 2 + 400), fill=colour)
        cell = bytes(colour) * 2 + bytes(6)
        row0 = cell * 200
        row1 = bytes(6) + bytes(colour) * 2
        row1 = row1 * 200
        img.paste(Image.frombytes("RGB", (800, 800), (row0 * 2 + row1 * 2) * 200), (2600, 1100))
        name = "next%02d.%s" % (i + 1, ext)
        path = os.path.join(folder, name)
        if ext == "heic":
            # High quality, so the checkerboard's cells survive the encoder.
            png = path + ".png"
            img.save(png)
            subprocess.run(["heif-enc", "-q", "90", "-t", "320", png, "-o", path],
                           check=True, stdout=subprocess.DEVNULL)
            os.remove(png)
        else:
            img.save(path, "JPEG", quality=90)
        lines.append("%s %02x%02x%02x\n" % ((name,) + colour))
    with open(os.path.join(folder, "colours.txt"), "w") as f:
        f.writelines(lines)
    open(os.path.join(folder, STAMP), "w").close()


if __name__ == "__main__":
    main()
