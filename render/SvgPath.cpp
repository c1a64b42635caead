#include "SvgPath.h"

#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <string_view>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

namespace {

// Numbers of a path to a thousandth of a pixel, without trailing zeros.
void AppendNumber(std::string& out, double value)
{
    long long thousandths = std::llround(value * 1000);
    if (thousandths < 0) {
        out += '-';
        thousandths = -thousandths;
    }
    out += std::to_string(thousandths / 1000);
    if (const int fraction = static_cast<int>(thousandths % 1000)) {
        char digits[8];
        std::snprintf(digits, sizeof digits, ".%03d", fraction);
        std::string_view text(digits);
        out += text.substr(0, text.find_last_not_of('0') + 1);
    }
}

// Writes FreeType's outline segments, in font units, as SVG path commands in
// pixels with y growing downwards.
struct PathWriter {
    std::string& out;
    double x;
    double baseline;
    double pixelsPerUnit;
    bool started = false;  // a contour is open, to be closed before the next

    void Command(char command, std::initializer_list<const FT_Vector*> points)
    {
        out += command;
        bool first = true;
        for (const FT_Vector* point : points) {
            if (!first)
                out += ' ';
            first = false;
            AppendNumber(out, x + static_cast<double>(point->x) * pixelsPerUnit);
            out += ' ';
            AppendNumber(out, baseline - static_cast<double>(point->y) * pixelsPerUnit);
        }
    }

    static PathWriter& Of(void* user) { return *static_cast<PathWriter*>(user); }
    static int MoveTo(const FT_Vector* to, void* user)
    {
        PathWriter& writer = Of(user);
        if (writer.started)
            writer.out += 'Z';
        writer.started = true;
        writer.Command('M', {to});
        return 0;
    }
    static int LineTo(const FT_Vector* to, void* user)
    {
        Of(user).Command('L', {to});
        return 0;
    }
    static int ConicTo(const FT_Vector* control, const FT_Vector* to, void* user)
    {
        Of(user).Command('Q', {control, to});
        return 0;
    }
    static int CubicTo(const FT_Vector* control1, const FT_Vector* control2, const FT_Vector* to, void* user)
    {
        Of(user).Command('C', {control1, control2, to});
        return 0;
    }
};

} // namespace

bool AppendOutlinePath(std::string& path, const FT_Outline& outline, double x, double baseline, double pixelsPerUnit)
{
    PathWriter writer{path, x, baseline, pixelsPerUnit};
    const FT_Outline_Funcs segments = {&PathWriter::MoveTo, &PathWriter::LineTo, &PathWriter::ConicTo,
                                       &PathWriter::CubicTo, 0, 0};
    // FreeType takes the outline as changeable but only reads it.
    if (FT_Outline_Decompose(const_cast<FT_Outline*>(&outline), &segments, &writer) != 0)
        return false;
    if (writer.started)
        path += 'Z';
    return true;
}

void AppendRectPath(std::string& path, double left, double top, double width, double height)
{
    path += 'M';
    AppendNumber(path, left);
    path += ' ';
    AppendNumber(path, top);
    path += 'h';
    AppendNumber(path, width);
    path += 'v';
    AppendNumber(path, height);
    path += 'h';
    AppendNumber(path, -width);
    path += 'Z';
}
