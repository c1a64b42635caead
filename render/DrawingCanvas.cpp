#include "DrawingCanvas.h"

void ApplyFaceName(DrawingCanvas& canvas, const AnsiString& FaceName)
{
    const AnsiString name = DrawingFaceName(FaceName);
    if (!canvas.created) {
        canvas.bitmap = QImage();
        canvas.created = true;
    }
    if (!name.empty()) {
        canvas.faceName = name;
        canvas.fullFaceName = FaceName;
    }
}
