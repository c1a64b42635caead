#include "ChartPicture.h"

#include "RenderError.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>

#include <QPainter>

#include "LineRenderer.h"
#include "TextPicture.h"

namespace {

constexpr QRgb KeyTop = 0xFFFFFFFF;
constexpr QRgb KeyEdge = 0xFFA0A0A0;
constexpr QRgb SpaceMark = 0xFF808080;
constexpr double KeyRadius = 4;
// A dimmed key keeps this share of itself over the background.
constexpr double DimmedShare = 0.45;
// The smallest place to click for the Ctrl+Alt layer.
constexpr int CtrlAltTarget = 22;
// How far the plain glyph moves left, and half as far up, on a key with a
// Ctrl+Alt glyph in its corner.
constexpr int CornerRoom = 4;

QString Hex(QRgb colour)
{
    return QStringLiteral("#%1").arg(colour & 0xFFFFFF, 6, 16, QLatin1Char('0'));
}

// Where a glyph's ink lies, with its advance and cell standing in for a
// glyph without ink.
InkBounds InkOrCell(SizedFace& face, char16_t unit)
{
    InkBounds ink = face.Ink(unit);
    if (ink.IsEmpty())
        ink = {0, static_cast<double>(-face.Metrics().ascent), static_cast<double>(face.Advance(unit)),
               static_cast<double>(face.Metrics().descent)};
    return ink;
}

// The open bracket that stands for a space, centred on (x, y).
QRect SpaceMarkAt(int x, int y, int width)
{
    const int height = std::max(3, width / 4);
    return QRect(x - width / 2, y - height / 2, width, height);
}

// The bracket's three strokes.
std::vector<QRect> SpaceStrokes(const QRect& mark)
{
    const int thickness = std::max(1, mark.height() / 3);
    return {QRect(mark.left(), mark.top(), thickness, mark.height()),
            QRect(mark.left() + thickness, mark.bottom() - thickness + 1, mark.width() - 2 * thickness, thickness),
            QRect(mark.right() - thickness + 1, mark.top(), thickness, mark.height())};
}

void DrawPlaced(QImage& image, SizedFace& face, const KeyPlan::Placed& placed, double scale)
{
    const TextMetrics metrics = face.Metrics();
    DrawGlyph(image, *face.Glyph(placed.unit, scale), std::llround(placed.penX * scale),
              std::llround(placed.baseline * scale), std::llround((placed.baseline - metrics.ascent) * scale),
              std::llround((placed.baseline + metrics.descent) * scale));
}

} // namespace

ChartFaces OpenChartFaces(const std::optional<FaceSource>& face)
{
    ChartFaces faces;
    if (face) {
        faces.plain = SizedFace::Open(*face, chart::PlainEm);
        faces.ctrlAlt = SizedFace::Open(*face, chart::CtrlAltEm);
    }
    if (const auto sans = MatchFace("sans-serif"))
        faces.label = SizedFace::Open(*sans, chart::LabelEm);
    return faces;
}

QRect KeyRect(const ChartKey& key)
{
    const auto at = [](double keys) { return static_cast<int>(std::lround(keys * chart::KeyPitch)); };
    return QRect(chart::Margin + at(key.left), chart::Margin + key.row * chart::KeyPitch,
                 at(key.width) - chart::KeyGap, chart::KeyPitch - chart::KeyGap);
}

QSize ChartSize()
{
    return QSize(2 * chart::Margin + static_cast<int>(std::lround(ChartColumns * chart::KeyPitch)) - chart::KeyGap,
                 2 * chart::Margin + ChartRows * chart::KeyPitch - chart::KeyGap);
}

