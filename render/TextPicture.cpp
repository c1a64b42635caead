#include "TextPicture.h"

#include "RenderError.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>
#include <unordered_map>

#include <QBuffer>
#include <QImageWriter>

bool PictureFits(double width, double height)
{
    return width <= MaxPictureSide && height <= MaxPictureSide && width * height <= MaxPicturePixels;
}

PictureScene PictureOfText(const OwnWideString& TypedText, const DrawingCanvas& canvas, int W, int pixelSize)
{
    return PictureOfText(TypedText, OpenCanvasFace(canvas, pixelSize), W, pixelSize);
}

PictureScene PictureOfText(const OwnWideString& TypedText, const std::optional<SizedFace>& face, int W,
                           int pixelSize)
{
    PictureScene scene;
    scene.face = face;
    scene.metrics = face ? face->Metrics() : TextMetrics{pixelSize, 0, 0, 0};
    scene.text = QString::fromUtf16(TypedText.Buffer(), TypedText.Length());
    const int32_t LineHeight = scene.metrics.LineHeight();
    std::optional<SizedFace>& sized = scene.face;
    scene.layout = LayOutLine(TypedText.Buffer(), -1, W, LineHeight, std::numeric_limits<int64_t>::max(),
                              [&sized](char16_t unit) { return sized ? sized->Advance(unit) : 0; });
    // The layout ends in the space that makes room for a mark at the end of
    // the text; it is not part of the text.
    std::vector<GlyphPlacement>& glyphs = scene.layout.glyphs;
    if (!glyphs.empty() && glyphs.back().index == TypedText.Length())
        glyphs.pop_back();

    struct Extent {
        double left = std::numeric_limits<double>::max();
        double right = std::numeric_limits<double>::lowest();
        int64_t top = std::numeric_limits<int64_t>::max();
        int64_t bottom = std::numeric_limits<int64_t>::lowest();
        bool empty = true;
        void Add(double inkLeft, double inkRight, int64_t lineTop, int64_t lineBottom)
        {
            left = std::min(left, inkLeft);
            right = std::max(right, inkRight);
            top = std::min(top, lineTop);
            bottom = std::max(bottom, lineBottom);
            empty = false;
        }
    };
    Extent ink, cells;
    std::unordered_map<char16_t, InkBounds> inkOf;
    for (const GlyphPlacement& placed : glyphs) {
        cells.Add(static_cast<double>(placed.x), static_cast<double>(placed.x + placed.width), placed.y,
                  placed.y + LineHeight);
        auto known = inkOf.find(placed.unit);
        if (known == inkOf.end())
            known = inkOf.emplace(placed.unit, sized ? sized->Ink(placed.unit) : InkBounds{}).first;
        if (!known->second.IsEmpty())
            ink.Add(placed.x + known->second.left, placed.x + known->second.right, placed.y, placed.y + LineHeight);
    }
    Extent shown = !ink.empty ? ink : cells;
    if (shown.empty)
        shown.Add(W, W, 0, LineHeight);

    const int margin = (pixelSize + 3) / 4;
    scene.left = static_cast<int64_t>(std::floor(shown.left)) - margin;
    scene.top = shown.top - margin;
    scene.width = static_cast<int64_t>(std::ceil(shown.right)) + margin - scene.left;
    scene.height = shown.bottom + margin - scene.top;
    return scene;
}

namespace {

void RefuseOversized(const PictureScene& scene, double scale, double width, double height)
{
    if (PictureFits(width, height))
        return;
    // A text that would fit at one pixel to a pixel is not too long: the
    // scale is too large.
    const bool fitsUnscaled = PictureFits(static_cast<double>(scene.width), static_cast<double>(scene.height));
    throw RenderError({fitsUnscaled ? RenderFault::Kind::ScaleTooLarge : RenderFault::Kind::TextTooLong, width, height,
                       scale});
}

} // namespace

QImage RasterOf(const PictureScene& scene, double scale)
{
    const double width = std::round(static_cast<double>(scene.width) * scale);
    const double height = std::round(static_cast<double>(scene.height) * scale);
    RefuseOversized(scene, scale, width, height);
    QImage image(static_cast<int>(width), static_cast<int>(height), QImage::Format_RGB32);
    if (image.isNull() && width * height > 0)
        throw RenderError({RenderFault::Kind::NoMemory, width, height});
    MarkPictureScale(image, scale);
    if (!scene.text.isEmpty())
        image.setText(QStringLiteral("Description"), scene.text);
    DrawScene(image, scene, scale);
    return image;
}

void MarkPictureScale(QImage& image, double scale)
{
    image.setDevicePixelRatio(scale);
    image.setDotsPerMeterX(static_cast<int>(std::lround(image.dotsPerMeterX() * scale)));
    image.setDotsPerMeterY(static_cast<int>(std::lround(image.dotsPerMeterY() * scale)));
}

QByteArray EncodePng(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(image))
        throw RenderError({RenderFault::Kind::PngFailed, 0, 0, 1, {}, 0, writer.errorString()});
    return bytes;
}

