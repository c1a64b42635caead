#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "FaceMetrics.h"
#include "FontPlatform.h"
#include "HexBox.h"

// Coverage of one rendered glyph: rows of width bytes (0 = untouched, 255 =
// fully covered), placed left pixels right of the pen and top pixels above
// the baseline, all in the pixels it was rendered at.
struct GlyphImage {
    int left = 0;
    int top = 0;
    int width = 0;
    int rows = 0;
    std::vector<uint8_t> coverage;

    // The covered stretches of each row, so that drawing touches only them:
    // row r's are spans[rowSpans[r] .. rowSpans[r + 1]), each the columns
    // [first, end) of its row.
    struct Span {
        uint32_t first;
        uint32_t end;
    };
    std::vector<Span> spans;
    std::vector<uint32_t> rowSpans;
};

// Where a glyph's outline reaches, in pixels of the em the face was opened at:
// right of the pen and below the baseline are positive.
struct InkBounds {
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;

    bool IsEmpty() const { return right <= left || bottom <= top; }
};

// A glyph's outline as SVG path data, y growing downwards, with quadratic and
// cubic segments kept as they are; empty for a glyph without contours.
struct GlyphOutline {
    std::string path;
    // Filled by the even-odd rule rather than by non-zero winding.
    bool evenOdd = false;
};

// One face opened at one em size. Metrics and advances are those of that em,
// the pixels that lay a line out; glyphs can be rendered at any multiple of
// it for screens and pictures with more device pixels. The face files stay
// open between uses, and rendered glyphs are kept per face and size; both are
// internal caches that never change a result.
class SizedFace {
public:
    // Nothing when the face cannot be opened or scaled to that size.
    static std::optional<SizedFace> Open(const FaceSource& source, int pixelSize);

    TextMetrics Metrics() const { return metrics; }
    int PixelSize() const { return pixelSize; }

    // The advance of the face's glyph for the unit in whole pixels; a unit the
    // face does not map gets the missing glyph's advance.
    int32_t Advance(char16_t unit);

    // Whether the face has no glyph for the unit. Such a unit is drawn, in
    // the three forms below, as its hex box (HexBox.h) in the cell of the
    // face's missing glyph, in place of that glyph's picture.
    bool Lacks(char16_t unit) const;

    // The glyph for the unit rendered at the em times scale. A face that
    // cannot be scaled there (one with bitmaps only) gives an empty image.
    // The handle stays valid whatever the face's cache drops later.
    std::shared_ptr<const GlyphImage> Glyph(char16_t unit, double scale = 1.0);

    // The glyph's outline in pixels of the em, its pen origin at (x,
    // baseline). Throws std::runtime_error for a face without outlines.
    GlyphOutline Outline(char16_t unit, double x, double baseline);

    // Where the glyph's ink can reach: the control box of its outline, or the
    // rendered bitmap for a face without outlines.
    InkBounds Ink(char16_t unit);

    // The open face and its glyph cache (internal).
    struct Entry;

private:
    SizedFace(Entry* openEntry, int emPixels, TextMetrics faceMetrics)
        : entry(openEntry), pixelSize(emPixels), metrics(faceMetrics) {}

    // Loads the unit's glyph unscaled in font units, its outline in the face's
    // glyph slot; throws when the face has no outlines at all or none for a
    // unit it has. A unit it lacks loads nothing.
    void LoadOutline(char16_t unit);

    // The hex box of a unit the face lacks, in pixels of the em.
    std::vector<HexBoxRect> HexBox(char16_t unit);

    Entry* entry;
    int pixelSize;
    TextMetrics metrics;
};
