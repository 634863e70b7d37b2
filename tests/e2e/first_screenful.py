#!/usr/bin/python3
"""Taps a point of the X display and times how long it takes until every
given screen point shows a clearly coloured pixel (a picture's, not the grey,
white or black of an empty cell). Reads the pixels straight from the X server
every few milliseconds; screenshots would be far too slow for this.

    first_screenful.py TAP_X TAP_Y X,Y [X,Y ...]   prints the seconds, or fails
                                                   after 20 s
"""
import ctypes
import ctypes.util
import os
import subprocess
import sys
import time


class XImage(ctypes.Structure):
    _fields_ = [('width', ctypes.c_int), ('height', ctypes.c_int), ('xoffset', ctypes.c_int),
                ('format', ctypes.c_int), ('data', ctypes.c_void_p), ('byte_order', ctypes.c_int),
                ('bitmap_unit', ctypes.c_int), ('bitmap_bit_order', ctypes.c_int), ('bitmap_pad', ctypes.c_int),
                ('depth', ctypes.c_int), ('bytes_per_line', ctypes.c_int), ('bits_per_pixel', ctypes.c_int),
                ('red_mask', ctypes.c_ulong), ('green_mask', ctypes.c_ulong), ('blue_mask', ctypes.c_ulong)]


def channel(value, mask):
    shift = (mask & -mask).bit_length() - 1
    return ((value & mask) >> shift) * 255 // (mask >> shift)


def main(argv):
    tap = (int(argv[1]), int(argv[2]))
    points = [tuple(int(v) for v in p.split(',')) for p in argv[3:]]
    x11 = ctypes.cdll.LoadLibrary(ctypes.util.find_library('X11'))
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XDefaultRootWindow.restype = ctypes.c_ulong
    x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    x11.XGetImage.restype = ctypes.POINTER(XImage)
    x11.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                              ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
    x11.XGetPixel.restype = ctypes.c_ulong
    x11.XGetPixel.argtypes = [ctypes.POINTER(XImage), ctypes.c_int, ctypes.c_int]
    x11.XDestroyImage.argtypes = [ctypes.POINTER(XImage)]
    display = x11.XOpenDisplay(os.environ['DISPLAY'].encode())
    if not display:
        print('cannot open the display')
        return 2
    root = x11.XDefaultRootWindow(display)

    def coloured(image, x, y):
        value = x11.XGetPixel(image, x, y)
        im = image.contents
        rgb = [channel(value, m) for m in (im.red_mask, im.green_mask, im.blue_mask)]
        return max(rgb) - min(rgb) > 60

    def filled():
        image = x11.XGetImage(display, root, 0, 0, 240, 320, 0xFFFFFFFF, 2)  # ZPixmap
        try:
            return all(coloured(image, x, y) for x, y in points)
        finally:
            x11.XDestroyImage(image)

    subprocess.run(['xdotool', 'mousemove', str(tap[0]), str(tap[1])], check=True)
    # xdotool holds the button for about 100 ms; the tree acts on the press,
    # so the polling starts with the click, not after it.
    start = time.monotonic()
    click = subprocess.Popen(['xdotool', 'click', '1'])
    try:
        while time.monotonic() - start < 20:
            if filled():
                print('%.3f' % (time.monotonic() - start))
                return 0
            time.sleep(0.002)
        print('never')
        return 1
    finally:
        click.wait()


if __name__ == '__main__':
    sys.exit(main(sys.argv))