KeyPlan PlanKey(const ChartEntry& entry, ChartFaces& faces)
{
    KeyPlan plan;
    plan.size = KeyRect(entry.key).size();
    plan.dimmed = entry.Empty();
    const int width = plan.size.width(), height = plan.size.height();

    if (faces.label) {
        // Capitals' tops at the inset, whatever room the face's own metrics
        // keep above them.
        int penX = chart::Inset;
        const int baseline = chart::Inset + static_cast<int>(std::ceil(-InkOrCell(*faces.label, u'H').top));
        for (const char character : entry.label) {
            const auto unit = static_cast<char16_t>(static_cast<unsigned char>(character));
            plan.label.push_back({unit, penX, baseline});
            penX += faces.label->Advance(unit);
        }
    }

    // The plain layer's ink centred on the key, a little away from the
    // Ctrl+Alt glyph's corner when there is one.
    const int centreX = width / 2 - (entry.ctrlAlt != 0 ? CornerRoom : 0);
    const int centreY = height / 2 - (entry.ctrlAlt != 0 ? CornerRoom / 2 : 0);
    if (entry.plain == 0x0020) {
        plan.plainSpace = SpaceMarkAt(centreX, centreY, 20);
    } else if (DrawnAsGlyph(entry.plain) && faces.plain) {
        const InkBounds ink = InkOrCell(*faces.plain, entry.plain);
        plan.plain = KeyPlan::Placed{entry.plain, static_cast<int>(std::lround(centreX - (ink.left + ink.right) / 2)),
                                     static_cast<int>(std::lround(centreY - (ink.top + ink.bottom) / 2))};
    }

    // The Ctrl+Alt layer's ink in the bottom right corner.
    if (entry.ctrlAlt != 0) {
        int inkWidth = 12, inkHeight = 4;
        if (entry.ctrlAlt == 0x0020) {
            plan.ctrlAltSpace = SpaceMarkAt(width - chart::Inset - inkWidth / 2, height - chart::Inset - inkHeight / 2,
                                            inkWidth);
        } else if (DrawnAsGlyph(entry.ctrlAlt) && faces.ctrlAlt) {
            const InkBounds ink = InkOrCell(*faces.ctrlAlt, entry.ctrlAlt);
            plan.ctrlAlt = KeyPlan::Placed{entry.ctrlAlt, width - chart::Inset - static_cast<int>(std::ceil(ink.right)),
                                           height - chart::Inset - static_cast<int>(std::ceil(ink.bottom))};
            inkWidth = static_cast<int>(std::ceil(ink.right - ink.left));
            inkHeight = static_cast<int>(std::ceil(ink.bottom - ink.top));
        }
        const int areaWidth = std::max(CtrlAltTarget, inkWidth + 2 * chart::Inset);
        const int areaHeight = std::max(CtrlAltTarget, inkHeight + 2 * chart::Inset);
        plan.ctrlAltArea = QRect(width - areaWidth, height - areaHeight, areaWidth, areaHeight);
    }
    return plan;
}

QImage RasterOfKey(const KeyPlan& plan, ChartFaces& faces, double scale)
{
    QImage image(static_cast<int>(std::lround(plan.size.width() * scale)),
                 static_cast<int>(std::lround(plan.size.height() * scale)), QImage::Format_RGB32);
    image.fill(chart::Background);
    image.setDevicePixelRatio(scale);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(QColor::fromRgb(KeyEdge), 1));
        painter.setBrush(QColor::fromRgb(KeyTop));
        painter.drawRoundedRect(QRectF(0.5, 0.5, plan.size.width() - 1, plan.size.height() - 1), KeyRadius,
                                KeyRadius);
        for (const auto& mark : {plan.plainSpace, plan.ctrlAltSpace})
            if (mark)
                for (const QRect& stroke : SpaceStrokes(*mark))
                    painter.fillRect(stroke, QColor::fromRgb(SpaceMark));
    }
    if (faces.label)
        for (const KeyPlan::Placed& placed : plan.label)
            DrawPlaced(image, *faces.label, placed, scale);
    if (plan.plain)
        DrawPlaced(image, *faces.plain, *plan.plain, scale);
    if (plan.ctrlAlt)
        DrawPlaced(image, *faces.ctrlAlt, *plan.ctrlAlt, scale);

    if (plan.dimmed) {
        const auto dim = [](int channel, int background) {
            return static_cast<int>(std::lround(channel * DimmedShare + background * (1 - DimmedShare)));
        };
        for (int y = 0; y < image.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x)
                line[x] = qRgb(dim(qRed(line[x]), qRed(chart::Background)),
                               dim(qGreen(line[x]), qGreen(chart::Background)),
                               dim(qBlue(line[x]), qBlue(chart::Background)));
        }
    }
    return image;
}

