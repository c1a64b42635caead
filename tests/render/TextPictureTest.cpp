// Pictures of the text, drawn with the picture test faces (make_picture_fonts.py)
// beside the shared ones: "Vorn Wave" and "Vorn Wave Cubic" have slanted and
// round ink, so that a sharp picture and a blown-up one differ.
#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <string>

#include <QSvgRenderer>
#include <QXmlStreamReader>

#include "PictureTestKit.h"
#include "SvgCheck.h"
#include "TextPicture.h"

namespace {

constexpr int Em = 32;
constexpr char16_t A = 0x0860, B = 0x0861, C = 0x0862, CR = 0x000D, Space = 0x0020;
const AnsiString TestSans = "Vorn Test Sans", Wave = "Vorn Wave", WaveCubic = "Vorn Wave Cubic";

// The drawing font as the window's canvas holds it for that face name.
DrawingCanvas CanvasFor(const AnsiString& face)
{
    DrawingCanvas canvas;
    ApplyFaceName(canvas, face);
    return canvas;
}

QImage Window(const std::u16string& units, int32_t CursorPos, const AnsiString& face, int W, double scale)
{
    DrawingCanvas canvas;
    RenderLine(canvas, TextOfUnits(units), CursorPos, face, W, 100, Em, scale);
    return canvas.bitmap;
}

TEST(TextPicture, ScaleTwoIsDrawnAfreshWithTheInkInPlace)
{
    const std::u16string text = {A, B, C, Space, A, CR, C, B};
    for (const AnsiString& face : {Wave, WaveCubic}) {
        SCOPED_TRACE(face);
        const QImage one = Window(text, 3, face, 120, 1);
        const QImage two = Window(text, 3, face, 120, 2);
        ASSERT_EQ(two.size(), one.size() * 2);

        // A blown-up picture is made of uniform aligned 2 x 2 blocks.
        int mixedBlocks = 0;
        for (int y = 0; y < two.height(); y += 2)
            for (int x = 0; x < two.width(); x += 2)
                mixedBlocks += two.pixel(x, y) != two.pixel(x + 1, y) || two.pixel(x, y) != two.pixel(x, y + 1)
                    || two.pixel(x, y) != two.pixel(x + 1, y + 1);
        EXPECT_GT(mixedBlocks, 50);

        // Halved, every inked pixel of either lies within a pixel of ink in
        // the other.
        const QImage halved = two.scaled(one.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        const auto inkCovered = [](const QImage& inked, const QImage& other) {
            const auto near = [&other](int x, int y) {
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx)
                        if (other.rect().contains(x + dx, y + dy) && Ink(other, x + dx, y + dy) >= 128)
                            return true;
                return false;
            };
            for (int y = 0; y < inked.height(); ++y)
                for (int x = 0; x < inked.width(); ++x)
                    if (Ink(inked, x, y) >= 128 && !near(x, y))
                        return false;
            return true;
        };
        EXPECT_TRUE(inkCovered(one, halved));
        EXPECT_TRUE(inkCovered(halved, one));
    }
}

// Everything the text inks, laid out with no mark, with room around it for
// ink that hangs off the window's left edge.
QImage Uncropped(const std::u16string& units, const AnsiString& face, int W, double scale)
{
    PictureScene scene = WindowScene(TextOfUnits(units), -1, CanvasFor(face), W, 100, Em);
    scene.layout.glyphs.pop_back();  // the space the window keeps for a mark at the end
    scene.left = -W;
    scene.width = 3 * W;
    return RasterOf(scene, scale);
}

TEST(TextPicture, CropHoldsAllTheInkAndNoMarkWithAQuarterEmAround)
{
    // The margin is 8 px; lines are 36 px. Ink: a "Vorn Test Sans" glyph of
    // advance w from 2 to w - 2 right of its pen, a "Vorn Wave" letter from 2
    // to 15, and its space (10 px) is empty.
    struct Row {
        const char* name;
        AnsiString face;
        std::u16string text;
        int W;
        int width, height;  // logical
    } rows[] = {
        {"one_line", TestSans, {A, B}, 100, 20 + 16, 52},                  // A at 90, B at 76: ink 78..98
        {"wrapped_line", TestSans, {A, B, A, B}, 30, 20 + 16, 2 * 36 + 16},  // ink 8..28 on both lines
        {"hanging_off_the_left", TestSans, {A}, 5, 6 + 16, 52},             // on line 2 at -5: ink -3..3
        {"blank_lines_around_are_left_out", Wave, {Space, Space, Space, Space, A, Space, Space, Space, Space}, 20,
         13 + 16, 52},  // two lines of spaces, A at 4, two more lines
        {"no_ink_keeps_the_cells", Wave, {Space, Space}, 100, 20 + 16, 52},
        {"empty_text_is_one_empty_line", Wave, {}, 100, 16, 52},
    };
    for (const Row& row : rows) {
        for (double s : {1.0, 2.0}) {
            SCOPED_TRACE(std::string(row.name) + " at scale " + std::to_string(s));
            const PictureScene scene = PictureOfText(TextOfUnits(row.text), CanvasFor(row.face), row.W, Em);
            const QImage picture = RasterOf(scene, s);
            EXPECT_EQ(picture.size(), QSize(row.width, row.height) * s);
            EXPECT_EQ(InkSum(picture), InkSum(Uncropped(row.text, row.face, row.W, s)));
            // The ink starts a margin in from the left and ends one short of
            // the right, to within the pixel that antialiasing may add.
            int left = picture.width(), right = -1;
            for (int y = 0; y < picture.height(); ++y)
                for (int x = 0; x < picture.width(); ++x)
                    if (Ink(picture, x, y) > 0) {
                        left = std::min(left, x);
                        right = std::max(right, x);
                    }
            if (right >= 0) {
                EXPECT_NEAR(left, 8 * s, 1);
                EXPECT_NEAR(picture.width() - 1 - right, 8 * s, 1);
            }
        }
    }
}

TEST(TextPicture, SvgDrawnWithQtSvgMatchesThePng)
{
    const std::u16string text = {A, B, C, Space, B, CR, C, A};
    struct Row {
        AnsiString face;
        int32_t CursorPos;  // the window's bitmap with its mark; -1: the picture of the text
        char segment;       // the outline's curves, kept as they are
    } rows[] = {{Wave, -1, 'Q'}, {WaveCubic, -1, 'C'}, {TestSans, 2, 'L'}};
    for (const Row& row : rows) {
        const PictureScene scene = row.CursorPos < 0 ? PictureOfText(TextOfUnits(text), CanvasFor(row.face), 100, Em)
                                                     : WindowScene(TextOfUnits(text), row.CursorPos, CanvasFor(row.face), 100, 30, Em);
        const QByteArray svg = SvgOf(scene);
        EXPECT_TRUE(svg.contains(QByteArray(" d=\"M")) && svg.contains(row.segment)) << svg.constData();
        EXPECT_EQ(QSvgRenderer(svg).viewBox(), QRect(0, 0, int(scene.width), int(scene.height)));
        for (double s : {1.0, 2.0}) {
            SCOPED_TRACE(row.face + " at scale " + std::to_string(s));
            ExpectSvgDrawsLikePng(svg, RasterOf(scene, s));
        }
    }
}

TEST(TextPicture, PngDescriptionAndSvgTitleHoldTheText)
{
    const std::u16string text = {A, u'<', u'&', u'>', CR, B, Space, 0x0892, u'\x0c'};
    const PictureScene scene = PictureOfText(TextOfUnits(text), CanvasFor(Wave), 100, Em);
    const QImage png = QImage::fromData(EncodePng(RasterOf(scene, 2)), "PNG");
    EXPECT_EQ(png.text(QStringLiteral("Description")).toStdU16String(), text);

    // The title keeps the line break, and the form feed, which XML cannot
    // hold, becomes U+FFFD.
    std::u16string expected = text;
    expected.back() = 0xFFFD;
    QXmlStreamReader xml(SvgOf(scene));
    ASSERT_TRUE(xml.readNextStartElement());
    ASSERT_TRUE(xml.readNextStartElement());
    EXPECT_EQ(xml.name(), QStringLiteral("title"));
    EXPECT_EQ(xml.readElementText().toStdU16String(), expected);
}

TEST(TextPicture, BitmapOnlyFaceDrawsButHasNoSvg)
{
    const auto face = SizedFace::Open(FaceSource{VORN_PICTURE_FONTS_DIR "/VornBitmap.bdf", 0}, 16);
    ASSERT_TRUE(face);
    const PictureScene scene = PictureOfText(TextOfUnits({A}), face, 100, 16);
    EXPECT_GT(InkSum(RasterOf(scene, 1)), 0);
    try {
        SvgOf(scene);
        ADD_FAILURE() << "an SVG without outlines";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "The face \"Vorn Bitmap\" has bitmaps only and no outlines to write as SVG.");
    }
}

TEST(TextPicture, TooLongATextIsRefusedNotCut)
{
    // 2000 lines of 36 px: 72,000 px, twice that at scale 2.
    const PictureScene scene = PictureOfText(TextOfUnits(std::u16string(2000, CR)), CanvasFor(TestSans), 100, Em);
    for (double s : {1.0, 2.0})
        EXPECT_THROW(RasterOf(scene, s), std::runtime_error);
    EXPECT_THROW(SvgOf(scene), std::runtime_error);
}

} // namespace
