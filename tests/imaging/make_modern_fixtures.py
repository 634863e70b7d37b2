#!/usr/bin/env python3
"""Writes the WebP, HEIC and AVIF pictures the decoder tests read, through
Debian's encoders (cwebp, img2webp, webpmux, heif-enc, avifenc), and beside
each the reference decoder's pixels (dwebp, heif-convert) as a PPM.

    make_modern_fixtures.py OUT_DIR"""
import os
import subprocess
import sys

from PIL import Image

OUT = sys.argv[1]
os.makedirs(OUT, exist_ok=True)


def path(name):
    return os.path.join(OUT, name)


def run(*args):
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def quad(w, h, mode='RGB'):
    """Red, green / blue, white quarters."""
    img = Image.new(mode, (w, h), 'white')
    for i, colour in enumerate(('red', 'lime', 'blue')):
        img.paste(colour, ((i % 2) * (w // 2), (i // 2) * (h // 2), (i % 2 + 1) * (w // 2), (i // 2 + 1) * (h // 2)))
    return img


def exif(orientation, taken=None, make=None, model=None):
    e = Image.Exif()
    e[0x0112] = orientation
    if make:
        e[0x010F], e[0x0110] = make, model
    if taken:
        e[0x0132] = taken
    return e.tobytes()   # "Exif\0\0" and the TIFF structure


def write(name, data):
    open(path(name), 'wb').write(data)


quad(64, 48).save(path('q.png'))
quad(640, 480).save(path('q640.png'))
half = quad(64, 48, 'RGBA')
half.paste((0, 0, 255, 0), (32, 0, 64, 24))
half.paste((0, 0, 255, 128), (32, 24, 64, 48))
half.save(path('alpha_source.png'))
Image.new('RGB', (40, 30), (255, 0, 0)).save(path('red.png'))
Image.new('RGB', (40, 30), (0, 0, 255)).save(path('blue.png'))
write('exif6.bin', exif(6))
# The TIFF structure alone, as avifenc and webpmux store it.
write('camera.bin', exif(6, '2024:05:17 09:30:15', 'Ombrix', 'Ombrix Phone 7')[6:])

run('cwebp', '-quiet', '-q', '80', path('q.png'), '-o', path('q.webp'))
run('dwebp', '-quiet', path('q.webp'), '-ppm', '-o', path('q_webp.ppm'))
run('cwebp', '-quiet', '-q', '80', path('q640.png'), '-o', path('q640.webp'))
run('cwebp', '-quiet', '-lossless', '-exact', path('alpha_source.png'), '-o', path('alpha.webp'))
run('img2webp', '-lossless', path('red.png'), '-d', '100', path('blue.png'), '-o', path('anim.webp'))
run('webpmux', '-set', 'exif', path('camera.bin'), path('q.webp'), '-o', path('exif6.webp'))

run('heif-enc', '-q', '90', '-t', '320', path('q640.png'), '-o', path('q.heic'))
run('heif-convert', path('q.heic'), path('q_heic.png'))
run('heif-enc', '-q', '90', '-t', '40', path('q640.png'), '-o', path('small_thumb.heic'))
# Stored turned a quarter (irot) with a stale EXIF orientation beside it,
# as phones write them; 10 bits a sample; and one with the camera's block.
run('avifenc', '-s', '8', '--irot', '1', '--exif', path('exif6.bin'), path('q.png'), path('rot.avif'))
run('heif-convert', path('rot.avif'), path('rot_avif.png'))
run('avifenc', '-s', '8', '-d', '10', path('q.png'), path('deep.avif'))
run('avifenc', '-s', '8', '--exif', path('camera.bin'), path('q.png'), path('camera.avif'))
for name in ('q_heic', 'rot_avif'):
    Image.open(path(name + '.png')).convert('RGB').save(path(name + '.ppm'))
for name in ('q.webp', 'q.heic'):
    data = open(path(name), 'rb').read()
    write('cut_' + name, data[:len(data) // 2])
