#include "SizedFace.h"

#include "RenderError.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <stdexcept>
#include <unordered_map>
#include <utility>

#include <QString>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_BBOX_H
#include FT_OUTLINE_H

#include "SvgPath.h"

// Everything here runs on the GUI thread only, like the renderer itself.
struct SizedFace::Entry {
    struct CachedGlyph {
        int32_t advance = 0;
        // Null until the glyph is first rendered; shared, so that a handle
        // outlives the cache being emptied.
        std::shared_ptr<const GlyphImage> image;
    };

    FT_Face face = nullptr;
    FT_F26Dot6 currentSize = 0;
    std::unordered_map<uint64_t, CachedGlyph> glyphs;  // key: em in 1/64 pixel << 32 | glyph index

    // Sizes go in 1/64 pixel so that an em times 1.25 or 1.5 is rendered as
    // it is; at 72 dots per inch a whole number of pixels asks FreeType for
    // exactly what a size in pixels does.
    bool SetSize(FT_F26Dot6 size)
    {
        if (currentSize == size)
            return true;
        if (FT_Set_Char_Size(face, 0, size, 72, 72) != 0) {
            currentSize = 0;
            return false;
        }
        currentSize = size;
        return true;
    }

    // The cached record of the unit's glyph with its advance filled in. A code
    // the face does not map gives glyph 0, the face's missing glyph, whose
    // advance it takes; it is drawn as the code's hex box, so each such code
    // has a record of its own, keyed past the glyph indices (which are 16
    // bits). The face draws everything itself, with no fallback to another
    // font.
    CachedGlyph& Lookup(char16_t unit, FT_F26Dot6 size)
    {
        const FT_UInt index = FT_Get_Char_Index(face, unit);
        const uint64_t glyphKey = index != 0 ? index : 0x10000u + unit;
        const uint64_t key = (static_cast<uint64_t>(size) << 32) | glyphKey;
        auto found = glyphs.find(key);
        if (found != glyphs.end())
            return found->second;

        // A bound on memory for faces with very many glyphs in use.
        if (glyphs.size() >= 16384)
            glyphs.clear();
        CachedGlyph& glyph = glyphs[key];
        if (SetSize(size) && FT_Load_Glyph(face, index, FT_LOAD_DEFAULT) == 0)
            glyph.advance = static_cast<int32_t>((face->glyph->advance.x + 32) >> 6);
        return glyph;
    }
};

namespace {

FT_Library Library()
{
    static FT_Library library = [] {
        FT_Library opened = nullptr;
        if (FT_Init_FreeType(&opened) != 0)
            opened = nullptr;
        return opened;
    }();
    return library;
}

// Opened faces stay open for the life of the process: the renderer redraws
// on every keystroke and opening a face file each time would dominate.
std::map<std::pair<std::string, int>, std::unique_ptr<SizedFace::Entry>>& OpenFaces()
{
    static std::map<std::pair<std::string, int>, std::unique_ptr<SizedFace::Entry>> faces;
    return faces;
}

// The covered stretches of each row of the image's coverage.
void FindSpans(GlyphImage& image)
{
    image.spans.clear();
    image.rowSpans.assign(1, 0);
    for (int row = 0; row < image.rows; ++row) {
        const uint8_t* line = image.coverage.data() + static_cast<size_t>(row) * image.width;
        for (int column = 0; column < image.width;) {
            if (line[column] == 0) {
                ++column;
                continue;
            }
            const auto first = static_cast<uint32_t>(column);
            while (column < image.width && line[column] != 0)
                ++column;
            image.spans.push_back({first, static_cast<uint32_t>(column)});
        }
        image.rowSpans.push_back(static_cast<uint32_t>(image.spans.size()));
    }
}

// Coverage bytes of the rendered bitmap, whatever its pixel mode; modes the
// renderer cannot read give an empty image.
void CopyCoverage(const FT_Bitmap& bitmap, GlyphImage& image)
{
    image.width = static_cast<int>(bitmap.width);
    image.rows = static_cast<int>(bitmap.rows);
    image.coverage.assign(static_cast<size_t>(image.width) * image.rows, 0);
    for (int row = 0; row < image.rows; ++row) {
        const unsigned char* source = bitmap.buffer + static_cast<ptrdiff_t>(row) * bitmap.pitch;
        uint8_t* target = image.coverage.data() + static_cast<size_t>(row) * image.width;
        for (int column = 0; column < image.width; ++column) {
            switch (bitmap.pixel_mode) {
            case FT_PIXEL_MODE_GRAY:
                target[column] = static_cast<uint8_t>(source[column] * 255 / std::max(1, bitmap.num_grays - 1));
                break;
            case FT_PIXEL_MODE_MONO:
                target[column] = (source[column >> 3] & (0x80 >> (column & 7))) ? 255 : 0;
                break;
            case FT_PIXEL_MODE_BGRA:
                target[column] = source[column * 4 + 3];
                break;
            default:
                image.width = image.rows = 0;
                image.coverage.clear();
                return;
            }
        }
    }
    FindSpans(image);
}

} // namespace

std::optional<SizedFace> SizedFace::Open(const FaceSource& source, int pixelSize)
{
    if (pixelSize <= 0 || !Library())
        return std::nullopt;
    auto& faces = OpenFaces();
    auto& slot = faces[{source.file, source.index}];
    if (!slot) {
        FT_Face face = nullptr;
        if (FT_New_Face(Library(), source.file.c_str(), source.index, &face) != 0) {
            faces.erase({source.file, source.index});
            return std::nullopt;
        }
        // The catalogue lists a face by its Windows Unicode BMP subtable
        // (3, 1), so glyphs are looked up there too: FreeType on its own
        // prefers a (3, 10) or (0, x) subtable, which may map codes otherwise.
        for (FT_Int i = 0; i < face->num_charmaps; ++i) {
            if (face->charmaps[i]->platform_id == 3 && face->charmaps[i]->encoding_id == 1) {
                FT_Set_Charmap(face, face->charmaps[i]);
                break;
            }
        }
        slot = std::make_unique<Entry>();
        slot->face = face;
    }
    Entry* entry = slot.get();
    if (!entry->SetSize(static_cast<FT_F26Dot6>(pixelSize) * 64))
        return std::nullopt;
    const TextMetrics metrics = FaceTextMetrics(entry->face, pixelSize);
    return SizedFace(entry, pixelSize, metrics);
}

