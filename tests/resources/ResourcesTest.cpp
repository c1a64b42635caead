#include <gtest/gtest.h>

#include <QFile>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QSet>
#include <QXmlStreamReader>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "PictureReading.h"
#include "Pictures.h"

namespace {

const QString sourceDir = QStringLiteral(VORN_RESOURCES_DIR);

QByteArray readAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// Little-endian fields of a Windows bitmap or icon header.
std::optional<uint32_t> le32(const QByteArray& bytes, qsizetype offset)
{
    if (offset < 0 || 4 > bytes.size() - offset)
        return std::nullopt;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData()) + offset;
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

std::optional<uint16_t> le16(const QByteArray& bytes, qsizetype offset)
{
    if (offset < 0 || 2 > bytes.size() - offset)
        return std::nullopt;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData()) + offset;
    return uint16_t(p[0] | p[1] << 8);
}

// BITMAPINFOHEADER as it stands in a .bmp (after the 14-byte file header)
// and inside an icon.
struct DibHeader {
    uint32_t biSize;
    int32_t biWidth;
    int32_t biHeight;
    uint16_t biPlanes;
    uint16_t biBitCount;
    uint32_t biCompression;
    uint32_t biClrUsed;
};

std::optional<DibHeader> readDibHeader(const QByteArray& bytes, qsizetype at)
{
    auto size = le32(bytes, at);
    auto width = le32(bytes, at + 4);
    auto height = le32(bytes, at + 8);
    auto planes = le16(bytes, at + 12);
    auto bits = le16(bytes, at + 14);
    auto compression = le32(bytes, at + 16);
    auto colours = le32(bytes, at + 32);
    if (!size || !width || !height || !planes || !bits || !compression || !colours || *size < 40)
        return std::nullopt;
    return DibHeader{*size, int32_t(*width), int32_t(*height), *planes, *bits, *compression, *colours};
}

int distinctColours(const QImage& image)
{
    QSet<QRgb> seen;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            seen.insert(image.pixel(x, y));
    return int(seen.size());
}

struct ButtonGlyph {
    const char* file;
    const char* resource;
    int width;
    int height;
};

void PrintTo(const ButtonGlyph& glyph, std::ostream* out) { *out << glyph.file; }

// Each glyph again at twice the size, under the name Qt looks for on a screen
// with two device pixels to a pixel.
const ButtonGlyph buttonGlyphs[] = {
    {"DelButton.bmp", pictures::DelButton, 58, 16},
    {"CutButton.bmp", pictures::CutButton, 37, 18},
    {"CopyButton.bmp", pictures::CopyButton, 55, 18},
    {"DelButton@2x.bmp", ":/DelButton@2x", 116, 32},
    {"CutButton@2x.bmp", ":/CutButton@2x", 74, 36},
    {"CopyButton@2x.bmp", ":/CopyButton@2x", 110, 36},
};

class ButtonGlyphTest : public ::testing::TestWithParam<ButtonGlyph> {};

TEST_P(ButtonGlyphTest, FileIsA4BitUncompressedBitmapOfTheStatedSize)
{
    const ButtonGlyph& glyph = GetParam();
    const QByteArray bytes = readAll(sourceDir + "/" + glyph.file);
    ASSERT_GE(bytes.size(), 14) << "missing or truncated file";
    EXPECT_EQ(bytes.left(2), QByteArray("BM"));
    const auto bfOffBits = le32(bytes, 10);
    const auto header = readDibHeader(bytes, 14);
    ASSERT_TRUE(bfOffBits && header) << "truncated header";

    EXPECT_EQ(header->biWidth, glyph.width);
    EXPECT_EQ(std::abs(header->biHeight), glyph.height);
    EXPECT_EQ(header->biPlanes, 1);
    EXPECT_EQ(header->biBitCount, 4) << "16 colours means 4 bits per pixel";
    EXPECT_EQ(header->biCompression, 0u) << "BI_RGB";
    EXPECT_LE(header->biClrUsed, 16u);

    // The colour table lies before the pixels and every row is present:
    // a truncated or misdeclared file would read past its end.
    const uint32_t colours = header->biClrUsed == 0 ? 16 : header->biClrUsed;
    EXPECT_GE(*bfOffBits, 14 + header->biSize + 4 * colours);
    const qsizetype rowBytes = (qsizetype(glyph.width) * 4 + 31) / 32 * 4;
    EXPECT_LE(qsizetype(*bfOffBits) + rowBytes * glyph.height, bytes.size());
}

