#pragma once

#include <optional>
#include <vector>

#include <QByteArray>
#include <QImage>
#include <QRect>

#include "KeyboardChart.h"
#include "SizedFace.h"

// The keyboard chart drawn: each key a rounded key top with its label small
// in the top left corner, the glyph of the plain layer large in the middle
// and the glyph of the Ctrl+Alt layer smaller in the bottom right corner, all
// through the glyph drawing of the text (hex boxes for codes the face lacks
// included). The window shows these pictures key by key; `vorn layout`
// writes the whole chart. Measures are logical pixels.
namespace chart {
constexpr int KeyPitch = 58;  // from one key to the next, gap included
constexpr int KeyGap = 4;
constexpr int Margin = 8;     // around the keyboard
constexpr int Inset = 5;      // between a key's edge and what sits in its corners
constexpr int PlainEm = 32;
constexpr int CtrlAltEm = 18;
constexpr int LabelEm = 11;
constexpr QRgb Background = 0xFFE0E0E0;
} // namespace chart

// The faces of one chart: the chosen face at the two layers' sizes, and the
// default sans face for the labels. A face that cannot be opened is nothing,
// and what it would draw is left out.
struct ChartFaces {
    std::optional<SizedFace> plain;
    std::optional<SizedFace> ctrlAlt;
    std::optional<SizedFace> label;
};

ChartFaces OpenChartFaces(const std::optional<FaceSource>& face);

// The key's place in the chart, and the size of the whole chart.
QRect KeyRect(const ChartKey& key);
QSize ChartSize();

// Where one key shows what, in the key's own pixels.
struct KeyPlan {
    QSize size;
    struct Placed {
        char16_t unit = 0;
        int penX = 0;
        int baseline = 0;
    };
    std::vector<Placed> label;     // in faces.label
    std::optional<Placed> plain;   // in faces.plain
    std::optional<Placed> ctrlAlt; // in faces.ctrlAlt
    // A layer that types a space shows an open bracket here instead.
    std::optional<QRect> plainSpace;
    std::optional<QRect> ctrlAltSpace;
    // A click here types the Ctrl+Alt layer, anywhere else the plain one;
    // empty for a key without a Ctrl+Alt layer.
    QRect ctrlAltArea;
    bool dimmed = false;
};

KeyPlan PlanKey(const ChartEntry& entry, ChartFaces& faces);

// One key at scale s: round(w*s) x round(h*s) device pixels with that device
// pixel ratio, the chart's background around the rounded key top.
QImage RasterOfKey(const KeyPlan& plan, ChartFaces& faces, double scale);

// The whole chart at scale s, each key drawn as RasterOfKey draws it.
// Throws std::runtime_error when the picture would exceed the picture limits.
QImage RasterOfChart(const std::vector<ChartEntry>& chart, ChartFaces& faces, double scale);

// The chart as SVG in logical pixels: every glyph a <path> from the face's
// outline (a code the face lacks, its hex box), key tops and space marks
// <rect>s. Throws std::runtime_error for a face without outlines.
QByteArray SvgOfChart(const std::vector<ChartEntry>& chart, ChartFaces& faces);
