#include "tests/support/exif_blocks.h"

#include <algorithm>
#include <string.h>

namespace {

const uint16_t kTagExifDir = 0x8769, kTagPreviewAt = 0x0201, kTagPreviewLength = 0x0202, kTagCompression = 0x0103;
const uint16_t kShort = 3, kLong = 4, kAscii = 2;

// Bytes per value of each TIFF type (1 to 12); unknown types take one.
size_t TypeSize(uint16_t type)
{
    static const uint8_t kSizes[13] = {1, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};
    return type < 13 ? kSizes[type] : 1;
}

void PadToEven(Bytes* p)
{
    if (p->size() & 1)
        p->push_back(0);
}

} // namespace

void ExifBlockBuilder::Put16(Bytes* p, size_t at, uint32_t v) const
{
    (*p)[at + (m_bBig ? 0 : 1)] = static_cast<uint8_t>(v >> 8);
    (*p)[at + (m_bBig ? 1 : 0)] = static_cast<uint8_t>(v);
}

void ExifBlockBuilder::Put32(Bytes* p, size_t at, uint32_t v) const
{
    for (int i = 0; i < 4; i++)
        (*p)[at + (m_bBig ? 3 - i : i)] = static_cast<uint8_t>(v >> (8 * i));
}

void ExifBlockBuilder::Long(ExifDir dir, uint16_t tag, uint32_t value)
{
    Bytes b(4);
    Put32(&b, 0, value);
    Raw(dir, tag, kLong, 1, b);
}

void ExifBlockBuilder::Ascii(ExifDir dir, uint16_t tag, const char* psz)
{
    Raw(dir, tag, kAscii, static_cast<uint32_t>(strlen(psz) + 1), Bytes(psz, psz + strlen(psz) + 1));
}

void ExifBlockBuilder::Camera(int nOrientation, const char* pszTaken, const char* pszMake, const char* pszModel)
{
    if (nOrientation)
    {
        Bytes b(2);
        Put16(&b, 0, static_cast<uint16_t>(nOrientation));
        Raw(DIR_0, 0x0112, kShort, 1, b);
    }
    if (pszMake)
        Ascii(DIR_0, 0x010F, pszMake);
    if (pszModel)
        Ascii(DIR_0, 0x0110, pszModel);
    if (pszTaken)
        Ascii(DIR_EXIF, 0x9003, pszTaken);
}

// A directory's entries by tag, with the entries the layout points: the
// EXIF directory's place, and the preview's compression, place and length.
std::vector<ExifBlockBuilder::Entry> ExifBlockBuilder::Sorted(ExifDir dir) const
{
    std::vector<Entry> entries = m_dirs[dir];
    if (dir == DIR_0 && !m_dirs[DIR_EXIF].empty())
        entries.push_back({kTagExifDir, kLong, 1, Bytes(4)});
    if (dir == DIR_1 && !m_preview.empty())
    {
        Bytes jpeg(2);
        Put16(&jpeg, 0, 6);
        entries.push_back({kTagCompression, kShort, 1, jpeg});
        entries.push_back({kTagPreviewAt, kLong, 1, Bytes(4)});
        entries.push_back({kTagPreviewLength, kLong, 1, Bytes(4)});
    }
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.tag < b.tag; });
    return entries;
}

// Directories first, one after another, then the values that do not fit in
// an entry, then the preview.
Bytes ExifBlockBuilder::Block() const
{
    std::vector<Entry> dirs[3] = {Sorted(DIR_0), Sorted(DIR_EXIF), Sorted(DIR_1)};
    size_t dirAt[3] = {}, at = 8;
    for (int d = 0; d < 3; d++)
        if (d == DIR_0 || !dirs[d].empty())
            dirAt[d] = at, at += 2 + 12 * dirs[d].size() + 4;
    Bytes tiff(at);
    tiff[0] = tiff[1] = m_bBig ? 'M' : 'I';
    Put16(&tiff, 2, 42);
    Put32(&tiff, 4, 8);
    size_t previewAtEntry = 0, previewLengthEntry = 0;
    for (int d = 0; d < 3; d++)
    {
        if (d != DIR_0 && dirs[d].empty())
            continue;
        size_t e = dirAt[d] + 2;
        Put16(&tiff, dirAt[d], static_cast<uint32_t>(dirs[d].size()));
        for (const Entry& entry : dirs[d])
        {
            Put16(&tiff, e, entry.tag);
            Put16(&tiff, e + 2, entry.type);
            Put32(&tiff, e + 4, entry.count);
            Bytes value = entry.value;
            if (d == DIR_0 && entry.tag == kTagExifDir)
                Put32(&value, 0, static_cast<uint32_t>(dirAt[DIR_EXIF]));
            previewAtEntry = d == DIR_1 && entry.tag == kTagPreviewAt ? e + 8 : previewAtEntry;
            previewLengthEntry = d == DIR_1 && entry.tag == kTagPreviewLength ? e + 8 : previewLengthEntry;
            if (TypeSize(entry.type) * entry.count <= 4)
                memcpy(&tiff[e + 8], value.data(), std::min<size_t>(4, value.size()));
            else
            {
                PadToEven(&tiff);   // values out of line start on an even offset
                Put32(&tiff, e + 8, static_cast<uint32_t>(tiff.size()));
                tiff.insert(tiff.end(), value.begin(), value.end());
            }
            e += 12;
        }
        // The link to the next directory: only the first one has a next.
        Put32(&tiff, e, d == DIR_0 && !dirs[DIR_1].empty() ? static_cast<uint32_t>(dirAt[DIR_1]) : 0);
    }
    if (!m_preview.empty())
    {
        PadToEven(&tiff);
        Put32(&tiff, previewAtEntry, static_cast<uint32_t>(tiff.size()));
        Put32(&tiff, previewLengthEntry, static_cast<uint32_t>(m_preview.size()));
        tiff.insert(tiff.end(), m_preview.begin(), m_preview.end());
    }
    Bytes block = {'E', 'x', 'i', 'f', 0, 0};
    block.insert(block.end(), tiff.begin(), tiff.end());
    return block;
}

Bytes WithApp1(const Bytes& jpeg, const Bytes& block)
{
    const size_t cb = block.size() + 2;
    Bytes out = {jpeg[0], jpeg[1], 0xFF, 0xE1, static_cast<uint8_t>(cb >> 8), static_cast<uint8_t>(cb)};
    out.insert(out.end(), block.begin(), block.end());
    out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
    return out;
}
