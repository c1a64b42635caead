#pragma once

// What the tests of SVG pictures share (they link QtSvg).
#include <cstdint>
#include <cstdlib>

#include <QByteArray>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <gtest/gtest.h>

// The SVG drawn with QtSvg at the PNG's size shows what the PNG shows: two
// rasterisers differ only at the edges of the ink.
inline void ExpectSvgDrawsLikePng(const QByteArray& svg, const QImage& png)
{
    QSvgRenderer renderer(svg);
    ASSERT_TRUE(renderer.isValid());
    QImage drawn(png.size(), QImage::Format_RGB32);
    drawn.fill(Qt::red);
    QPainter painter(&drawn);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(drawn.size())));
    painter.end();
    int64_t difference = 0;
    int worst = 0;
    for (int y = 0; y < png.height(); ++y)
        for (int x = 0; x < png.width(); ++x) {
            const int d = std::abs(qGray(png.pixel(x, y)) - qGray(drawn.pixel(x, y)));
            difference += d;
            worst = std::max(worst, d);
        }
    EXPECT_LT(double(difference) / (png.width() * png.height()), 0.5);
    EXPECT_LT(worst, 64);
}
