#include "PictureFile.h"

#include <cctype>
#include <charconv>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <ostream>

#include <unistd.h>

#include <QString>

#include "DrawingCanvas.h"
#include "FaceLookup.h"
#include "SafeFile.h"
#include "TextPicture.h"

bool IsSvgName(const std::string& name)
{
    const std::string suffix = ".svg";
    if (name.size() < suffix.size())
        return false;
    std::string ending = name.substr(name.size() - suffix.size());
    for (char& character : ending)
        character = static_cast<char>(std::tolower(static_cast<unsigned char>(character)));
    return ending == suffix;
}

std::optional<double> ParseScale(const std::string& value)
{
    double scale = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), scale);
    if (error != std::errc() || end != value.data() + value.size() || !std::isfinite(scale) || scale < 1)
        return std::nullopt;
    return scale;
}

bool IsPictureArgument(const std::string& option)
{
    return option == "--face" || option == "--scale" || option == "-o";
}

bool IsHelpArgument(const std::string& option)
{
    return option == "--help" || option == "-h";
}

std::optional<std::string> TakePictureArgument(const std::string& option, const std::string& value, PictureArguments& arguments)
{
    if (option == "--face") {
        arguments.face = value;
    } else if (option == "--scale") {
        const auto scale = ParseScale(value);
        if (!scale)
            return "--scale wants a number of 1 or more, not \"" + value + "\"";
        arguments.scale = *scale;
        arguments.scaleText = value;
    } else {
        arguments.output = value;
    }
    return std::nullopt;
}

void WarnIfSubstituted(const std::string& command, const std::string& face, std::ostream& err)
{
    if (face.empty())
        return;
    const auto drawn = ResolveFace(face);
    const auto named = SelectFace(face);
    if (named && drawn && *named == *drawn)
        return;
    err << "vorn " << command << ": no face named \"" << face << "\"; ";
    if (!drawn) {
        err << "no installed face can draw the text\n";
        return;
    }
    const AnsiString drawnName = NameOfFace(*drawn);
    err << "drawing with \"" << drawnName << "\" instead\n";
}

int FinishPicture(const std::string& command, const std::string& output, const QByteArray& bytes, std::ostream& out,
                  std::ostream& err)
{
    const std::string_view view(bytes.constData(), size_t(bytes.size()));
    if (output == "-") {
        if (&out != &std::cout) {
            out.write(view.data(), std::streamsize(view.size()));
            return out ? 0 : 1;
        }
        // Straight to the descriptor, after what was written before it: the
        // stream would lose the reason of a failure (a closed pipe, a full
        // disk) by the time the program checks its output at exit.
        // A failure of this flush is reported with the output's at exit.
        (void)FlushStandardOutput();
        if (WriteAll(STDOUT_FILENO, view))
            return 0;
        err << "vorn " << command << ": cannot write to standard output: " << std::strerror(errno) << "\n";
        return 1;
    }
    const FileResult written = WriteOutput(output, view);
    if (written)
        return 0;
    err << "vorn " << command << ": cannot write \"" << output << "\": " << written.error << "\n";
    return 1;
}

std::string PictureLimits()
{
    return "a picture larger than " + std::to_string(MaxPictureSide) + " pixels a side or "
        + std::to_string(MaxPicturePixels) + " pixels in all";
}
