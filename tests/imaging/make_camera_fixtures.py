"""Writes camera-style JPEGs cam1.jpg .. cam8.jpg: one upright 320 x 240
scene (red, green / blue, white quarters) stored the way a camera stores it
for each EXIF orientation, with that orientation in the file's EXIF block.
Usage: make_camera_fixtures.py <folder>"""
import os
import sys

from PIL import Image, ImageOps

ORIENTATION_TAG = 0x0112
# How a camera turns the upright scene into the stored picture for each tag:
# the inverse of what standing the stored picture upright does.
STORE = {
    1: None,
    2: Image.Transpose.FLIP_LEFT_RIGHT,
    3: Image.Transpose.ROTATE_180,
    4: Image.Transpose.FLIP_TOP_BOTTOM,
    5: Image.Transpose.TRANSPOSE,
    6: Image.Transpose.ROTATE_90,     # stored turned counter-clockwise
    7: Image.Transpose.TRANSVERSE,
    8: Image.Transpose.ROTATE_270,    # stored turned clockwise
}


def scene():
    img = Image.new("RGB", (320, 240))
    for (x, y, colour) in ((0, 0, (255, 0, 0)), (160, 0, (0, 255, 0)),
                           (0, 120, (0, 0, 255)), (160, 120, (255, 255, 255))):
        img.paste(colour, (x, y, x + 160, y + 120))
    return img


def main(folder):
    os.makedirs(folder, exist_ok=True)
    upright = scene()
    for orientation, method in STORE.items():
        stored = upright if method is None else upright.transpose(method)
        exif = Image.Exif()
        exif[ORIENTATION_TAG] = orientation
        path = os.path.join(folder, "cam%d.jpg" % orientation)
        stored.save(path, quality=95, exif=exif.tobytes())
        # The file must stand up as the scene again, or the fixture is wrong.
        with Image.open(path) as check:
            back = ImageOps.exif_transpose(check)
            for point in ((80, 60), (240, 60), (80, 180), (240, 180)):
                want, got = upright.getpixel(point), back.getpixel(point)
                if back.size != upright.size or max(abs(a - b) for a, b in zip(want, got)) > 40:
                    sys.exit("cam%d.jpg does not stand upright" % orientation)


if __name__ == "__main__":
    main(sys.argv[1])
