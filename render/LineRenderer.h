#pragma once

#include <cstdint>
#include <optional>

#include <QImage>
#include <QString>

#include "AnsiString.h"
#include "DrawingCanvas.h"
#include "LineLayout.h"
#include "OwnWideString.h"
#include "SizedFace.h"

// Draws the whole text into the canvas's bitmap from scratch, as the main
// window's resize handling does once it knows ScrollBox1's client size W x H:
// the canvas font takes FaceName (first 31 bytes; empty keeps the face) at an
// em of pixelSize pixels, the bitmap is filled white, and the text is drawn
// right to left from the right edge, wrapping, breaking lines at U+000D and
// U+000A, with the 2-pixel insertion mark inverting the pixels under it at
// CursorPos (a negative CursorPos draws no mark and leaves no room for it).
//
// The layout is in logical pixels, W x 4H. A screen with scale s >= 1 has s
// device pixels to each of them: the bitmap is round(W*s) x round(4H*s) device
// pixels with that device pixel ratio, and glyphs, mark and clipping rows are
// drawn at s times their logical places, the glyphs rendered at the em times
// s. At s = 1 both are the same.
void RenderLine(DrawingCanvas& canvas, const OwnWideString& TypedText, int32_t CursorPos, const AnsiString& FaceName,
                int W, int H, int pixelSize, double scale = 1.0);

// The face that the canvas's font draws with (ResolveFace).
std::optional<FaceSource> CanvasFace(const DrawingCanvas& canvas);
// That face opened at an em of pixelSize; nothing when there is none or it
// cannot be opened.
std::optional<SizedFace> OpenCanvasFace(const DrawingCanvas& canvas, int pixelSize);

// What one picture shows, in logical pixels: the glyphs and the mark where the
// layout put them, and the part of the layout that the picture covers.
struct PictureScene {
    // Nothing when no face could be opened: the text has no glyphs to show.
    std::optional<SizedFace> face;
    TextMetrics metrics;
    LineLayout layout;
    int64_t left = 0;
    int64_t top = 0;
    int64_t width = 0;
    int64_t height = 0;
    // The text that the picture carries with it, in logical order; empty for
    // the window's own bitmap.
    QString text;
};

// What RenderLine draws: the W x 4H window at the layout's origin, the layout
// cut where lines start below it, in the face of the canvas's font.
PictureScene WindowScene(const OwnWideString& TypedText, int32_t CursorPos, const DrawingCanvas& canvas, int W, int H,
                         int pixelSize);

// Fills the bitmap white and draws the scene on it at the given scale, the
// scene's top left corner at the bitmap's.
void DrawScene(QImage& bitmap, const PictureScene& scene, double scale);

// Blends one glyph's coverage in black (the window-text colour) over the
// bitmap, its pen origin on the baseline at device pixel (originX, originY).
// Only rows from clipTop up to (not including) clipBottom are touched. This is
// the one way glyphs reach pixels: a single glyph of a face at a scale is
// drawn with DrawGlyph(bitmap, *face.Glyph(unit, scale), ...).
void DrawGlyph(QImage& bitmap, const GlyphImage& glyph, int64_t originX, int64_t originY, int64_t clipTop,
               int64_t clipBottom);
