#pragma once

#include <QImage>

#include "AnsiString.h"
#include "FaceLookup.h"

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

// The text's em in pixels, in the window and in the pictures of the commands.
constexpr int TextPixelSize = 32;

// Gives the canvas font the first MaxFaceNameBytes bytes of FaceName as its
// face, and remembers FaceName whole, creating the bitmap first if there is
// none yet (even for an empty name). An empty name leaves the face as it is.
void ApplyFaceName(DrawingCanvas& canvas, const AnsiString& FaceName);
