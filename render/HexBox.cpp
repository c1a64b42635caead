#include "HexBox.h"

#include <algorithm>
#include <cmath>

namespace {

// The digits 0..F, five rows of three modules each, top row first, written in
// octal so that each row is one digit of three bits; bit 2 is the left
// column. 8 and B, 0 and D differ in their right-hand corners.
constexpr uint8_t Digits[16][5] = {
    {07, 05, 05, 05, 07}, // 0
    {02, 06, 02, 02, 07}, // 1
    {07, 01, 07, 04, 07}, // 2
    {07, 01, 07, 01, 07}, // 3
    {05, 05, 07, 01, 01}, // 4
    {07, 04, 07, 01, 07}, // 5
    {07, 04, 07, 05, 07}, // 6
    {07, 01, 01, 01, 01}, // 7
    {07, 05, 07, 05, 07}, // 8
    {07, 05, 07, 01, 07}, // 9
    {07, 05, 07, 05, 05}, // A
    {06, 05, 06, 05, 06}, // B
    {07, 04, 04, 04, 07}, // C
    {06, 05, 05, 05, 06}, // D
    {07, 04, 07, 04, 07}, // E
    {07, 04, 07, 04, 04}, // F
};
constexpr int DigitColumns = 3;
constexpr int DigitRows = 5;

// The digits' block: two digits a row with one module between them, two rows
// with one module between them.
constexpr int BlockColumns = 2 * DigitColumns + 1;
constexpr int BlockRows = 2 * DigitRows + 1;
// A frame of one pixel and one pixel of room inside it, on each side.
constexpr int FrameAndRoom = 2;

void AddDigit(std::vector<HexBoxRect>& rects, unsigned digit, int left, int top, int module)
{
    for (int row = 0; row < DigitRows; ++row) {
        const unsigned bits = Digits[digit][row];
        for (int column = 0; column < DigitColumns;) {
            if (!(bits & (4u >> column))) {
                ++column;
                continue;
            }
            const int first = column;
            while (column < DigitColumns && (bits & (4u >> column)))
                ++column;
            rects.push_back({left + first * module, top + row * module, (column - first) * module, module});
        }
    }
}

} // namespace

std::vector<HexBoxRect> HexBoxRects(char16_t unit, int advance, int ascent, int descent, int pixelSize)
{
    const int cellHeight = ascent + descent;
    // Small beside the text however wide the missing glyph is: modules of
    // about a sixteenth of the em at most.
    const int largest = std::max(1, (pixelSize + 8) / 16);
    const auto fitting = [&](int margin) {
        return std::min({largest, (advance - 2 * margin) / BlockColumns, (cellHeight - 2 * margin) / BlockRows});
    };
    int margin = FrameAndRoom;
    int module = fitting(margin);
    if (module < 1) {
        margin = 0;
        module = fitting(margin);
    }
    std::vector<HexBoxRect> rects;
    if (module < 1)
        return rects;

    const int width = BlockColumns * module + 2 * margin;
    const int height = BlockRows * module + 2 * margin;
    const int left = (advance - width) / 2;
    const int top = -ascent + (cellHeight - height) / 2;
    if (margin > 0) {
        rects.push_back({left, top, width, 1});
        rects.push_back({left, top + height - 1, width, 1});
        rects.push_back({left, top + 1, 1, height - 2});
        rects.push_back({left + width - 1, top + 1, 1, height - 2});
    }
    for (int place = 0; place < 4; ++place) {
        const unsigned digit = (static_cast<unsigned>(unit) >> (12 - 4 * place)) & 0xF;
        AddDigit(rects, digit, left + margin + (place % 2) * (DigitColumns + 1) * module,
                 top + margin + (place / 2) * (DigitRows + 1) * module, module);
    }
    return rects;
}

RectCoverage CoverageOf(const std::vector<HexBoxRect>& rects, double scale)
{
    RectCoverage image;
    if (rects.empty())
        return image;
    double left = rects.front().left * scale, right = left;
    double top = rects.front().top * scale, bottom = top;
    for (const HexBoxRect& rect : rects) {
        left = std::min(left, rect.left * scale);
        right = std::max(right, (rect.left + rect.width) * scale);
        top = std::min(top, rect.top * scale);
        bottom = std::max(bottom, (rect.top + rect.height) * scale);
    }
    image.left = static_cast<int>(std::floor(left));
    image.top = static_cast<int>(std::floor(top));
    image.width = static_cast<int>(std::ceil(right)) - image.left;
    image.rows = static_cast<int>(std::ceil(bottom)) - image.top;
    std::vector<double> covered(static_cast<size_t>(image.width) * image.rows, 0.0);
    // Each pixel gets the area of the rectangles over it; they do not overlap.
    const auto overlap = [](double from, double to, int pixel) {
        return std::max(0.0, std::min(to, pixel + 1.0) - std::max(from, static_cast<double>(pixel)));
    };
    for (const HexBoxRect& rect : rects) {
        const double x0 = rect.left * scale, x1 = (rect.left + rect.width) * scale;
        const double y0 = rect.top * scale, y1 = (rect.top + rect.height) * scale;
        for (int y = static_cast<int>(std::floor(y0)); y < static_cast<int>(std::ceil(y1)); ++y) {
            const double rowShare = overlap(y0, y1, y);
            for (int x = static_cast<int>(std::floor(x0)); x < static_cast<int>(std::ceil(x1)); ++x)
                covered[static_cast<size_t>(y - image.top) * image.width + (x - image.left)] +=
                    rowShare * overlap(x0, x1, x);
        }
    }
    image.coverage.resize(covered.size());
    std::transform(covered.begin(), covered.end(), image.coverage.begin(), [](double share) {
        return static_cast<uint8_t>(std::lround(std::min(share, 1.0) * 255));
    });
    return image;
}
