#pragma once

// What the renderer and picture tests share: the first differing pixel of two pictures, and how much ink a picture holds.
#include <cstdint>
#include <string>

#include <QImage>

#include "OwnWideString.h"
#include "TextUnits.h"


// Names the first differing pixel, which says more than a failed comparison
// of two pictures.
inline std::string FirstDifference(const QImage& actual, const QImage& expected)
{
    if (actual.size() != expected.size())
        return "size " + std::to_string(actual.width()) + "x" + std::to_string(actual.height()) + ", expected "
            + std::to_string(expected.width()) + "x" + std::to_string(expected.height());
    for (int y = 0; y < actual.height(); ++y)
        for (int x = 0; x < actual.width(); ++x)
            if (actual.pixel(x, y) != expected.pixel(x, y))
                return "pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") is "
                    + std::to_string(actual.pixel(x, y) & 0xFFFFFF) + ", expected "
                    + std::to_string(expected.pixel(x, y) & 0xFFFFFF);
    return "";
}

// Darkness of a pixel: 0 on white, 255 on black.
inline int Ink(const QImage& image, int x, int y)
{
    return 255 - qGray(image.pixel(x, y));
}

inline int64_t InkSum(const QImage& image)
{
    int64_t sum = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            sum += Ink(image, x, y);
    return sum;
}
