#pragma once

struct FT_FaceRec_;

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

// The face's text metrics at an em of pixelSize pixels, the face's size
// already set to that em: from its OS/2, hhea and head tables, else from
// FreeType's own scaled metrics.
TextMetrics FaceTextMetrics(FT_FaceRec_* face, int pixelSize);