int32_t SizedFace::Advance(char16_t unit)
{
    return entry->Lookup(unit, static_cast<FT_F26Dot6>(pixelSize) * 64).advance;
}

std::shared_ptr<const GlyphImage> SizedFace::Glyph(char16_t unit, double scale)
{
    const auto size = static_cast<FT_F26Dot6>(std::lround(pixelSize * scale * 64));
    if (const auto& cached = entry->Lookup(unit, size).image)
        return cached;
    FT_Face face = entry->face;
    const FT_UInt index = FT_Get_Char_Index(face, unit);
    auto image = std::make_shared<GlyphImage>();
    if (index == 0) {
        RectCoverage box = CoverageOf(HexBox(unit), scale);
        image->left = box.left;
        image->top = -box.top;
        image->width = box.width;
        image->rows = box.rows;
        image->coverage = std::move(box.coverage);
        FindSpans(*image);
    } else if (entry->SetSize(size) && FT_Load_Glyph(face, index, FT_LOAD_DEFAULT) == 0
               && (face->glyph->format == FT_GLYPH_FORMAT_BITMAP
                   || FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL) == 0)) {
        image->left = face->glyph->bitmap_left;
        image->top = face->glyph->bitmap_top;
        CopyCoverage(face->glyph->bitmap, *image);
    }
    // The box asked for the advance at the em, a lookup that may have emptied
    // the cache: the record is looked up again.
    entry->Lookup(unit, size).image = image;
    return image;
}

std::vector<HexBoxRect> SizedFace::HexBox(char16_t unit)
{
    return HexBoxRects(unit, Advance(unit), metrics.ascent, metrics.descent, pixelSize);
}

bool SizedFace::Lacks(char16_t unit) const
{
    return FT_Get_Char_Index(entry->face, unit) == 0;
}

void SizedFace::LoadOutline(char16_t unit)
{
    FT_Face face = entry->face;
    const QString family = QString::fromUtf8(face->family_name ? face->family_name : "?");
    if (!FT_IS_SCALABLE(face))
        throw RenderError({RenderFault::Kind::BitmapsOnly, 0, 0, 1, family});
    if (Lacks(unit))
        return;
    if (FT_Load_Glyph(face, FT_Get_Char_Index(face, unit), FT_LOAD_NO_SCALE | FT_LOAD_NO_BITMAP) != 0
        || face->glyph->format != FT_GLYPH_FORMAT_OUTLINE) {
        throw RenderError({RenderFault::Kind::NoOutline, 0, 0, 1, family, unit});
    }
}

GlyphOutline SizedFace::Outline(char16_t unit, double x, double baseline)
{
    LoadOutline(unit);
    GlyphOutline result;
    if (Lacks(unit)) {
        for (const HexBoxRect& rect : HexBox(unit))
            AppendRectPath(result.path, x + rect.left, baseline + rect.top, rect.width, rect.height);
        return result;
    }
    FT_Face face = entry->face;
    FT_Outline& outline = face->glyph->outline;
    result.evenOdd = (outline.flags & FT_OUTLINE_EVEN_ODD_FILL) != 0;
    if (!AppendOutlinePath(result.path, outline, x, baseline, static_cast<double>(pixelSize) / face->units_per_EM))
        throw RenderError({RenderFault::Kind::UnreadableOutline});
    return result;
}

InkBounds SizedFace::Ink(char16_t unit)
{
    if (Lacks(unit)) {
        const std::vector<HexBoxRect> rects = HexBox(unit);
        if (rects.empty())
            return {};
        InkBounds bounds{static_cast<double>(rects.front().left), static_cast<double>(rects.front().top),
                         static_cast<double>(rects.front().left), static_cast<double>(rects.front().top)};
        for (const HexBoxRect& rect : rects) {
            bounds.left = std::min<double>(bounds.left, rect.left);
            bounds.top = std::min<double>(bounds.top, rect.top);
            bounds.right = std::max<double>(bounds.right, rect.left + rect.width);
            bounds.bottom = std::max<double>(bounds.bottom, rect.top + rect.height);
        }
        return bounds;
    }
    FT_Face face = entry->face;
    if (FT_IS_SCALABLE(face) && face->units_per_EM > 0
        && FT_Load_Glyph(face, FT_Get_Char_Index(face, unit), FT_LOAD_NO_SCALE | FT_LOAD_NO_BITMAP) == 0
        && face->glyph->format == FT_GLYPH_FORMAT_OUTLINE) {
        if (face->glyph->outline.n_points == 0)
            return {};
        FT_BBox box;
        FT_Outline_Get_BBox(&face->glyph->outline, &box);
        const double pixelsPerUnit = static_cast<double>(pixelSize) / face->units_per_EM;
        return {box.xMin * pixelsPerUnit, -box.yMax * pixelsPerUnit, box.xMax * pixelsPerUnit,
                -box.yMin * pixelsPerUnit};
    }
    const auto image = Glyph(unit);
    return {static_cast<double>(image->left), static_cast<double>(-image->top),
            static_cast<double>(image->left + image->width), static_cast<double>(image->rows - image->top)};
}
