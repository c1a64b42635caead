#include "LineRenderer.h"

#include <algorithm>

#include "FaceMetrics.h"
#include "LineLayout.h"

namespace {

constexpr QRgb White = 0xFFFFFFFF;

// Inverts red, green and blue of the rectangle's pixels inside the bitmap.
void InvertRect(QImage& bitmap, const MarkPlacement& mark)
{
    const int64_t left = std::max<int64_t>(mark.left, 0);
    const int64_t right = std::min<int64_t>(mark.right, bitmap.width());
    const int64_t top = std::max<int64_t>(mark.top, 0);
    const int64_t bottom = std::min<int64_t>(mark.bottom, bitmap.height());
    for (int64_t row = top; row < bottom; ++row) {
        auto* line = reinterpret_cast<QRgb*>(bitmap.scanLine(static_cast<int>(row)));
        for (int64_t column = left; column < right; ++column)
            line[column] ^= 0x00FFFFFF;
    }
}

// Blends the glyph's coverage in black (the window-text colour) over the
// bitmap, its cell's top left corner at (x, y). Like the Windows text output,
// nothing is drawn outside the rows of the cell (ascent above the baseline,
// descent below it): a glyph that reaches beyond the face's win metrics is
// clipped there. That also makes a cell that starts below the bitmap draw
// nothing at all, which lets the layout stop at the first such line.
void DrawGlyph(QImage& bitmap, const GlyphImage& glyph, int64_t x, int64_t y, const TextMetrics& metrics)
{
    const int64_t originX = x + glyph.left;
    const int64_t originY = y + metrics.ascent - glyph.top;
    const int64_t cellTop = std::max<int64_t>(y, 0);
    const int64_t cellBottom = std::min<int64_t>(y + metrics.ascent + metrics.descent, bitmap.height());
    const int64_t firstRow = std::max<int64_t>(originY, cellTop);
    const int64_t endRow = std::min<int64_t>(originY + glyph.rows, cellBottom);
    const int64_t firstColumn = std::max<int64_t>(originX, 0);
    const int64_t endColumn = std::min<int64_t>(originX + glyph.width, bitmap.width());
    for (int64_t row = firstRow; row < endRow; ++row) {
        auto* line = reinterpret_cast<QRgb*>(bitmap.scanLine(static_cast<int>(row)));
        const uint8_t* coverage = glyph.coverage.data() + (row - originY) * glyph.width;
        for (int64_t column = firstColumn; column < endColumn; ++column) {
            const unsigned alpha = coverage[column - originX];
            if (alpha == 0)
                continue;
            const QRgb pixel = line[column];
            const auto keep = [alpha](unsigned channel) { return channel - (channel * alpha + 127) / 255; };
            line[column] = qRgb(static_cast<int>(keep(qRed(pixel))), static_cast<int>(keep(qGreen(pixel))),
                                static_cast<int>(keep(qBlue(pixel))));
        }
    }
}

} // namespace

void RenderLine(DrawingCanvas& canvas, const OwnWideString& TypedText, int32_t CursorPos, const AnsiString& FaceName,
                int W, int H, int pixelSize)
{
    W = std::max(W, 0);
    H = std::max(H, 0);

    if (canvas.bitmap.width() != W || canvas.bitmap.height() != 4 * H
        || canvas.bitmap.format() != QImage::Format_RGB32)
        canvas.bitmap = QImage(W, 4 * H, QImage::Format_RGB32);
    canvas.created = true;

    ApplyFaceName(canvas, FaceName);
    canvas.pixelSize = pixelSize;

    canvas.bitmap.fill(White);

    std::optional<SizedFace> face;
    if (auto source = ResolveCanvasFace(canvas.faceName, canvas.fullFaceName))
        face = SizedFace::Open(*source, pixelSize);
    // With no usable face at all the text has no glyphs to show; the lines
    // keep the em as their height so that the mark still shows where it is.
    const TextMetrics metrics = face ? face->Metrics() : TextMetrics{pixelSize, 0, 0, 0};
    const int32_t LineHeight = metrics.LineHeight();

    // The layout reads the text in place and adds the trailing space itself,
    // so a run costs the same however much text lies below the bitmap.
    const LineLayout layout = LayOutLine(TypedText.Buffer(), CursorPos, W, LineHeight, canvas.bitmap.height(),
                                         [&face](char16_t unit) { return face ? face->Advance(unit) : 0; });

    for (size_t at = 0; at <= layout.glyphs.size(); ++at) {
        if (layout.mark && at == layout.glyphsBeforeMark)
            InvertRect(canvas.bitmap, *layout.mark);
        if (at == layout.glyphs.size() || !face)
            continue;
        const GlyphPlacement& placed = layout.glyphs[at];
        DrawGlyph(canvas.bitmap, face->Glyph(placed.unit), placed.x, placed.y, metrics);
    }
}
