// EXIF blocks built byte by byte: entries in the first, the EXIF and the
// second directory (with the preview), in either byte order.
#pragma once

#include <stdint.h>
#include <vector>

#include "tests/support/pictures.h"

enum ExifDir { DIR_0, DIR_EXIF, DIR_1 };

class ExifBlockBuilder
{
public:
    explicit ExifBlockBuilder(bool bBigEndian = false) : m_bBig(bBigEndian) {}

    // An entry whose value is given as bytes already in the block's order.
    void Raw(ExifDir dir, uint16_t tag, uint16_t type, uint32_t count, const Bytes& value)
    {
        m_dirs[dir].push_back({tag, type, count, value});
    }
    void Long(ExifDir dir, uint16_t tag, uint32_t value);
    void Ascii(ExifDir dir, uint16_t tag, const char* psz);
    // The preview, stored after the directories, with its place in DIR_1.
    void Preview(const Bytes& jpeg) { m_preview = jpeg; }
    // What a camera-photo reader looks at: orientation, date taken, make
    // and model (null or 0: left out).
    void Camera(int nOrientation, const char* pszTaken, const char* pszMake, const char* pszModel);

    // "Exif\0\0" and the TIFF structure.
    Bytes Block() const;

    void Put16(Bytes* p, size_t at, uint32_t v) const;
    void Put32(Bytes* p, size_t at, uint32_t v) const;

private:
    struct Entry
    {
        uint16_t tag, type;
        uint32_t count;
        Bytes value;
    };
    std::vector<Entry> Sorted(ExifDir dir) const;

    bool m_bBig;
    std::vector<Entry> m_dirs[3];
    Bytes m_preview;
};

// The JPEG with an APP1 segment holding block right after its start marker.
Bytes WithApp1(const Bytes& jpeg, const Bytes& block);