TEST_P(ButtonGlyphTest, ResourceHoldsTheCommittedFile)
{
    const ButtonGlyph& glyph = GetParam();
    const QByteArray compiled = readAll(glyph.resource);
    ASSERT_FALSE(compiled.isEmpty()) << glyph.resource << " is not in the program's resources";
    EXPECT_EQ(compiled, readAll(sourceDir + "/" + glyph.file));
}

TEST_P(ButtonGlyphTest, DecodesToBlackInkOnLightGrey)
{
    const ButtonGlyph& glyph = GetParam();
    const QImage image(glyph.resource);
    ASSERT_FALSE(image.isNull()) << "Qt cannot decode " << glyph.resource;
    ASSERT_EQ(image.size(), QSize(glyph.width, glyph.height));
    EXPECT_LE(distinctColours(image), 16);

    int dark = 0, light = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const int grey = qGray(image.pixel(x, y));
            dark += grey < 0x40;
            light += grey >= 0xB0;
        }
    const int pixels = glyph.width * glyph.height;
    // A blank picture or one filled with ink (a wrong palette order) reads
    // as no word at all.
    EXPECT_GT(dark, pixels / 20) << "too little ink";
    EXPECT_GT(light, pixels / 3) << "too little button face";
}

TEST_P(ButtonGlyphTest, WordIsNotClippedAtTheEdges)
{
    const ButtonGlyph& glyph = GetParam();
    const QImage image(glyph.resource);
    ASSERT_EQ(image.size(), QSize(glyph.width, glyph.height));
    const int w = image.width(), h = image.height();
    for (int x = 0; x < w; ++x) {
        EXPECT_GE(qGray(image.pixel(x, 0)), 0xB0) << "ink on the top row at x=" << x;
        EXPECT_GE(qGray(image.pixel(x, h - 1)), 0xB0) << "ink on the bottom row at x=" << x;
    }
    for (int y = 0; y < h; ++y) {
        EXPECT_GE(qGray(image.pixel(0, y)), 0xB0) << "ink on the left column at y=" << y;
        EXPECT_GE(qGray(image.pixel(w - 1, y)), 0xB0) << "ink on the right column at y=" << y;
    }
}

INSTANTIATE_TEST_SUITE_P(Buttons, ButtonGlyphTest, ::testing::ValuesIn(buttonGlyphs),
                         [](const auto& instance) {
                             std::string name = instance.param.file;
                             name = name.substr(0, name.find('.'));
                             std::replace(name.begin(), name.end(), '@', '_');
                             return name;
                         });

TEST(ProgramIcon, IconFileHoldsOne64By64SixteenColourImage)
{
    const QByteArray bytes = readAll(sourceDir + "/vorn.ico");
    // ICONDIR: reserved 0, type 1 (icon), count; then 16-byte entries.
    ASSERT_EQ(le16(bytes, 0), uint16_t(0));
    ASSERT_EQ(le16(bytes, 2), uint16_t(1));
    ASSERT_EQ(le16(bytes, 4), uint16_t(1));
    ASSERT_GE(bytes.size(), 6 + 16);
    EXPECT_EQ(uint8_t(bytes[6]), 64) << "bWidth";
    EXPECT_EQ(uint8_t(bytes[7]), 64) << "bHeight";
    EXPECT_EQ(le16(bytes, 6 + 6), uint16_t(4)) << "wBitCount";
    const auto imageOffset = le32(bytes, 6 + 12);
    ASSERT_TRUE(imageOffset);
    const auto header = readDibHeader(bytes, *imageOffset);
    ASSERT_TRUE(header) << "image header lies outside the file";
    EXPECT_EQ(header->biWidth, 64);
    EXPECT_EQ(header->biHeight, 128) << "an icon's height counts the image and its mask";
    EXPECT_EQ(header->biBitCount, 4);
    EXPECT_LE(header->biClrUsed, 16u);
}

