#pragma once

#include <iosfwd>
#include <optional>
#include <string>

#include <QByteArray>

// What the commands that write pictures (render, layout) share, so that they
// check their arguments and write their files alike.

// Whether the picture is to be SVG: the name ends in ".svg", in any case.
bool IsSvgName(const std::string& name);

// The value of --scale: a finite number of 1 or more; nothing otherwise.
std::optional<double> ParseScale(const std::string& value);

// The arguments that every picture command takes: --face, --scale and -o.
struct PictureArguments {
    std::string face;
    double scale = 1.0;
    std::string scaleText = "1";
    std::string output;
    // --help or -h: the usage is asked for, and nothing is drawn.
    bool help = false;
};

bool IsPictureArgument(const std::string& option);
bool IsHelpArgument(const std::string& option);

// Takes the value of one of those arguments; on a fault returns the message.
std::optional<std::string> TakePictureArgument(const std::string& option, const std::string& value, PictureArguments& arguments);

// Writes the picture to output, or to out when output is "-"; a failed write
// is said on err as "vorn COMMAND: cannot write ...: WHY" and returns the exit
// code 1.
int FinishPicture(const std::string& command, const std::string& output, const QByteArray& bytes, std::ostream& out,
                  std::ostream& err);

// The window draws with a substitute when the face is not installed, and so
// do the commands; this says so on err, naming the face drawn with, as
// "vorn COMMAND: no face named ...". Nothing for an empty name.
void WarnIfSubstituted(const std::string& command, const std::string& face, std::ostream& err);

// "a picture larger than ... pixels a side or ... pixels in all": what a
// picture may not be, for messages.
std::string PictureLimits();
