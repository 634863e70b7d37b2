// What a GIF must pass before WIC's decoder sees it.
#pragma once

#include <windows.h>
#include <stddef.h>

// False for a GIF that WIC's decoder would fail on after allocating its
// frames: a frame larger than its screen, a block cut by the end of the
// file, LZW data that ends, stops or goes wrong before the frame's last pixel.
bool GifPassesCheck(const BYTE* pb, size_t cb, int nWidth, int nHeight);
