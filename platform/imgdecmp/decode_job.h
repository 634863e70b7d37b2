// Everything one decode acquires, kept in one record (not in stack frames)
// so that the cleanup after a caught fault can release it: the data source,
// the output, the readers' scratch memory and the WIC route's objects.
#pragma once

#include <stdint.h>
#include <stdlib.h>

#include "platform/imgdecmp/data_source.h"
#include "platform/imgdecmp/decode_output.h"

struct IWICImagingFactory;
struct IWICBitmapDecoder;
struct IWICBitmapFrameDecode;
struct IWICFormatConverter;
struct IStream;

struct DecodeJob
{
    DataSource src;
    HRESULT hr;
    DecodeOutput out;

    // Scratch memory (malloc) of the readers.
    void* pScratch;
    void* pScratch2;

    // WIC route.
    bool bComInitialized;
    IWICImagingFactory* pFactory;
    IStream* pStream;
    IWICBitmapDecoder* pDecoder;
    IWICBitmapFrameDecode* pFrame;
    IWICFormatConverter* pConverter;
};

// Scratch allocation checked for overflow: count x size bytes.
inline void* AllocScratch(size_t nCount, size_t cbSize)
{
    if (cbSize != 0 && nCount > SIZE_MAX / cbSize)
        return NULL;
    return malloc(nCount * cbSize);
}
