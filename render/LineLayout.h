#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

// The insertion mark is a bar this many pixels wide that takes up room in the
// line itself.
constexpr int32_t CursorWidth = 2;

// One unit of the text drawn with its character cell's top left corner at
// (x, y).
struct GlyphPlacement {
    uint32_t index = 0;
    char16_t unit = 0;
    int64_t x = 0;
    int64_t y = 0;
    int32_t width = 0;

    friend bool operator==(const GlyphPlacement&, const GlyphPlacement&) = default;
};

// The rectangle whose pixels the insertion mark inverts, right and bottom
// exclusive.
struct MarkPlacement {
    int64_t left = 0;
    int64_t top = 0;
    int64_t right = 0;
    int64_t bottom = 0;

    friend bool operator==(const MarkPlacement&, const MarkPlacement&) = default;
};

// Where one run of the renderer puts everything, in drawing order: the glyphs
// glyphs[0 .. glyphsBeforeMark) come first, then the mark, then the rest. The
// order matters because the mark inverts whatever lies under it at that time.
struct LineLayout {
    std::vector<GlyphPlacement> glyphs;
    std::optional<MarkPlacement> mark;
    size_t glyphsBeforeMark = 0;
};

// Lays the text out from the right edge W leftwards, wrapping when a glyph or
// the mark would start left of 0 and at every U+000D and U+000A, with the mark
// in front of the unit at CursorPos. text is zero-terminated; the layout goes
// on one unit past its end with a U+0020, the space that the renderer's copy
// of the text always ends in, so that a CursorPos equal to the text's length
// is reached too. Reading the text in place rather than copying it keeps the
// cost of a run independent of how much text lies beyond the bitmap.
//
// Once a line starts at or below bitmapHeight nothing later can reach the
// bitmap (lines only move down), so the layout stops there; what it yields is
// exactly the visible prefix of the unbounded layout. widthOf is asked at most
// once per distinct unit.
LineLayout LayOutLine(const char16_t* text, int32_t CursorPos, int32_t W, int32_t LineHeight, int64_t bitmapHeight,
                      const std::function<int32_t(char16_t)>& widthOf);
