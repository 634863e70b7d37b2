// Reading a menu-bar resource (format in aygshell.h). No window calls here,
// so a malformed resource can be tested on plain bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct MenuBarButtonDef
{
    int16_t nImage;       // I_IMAGENONE (-2) for text buttons and separators
    uint16_t nCommand;
    uint8_t bState;
    uint8_t bStyle;
    uint16_t nString;     // label of a text button, 0 for none
    uint16_t nSubMenu;    // NOSUBMENU for none
};

struct MenuBarDef
{
    uint16_t nMenuId;
    std::vector<MenuBarButtonDef> buttons;
};

// Fills def from size bytes. Returns false, leaving def empty, when the
// bytes are shorter than the button count says, or a state or style does not
// fit its byte.
bool ParseMenuBarResource(const void* pData, size_t cbData, MenuBarDef* pDef);
