#include "FaceMetrics.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

namespace {

int RoundToPixels(double value)
{
    return static_cast<int>(std::lround(value));
}

// What the Windows text-metric call reports for a TrueType face requested by
// its em height: ascent and descent from usWinAscent and usWinDescent, the
// internal leading as the part of the cell beyond the em, and the external
// leading as the part of the hhea line gap that the win metrics do not cover.
std::optional<TextMetrics> MetricsFromTables(FT_Face face, int pixelSize)
{
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    const auto* hhea = static_cast<const TT_HoriHeader*>(FT_Get_Sfnt_Table(face, FT_SFNT_HHEA));
    const auto* head = static_cast<const TT_Header*>(FT_Get_Sfnt_Table(face, FT_SFNT_HEAD));
    if (!os2 || !hhea || !head || head->Units_Per_EM == 0)
        return std::nullopt;

    const double scale = static_cast<double>(pixelSize) / head->Units_Per_EM;
    const long winAscent = os2->usWinAscent;
    const long winDescent = os2->usWinDescent;
    const long hheaSpan = static_cast<long>(hhea->Ascender) - static_cast<long>(hhea->Descender);
    const long gap = static_cast<long>(hhea->Line_Gap) - ((winAscent + winDescent) - hheaSpan);

    TextMetrics metrics;
    metrics.ascent = RoundToPixels(winAscent * scale);
    metrics.descent = RoundToPixels(winDescent * scale);
    metrics.internalLeading = metrics.ascent + metrics.descent - pixelSize;
    metrics.externalLeading = std::max(0, RoundToPixels(gap * scale));
    return metrics;
}

// A face without those tables: FreeType's own scaled metrics, read the same
// way (the cell beyond the em is internal, the rest of the line external).
TextMetrics MetricsFromSize(FT_Face face, int pixelSize)
{
    const FT_Size_Metrics& size = face->size->metrics;
    TextMetrics metrics;
    metrics.ascent = static_cast<int>((size.ascender + 32) >> 6);
    metrics.descent = static_cast<int>((-size.descender + 32) >> 6);
    metrics.internalLeading = metrics.ascent + metrics.descent - pixelSize;
    metrics.externalLeading =
        std::max(0, static_cast<int>((size.height + 32) >> 6) - (metrics.ascent + metrics.descent));
    return metrics;
}

} // namespace

TextMetrics FaceTextMetrics(FT_Face face, int pixelSize)
{
    return MetricsFromTables(face, pixelSize).value_or(MetricsFromSize(face, pixelSize));
}
