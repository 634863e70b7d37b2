"""The fault suite's pictures and checks.
make DIR N [SIDE NOISE]: p000.jpg.. of colours 0..N-1; paint FILE K: one of colour k.
cache CACHE PICS DEV: for each picture the cached thumbnail the viewer would take (DEV names PICS
as the viewer does), the cache's files that are not whole thumbnails, its records.
grid SHOT PICS X Y H S: the grid's whole cells at client (X, Y), H high, scrolled by S.
centre-is SHOT K: the middle of the main window shows colour k."""
import os
import struct
import sys

from PIL import Image, ImageChops

RECORD = 548
EPOCH_TICKS = 116444736000000000  # 1601 to 1970 in 100-ns units


def colour(k):  # 216 colours, 40 apart in each channel
    return (20 + 40 * (k % 6), 20 + 40 * (k // 6 % 6), 20 + 40 * (k // 36 % 6))


def paint(path, k, side=300, noise=0):
    img = Image.new('RGB', (side, side * 3 // 4 if noise else side), colour(k))
    if noise:  # slower to decode, the same colour on average
        img = ImageChops.add(img, Image.effect_noise(img.size, noise).convert('RGB'), 1.0, -128)
    img.save(path + '.new', 'JPEG', quality=90)
    os.replace(path + '.new', path)


def centre(path_or_img):  # the mean colour of the middle half
    img = Image.open(path_or_img) if isinstance(path_or_img, str) else path_or_img
    w, h = img.size
    return img.convert('RGB').crop((w // 4, h // 4, w - w // 4, h - h // 4)).resize((1, 1), Image.BOX).getpixel((0, 0))


def near(a, b):
    return all(abs(x - y) <= 14 for x, y in zip(a, b))


def pictures(folder):
    return sorted(n for n in os.listdir(folder) if n.endswith('.jpg'))


def whole_jpeg(path):
    try:
        if not open(path, 'rb').read().endswith(b'\xff\xd9'):
            return None
        with Image.open(path) as img:
            img.load()
            return img.copy()
    except OSError:
        return None


def check_cache(cache, pics, dev):
    index = os.path.join(cache, 'index.tmb')
    data = open(index, 'rb').read() if os.path.exists(index) else b''
    newest = {}
    for k in range(1, len(data) // RECORD):  # record 0 says how thumbnails are made
        r = data[k * RECORD:(k + 1) * RECORD]
        slot, size, low, high = struct.unpack_from('<iIII', r, 524)
        newest[r[4:524].decode('utf-16-le', 'replace').split('\0')[0]] = (slot, size, low | high << 32)
    names = [n for n in os.listdir(cache) if n != 'index.tmb']
    files = {n: whole_jpeg(os.path.join(cache, n)) for n in names if n.startswith('pvx')}
    right = wrong = missing = 0
    for name in pictures(pics):
        st = os.stat(os.path.join(pics, name))
        slot, size, time = newest.get(dev + name, (0, -1, 0))
        thumb = files.get('pvx%d.pvx' % slot)
        if size != st.st_size or time != st.st_mtime_ns // 100 + EPOCH_TICKS or thumb is None:
            missing += 1
        elif near(centre(thumb), centre(os.path.join(pics, name))):
            right += 1
        else:
            wrong += 1
    partial = sum(1 for n in names if files.get(n) is None)
    print('right %d wrong %d missing %d partial %d records %d'
          % (right, wrong, missing, partial, max(len(data) // RECORD - 1, 0)))


def check_grid(shot, pics, x, y, h, scroll):
    img = Image.open(shot).convert('RGB')
    seen = []
    for i, name in enumerate(pictures(pics)):
        cx, cy = x + i % 3 * 74 + 40, y + i // 3 * 85 + 38 - scroll
        if y <= cy - 30 and cy + 30 <= y + h:
            seen.append(near(img.getpixel((cx, cy)), centre(os.path.join(pics, name))))
    print('right %d wrong %d' % (seen.count(True), seen.count(False)))


def main(cmd, *args):
    if cmd == 'make':
        os.makedirs(args[0], exist_ok=True)
        for k in range(int(args[1])):
            paint(os.path.join(args[0], 'p%03d.jpg' % k), k, *map(int, args[2:]))
    elif cmd == 'paint':
        paint(args[0], int(args[1]))
    elif cmd == 'cache':
        check_cache(*args)
    elif cmd == 'grid':
        check_grid(args[0], args[1], *map(int, args[2:]))
    elif cmd == 'centre-is':
        sys.exit(0 if near(Image.open(args[0]).convert('RGB').getpixel((120, 160)), colour(int(args[1]))) else 1)


main(*sys.argv[1:])