QImage RasterOfChart(const std::vector<ChartEntry>& chart, ChartFaces& faces, double scale)
{
    const QSize size = ChartSize();
    const double width = std::round(size.width() * scale), height = std::round(size.height() * scale);
    if (!PictureFits(width, height))
        throw RenderError({RenderFault::Kind::ChartTooLarge, width, height});
    QImage image(static_cast<int>(width), static_cast<int>(height), QImage::Format_RGB32);
    if (image.isNull())
        throw RenderError({RenderFault::Kind::ChartNoMemory});
    image.fill(chart::Background);
    for (const ChartEntry& entry : chart) {
        const QImage key = RasterOfKey(PlanKey(entry, faces), faces, scale);
        const QRect place = KeyRect(entry.key);
        const auto left = static_cast<int>(std::lround(place.left() * scale));
        const auto top = static_cast<int>(std::lround(place.top() * scale));
        const int columns = std::min(key.width(), image.width() - left);
        for (int y = 0; y < key.height() && top + y < image.height(); ++y)
            std::memcpy(image.scanLine(top + y) + left * sizeof(QRgb), key.constScanLine(y),
                        static_cast<size_t>(columns) * sizeof(QRgb));
    }
    MarkPictureScale(image, scale);
    return image;
}

QByteArray SvgOfChart(const std::vector<ChartEntry>& chart, ChartFaces& faces)
{
    const QSize size = ChartSize();
    QByteArray svg;
    QXmlStreamWriter xml(&svg);
    StartSvg(xml, size.width(), size.height());
    xml.writeTextElement(QStringLiteral("title"), QStringLiteral("Keyboard"));
    const auto rectangle = [&xml](const QRectF& rect, QRgb fill) {
        xml.writeEmptyElement(QStringLiteral("rect"));
        xml.writeAttribute(QStringLiteral("x"), QString::number(rect.x()));
        xml.writeAttribute(QStringLiteral("y"), QString::number(rect.y()));
        xml.writeAttribute(QStringLiteral("width"), QString::number(rect.width()));
        xml.writeAttribute(QStringLiteral("height"), QString::number(rect.height()));
        xml.writeAttribute(QStringLiteral("fill"), Hex(fill));
    };
    rectangle(QRectF(QPointF(0, 0), QSizeF(size)), chart::Background);

    for (const ChartEntry& entry : chart) {
        const KeyPlan plan = PlanKey(entry, faces);
        const QRect place = KeyRect(entry.key);
        xml.writeStartElement(QStringLiteral("g"));
        xml.writeAttribute(QStringLiteral("transform"),
                           QStringLiteral("translate(%1 %2)").arg(place.left()).arg(place.top()));
        if (plan.dimmed)
            xml.writeAttribute(QStringLiteral("opacity"), QString::number(DimmedShare));
        rectangle(QRectF(0.5, 0.5, plan.size.width() - 1, plan.size.height() - 1), KeyTop);
        xml.writeAttribute(QStringLiteral("rx"), QString::number(KeyRadius));
        xml.writeAttribute(QStringLiteral("stroke"), Hex(KeyEdge));
        for (const auto& mark : {plan.plainSpace, plan.ctrlAltSpace})
            if (mark)
                for (const QRect& stroke : SpaceStrokes(*mark))
                    rectangle(stroke, SpaceMark);
        const auto glyph = [&xml](SizedFace& face, const KeyPlan::Placed& placed) {
            const GlyphOutline outline = face.Outline(placed.unit, placed.penX, placed.baseline);
            if (outline.path.empty())
                return;
            xml.writeEmptyElement(QStringLiteral("path"));
            xml.writeAttribute(QStringLiteral("d"), QString::fromStdString(outline.path));
            if (outline.evenOdd)
                xml.writeAttribute(QStringLiteral("fill-rule"), QStringLiteral("evenodd"));
        };
        if (faces.label)
            for (const KeyPlan::Placed& placed : plan.label)
                glyph(*faces.label, placed);
        if (plan.plain)
            glyph(*faces.plain, *plan.plain);
        if (plan.ctrlAlt)
            glyph(*faces.ctrlAlt, *plan.ctrlAlt);
        xml.writeEndElement();
    }
    xml.writeEndDocument();
    return svg;
}
