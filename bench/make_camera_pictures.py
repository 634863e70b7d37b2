"""Makes the camera-style JPEGs of the thumbnail benchmark, once.

Usage: make_camera_pictures.py FOLDER [COUNT]
Writes COUNT photo-like pictures (12 by default) of 8 to 12 megapixels, each
twice: FOLDER/with-preview/ holds them as a camera writes them (an EXIF
block with orientation, date, make and model, and a 160-pixel JPEG preview
in the second image directory); FOLDER/without-preview/ holds the same
picture bytes behind the same block without the preview, so that the
thumbnail maker has to decode the picture itself. Most are 4:3, as phones and
compact cameras take them, some 3:2; a few are portrait shots stored on
their side (orientation 6 or 8). Seeded; nothing is made when the stamp of
this version is there.
"""
import io
import math
import os
import random
import struct
import sys

from PIL import Image

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_thumb_pictures import gradient, grain, shapes  # noqa: E402

STAMP = ".camera-pictures-v1"
SHORT, LONG, ASCII, RATIONAL, UNDEFINED = 3, 4, 2, 5, 7
SIZES = {SHORT: 2, LONG: 4, ASCII: 1, RATIONAL: 8, UNDEFINED: 1}


def entry_value(kind, value):
    """The value's bytes (little-endian) and its count."""
    if kind == ASCII:
        data = value.encode("ascii") + b"\0"
        return data, len(data)
    if kind == SHORT:
        return struct.pack("<H", value), 1
    if kind == LONG:
        return struct.pack("<I", value), 1
    if kind == RATIONAL:
        return struct.pack("<II", *value), 1
    return bytes(value), len(value)


def tiff_block(ifd0, exif, ifd1, preview):
    """A little-endian TIFF structure: IFD0 (linked to IFD1), the EXIF IFD, IFD1
    with the preview's place, the out-of-line values, then the preview."""
    EXIF_POINTER, PREVIEW_AT, PREVIEW_LENGTH = 0x8769, 0x0201, 0x0202
    ifd0 = sorted(ifd0 + [(EXIF_POINTER, LONG, 0)])
    ifd1 = sorted(ifd1 + [(PREVIEW_AT, LONG, 0), (PREVIEW_LENGTH, LONG, len(preview))]) if preview else []
    dirs = [ifd0, sorted(exif), ifd1]
    at = 8
    starts = []
    for d in dirs:
        starts.append(at if d else 0)
        at += 2 + 12 * len(d) + 4 if d else 0
    values = bytearray()
    values_at = at
    out = bytearray(b"II*\0" + struct.pack("<I", 8))
    preview_entry = None
    encoded = []
    for n, d in enumerate(dirs):
        rows = []
        for tag, kind, value in d:
            if n == 0 and tag == EXIF_POINTER:
                value = starts[1]
            data, count = entry_value(kind, value)
            if len(data) <= 4:
                field = data.ljust(4, b"\0")
            else:
                if (values_at + len(values)) % 2:
                    values.append(0)
                field = struct.pack("<I", values_at + len(values))
                values += data
            rows.append((tag, kind, count, field))
        encoded.append(rows)
    preview_at = values_at + len(values) + ((values_at + len(values)) % 2)
    for n, rows in enumerate(encoded):
        if not rows:
            continue
        out += struct.pack("<H", len(rows))
        for tag, kind, count, field in rows:
            if n == 2 and tag == PREVIEW_AT:
                field = struct.pack("<I", preview_at)
            out += struct.pack("<HHI", tag, kind, count) + field
        out += struct.pack("<I", starts[2] if n == 0 and ifd1 else 0)
    out += values
    if preview:
        if len(out) % 2:
            out.append(0)
        assert len(out) == preview_at
        out += preview
    return b"Exif\0\0" + bytes(out)


def with_app1(jpeg, block):
    assert len(block) + 2 <= 0xFFFF, "the block must fit one segment"
    return jpeg[:2] + b"\xff\xe1" + struct.pack(">H", len(block) + 2) + block + jpeg[2:]


def jpeg_bytes(img, **kw):
    buf = io.BytesIO()
    img.save(buf, "JPEG", **kw)
    return buf.getvalue()


def camera_block(i, rng, orientation, preview):
    make, model = rng.choice((("Ombrix", "Ombrix Pocket 12"), ("FieldCam", "FieldCam FC-8 Zoom")))
    taken = "2024:%02d:%02d %02d:%02d:%02d" % (1 + i % 12, 1 + i % 28, 8 + i % 12, i % 60, (7 * i) % 60)
    ifd0 = [(0x010F, ASCII, make), (0x0110, ASCII, model), (0x0112, SHORT, orientation),
            (0x011A, RATIONAL, (72, 1)), (0x011B, RATIONAL, (72, 1)), (0x0128, SHORT, 2),
            (0x0131, ASCII, "Firmware 1.0%d" % (i % 10)), (0x0132, ASCII, taken), (0x0213, SHORT, 1)]
    exif = [(0x829A, RATIONAL, (1, 60 + 10 * i)), (0x829D, RATIONAL, (28, 10)), (0x8827, SHORT, 100),
            (0x9000, UNDEFINED, b"0230"), (0x9003, ASCII, taken), (0x9004, ASCII, taken),
            (0x9209, SHORT, 16), (0x920A, RATIONAL, (52, 10)),
            (0x927C, UNDEFINED, bytes(rng.randrange(256) for _ in range(1200))),  # maker note
            (0xA001, SHORT, 1)]
    ifd1 = [(0x0103, SHORT, 6), (0x011A, RATIONAL, (72, 1)), (0x011B, RATIONAL, (72, 1)), (0x0128, SHORT, 2)]
    return tiff_block(ifd0, exif, ifd1, preview)


def main():
    folder = sys.argv[1]
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 12
    if os.path.exists(os.path.join(folder, STAMP)):
        return
    with_dir, without_dir = os.path.join(folder, "with-preview"), os.path.join(folder, "without-preview")
    os.makedirs(with_dir, exist_ok=True)
    os.makedirs(without_dir, exist_ok=True)
    rng = random.Random(20261207)
    for i in range(count):
        mp = 8.0 + 4.0 * i / max(1, count - 1)
        aw, ah = (3, 2) if i % 4 == 3 else (4, 3)
        w = int(math.sqrt(mp * 1e6 * aw / ah)) // 16 * 16
        h = int(w * ah / aw) // 16 * 16
        img = gradient((w, h), rng)
        shapes(img, rng)
        img = grain(img, rng)
        # Stored as the sensor saw it; a portrait shot carries the turn.
        orientation = (1, 1, 6, 1, 8, 1, 3)[i % 7]
        main = jpeg_bytes(img, quality=rng.choice((88, 92, 95)), subsampling="4:2:0")
        pw, ph = 160, 160 * h // w
        preview = jpeg_bytes(img.resize((pw, ph), Image.BILINEAR), quality=80)
        name = "cam%02d_%dx%d.jpg" % (i + 1, w, h)
        with open(os.path.join(with_dir, name), "wb") as f:
            f.write(with_app1(main, camera_block(i, random.Random(i), orientation, preview)))
        with open(os.path.join(without_dir, name), "wb") as f:
            f.write(with_app1(main, camera_block(i, random.Random(i), orientation, b"")))
    open(os.path.join(folder, STAMP), "w").close()


if __name__ == "__main__":
    main()
