#include "platform/aygshell/menu_bar_resource.h"

namespace {

const size_t kHeaderWords = 2;
const size_t kButtonWords = 6;

uint16_t Word(const uint8_t* p, size_t nIndex)
{
    return static_cast<uint16_t>(p[2 * nIndex] | (p[2 * nIndex + 1] << 8));
}

} // namespace

bool ParseMenuBarResource(const void* pData, size_t cbData, MenuBarDef* pDef)
{
    pDef->nMenuId = 0;
    pDef->buttons.clear();
    if (!pData || cbData < 2 * kHeaderWords)
        return false;

    const uint8_t* p = static_cast<const uint8_t*>(pData);
    size_t nButtons = Word(p, 1);
    // Resource data may be padded, so more bytes than needed are fine.
    if (cbData / 2 < kHeaderWords + nButtons * kButtonWords)
        return false;

    MenuBarDef def;
    def.nMenuId = Word(p, 0);
    for (size_t i = 0; i < nButtons; ++i)
    {
        size_t w = kHeaderWords + i * kButtonWords;
        uint16_t nState = Word(p, w + 2);
        uint16_t nStyle = Word(p, w + 3);
        if (nState > 0xFF || nStyle > 0xFF)
            return false;
        MenuBarButtonDef b;
        b.nImage = static_cast<int16_t>(Word(p, w));
        b.nCommand = Word(p, w + 1);
        b.bState = static_cast<uint8_t>(nState);
        b.bStyle = static_cast<uint8_t>(nStyle);
        b.nString = Word(p, w + 4);
        b.nSubMenu = Word(p, w + 5);
        def.buttons.push_back(b);
    }
    *pDef = def;
    return true;
}
