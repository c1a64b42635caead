#pragma once

#include <cstddef>
#include <cstdint>

// The fields of a font's OS/2 table up to those of version 2, in the table's
// order. The two range fields keep the table's big-endian words as bytes.
struct OS2Tbl {
    uint16_t version = 0;
    int16_t xAvgCharWidth = 0;
    uint16_t usWeightClass = 0;
    uint16_t usWidthClass = 0;
    uint16_t fsType = 0;
    int16_t ySubscriptXSize = 0;
    int16_t ySubscriptYSize = 0;
    int16_t ySubscriptXOffset = 0;
    int16_t ySubscriptYOffset = 0;
    int16_t ySuperscriptXSize = 0;
    int16_t ySuperscriptYSize = 0;
    int16_t ySuperscriptXOffset = 0;
    int16_t ySuperscriptYOffset = 0;
    int16_t yStrikeoutSize = 0;
    int16_t yStrikeoutPosition = 0;
    int16_t sFamilyClass = 0;
    uint8_t panose[10] = {};
    uint8_t ulUnicodeRange[16] = {};  // ulUnicodeRange1..4 as stored
    uint8_t achVendID[4] = {};
    uint16_t fsSelection = 0;
    uint16_t usFirstCharIndex = 0;
    uint16_t usLastCharIndex = 0;
    int16_t sTypoAscender = 0;
    int16_t sTypoDescender = 0;
    int16_t sTypoLineGap = 0;
    uint16_t usWinAscent = 0;
    uint16_t usWinDescent = 0;
    uint8_t ulCodePageRange[8] = {};  // version 1 on; ulCodePageRange1..2 as stored
    int16_t sxHeight = 0;             // version 2 on
    int16_t sCapHeight = 0;
    uint16_t usDefaultChar = 0;
    uint16_t usBreakChar = 0;
    uint16_t usMaxContext = 0;

    OS2Tbl() = default;
    OS2Tbl(const uint8_t* data, size_t size);
};
