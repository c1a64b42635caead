#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "AnsiString.h"
#include "FontPlatform.h"

// The face that a drawing font with this face name draws with: the installed
// family of the full name that faceName was cut from, when there is one; else
// the installed family of faceName; for a name cut to 31 bytes, the first
// family (in byte order) whose name begins with it; otherwise the font
// database's substitute. An empty name stands for the default sans face.
std::optional<FaceSource> ResolveCanvasFace(const AnsiString& faceName, const AnsiString& fullName);

// The four text metrics of a face at one em, in whole pixels, as the Windows
// text-metric call reports them for a TrueType face.
struct TextMetrics {
    int ascent = 0;
    int descent = 0;
    int internalLeading = 0;
    int externalLeading = 0;

    // Both leadings are added to the cell height: the line pitch the
    // renderer has always used, kept as it is.
    int LineHeight() const { return ascent + descent + internalLeading + externalLeading; }
};

// Coverage of one rendered glyph: rows of width bytes (0 = untouched, 255 =
// fully covered), placed left pixels right of the pen and top pixels above
// the baseline.
struct GlyphImage {
    int left = 0;
    int top = 0;
    int width = 0;
    int rows = 0;
    std::vector<uint8_t> coverage;
};

// One face opened at one em size. The face files stay open between uses, and
// rendered glyphs are kept per face and size; both are internal caches that
// never change a result.
class SizedFace {
public:
    // Nothing when the face cannot be opened or scaled to that size.
    static std::optional<SizedFace> Open(const FaceSource& source, int pixelSize);

    TextMetrics Metrics() const { return metrics; }

    // The advance of the face's glyph for the unit in whole pixels; a unit the
    // face does not map gets the missing glyph's advance.
    int32_t Advance(char16_t unit);

    // The glyph for the unit (the missing glyph when the face lacks it).
    const GlyphImage& Glyph(char16_t unit);

    // The open face and its glyph cache (internal).
    struct Entry;

private:
    SizedFace(Entry* openEntry, int emPixels, TextMetrics faceMetrics)
        : entry(openEntry), pixelSize(emPixels), metrics(faceMetrics) {}

    Entry* entry;
    int pixelSize;
    TextMetrics metrics;
};
