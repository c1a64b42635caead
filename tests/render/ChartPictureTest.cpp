// The keyboard chart as a picture, drawn with the picture test faces.
#include <gtest/gtest.h>

#include "ChartPicture.h"
#include "SvgCheck.h"

namespace {

// Every glyph that the chart shows (labels, the layers' codes, hex boxes
// for codes the face lacks) is one path of the SVG, and the SVG shows what
// the PNG shows.
TEST(ChartPicture, SvgHoldsOnePathForEachGlyphShown)
{
    const KeybLayout layout;
    const std::vector<ChartEntry> chart = BuildChart(layout, [](unsigned place) { return place; });
    qsizetype shown = 0;
    for (const ChartEntry& entry : chart)
        shown += static_cast<qsizetype>(entry.label.size()) + DrawnAsGlyph(entry.plain) + DrawnAsGlyph(entry.ctrlAlt);

    for (const char* face : {"Vorn Wave", "Zeta"}) {
        SCOPED_TRACE(face);
        ChartFaces faces = OpenChartFaces(SelectFace(face));
        ASSERT_TRUE(faces.plain && faces.ctrlAlt && faces.label);
        const QByteArray svg = SvgOfChart(chart, faces);
        EXPECT_EQ(svg.count("<path "), shown);
        for (double scale : {1.0, 2.0})
            ExpectSvgDrawsLikePng(svg, RasterOfChart(chart, faces, scale));
    }
}

} // namespace
