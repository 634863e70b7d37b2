// Reading menu-bar resources: the bytes come from the module, but a bad
// count must never read past them.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/aygshell/menu_bar_resource.h"

namespace {

std::vector<uint8_t> Bytes(std::initializer_list<uint16_t> words)
{
    std::vector<uint8_t> out;
    for (uint16_t w : words)
    {
        out.push_back(static_cast<uint8_t>(w & 0xFF));
        out.push_back(static_cast<uint8_t>(w >> 8));
    }
    return out;
}

TEST(MenuBarResourceTest, ReadsButtonsAndRejectsWhatDoesNotFit)
{
    std::vector<uint8_t> good = Bytes({149, 2, 0xFFFE, 40057, 4, 0, 40057, 0, 3, 40089, 0x0C, 0, 0, 0xFFFF});
    MenuBarDef def;
    ASSERT_TRUE(ParseMenuBarResource(good.data(), good.size(), &def));
    EXPECT_EQ(149, def.nMenuId);
    ASSERT_EQ(2u, def.buttons.size());
    EXPECT_EQ(-2, def.buttons[0].nImage);
    EXPECT_EQ(0, def.buttons[0].nSubMenu);
    EXPECT_EQ(40089, def.buttons[1].nCommand);
    EXPECT_EQ(0x0C, def.buttons[1].bState);
    EXPECT_EQ(0xFFFF, def.buttons[1].nSubMenu);

    // Padding after the last button is harmless.
    good.push_back(0);
    good.push_back(0);
    EXPECT_TRUE(ParseMenuBarResource(good.data(), good.size(), &def));

    // A count larger than the data, a half header, a state beyond a byte.
    std::vector<uint8_t> longCount = Bytes({149, 3, 0xFFFE, 40057, 4, 0, 40057, 0});
    EXPECT_FALSE(ParseMenuBarResource(longCount.data(), longCount.size(), &def));
    EXPECT_TRUE(def.buttons.empty());
    EXPECT_FALSE(ParseMenuBarResource(longCount.data(), 3, &def));
    EXPECT_FALSE(ParseMenuBarResource(nullptr, 0, &def));
    std::vector<uint8_t> wideState = Bytes({0, 1, 0, 1, 0x104, 0, 0, 0xFFFF});
    EXPECT_FALSE(ParseMenuBarResource(wideState.data(), wideState.size(), &def));
}

} // namespace
