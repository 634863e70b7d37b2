"""Makes the photo-like JPEGs of the thumbnail benchmark, once.

Usage: make_thumb_pictures.py FOLDER [COUNT]
COUNT pictures (30 by default) of 2 to 24 megapixels in landscape, portrait
and 3:2 shapes: smooth colour gradients for sky and light, grain, and
shapes with hard edges, so that decoding costs what a camera picture costs.
Two in five are progressive (with successive approximation, as web exports
and many cameras write them), the others baseline, and the chroma
subsampling varies, as in a real collection. Seeded, so every run makes the
same files; nothing is made when the stamp of this version is there.
"""
import glob
import math
import os
import random
import sys

from PIL import Image, ImageChops, ImageDraw, ImageFilter

STAMP = ".thumb-pictures-v2"
# Chroma subsampling as Pillow names it: 4:4:4, 4:2:2, 4:2:0.
SUBSAMPLINGS = (2, 1, 2, 0)


def gradient(size, rng):
    """Two-axis colour gradient: a linear ramp per channel, mixed with a radial glow."""
    w, h = size
    ramps = []
    for _ in range(3):
        ramp = Image.linear_gradient("L").rotate(rng.choice((0, 90, 180, 270)))
        glow = Image.radial_gradient("L")
        ramps.append(Image.blend(ramp, ImageChops.invert(glow), rng.uniform(0.2, 0.6)))
    small = Image.merge("RGB", ramps)
    return small.resize((w, h), Image.BILINEAR)


def shapes(img, rng):
    w, h = img.size
    draw = ImageDraw.Draw(img)
    for _ in range(rng.randint(12, 30)):
        x, y = rng.randrange(w), rng.randrange(h)
        r = rng.randint(min(w, h) // 40, min(w, h) // 6)
        colour = tuple(rng.randrange(256) for _ in range(3))
        kind = rng.randrange(3)
        if kind == 0:
            draw.ellipse((x - r, y - r, x + r, y + r), fill=colour)
        elif kind == 1:
            draw.rectangle((x - r, y - r // 2, x + r, y + r // 2), fill=colour)
        else:
            pts = [(x + r * math.cos(a), y + r * math.sin(a))
                   for a in (rng.uniform(0, 2 * math.pi) for _ in range(3))]
            draw.polygon(pts, fill=colour)
    # Thin lines like branches and wires.
    for _ in range(rng.randint(10, 40)):
        draw.line([(rng.randrange(w), rng.randrange(h)) for _ in range(2)],
                  fill=tuple(rng.randrange(256) for _ in range(3)), width=rng.randint(1, 6))


def grain(img, rng):
    """Sensor-like noise: a small noise tile, tiled and softened, added per channel."""
    w, h = img.size
    tile = Image.effect_noise((512, 512), rng.uniform(18, 30)).convert("RGB")
    noise = Image.new("RGB", (w, h))
    for ty in range(0, h, 512):
        for tx in range(0, w, 512):
            noise.paste(tile.rotate(90 * ((tx + ty) // 512 % 4)), (tx, ty))
    noise = noise.filter(ImageFilter.GaussianBlur(0.6))
    # Noise centred on 128: added around the picture's own values.
    return ImageChops.add(img, noise, 1.0, -128)


def is_progressive(i):
    """Two in five, spread over the sizes: entries 1 and 3 of every five."""
    return i % 5 in (1, 3)


def photo(size, rng):
    img = gradient(size, rng)
    shapes(img, rng)
    return grain(img, rng)


def make_folder(folder, count, mp_low, mp_high, seed):
    """COUNT photos from MP_LOW to MP_HIGH megapixels into FOLDER."""
    os.makedirs(folder, exist_ok=True)
    rng = random.Random(seed)
    shapes_of = ((4, 3), (3, 4), (3, 2), (16, 9))
    for i in range(count):
        mp = mp_low + (mp_high - mp_low) * i / max(1, count - 1)
        aw, ah = shapes_of[i % len(shapes_of)]
        w = int(math.sqrt(mp * 1e6 * aw / ah)) // 8 * 8
        h = int(w * ah / aw) // 8 * 8
        img = photo((w, h), rng)
        progressive = is_progressive(i)
        name = "photo%02d_%dx%d%s.jpg" % (i + 1, w, h, "_p" if progressive else "")
        img.save(os.path.join(folder, name), "JPEG", quality=rng.choice((85, 90, 92)),
                 progressive=progressive, subsampling=SUBSAMPLINGS[i % len(SUBSAMPLINGS)])


def main():
    folder = sys.argv[1]
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 30
    if os.path.exists(os.path.join(folder, STAMP)):
        return
    # Pictures of an earlier version would be measured with these.
    for old in glob.glob(os.path.join(folder, "*.jpg")) + glob.glob(os.path.join(folder, ".thumb-pictures-*")):
        os.remove(old)
    make_folder(folder, count, 2.0, 24.0, 20261206)
    open(os.path.join(folder, STAMP), "w").close()


if __name__ == "__main__":
    main()
