#!/usr/bin/env python3
"""Turns the pixel text of bitmaps.txt into the viewer's .bmp and .ico files.

    make_bitmaps.py [OUT_DIR]             write the files (default: beside this script)
    make_bitmaps.py --check OUT_DIR REF   write them into OUT_DIR and fail unless each
                                          equals the committed file in REF

The bitmaps are 24-bit bottom-up BMPs; a bitmap of several images holds them
side by side, the first at the left. An icon is one image as a 32-bit .ico
whose magenta pixels are transparent."""
import os
import struct
import sys

import make_icon

HERE = os.path.dirname(os.path.abspath(__file__))


class ArtError(Exception):
    pass


def parse(path):
    colours, images, bitmaps, icons = {}, {}, [], []
    lines = open(path, encoding='utf-8').read().split('\n')
    i = 0
    while i < len(lines):
        line = lines[i].rstrip()
        i += 1
        if not line or line.startswith('#'):
            continue
        words = line.split()
        where = '%s:%d' % (os.path.basename(path), i)
        if words[0] == 'colour' and len(words) == 3:
            colours[words[1]] = tuple(int(words[2][k:k + 2], 16) for k in (0, 2, 4))
        elif words[0] == 'image' and len(words) in (3, 5):
            name = words[1]
            w, h = (int(v) for v in words[2].split('x'))
            if len(words) == 5:
                if words[3] != 'mirror' or words[4] not in images:
                    raise ArtError('%s: unknown mirror source' % where)
                src = images[words[4]]
                if len(src) != h or len(src[0]) != w:
                    raise ArtError('%s: mirror of another size' % where)
                images[name] = [row[::-1] for row in src]
                continue
            rows = [r.rstrip() for r in lines[i:i + h]]
            i += h
            for n, row in enumerate(rows):
                if len(row) != w:
                    raise ArtError('%s: row %d of %s is %d wide, not %d' % (where, n, name, len(row), w))
                unknown = set(row) - set(colours)
                if unknown:
                    raise ArtError('%s: %s uses undefined colours %s' % (where, name, ''.join(sorted(unknown))))
            images[name] = rows
        elif words[0] == 'bitmap' and len(words) >= 3:
            parts = words[2:]
            missing = [p for p in parts if p not in images]
            if missing:
                raise ArtError('%s: unknown images %s' % (where, ' '.join(missing)))
            if len({(len(images[p][0]), len(images[p])) for p in parts}) != 1:
                raise ArtError('%s: images of %s differ in size' % (where, words[1]))
            bitmaps.append((words[1], parts))
        elif words[0] == 'icon' and len(words) == 3:
            if words[2] not in images:
                raise ArtError('%s: unknown image %s' % (where, words[2]))
            rows = images[words[2]]
            if len(rows) != len(rows[0]):
                raise ArtError('%s: icon %s is not square' % (where, words[2]))
            icons.append((words[1], words[2]))
        else:
            raise ArtError('%s: cannot read "%s"' % (where, line))
    return colours, images, bitmaps, icons


def icon(colours, rows):
    """A one-size .ico of the pixel text; magenta is transparent."""
    def draw(x, y, n):
        c = colours[rows[y][x]]
        return (0, 0, 0, 0) if c == (255, 0, 255) else c + (255,)
    return make_icon.ico([len(rows)], draw)


def bmp(colours, strips):
    h = len(strips[0])
    rows = [''.join(strip[y] for strip in strips) for y in range(h)]
    w = len(rows[0])
    stride = (w * 3 + 3) & ~3
    pixels = b''
    for row in reversed(rows):  # bottom-up
        line = b''.join(bytes((colours[c][2], colours[c][1], colours[c][0])) for c in row)
        pixels += line + b'\0' * (stride - len(line))
    info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    header = struct.pack('<2sIHHI', b'BM', 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    return header + info + pixels


def write_all(out_dir):
    colours, images, bitmaps, icons = parse(os.path.join(HERE, 'bitmaps.txt'))
    os.makedirs(out_dir, exist_ok=True)
    names = []
    for name, parts in bitmaps:
        with open(os.path.join(out_dir, name), 'wb') as f:
            f.write(bmp(colours, [images[p] for p in parts]))
        names.append(name)
    for name, image in icons:
        with open(os.path.join(out_dir, name), 'wb') as f:
            f.write(icon(colours, images[image]))
        names.append(name)
    return names


def main(argv):
    try:
        if len(argv) == 4 and argv[1] == '--check':
            names = write_all(argv[2])
            stale = [n for n in names
                     if not os.path.exists(os.path.join(argv[3], n))
                     or open(os.path.join(argv[2], n), 'rb').read() != open(os.path.join(argv[3], n), 'rb').read()]
            for n in stale:
                print('%s differs from its pixel text: run make_bitmaps.py and commit it' % n)
            print('%d files, %d differ' % (len(names), len(stale)))
            return 1 if stale else 0
        out = argv[1] if len(argv) == 2 else HERE
        print('wrote %d files' % len(write_all(out)))
        return 0
    except (ArtError, OSError, ValueError) as e:
        print('error: %s' % e)
        return 2


if __name__ == '__main__':
    sys.exit(main(sys.argv))
