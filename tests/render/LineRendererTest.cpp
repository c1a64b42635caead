#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "LineRenderer.h"
#include "PictureTestKit.h"

// These tests draw with the generated test fonts and the faces of
// make_render_fonts.py (FONTCONFIG_FILE points at them): "Vorn Test Sans" has a 36-pixel line, an ascent of 24 pixels, and
// each glyph is a black box 2 pixels inside its advance, rows 4 to 28 of its
// cell, so every expected picture can be drawn by hand.
namespace {

constexpr int PixelSize = 32;
constexpr char16_t Space = 0x0020, CR = 0x000D;
constexpr char16_t A = 0x0860;   // 10 pixels in "Vorn Test Sans", 16 in the other test faces
constexpr char16_t B = 0x0861;   // 14 pixels in "Vorn Test Sans"

const AnsiString TestSans = "Vorn Test Sans";
const AnsiString LongName = "Vorn Test Face With A Really Long Family Name";

// One step of the hand-drawn picture, in drawing order.
struct Step {
    enum Kind { Glyph, Mark } kind;
    int x;
    int y;
    int advance; // glyphs only
};

// The picture at scale s: every place is s times its logical one, rounded,
// and the boxes of the test face land on whole device pixels at s = 1.5, 2, 3.
QImage Picture(int W, int H, const std::vector<Step>& steps, int lineHeight = 36, double s = 1)
{
    const auto at = [s](int logical) { return static_cast<int>(std::lround(logical * s)); };
    QImage image(at(W), at(4 * H), QImage::Format_RGB32);
    image.fill(0xFFFFFFFF);
    const auto inside = [&](int x, int y) { return x >= 0 && y >= 0 && x < image.width() && y < image.height(); };
    for (const Step& step : steps) {
        if (step.kind == Step::Mark) {
            for (int y = at(step.y); y < at(step.y + lineHeight); ++y)
                for (int x = at(step.x); x < at(step.x + 2); ++x)
                    if (inside(x, y))
                        image.setPixel(x, y, image.pixel(x, y) ^ 0x00FFFFFF);
            continue;
        }
        // The box runs from 2 px right of the pen to 2 px short of the
        // advance, from 20 px above the baseline (24 below the line's top) to
        // 4 px below it, in pixels of the em times s.
        const int penX = at(step.x), baseline = at(step.y + 24);
        for (int y = baseline - at(20); y < baseline + at(4); ++y)
            for (int x = penX + at(2); x < penX + at(step.advance - 2); ++x)
                if (inside(x, y))
                    image.setPixel(x, y, 0xFF000000);
    }
    return image;
}

QImage Render(const std::u16string& units, int32_t CursorPos, int W, int H, const AnsiString& face = TestSans,
              double scale = 1)
{
    DrawingCanvas canvas;
    RenderLine(canvas, TextOfUnits(units), CursorPos, face, W, H, PixelSize, scale);
    return canvas.bitmap;
}

struct PictureCase {
    const char* name;
    std::u16string text;
    int32_t CursorPos;
    int W;
    std::vector<Step> steps;
};

const std::vector<PictureCase>& HandDrawnCases()
{
    using S = Step;
    static const std::vector<PictureCase> cases = {
        {"empty_text_mark_at_right_edge", u"", 0, 100, {{S::Mark, 98, 0, 0}, {S::Glyph, 88, 0, 10}}},
        {"one_glyph_cursor_before", {A}, 0, 100, {{S::Mark, 98, 0, 0}, {S::Glyph, 88, 0, 10}, {S::Glyph, 78, 0, 10}}},
        {"one_glyph_cursor_after", {A}, 1, 100, {{S::Glyph, 90, 0, 10}, {S::Mark, 88, 0, 0}, {S::Glyph, 78, 0, 10}}},
        {"glyph_wraps", {A, B, A}, 3, 30,
         {{S::Glyph, 20, 0, 10}, {S::Glyph, 6, 0, 14}, {S::Glyph, 20, 36, 10}, {S::Mark, 18, 36, 0},
          {S::Glyph, 8, 36, 10}}},
        {"carriage_return_starts_line", {A, CR, B}, 3, 100,
         {{S::Glyph, 90, 0, 10}, {S::Glyph, 94, 36, 6}, {S::Glyph, 80, 36, 14}, {S::Mark, 78, 36, 0},
          {S::Glyph, 68, 36, 10}}},
        {"mark_alone_on_line_at_carriage_return", {A, CR, B}, 1, 100,
         {{S::Glyph, 90, 0, 10}, {S::Mark, 98, 36, 0}, {S::Glyph, 94, 72, 6}, {S::Glyph, 80, 72, 14},
          {S::Glyph, 70, 72, 10}}},
        {"mark_that_does_not_fit", {A, A}, 2, 20,
         {{S::Glyph, 10, 0, 10}, {S::Glyph, 0, 0, 10}, {S::Mark, 18, 36, 0}, {S::Glyph, 8, 36, 10}}},
        {"glyph_wider_than_width_hangs_off_left", {A}, 0, 8,
         {{S::Mark, 6, 0, 0}, {S::Glyph, -2, 36, 10}, {S::Glyph, -2, 72, 10}}},
    };
    return cases;
}

TEST(LineRenderer, DrawsExactlyTheHandDrawnPicture)
{
    for (const PictureCase& c : HandDrawnCases()) {
        SCOPED_TRACE(c.name);
        const int H = 40;
        EXPECT_EQ(FirstDifference(Render(c.text, c.CursorPos, c.W, H), Picture(c.W, H, c.steps)), "");
    }
}

// A screen with s device pixels to a pixel: the same picture, every place
// times s, the glyphs rendered at the em times s rather than blown up.
TEST(LineRenderer, DrawsTheHandDrawnPictureAtEachScale)
{
    for (double s : {1.5, 2.0, 3.0}) {
        for (const PictureCase& c : HandDrawnCases()) {
            SCOPED_TRACE(std::string(c.name) + " at scale " + std::to_string(s));
            const int H = 40;
            const QImage bitmap = Render(c.text, c.CursorPos, c.W, H, TestSans, s);
            EXPECT_EQ(bitmap.devicePixelRatio(), s);
            EXPECT_EQ(FirstDifference(bitmap, Picture(c.W, H, c.steps, 36, s)), "");
        }
    }
}

TEST(LineRenderer, BitmapIsAlwaysWBy4H)
{
    DrawingCanvas canvas;
    const OwnWideString text = TextOfUnits({A, B, CR, A});
    const int sizes[][2] = {{476, 268}, {1, 1}, {33, 7}, {476, 268}, {200, 300}};
    for (const auto& size : sizes) {
        RenderLine(canvas, text, 2, TestSans, size[0], size[1], PixelSize);
        EXPECT_EQ(canvas.bitmap.width(), size[0]);
        EXPECT_EQ(canvas.bitmap.height(), 4 * size[1]);
        EXPECT_EQ(canvas.bitmap.format(), QImage::Format_RGB32);
    }
    RenderLine(canvas, text, 2, TestSans, 0, 0, PixelSize);
    EXPECT_EQ(canvas.bitmap.width(), 0);
    EXPECT_EQ(canvas.bitmap.height(), 0);
    EXPECT_TRUE(canvas.created);
}

TEST(LineRenderer, RedrawStartsFromWhite)
{
    // The same canvas first holds a long text, then an empty one: nothing of
    // the first drawing may remain.
    DrawingCanvas canvas;
    RenderLine(canvas, TextOfUnits(std::u16string(200, B)), 0, TestSans, 100, 40, PixelSize);
    RenderLine(canvas, OwnWideString(), 0, TestSans, 100, 40, PixelSize);
    using S = Step;
    EXPECT_EQ(FirstDifference(canvas.bitmap, Picture(100, 40, {{S::Mark, 98, 0, 0}, {S::Glyph, 88, 0, 10}})), "");
}

TEST(LineRenderer, FaceNameOver31BytesAppliesItsFirst31)
{
    // In the long-named face U+0860 is 16 pixels wide, 10 in "Vorn Test Sans".
    using S = Step;
    const QImage expected = Picture(100, 40, {{S::Glyph, 84, 0, 16}, {S::Mark, 82, 0, 0}, {S::Glyph, 72, 0, 10}});
    const AnsiString cut = LongName.substr(0, 31);
    for (const AnsiString& name : {LongName, cut + "zzz unknown tail", cut}) {
        SCOPED_TRACE(name);
        DrawingCanvas canvas;
        RenderLine(canvas, TextOfUnits({A}), 1, name, 100, 40, PixelSize);
        EXPECT_EQ(canvas.faceName, cut);
        EXPECT_EQ(FirstDifference(canvas.bitmap, expected), "");
    }
}

TEST(LineRenderer, FullFaceNameTellsApartFamiliesSharingTheirFirst31Bytes)
{
    // U+0860 is 16 pixels in Alpha, 24 in Beta. A name that no family has
    // falls back to the first family that shares its first 31 bytes.
    const AnsiString family = "Vorn Render Face With A Long Family ";
    struct Row {
        AnsiString FaceName;
        int advance;
    };
    for (const Row& row : {Row{family + "Alpha", 16}, Row{family + "Beta", 24}, Row{family + "Gamma", 16}}) {
        SCOPED_TRACE(row.FaceName);
        using S = Step;
        const QImage expected = Picture(100, 40, {{S::Glyph, 100 - row.advance, 0, row.advance},
                                                  {S::Mark, 98 - row.advance, 0, 0},
                                                  {S::Glyph, 88 - row.advance, 0, 10}});
        EXPECT_EQ(FirstDifference(Render({A}, 1, 100, 40, row.FaceName), expected), "");
    }
}

TEST(LineRenderer, GlyphsComeFromTheWindowsUnicodeSubtable)
{
    // "Vorn Charmaps" maps U+0860 to a 10-pixel glyph in its (3, 1) subtable,
    // the one the catalogue lists it by, and to a 20-pixel one in its (0, 3)
    // and (3, 10) subtables, which FreeType would choose on its own.
    using S = Step;
    const QImage expected = Picture(100, 40, {{S::Glyph, 90, 0, 10}, {S::Mark, 88, 0, 0}, {S::Glyph, 78, 0, 10}});
    EXPECT_EQ(FirstDifference(Render({A}, 1, 100, 40, "Vorn Charmaps"), expected), "");
}

TEST(LineRenderer, EmptyFaceNameKeepsTheFace)
{
    DrawingCanvas canvas;
    RenderLine(canvas, TextOfUnits({A}), 1, LongName, 100, 40, PixelSize);
    const QImage before = canvas.bitmap.copy();
    RenderLine(canvas, TextOfUnits({A}), 1, "", 100, 40, PixelSize);
    EXPECT_EQ(canvas.faceName, LongName.substr(0, 31));
    EXPECT_EQ(FirstDifference(canvas.bitmap, before), "");

    // ApplyFaceName alone: it creates the bitmap even for an empty name.
    DrawingCanvas fresh;
    ApplyFaceName(fresh, "");
    EXPECT_TRUE(fresh.created);
    EXPECT_EQ(fresh.faceName, "");
    ApplyFaceName(fresh, TestSans);
    ApplyFaceName(fresh, "");
    EXPECT_EQ(fresh.faceName, TestSans);
}

TEST(LineRenderer, FaceWithoutOs2TableFallsBackToItsOwnMetrics)
{
    // "Vorn No OS2" has the same 36-pixel line by its hhea table; U+0860 is
    // 16 pixels wide, so the third one wraps.
    using S = Step;
    const QImage expected = Picture(40, 40,
                                    {{S::Glyph, 24, 0, 16}, {S::Glyph, 8, 0, 16}, {S::Glyph, 24, 36, 16},
                                     {S::Mark, 22, 36, 0}, {S::Glyph, 12, 36, 10}});
    EXPECT_EQ(FirstDifference(Render({A, A, A}, 3, 40, 40, "Vorn No OS2"), expected), "");
}

// "Zeta" lacks U+0860 and most other codes. Each is drawn as its hex box
// inside the cell of the face's missing glyph, 20 pixels wide and the 32
// rows of ascent and descent, where the face's own missing glyph (a box 2
// pixels inside it) used to be; every pixel around the cell is as before.
TEST(LineRenderer, MissingCodesShowTheirOwnHexBoxInsideTheMissingGlyphsCell)
{
    using S = Step;
    for (double s : {1.0, 1.5, 2.0}) {
        SCOPED_TRACE("scale " + std::to_string(s));
        const auto at = [s](int logical) { return static_cast<int>(std::lround(logical * s)); };
        const QRect cell(at(80), 0, at(100) - at(80), at(32));
        const auto drawn = [&](char16_t unit) { return Render({unit}, 1, 100, 40, "Zeta", s); };
        const auto whiteCell = [&cell](QImage image) {
            for (int y = cell.top(); y <= cell.bottom(); ++y)
                for (int x = cell.left(); x <= cell.right(); ++x)
                    image.setPixel(x, y, 0xFFFFFFFF);
            return image;
        };
        const QImage missingGlyph =
            Picture(100, 40, {{S::Glyph, 80, 0, 20}, {S::Mark, 78, 0, 0}, {S::Glyph, 68, 0, 10}}, 36, s);
        const QImage a = drawn(A);
        EXPECT_EQ(FirstDifference(whiteCell(a), whiteCell(missingGlyph)), "");
        EXPECT_GT(InkSum(a.copy(cell)), 0);
        EXPECT_NE(a.copy(cell), missingGlyph.copy(cell));

        // Codes that differ in one digit differ only in that digit's quarter
        // of the cell: U+0860 reads 08 over 60.
        struct Row {
            char16_t unit;
            bool right, bottom;
        };
        for (const Row& row : {Row{0x1860, false, false}, Row{0x0960, true, false}, Row{0x0870, false, true},
                               Row{B, true, true}}) {
            const QImage other = drawn(row.unit);
            EXPECT_NE(other, a) << std::hex << int(row.unit);
            for (int y = 0; y < a.height(); ++y)
                for (int x = 0; x < a.width(); ++x)
                    if (a.pixel(x, y) != other.pixel(x, y)) {
                        ASSERT_TRUE(cell.contains(x, y)) << std::hex << int(row.unit) << std::dec << " at " << x << "," << y;
                        ASSERT_EQ(2 * x >= 2 * cell.left() + cell.width(), row.right) << std::hex << int(row.unit);
                        ASSERT_EQ(2 * y >= cell.height(), row.bottom) << std::hex << int(row.unit);
                    }
        }
    }
    // No two of the sixteen digits look alike.
    std::vector<QImage> digits;
    for (char16_t unit = 0x0870; unit <= 0x087F; ++unit)
        digits.push_back(Render({unit}, -1, 100, 40, "Zeta"));
    for (size_t i = 0; i < digits.size(); ++i)
        for (size_t j = i + 1; j < digits.size(); ++j)
            EXPECT_NE(digits[i], digits[j]) << std::hex << 0x0870 + i << " and " << 0x0870 + j;
}

TEST(LineRenderer, StoppingEarlyLosesNoVisiblePixel)
{
    // The layout does not depend on H, so a taller bitmap's top rows must be
    // the shorter bitmap exactly, however far the text runs below it.
    std::u16string text;
    for (int i = 0; i < 3000; ++i)
        text.push_back(i % 37 == 36 ? CR : static_cast<char16_t>(A + i % 5));
    for (int32_t CursorPos : {0, 17, 150, 2999}) {
        SCOPED_TRACE(CursorPos);
        const QImage shortBitmap = Render(text, CursorPos, 150, 30);
        const QImage tallBitmap = Render(text, CursorPos, 150, 3000);
        EXPECT_EQ(FirstDifference(shortBitmap, tallBitmap.copy(0, 0, 150, 120)), "");
    }
}

} // namespace
