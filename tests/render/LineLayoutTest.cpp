#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <map>
#include <string>

#include "LineLayout.h"

namespace {

constexpr char16_t Space = 0x0020, CR = 0x000D, LF = 0x000A;
// Letters of the script with distinct widths.
constexpr char16_t A = 0x0860, B = 0x0861, C = 0x0862, D = 0x0863;

int32_t WidthOf(char16_t unit)
{
    switch (unit) {
    case Space: return 10;
    case CR: case LF: return 6;
    case A: return 10;
    case B: return 14;
    case C: return 18;
    case D: return 22;
    default: return 20;
    }
}

constexpr int32_t LineHeight = 36;
constexpr int64_t Unbounded = std::numeric_limits<int64_t>::max();

LineLayout Lay(const std::u16string& text, int32_t CursorPos, int32_t W, int64_t bitmapHeight = Unbounded,
               int32_t lineHeight = LineHeight)
{
    return LayOutLine(text.c_str(), CursorPos, W, lineHeight, bitmapHeight, WidthOf);
}

struct Expected {
    const char* name;
    std::u16string text;
    int32_t CursorPos;
    int32_t W;
    std::vector<std::pair<int64_t, int64_t>> glyphs; // (x, y) of each unit and of the trailing space
    MarkPlacement mark;
    size_t glyphsBeforeMark;
};

TEST(LineLayout, PlacesGlyphsAndMarkExactly)
{
    const Expected rows[] = {
        // Empty text: the mark at the right edge, the trailing space after it.
        {"empty_text_mark_at_right_edge", u"", 0, 100, {{88, 0}}, {98, 0, 100, 36}, 0},
        // The mark before the glyph pushes it 2 pixels left.
        {"one_glyph_cursor_before", {A}, 0, 100, {{88, 0}, {78, 0}}, {98, 0, 100, 36}, 0},
        {"one_glyph_cursor_after", {A}, 1, 100, {{90, 0}, {78, 0}}, {88, 0, 90, 36}, 1},
        // A glyph that would start left of 0 begins the next line at W - w.
        {"glyph_wraps_to_next_line", {A, A, A}, 0, 27, {{15, 0}, {5, 0}, {17, 36}, {7, 36}}, {25, 0, 27, 36}, 0},
        // x = 0 still fits.
        {"glyph_ending_at_zero_fits", {A, A, A}, 0, 32, {{20, 0}, {10, 0}, {0, 0}, {22, 36}}, {30, 0, 32, 36}, 0},
        // U+000D starts a line at the right edge, the rest follows on it.
        {"carriage_return_starts_line", {A, CR, B}, 3, 100, {{90, 0}, {94, 36}, {80, 36}, {68, 36}},
         {78, 36, 80, 72}, 3},
        {"line_feed_starts_line", {A, LF, B}, 0, 100, {{88, 0}, {94, 36}, {80, 36}, {70, 36}}, {98, 0, 100, 36}, 0},
        // The mark at a U+000D takes a line of its own.
        {"mark_alone_on_line_at_carriage_return", {A, CR, B}, 1, 100, {{90, 0}, {94, 72}, {80, 72}, {70, 72}},
         {98, 36, 100, 72}, 1},
        // The mark that does not fit starts the next line; the glyph at the
        // insertion point follows it there.
        {"mark_that_does_not_fit_wraps", {A, A, B}, 2, 20, {{10, 0}, {0, 0}, {4, 36}, {10, 72}}, {18, 36, 20, 72}, 2},
        // A glyph wider than W starts a new line and hangs off the left edge.
        {"glyph_wider_than_width", {D}, 0, 10, {{-12, 36}, {0, 72}}, {8, 0, 10, 36}, 0},
    };
    for (const Expected& row : rows) {
        SCOPED_TRACE(row.name);
        const LineLayout layout = Lay(row.text, row.CursorPos, row.W);
        ASSERT_EQ(layout.glyphs.size(), row.glyphs.size());
        for (size_t i = 0; i < row.glyphs.size(); ++i) {
            EXPECT_EQ(layout.glyphs[i].index, i);
            EXPECT_EQ(layout.glyphs[i].x, row.glyphs[i].first) << "glyph " << i;
            EXPECT_EQ(layout.glyphs[i].y, row.glyphs[i].second) << "glyph " << i;
        }
        ASSERT_TRUE(layout.mark.has_value());
        EXPECT_EQ(*layout.mark, row.mark);
        EXPECT_EQ(layout.glyphsBeforeMark, row.glyphsBeforeMark);
    }
}

TEST(LineLayout, CursorOutsideTheTextDrawsNoMark)
{
    for (int32_t CursorPos : {-1, 2, std::numeric_limits<int32_t>::min()}) {
        const LineLayout layout = Lay({A}, CursorPos, 100);
        EXPECT_FALSE(layout.mark.has_value()) << CursorPos;
        ASSERT_EQ(layout.glyphs.size(), 2u);
        EXPECT_EQ(layout.glyphs[0].x, 90);
    }
}

// A long text with breaks and every width, so that lines end in all the ways.
std::u16string LongText(size_t length)
{
    const char16_t cycle[] = {A, B, C, D, A, Space, B, C, CR, D, A, A, LF, B};
    std::u16string text;
    for (size_t i = 0; i < length; ++i)
        text.push_back(cycle[(i * 7 + i / 13) % std::size(cycle)]);
    return text;
}

TEST(LineLayout, StoppingBelowTheBitmapKeepsEveryVisiblePlacement)
{
    const std::u16string text = LongText(3000);
    const int32_t W = 97;
    const int64_t bitmapHeight = 4 * 50;
    // Cursor on the first line, on the last visible line, just below it, far
    // below, and at the very end.
    for (int32_t CursorPos : {0, 5, 40, 55, 70, 2000, 3000}) {
        SCOPED_TRACE(CursorPos);
        const LineLayout full = Lay(text, CursorPos, W);
        const LineLayout early = Lay(text, CursorPos, W, bitmapHeight);

        size_t visible = 0;
        while (visible < full.glyphs.size() && full.glyphs[visible].y < bitmapHeight)
            ++visible;
        ASSERT_LT(visible, full.glyphs.size()) << "the text must reach below the bitmap";
        for (size_t i = visible; i < full.glyphs.size(); ++i)
            ASSERT_GE(full.glyphs[i].y, bitmapHeight) << "a later glyph came back up at " << i;
        ASSERT_EQ(early.glyphs.size(), visible);
        for (size_t i = 0; i < visible; ++i)
            ASSERT_EQ(early.glyphs[i], full.glyphs[i]) << i;

        ASSERT_TRUE(full.mark.has_value());
        if (full.mark->top < bitmapHeight) {
            ASSERT_TRUE(early.mark.has_value());
            EXPECT_EQ(*early.mark, *full.mark);
            EXPECT_EQ(early.glyphsBeforeMark, full.glyphsBeforeMark);
        } else {
            EXPECT_FALSE(early.mark.has_value());
        }
    }
}

TEST(LineLayout, StopsAtTheTerminatorNotAtTheBuffersEnd)
{
    // A text shortened in place keeps spare units after its zero; they are
    // not text and must not be drawn.
    const char16_t buffer[] = {A, 0, B, C, 0};
    const LineLayout layout = LayOutLine(buffer, 1, 100, LineHeight, Unbounded, WidthOf);
    ASSERT_EQ(layout.glyphs.size(), 2u);
    EXPECT_EQ(layout.glyphs[1].unit, Space);
    EXPECT_EQ(layout.glyphs[1].x, 78);
}

TEST(LineLayout, EmptyBitmapLaysOutNothing)
{
    const LineLayout layout = Lay({A, B}, 0, 100, 0);
    EXPECT_TRUE(layout.glyphs.empty());
    EXPECT_FALSE(layout.mark.has_value());
}

TEST(LineLayout, LineHeightOfZeroCannotStopEarly)
{
    // Lines that do not move down may all be visible.
    const std::u16string text = LongText(500);
    const LineLayout layout = Lay(text, 0, 50, 10, 0);
    EXPECT_EQ(layout.glyphs.size(), text.size() + 1);
}

TEST(LineLayout, AsksEachUnitsWidthOnce)
{
    const std::u16string text = LongText(2000);
    std::map<char16_t, int> asked;
    LayOutLine(text.c_str(), 7, 120, LineHeight, Unbounded,
               [&asked](char16_t unit) {
                   ++asked[unit];
                   return WidthOf(unit);
               });
    EXPECT_EQ(asked.size(), 7u);
    for (const auto& [unit, times] : asked)
        EXPECT_EQ(times, 1) << "unit " << int(unit);
}

} // namespace
