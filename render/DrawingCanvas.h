#pragma once

#include <QImage>

#include "AnsiString.h"

// The bitmap of Image1 with its drawing canvas's font. The toolkit creates the
// bitmap lazily, the first time something needs its canvas; created records
// that it exists even while it is still 0 x 0.
struct DrawingCanvas {
    QImage bitmap;
    bool created = false;
    // The canvas font's face; empty means the face the canvas starts with,
    // the platform's default sans face.
    AnsiString faceName;
    // The whole name that faceName was cut from.
    AnsiString fullFaceName;
    // The canvas font's em in pixels.
    int pixelSize = 0;
};

// A face name for the drawing font holds at most this many bytes.
constexpr size_t MaxFaceNameBytes = 31;

// Gives the canvas font the first MaxFaceNameBytes bytes of FaceName as its
// face, and remembers FaceName whole, creating the bitmap first if there is
// none yet (even for an empty name). An empty name leaves the face as it is.
void ApplyFaceName(DrawingCanvas& canvas, const AnsiString& FaceName);