namespace {

// XML 1.0 has no place for most control characters, which a text can hold
// (Ctrl with some keys types them): they become U+FFFD in the title.
QString XmlText(QString text)
{
    for (QChar& character : text) {
        const char16_t unit = character.unicode();
        if ((unit < 0x20 && unit != 0x09 && unit != 0x0A && unit != 0x0D) || unit == 0xFFFE || unit == 0xFFFF)
            character = QChar(0xFFFD);
    }
    return text;
}

} // namespace

void StartSvg(QXmlStreamWriter& xml, int64_t width, int64_t height)
{
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("svg"));
    xml.writeDefaultNamespace(QStringLiteral("http://www.w3.org/2000/svg"));
    xml.writeAttribute(QStringLiteral("width"), QString::number(width));
    xml.writeAttribute(QStringLiteral("height"), QString::number(height));
    xml.writeAttribute(QStringLiteral("viewBox"), QStringLiteral("0 0 %1 %2").arg(width).arg(height));
}

QByteArray SvgOf(const PictureScene& scene)
{
    RefuseOversized(scene, 1, static_cast<double>(scene.width), static_cast<double>(scene.height));
    std::optional<SizedFace> face = scene.face;
    const TextMetrics& metrics = scene.metrics;

    QByteArray svg;
    QXmlStreamWriter xml(&svg);
    StartSvg(xml, scene.width, scene.height);
    if (!scene.text.isEmpty()) {
        // A line break of the text is U+000D, which a reader of XML would
        // take for U+000A unless it is written as a reference.
        xml.writeStartElement(QStringLiteral("title"));
        const QStringList lines = XmlText(scene.text).split(QChar(0x0D));
        for (qsizetype i = 0; i < lines.size(); ++i) {
            if (i > 0)
                xml.writeEntityReference(QStringLiteral("#13"));
            xml.writeCharacters(lines[i]);
        }
        xml.writeEndElement();
    }
    const auto rectangle = [&xml](int64_t x, int64_t y, int64_t width, int64_t height) {
        xml.writeEmptyElement(QStringLiteral("rect"));
        xml.writeAttribute(QStringLiteral("x"), QString::number(x));
        xml.writeAttribute(QStringLiteral("y"), QString::number(y));
        xml.writeAttribute(QStringLiteral("width"), QString::number(width));
        xml.writeAttribute(QStringLiteral("height"), QString::number(height));
    };
    rectangle(0, 0, scene.width, scene.height);
    xml.writeAttribute(QStringLiteral("fill"), QStringLiteral("#ffffff"));

    std::unordered_map<char16_t, InkBounds> inkOf;
    std::unordered_map<int64_t, QString> cellClips;  // line top -> clip path id
    const LineLayout& layout = scene.layout;
    for (size_t at = 0; at <= layout.glyphs.size(); ++at) {
        if (layout.mark && at == layout.glyphsBeforeMark)
            rectangle(layout.mark->left - scene.left, layout.mark->top - scene.top,
                      layout.mark->right - layout.mark->left, layout.mark->bottom - layout.mark->top);
        if (at == layout.glyphs.size() || !face)
            continue;
        const GlyphPlacement& placed = layout.glyphs[at];
        const int64_t cellTop = placed.y - scene.top;
        const int64_t cellHeight = metrics.ascent + metrics.descent;
        const double baseline = static_cast<double>(cellTop + metrics.ascent);
        const GlyphOutline outline = face->Outline(placed.unit, static_cast<double>(placed.x - scene.left), baseline);
        if (outline.path.empty())
            continue;

        // The bitmap clips a glyph to the rows of its cell; so does the SVG
        // where the outline reaches beyond them.
        auto ink = inkOf.find(placed.unit);
        if (ink == inkOf.end())
            ink = inkOf.emplace(placed.unit, face->Ink(placed.unit)).first;
        QString clip;
        if (baseline + ink->second.top < cellTop || baseline + ink->second.bottom > cellTop + cellHeight) {
            auto [known, isNew] = cellClips.try_emplace(cellTop, QStringLiteral("cell%1").arg(cellClips.size()));
            if (isNew) {
                xml.writeStartElement(QStringLiteral("clipPath"));
                xml.writeAttribute(QStringLiteral("id"), known->second);
                rectangle(0, cellTop, scene.width, cellHeight);
                xml.writeEndElement();
            }
            clip = QStringLiteral("url(#%1)").arg(known->second);
        }
        xml.writeEmptyElement(QStringLiteral("path"));
        xml.writeAttribute(QStringLiteral("d"), QString::fromStdString(outline.path));
        if (outline.evenOdd)
            xml.writeAttribute(QStringLiteral("fill-rule"), QStringLiteral("evenodd"));
        if (!clip.isEmpty())
            xml.writeAttribute(QStringLiteral("clip-path"), clip);
    }
    xml.writeEndDocument();
    return svg;
}
