#pragma once

#include <string>

struct FT_Outline_;

// SVG path data, in pixels with y growing downwards, numbers to a thousandth
// of a pixel without trailing zeros.

// Appends FreeType's outline, in font units, with its pen origin at (x,
// baseline), quadratic and cubic segments kept as they are. False when the
// outline cannot be read.
bool AppendOutlinePath(std::string& path, const FT_Outline_& outline, double x, double baseline,
                       double pixelsPerUnit);

// Appends a closed rectangle with its top left corner at (left, top).
void AppendRectPath(std::string& path, double left, double top, double width, double height);