TEST(ProgramIcon, QtLoadsTheCompiledIcon)
{
    const QImage image(pictures::Icon);
    ASSERT_FALSE(image.isNull()) << "no icon reader for " << pictures::Icon;
    EXPECT_EQ(image.size(), QSize(64, 64));
    EXPECT_LE(distinctColours(image), 16);
    // The rounded corners come from the icon's mask.
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(image.pixel(32, 32)), 255);

    const QIcon icon(pictures::Icon);
    EXPECT_TRUE(icon.availableSizes().contains(QSize(64, 64)));
}

TEST(ProgramIcon, TwiceAsLargeForTwoDevicePixelsToAPixel)
{
    const QImage large(QString::fromLatin1(pictures::Icon) + "@2x");
    ASSERT_EQ(large.size(), QSize(128, 128));
    EXPECT_LE(distinctColours(large), 16);
    EXPECT_EQ(qAlpha(large.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(large.pixel(64, 64)), 255);
}

TEST(ProgramIcon, DesktopCopiesShowTheSamePicture)
{
    const QImage icon = QImage(pictures::Icon).convertToFormat(QImage::Format_ARGB32);
    const QImage png = QImage(sourceDir + "/vorn.png").convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(png.size(), QSize(64, 64));
    EXPECT_LE(distinctColours(png), 16);
    ASSERT_EQ(icon.size(), png.size());
    // Fully transparent pixels may differ in colour: the icon's mask leaves
    // them black, the PNG keeps its palette entry.
    int differing = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const QRgb a = icon.pixel(x, y), b = png.pixel(x, y);
            differing += !(a == b || (qAlpha(a) == 0 && qAlpha(b) == 0));
        }
    EXPECT_EQ(differing, 0) << "vorn.png and vorn.ico have drifted apart";

    const QImage large(sourceDir + "/vorn-256.png");
    EXPECT_EQ(large.size(), QSize(256, 256));

    QFile svg(sourceDir + "/vorn.svg");
    ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&svg);
    ASSERT_TRUE(xml.readNextStartElement());
    EXPECT_EQ(xml.name(), QStringLiteral("svg"));
    EXPECT_EQ(xml.attributes().value("viewBox"), QStringLiteral("0 0 64 64"));
    while (!xml.atEnd())
        xml.readNext();
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
}

// The pictures read by the reader of their own format are those that Qt
// reads when it finds the format itself. Their icons hold the same sizes as
// Qt's, and draw, at each ratio, the picture made for it: the "@2x" one where
// the screen has two device pixels to a pixel, shrunk smoothly to the size
// asked for and never blown up. (Qt 6.8's own icon of the file blows the 1x
// picture up there instead.)
TEST(PictureReading, PicturesAndIconsAreThoseQtMakesOfTheFiles)
{
    // Pixels only: a picture's ratio is another check's business.
    const auto argb = [](const QImage& image) {
        QImage pixels = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        pixels.setDevicePixelRatio(1);
        return pixels;
    };
    for (const char* name : {pictures::Icon, pictures::DelButton, pictures::CutButton, pictures::CopyButton}) {
        const QString file = QString::fromLatin1(name);
        for (const QString& picture : {file, file + QStringLiteral("@2x")}) {
            SCOPED_TRACE(picture.toStdString());
            const QImage read = ReadPicture(picture);
            ASSERT_FALSE(read.isNull());
            EXPECT_TRUE(argb(read) == argb(QImage(picture)));
            EXPECT_EQ(read.devicePixelRatio(), QImage(picture).devicePixelRatio());
        }
        const QIcon icon = PictureIcon(file);
        EXPECT_EQ(icon.availableSizes(), QIcon(file).availableSizes()) << name;
        for (const int side : {16, 18, 32, 64, 128})
            for (const double ratio : {1.0, 2.0}) {
                const bool twice = ratio > 1 && qApp->devicePixelRatio() > 1;
                const QImage shown = argb(QImage(twice ? file + QStringLiteral("@2x") : file));
                const QSize room = QSize(side, side) * ratio;
                const QImage expected = shown.width() <= room.width() && shown.height() <= room.height()
                    ? shown
                    : shown.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation);
                EXPECT_TRUE(argb(icon.pixmap(QSize(side, side), ratio).toImage()) == expected)
                    << name << " at " << side << " x " << ratio;
            }
    }
}

} // namespace

int main(int argc, char** argv)
{
    // Test discovery runs this program without the test's environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
