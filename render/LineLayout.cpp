#include "LineLayout.h"

#include <unordered_map>

namespace {

bool IsLineBreak(char16_t unit)
{
    return unit == 0x000D || unit == 0x000A;
}

} // namespace

LineLayout LayOutLine(const char16_t* text, int32_t CursorPos, int32_t W, int32_t LineHeight, int64_t bitmapHeight,
                      const std::function<int32_t(char16_t)>& widthOf)
{
    LineLayout layout;
    std::unordered_map<char16_t, int32_t> widths;

    // With a line height of zero or less later lines do not move down, so
    // nothing can be ruled out and the whole text is laid out.
    const auto belowBitmap = [&](int64_t top) { return LineHeight > 0 && top >= bitmapHeight; };

    int64_t x = W;
    int64_t y = 0;
    if (belowBitmap(y))
        return layout;

    for (uint32_t i = 0;; ++i) {
        const bool trailingSpace = text[i] == 0;
        const char16_t ch = trailingSpace ? char16_t(0x0020) : text[i];

        if (CursorPos >= 0 && i == static_cast<uint32_t>(CursorPos)) {
            x -= CursorWidth;
            if (x < 0 || IsLineBreak(ch)) {
                y += LineHeight;
                x = W - CursorWidth;
                if (belowBitmap(y))
                    return layout;
            }
            layout.mark = MarkPlacement{x, y, x + CursorWidth, y + LineHeight};
            layout.glyphsBeforeMark = layout.glyphs.size();
        }

        auto known = widths.find(ch);
        if (known == widths.end())
            known = widths.emplace(ch, widthOf(ch)).first;
        const int32_t w = known->second;

        x -= w;
        if (x < 0 || IsLineBreak(ch)) {
            y += LineHeight;
            x = W - w;
            if (belowBitmap(y))
                return layout;
        }
        layout.glyphs.push_back(GlyphPlacement{i, ch, x, y, w});
        if (trailingSpace)
            return layout;
    }
}
