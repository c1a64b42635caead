#include "RenderCommand.h"

#include "Guarded.h"

#include <charconv>
#include <cmath>
#include <optional>
#include <ostream>
#include <stdexcept>

#include <QString>

#include "KeyNames.h"
#include "KeybLayout.h"
#include "Keystroke.h"
#include "LineRenderer.h"
#include "PictureFile.h"
#include "SizedFace.h"
#include "TextPicture.h"

namespace {

constexpr int DefaultWidth = 476;
constexpr int DefaultHeight = 268;
// Keeps the W x 4H bitmap within a sane allocation (4096 x 16384 pixels).
constexpr int MaxSide = 4096;

constexpr const char* Usage = "usage: vorn render [--face NAME] [--size WxH] [--cursor N] [--text TEXT | --keys KEYS]\n"
                              "                   [--scale S] [--no-mark] [--crop] -o FILE.png|FILE.svg\n";

std::optional<long long> ParseNumber(std::string_view text)
{
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

struct Options : PictureArguments {
    int width = DefaultWidth;
    int height = DefaultHeight;
    std::optional<long long> cursor;
    std::optional<std::string> text;
    std::optional<std::string> keys;
    bool noMark = false;
    bool crop = false;

    bool Svg() const { return IsSvgName(output); }
};

// Fills options from the arguments; on a fault returns the message.
std::optional<std::string> ParseArguments(const std::vector<std::string>& args, Options& options)
{
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& option = args[i];
        if (IsHelpArgument(option)) {
            options.help = true;
            return std::nullopt;
        }
        if (option == "--no-mark" || option == "--crop") {
            (option == "--crop" ? options.crop : options.noMark) = true;
            continue;
        }
        if (!IsPictureArgument(option) && option != "--size" && option != "--cursor" && option != "--text"
            && option != "--keys")
            return "unknown option \"" + option + "\"";
        if (i + 1 >= args.size())
            return option + " needs a value";
        const std::string& value = args[++i];

        if (IsPictureArgument(option)) {
            if (auto fault = TakePictureArgument(option, value, options))
                return fault;
        } else if (option == "--size") {
            const size_t by = value.find('x');
            const auto width = by == std::string::npos ? std::nullopt : ParseNumber(std::string_view(value).substr(0, by));
            const auto height = by == std::string::npos ? std::nullopt : ParseNumber(std::string_view(value).substr(by + 1));
            if (!width || !height || *width < 1 || *height < 1 || *width > MaxSide || *height > MaxSide)
                return "--size wants WxH with each side from 1 to " + std::to_string(MaxSide) + ", not \"" + value + "\"";
            options.width = static_cast<int>(*width);
            options.height = static_cast<int>(*height);
        } else if (option == "--cursor") {
            options.cursor = ParseNumber(value);
            if (!options.cursor)
                return "--cursor wants a number, not \"" + value + "\"";
        } else if (option == "--text") {
            options.text = value;
        } else {
            options.keys = value;
        }
    }
    if (options.text && options.keys)
        return "--text and --keys exclude each other";
    if (options.output.empty())
        return "-o FILE.png or -o FILE.svg is required";
    // A picture of the text is as large as the text; the window's is known now.
    const double width = std::round(options.width * options.scale);
    const double height = std::round(4.0 * options.height * options.scale);
    if (!options.crop && !options.Svg() && !PictureFits(width, height))
        return "--size " + std::to_string(options.width) + "x" + std::to_string(options.height) + " at --scale "
            + options.scaleText + " asks for " + PictureLimits();
    return std::nullopt;
}

} // namespace

int RunRenderCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    Options options;
    if (auto fault = ParseArguments(args, options)) {
        err << "vorn render: " << *fault << "\n" << Usage;
        return 2;
    }
    if (options.help) {
        out << Usage;
        return 0;
    }

    OwnWideString TypedText;
    int32_t CursorPos = 0;
    if (options.text) {
        TypedText = OwnWideString(AnsiString(*options.text));
        CursorPos = static_cast<int32_t>(TypedText.Length());
    } else if (options.keys) {
        std::string error;
        const auto strokes = ParseKeySequence(*options.keys, error);
        if (!strokes) {
            err << "vorn render: " << error << "\n";
            return 2;
        }
        const KeybLayout Layout;
        for (const KeyStroke& stroke : *strokes) {
            unsigned Key = stroke.Key;
            ApplyKeyDown(TypedText, CursorPos, Layout, Key, stroke.modifiers, false);
        }
    }
    if (options.cursor) {
        const long long length = TypedText.Length();
        if (*options.cursor < 0 || *options.cursor > length) {
            err << "vorn render: --cursor " << *options.cursor << " lies outside the text (0 to " << length << ")\n";
            return 1;
        }
        CursorPos = static_cast<int32_t>(*options.cursor);
    }

    WarnIfSubstituted("render", options.face, err);
    DrawingCanvas canvas;
    ApplyFaceName(canvas, options.face);
    QByteArray bytes;
    try {
        const PictureScene scene =
            options.crop ? PictureOfText(TypedText, canvas, options.width, TextPixelSize)
                         : WindowScene(TypedText, options.noMark ? -1 : CursorPos, canvas, options.width,
                                       options.height, TextPixelSize);
        bytes = options.Svg() ? SvgOf(scene) : EncodePng(RasterOf(scene, options.scale));
    } catch (const std::exception& error) {
        err << "vorn render: " << MessageOf(error).toStdString() << "\n";
        return 1;
    }
    return FinishPicture("render", options.output, bytes, out, err);
}
