#pragma once

#include <cstdint>

#include "AnsiString.h"
#include "DrawingCanvas.h"
#include "OwnWideString.h"

// Draws the whole text into the canvas's bitmap from scratch, as the main
// window's resize handling does once it knows ScrollBox1's client size W x H:
// the bitmap becomes exactly W x 4H, the canvas font takes FaceName (first 31
// bytes; empty keeps the face) at an em of pixelSize pixels, the bitmap is
// filled white, and the text is drawn right to left from the right edge,
// wrapping, breaking lines at U+000D and U+000A, with the 2-pixel insertion
// mark inverting the pixels under it at CursorPos.
void RenderLine(DrawingCanvas& canvas, const OwnWideString& TypedText, int32_t CursorPos, const AnsiString& FaceName,
                int W, int H, int pixelSize);
