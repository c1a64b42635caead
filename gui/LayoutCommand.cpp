#include "LayoutCommand.h"

#include "Guarded.h"

#include <cmath>
#include <optional>
#include <ostream>
#include <stdexcept>

#include "ChartPicture.h"
#include "DrawingCanvas.h"
#include "KeybLayout.h"
#include "KeyboardChart.h"
#include "PictureFile.h"
#include "TextPicture.h"

namespace {

constexpr const char* Usage = "usage: vorn layout [--face NAME] [--scale S] -o FILE.png|FILE.svg\n";


// Fills options from the arguments; on a fault returns the message.
std::optional<std::string> ParseArguments(const std::vector<std::string>& args, PictureArguments& options)
{
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& option = args[i];
        if (IsHelpArgument(option)) {
            options.help = true;
            return std::nullopt;
        }
        if (!IsPictureArgument(option))
            return "unknown option \"" + option + "\"";
        if (i + 1 >= args.size())
            return option + " needs a value";
        if (auto fault = TakePictureArgument(option, args[++i], options))
            return fault;
    }
    if (options.output.empty())
        return "-o FILE.png or -o FILE.svg is required";
    const QSize size = ChartSize();
    if (!IsSvgName(options.output)
        && !PictureFits(std::round(size.width() * options.scale), std::round(size.height() * options.scale)))
        return "--scale " + options.scaleText + " asks for " + PictureLimits();
    return std::nullopt;
}

} // namespace

int RunLayoutCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    PictureArguments options;
    if (auto fault = ParseArguments(args, options)) {
        err << "vorn layout: " << *fault << "\n" << Usage;
        return 2;
    }
    if (options.help) {
        out << Usage;
        return 0;
    }
    WarnIfSubstituted("layout", options.face, err);
    // The face that the window's text would be drawn with under that name.
    DrawingCanvas canvas;
    ApplyFaceName(canvas, options.face);
    ChartFaces faces = OpenChartFaces(CanvasFace(canvas));
    const KeybLayout Layout;
    const std::vector<ChartEntry> chart = BuildChart(Layout, [](unsigned place) { return place; });
    QByteArray bytes;
    try {
        bytes = IsSvgName(options.output) ? SvgOfChart(chart, faces)
                                          : EncodePng(RasterOfChart(chart, faces, options.scale));
    } catch (const std::exception& error) {
        err << "vorn layout: " << MessageOf(error).toStdString() << "\n";
        return 1;
    }
    return FinishPicture("layout", options.output, bytes, out, err);
}
