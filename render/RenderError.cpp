#include "RenderError.h"

#include <cmath>

#include <QtGlobal>

#include "TextPicture.h"

namespace {

// The messages keep the contexts they were first translated in.
constexpr const char* PictureContext = "TextPicture";
constexpr const char* FaceContext = "FaceMetrics";

QString Oversize(double width, double height, Wording word)
{
    // Past a side's limit the size itself may not even fit an integer.
    if (!(width <= MaxPictureSide && height <= MaxPictureSide))
        return word(PictureContext, QT_TRANSLATE_NOOP("TextPicture", "larger than %1 pixels a side"))
            .arg(MaxPictureSide);
    return word(PictureContext, QT_TRANSLATE_NOOP("TextPicture", "%1 x %2 pixels, more than %3 pixels in all"))
        .arg(std::llround(width))
        .arg(std::llround(height))
        .arg(MaxPicturePixels);
}

}  // namespace

QString AsWritten(const char*, const char* source)
{
    return QString::fromUtf8(source);
}

QString RenderErrorMessage(const RenderFault& fault, Wording word)
{
    using Kind = RenderFault::Kind;
    switch (fault.kind) {
    case Kind::TextTooLong:
        return word(PictureContext, QT_TRANSLATE_NOOP("TextPicture", "The text is too long for one picture: it would be %1."))
            .arg(Oversize(fault.width, fault.height, word));
    case Kind::ScaleTooLarge:
        return word(PictureContext, QT_TRANSLATE_NOOP("TextPicture", "At scale %1 the picture would be %2."))
            .arg(QString::number(fault.scale), Oversize(fault.width, fault.height, word));
    case Kind::NoMemory:
        return word(PictureContext, QT_TRANSLATE_NOOP("TextPicture", "no memory for a %1 x %2 picture"))
            .arg(std::llround(fault.width))
            .arg(std::llround(fault.height));
    case Kind::PngFailed:
        return word(PictureContext, QT_TRANSLATE_NOOP("TextPicture", "The picture cannot be made into PNG: %1"))
            .arg(fault.detail);
    case Kind::ChartTooLarge:
        // Worded in English alone but for the size.
        return QStringLiteral("The chart would be ") + Oversize(fault.width, fault.height, word) + QStringLiteral(".");
    case Kind::ChartNoMemory:
        return QStringLiteral("no memory for the chart's picture");
    case Kind::BitmapsOnly:
        return word(FaceContext,
                    QT_TRANSLATE_NOOP("FaceMetrics", "The face \"%1\" has bitmaps only and no outlines to write as SVG."))
            .arg(fault.face);
    case Kind::NoOutline:
        return word(FaceContext, QT_TRANSLATE_NOOP("FaceMetrics", "The face \"%1\" has no outline for U+%2 to write as SVG."))
            .arg(fault.face, QStringLiteral("%1").arg(static_cast<unsigned>(fault.unit), 4, 16, QLatin1Char('0')).toUpper());
    case Kind::UnreadableOutline:
        return word(FaceContext, QT_TRANSLATE_NOOP("FaceMetrics", "A glyph's outline cannot be read."));
    }
    return {};
}
