#include "LineRenderer.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr QRgb White = 0xFFFFFFFF;

// Inverts red, green and blue of the rectangle's pixels inside the bitmap.
void InvertRect(QImage& bitmap, int64_t left, int64_t top, int64_t right, int64_t bottom)
{
    left = std::max<int64_t>(left, 0);
    right = std::min<int64_t>(right, bitmap.width());
    top = std::max<int64_t>(top, 0);
    bottom = std::min<int64_t>(bottom, bitmap.height());
    for (int64_t row = top; row < bottom; ++row) {
        auto* line = reinterpret_cast<QRgb*>(bitmap.scanLine(static_cast<int>(row)));
        for (int64_t column = left; column < right; ++column)
            line[column] ^= 0x00FFFFFF;
    }
}

} // namespace

// Like the Windows text output, nothing is drawn outside the rows of the
// glyph's cell (ascent above the baseline, descent below it): a glyph that
// reaches beyond the face's win metrics is clipped there. That also makes a
// cell that starts below the bitmap draw nothing at all, which lets the layout
// stop at the first such line.
void DrawGlyph(QImage& bitmap, const GlyphImage& glyph, int64_t originX, int64_t originY, int64_t clipTop,
               int64_t clipBottom)
{
    const int64_t left = originX + glyph.left;
    const int64_t top = originY - glyph.top;
    const int64_t firstRow = std::max<int64_t>({top, clipTop, 0});
    const int64_t endRow = std::min<int64_t>({top + glyph.rows, clipBottom, bitmap.height()});
    const int64_t firstColumn = std::max<int64_t>(left, 0);
    const int64_t endColumn = std::min<int64_t>(left + glyph.width, bitmap.width());
    if (firstRow >= endRow || firstColumn >= endColumn)
        return;
    // Rows by address rather than through scanLine(), which checks for
    // sharing at every call, and only the covered spans of each row: this
    // loop is most of a keystroke's redraw.
    uchar* const bits = bitmap.bits();
    const qsizetype bytesPerLine = bitmap.bytesPerLine();
    for (int64_t row = firstRow; row < endRow; ++row) {
        auto* line = reinterpret_cast<QRgb*>(bits + row * bytesPerLine);
        const int64_t glyphRow = row - top;
        const uint8_t* coverage = glyph.coverage.data() + glyphRow * glyph.width;
        for (uint32_t at = glyph.rowSpans[glyphRow]; at < glyph.rowSpans[glyphRow + 1]; ++at) {
            const int64_t first = std::max<int64_t>(glyph.spans[at].first, firstColumn - left);
            const int64_t end = std::min<int64_t>(glyph.spans[at].end, endColumn - left);
            for (int64_t column = first; column < end; ++column) {
                const unsigned alpha = coverage[column];
                QRgb& pixel = line[left + column];
                if (alpha == 255) {
                    pixel = qRgb(0, 0, 0);
                } else if (pixel == White) {
                    // The blend below of white, the common case, in one step.
                    pixel = White - alpha * 0x010101;
                } else {
                    const auto keep = [alpha](unsigned channel) { return channel - (channel * alpha + 127) / 255; };
                    pixel = qRgb(static_cast<int>(keep(qRed(pixel))), static_cast<int>(keep(qGreen(pixel))),
                                 static_cast<int>(keep(qBlue(pixel))));
                }
            }
        }
    }
}

std::optional<FaceSource> CanvasFace(const DrawingCanvas& canvas)
{
    return ResolveFace(canvas.fullFaceName);
}

std::optional<SizedFace> OpenCanvasFace(const DrawingCanvas& canvas, int pixelSize)
{
    const std::optional<FaceSource> source = CanvasFace(canvas);
    return source ? SizedFace::Open(*source, pixelSize) : std::nullopt;
}

PictureScene WindowScene(const OwnWideString& TypedText, int32_t CursorPos, const DrawingCanvas& canvas, int W, int H,
                         int pixelSize)
{
    PictureScene scene;
    scene.face = OpenCanvasFace(canvas, pixelSize);
    // With no usable face at all the text has no glyphs to show; the lines
    // keep the em as their height so that the mark still shows where it is.
    scene.metrics = scene.face ? scene.face->Metrics() : TextMetrics{pixelSize, 0, 0, 0};
    scene.width = W;
    scene.height = 4 * static_cast<int64_t>(H);
    // The layout reads the text in place and adds the trailing space itself,
    // so a run costs the same however much text lies below the bitmap.
    std::optional<SizedFace>& face = scene.face;
    scene.layout = LayOutLine(TypedText.Buffer(), CursorPos, W, scene.metrics.LineHeight(), scene.height,
                              [&face](char16_t unit) { return face ? face->Advance(unit) : 0; });
    return scene;
}

void DrawScene(QImage& bitmap, const PictureScene& scene, double scale)
{
    bitmap.fill(White);
    std::optional<SizedFace> face = scene.face;
    const TextMetrics& metrics = scene.metrics;
    // Logical places to device pixels, relative to the picture's corner.
    const auto deviceX = [&](int64_t x) { return std::llround(x * scale) - std::llround(scene.left * scale); };
    const auto deviceY = [&](int64_t y) { return std::llround(y * scale) - std::llround(scene.top * scale); };

    const LineLayout& layout = scene.layout;
    for (size_t at = 0; at <= layout.glyphs.size(); ++at) {
        if (layout.mark && at == layout.glyphsBeforeMark)
            InvertRect(bitmap, deviceX(layout.mark->left), deviceY(layout.mark->top), deviceX(layout.mark->right),
                       deviceY(layout.mark->bottom));
        if (at == layout.glyphs.size() || !face)
            continue;
        const GlyphPlacement& placed = layout.glyphs[at];
        DrawGlyph(bitmap, *face->Glyph(placed.unit, scale), deviceX(placed.x), deviceY(placed.y + metrics.ascent),
                  deviceY(placed.y), deviceY(placed.y + metrics.ascent + metrics.descent));
    }
}

void RenderLine(DrawingCanvas& canvas, const OwnWideString& TypedText, int32_t CursorPos, const AnsiString& FaceName,
                int W, int H, int pixelSize, double scale)
{
    W = std::max(W, 0);
    H = std::max(H, 0);
    scale = std::max(scale, 1.0);

    const auto deviceWidth = static_cast<int>(std::lround(W * scale));
    const auto deviceHeight = static_cast<int>(std::lround(4.0 * H * scale));
    if (canvas.bitmap.width() != deviceWidth || canvas.bitmap.height() != deviceHeight
        || canvas.bitmap.format() != QImage::Format_RGB32)
        canvas.bitmap = QImage(deviceWidth, deviceHeight, QImage::Format_RGB32);
    canvas.bitmap.setDevicePixelRatio(scale);
    canvas.created = true;

    ApplyFaceName(canvas, FaceName);
    canvas.pixelSize = pixelSize;

    DrawScene(canvas.bitmap, WindowScene(TypedText, CursorPos, canvas, W, H, pixelSize), scale);
}
