#!/usr/bin/env python3
"""Draws the installer launcher's icon (setup.ico): a handheld with a green
arrow coming down onto its screen. Run it again to remake the file; the build
only reads the result. The .ico writer is the viewer's icon script's."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                '..', '..', 'viewer', 'resources', 'art'))
import make_icon as viewer_icon  # noqa: E402


def pixel(x, y, n):
    """Colour (r, g, b, a) of pixel (x, y) of an n x n icon, drawn in a
    1.0-unit design space so both sizes share one drawing."""
    u = (x + 0.5) / n
    v = (y + 0.5) / n
    # Arrow: a shaft and a head pointing down onto the screen.
    in_shaft = abs(u - 0.5) < 0.07 and 0.03 < v < 0.34
    in_head = 0.30 <= v < 0.50 and abs(u - 0.5) < (0.50 - v) * 1.1
    if in_shaft or in_head:
        return (40, 170, 70, 255)
    # Handheld body: portrait, with rounded corners cut off.
    left, right, top, bottom = 0.24, 0.76, 0.40, 0.97
    corner = 0.06
    if left <= u <= right and top <= v <= bottom:
        dx = max(left + corner - u, u - (right - corner), 0)
        dy = max(top + corner - v, v - (bottom - corner), 0)
        if dx * dx + dy * dy > corner * corner:
            return (0, 0, 0, 0)
        # Screen, with the arrow's shadow falling on it.
        if 0.31 <= u <= 0.69 and 0.47 <= v <= 0.82:
            if abs(u - 0.5) < 0.09 and v < 0.56:
                return (60, 110, 160, 255)
            return (150, 205, 240, 255)
        # A round button below the screen.
        if (u - 0.5) ** 2 + (v - 0.89) ** 2 < 0.04 ** 2:
            return (200, 200, 210, 255)
        return (45, 48, 62, 255)
    return (0, 0, 0, 0)


if __name__ == '__main__':
    path = sys.argv[1] if len(sys.argv) > 1 else 'setup.ico'
    with open(path, 'wb') as f:
        f.write(viewer_icon.ico([32, 16], pixel))
