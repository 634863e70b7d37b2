"""Writes cam1.jpg .. cam8.jpg: one upright 320 x 240 scene (red, green /
blue, white quarters) stored as a camera stores it for each EXIF orientation,
with that orientation in the file. Usage: make_camera_fixtures.py <folder>"""
import os
import sys

from PIL import Image, ImageOps

T = Image.Transpose
# How a camera turns the upright scene into the stored picture for each tag.
STORE = {1: None, 2: T.FLIP_LEFT_RIGHT, 3: T.ROTATE_180, 4: T.FLIP_TOP_BOTTOM,
         5: T.TRANSPOSE, 6: T.ROTATE_90, 7: T.TRANSVERSE, 8: T.ROTATE_270}


def main(folder):
    os.makedirs(folder, exist_ok=True)
    upright = Image.new("RGB", (320, 240))
    for (x, y, colour) in ((0, 0, (255, 0, 0)), (160, 0, (0, 255, 0)),
                           (0, 120, (0, 0, 255)), (160, 120, (255, 255, 255))):
        upright.paste(colour, (x, y, x + 160, y + 120))
    for orientation, method in STORE.items():
        stored = upright if method is None else upright.transpose(method)
        exif = Image.Exif()
        exif[0x0112] = orientation
        path = os.path.join(folder, "cam%d.jpg" % orientation)
        stored.save(path, quality=95, exif=exif.tobytes())
        # Pillow, which reads the tag on its own, must stand it up as the scene again.
        with Image.open(path) as check:
            back = ImageOps.exif_transpose(check)
            if back.size != upright.size or any(max(abs(a - b) for a, b in zip(upright.getpixel(p), back.getpixel(p))) > 40
                                                for p in ((80, 60), (240, 60), (80, 180), (240, 180))):
                sys.exit("cam%d.jpg does not stand upright" % orientation)


if __name__ == "__main__":
    main(sys.argv[1])
