#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "KeybLayout.h"

namespace {

std::string Key(unsigned key)
{
    char text[16];
    std::snprintf(text, sizeof text, "key 0x%02X", key);
    return text;
}

// The built-in layout written out independently of the code under test:
// key, code without Ctrl+Alt, code with Ctrl+Alt (0 = nothing).
struct Row {
    unsigned key;
    uint16_t base;
    uint16_t ctrlAlt;
};

constexpr Row Expected[] = {
    {0x0D, 0x000D, 0},      // Enter
    {0x20, 0x0892, 0x0020}, // space bar
    {0x30, 0x0896, 0x0895}, // 0
    {0x31, 0, 0x0889},      // 1
    {0x32, 0, 0x088A},      // 2
    {0x33, 0, 0x088B},      // 3
    {0x34, 0, 0x088C},      // 4
    {0x35, 0, 0x088D},      // 5
    {0x36, 0, 0x088E},      // 6
    {0x37, 0x0874, 0},      // 7
    {0x38, 0x0875, 0},      // 8
    {0x39, 0x0876, 0},      // 9
    {0x41, 0x0860, 0},      // A
    {0x42, 0x0861, 0},      // B
    {0x43, 0x0862, 0x0863}, // C
    {0x44, 0x0864, 0},      // D
    {0x45, 0x0865, 0},      // E
    {0x46, 0x0867, 0},      // F
    {0x47, 0x0868, 0x0869}, // G
    {0x48, 0x086A, 0},      // H
    {0x49, 0x086B, 0},      // I
    {0x4A, 0x086C, 0},      // J
    {0x4B, 0x086D, 0},      // K
    {0x4C, 0x086F, 0x0870}, // L
    {0x4D, 0x0871, 0x0872}, // M
    {0x4E, 0x0873, 0x0878}, // N
    {0x4F, 0x0879, 0},      // O
    {0x50, 0x087B, 0x087C}, // P
    {0x51, 0x086E, 0},      // Q
    {0x52, 0x087D, 0},      // R
    {0x53, 0x087E, 0x0880}, // S
    {0x54, 0x0881, 0x0882}, // T
    {0x55, 0x0884, 0},      // U
    {0x56, 0x0886, 0},      // V
    {0x5A, 0x0887, 0x0888}, // Z
    {0xBA, 0x0866, 0},      // OEM_1
    {0xBB, 0x0877, 0},      // OEM_PLUS
    {0xBC, 0x088F, 0x0891}, // OEM_COMMA
    {0xBD, 0x0020, 0x0893}, // OEM_MINUS
    {0xBE, 0x0890, 0x0894}, // OEM_PERIOD
    {0xBF, 0x0885, 0},      // OEM_2
    {0xC0, 0x087A, 0},      // OEM_3
    {0xDC, 0x0897, 0},      // OEM_5
    {0xDE, 0x087F, 0},      // OEM_7
};

const Row* FindExpected(unsigned key)
{
    for (const Row& row : Expected)
        if (row.key == key)
            return &row;
    return nullptr;
}

TEST(KeybLayout, EveryKeyMatchesTheBuiltInTableAndOthersAreZero)
{
    const KeybLayout layout;
    for (unsigned key = 0; key < KeybLayout::Size; ++key) {
        SCOPED_TRACE(Key(key));
        const Row* row = FindExpected(key);
        const uint16_t base = row ? row->base : 0;
        const uint16_t ctrlAlt = row ? row->ctrlAlt : 0;
        EXPECT_EQ(layout.Base[key], base);
        EXPECT_EQ(layout.BaseShift[key], base);
        EXPECT_EQ(layout.CtrlAlt[key], ctrlAlt);
        EXPECT_EQ(layout.CtrlAltShift[key], ctrlAlt);
    }
}

TEST(KeybLayout, CapsLockNeverActsAsShift)
{
    const KeybLayout layout;
    for (unsigned key = 0; key < KeybLayout::Size; ++key) {
        EXPECT_FALSE(layout.CapsBase[key]) << Key(key);
        EXPECT_FALSE(layout.CapsCtrlAlt[key]) << Key(key);
    }
    EXPECT_TRUE(layout.Name.empty());
}

TEST(KeybLayout, KeysThatProduceNothing)
{
    const KeybLayout layout;
    // W, X, Y, the keypad digits, OEM_4, OEM_6, OEM_102 and the last index.
    const unsigned keys[] = {0x57, 0x58, 0x59, 0x60, 0x69, 0xDB, 0xDD, 0xE2, 0xFF};
    for (unsigned key : keys) {
        SCOPED_TRACE(Key(key));
        EXPECT_EQ(layout.Base[key], 0);
        EXPECT_EQ(layout.BaseShift[key], 0);
        EXPECT_EQ(layout.CtrlAlt[key], 0);
        EXPECT_EQ(layout.CtrlAltShift[key], 0);
    }
}

// The script's characters U+0860..U+0897 are all reachable except U+0883,
// which no key produces; nothing else outside space and Enter is produced.
TEST(KeybLayout, ProducesEveryScriptCodeButU0883)
{
    const KeybLayout layout;
    int producers[0x10000] = {};
    for (unsigned key = 0; key < KeybLayout::Size; ++key)
        for (const uint16_t* codes : {layout.Base, layout.BaseShift, layout.CtrlAlt, layout.CtrlAltShift})
            ++producers[codes[key]];

    for (unsigned code = 0x0860; code <= 0x0897; ++code) {
        if (code == 0x0883) {
            EXPECT_EQ(producers[code], 0) << "U+0883 must not be produced";
        } else {
            EXPECT_GT(producers[code], 0) << "no key produces U+" << std::hex << code;
        }
    }
    for (unsigned code = 1; code < 0x10000; ++code) {
        const bool allowed = code == 0x000D || code == 0x0020 || (code >= 0x0860 && code <= 0x0897);
        if (!allowed) {
            EXPECT_EQ(producers[code], 0) << "unexpected code U+" << std::hex << code;
        }
    }
}

TEST(KeybLayout, SpaceBarProducesTheSpacedCode)
{
    const KeybLayout layout;
    EXPECT_EQ(layout.Base[0x20], SpacedCode);
    EXPECT_EQ(SpacedCode, u'\u0892');
}

} // namespace
