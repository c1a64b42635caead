#pragma once

#include <cstdint>
#include <vector>

// What stands in for a code that a face has no glyph for: the code's four
// hexadecimal digits, two rows of two, in a thin frame, centred in the
// missing glyph's cell (its advance wide, ascent + descent high), so that
// every missing code looks different while the line's layout stays as it
// is. The digits are a built-in set of 3 x 5 modules, the same on every
// machine whatever fonts are installed; a module is a whole number of
// pixels of the em, so the box is crisp at scale 1 and 2.
//
// A cell too small for the frame gets the digits alone; one too small for
// those gets nothing.

// One filled rectangle of the box in pixels of the em, x right of the pen
// and y below the baseline. The rectangles of one box never overlap.
struct HexBoxRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

std::vector<HexBoxRect> HexBoxRects(char16_t unit, int advance, int ascent, int descent, int pixelSize);

// Coverage of the rectangles drawn at scale times their size, as rows of
// bytes (0 = untouched, 255 = covered) from the device pixel (left, top)
// relative to the pen origin on the baseline, y below it. Partly covered
// pixels at a fractional scale get the covered share.
struct RectCoverage {
    int left = 0;
    int top = 0;
    int width = 0;
    int rows = 0;
    std::vector<uint8_t> coverage;
};

RectCoverage CoverageOf(const std::vector<HexBoxRect>& rects, double scale);
