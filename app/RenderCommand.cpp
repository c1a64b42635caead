#include "RenderCommand.h"

#include <charconv>
#include <optional>
#include <ostream>

#include <QString>

#include "FaceMetrics.h"
#include "KeyNames.h"
#include "KeybLayout.h"
#include "Keystroke.h"
#include "LineRenderer.h"

namespace {

constexpr int DefaultWidth = 476;
constexpr int DefaultHeight = 268;
// The em of RichEdit1's font in pixels.
constexpr int PixelSize = 32;
// Keeps the W x 4H bitmap within a sane allocation (4096 x 16384 pixels).
constexpr int MaxSide = 4096;

constexpr const char* Usage =
    "usage: vorn render [--face NAME] [--size WxH] [--cursor N] [--text TEXT | --keys KEYS] -o FILE.png\n";

std::optional<long long> ParseNumber(std::string_view text)
{
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

struct Options {
    std::string face;
    int width = DefaultWidth;
    int height = DefaultHeight;
    std::optional<long long> cursor;
    std::optional<std::string> text;
    std::optional<std::string> keys;
    std::string output;
};

// Fills options from the words; on a fault answers the message.
std::optional<std::string> ParseArguments(const std::vector<std::string>& args, Options& options)
{
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& option = args[i];
        if (option != "--face" && option != "--size" && option != "--cursor" && option != "--text"
            && option != "--keys" && option != "-o")
            return "unknown option \"" + option + "\"";
        if (i + 1 >= args.size())
            return option + " needs a value";
        const std::string& value = args[++i];

        if (option == "--face") {
            options.face = value;
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
        } else if (option == "--keys") {
            options.keys = value;
        } else {
            options.output = value;
        }
    }
    if (options.text && options.keys)
        return "--text and --keys exclude each other";
    if (options.output.empty())
        return "-o FILE.png is required";
    return std::nullopt;
}

// The window draws with a substitute when the face is not installed, and so
// does this command; it says so and names the face it drew with.
void WarnIfSubstituted(const std::string& face, std::ostream& err)
{
    if (face.empty())
        return;
    const auto drawn = ResolveCanvasFace(face.substr(0, MaxFaceNameBytes));
    const auto named = SelectFace(face);
    const auto same = [](const FaceSource& a, const FaceSource& b) { return a.file == b.file && a.index == b.index; };
    if (named && drawn && same(*named, *drawn))
        return;
    err << "vorn render: no face named \"" << face << "\"; ";
    if (!drawn) {
        err << "no installed face can draw the text\n";
        return;
    }
    std::string drawnName = drawn->file;
    for (const AnsiString& name : EnumerateFaceNames()) {
        const auto source = SelectFace(name);
        if (source && same(*source, *drawn) && (drawnName == drawn->file || name < drawnName))
            drawnName = name;
    }
    err << "drawing with \"" << drawnName << "\" instead\n";
}

} // namespace

int RunRenderCommand(const std::vector<std::string>& args, std::ostream& /*out*/, std::ostream& err)
{
    Options options;
    if (auto fault = ParseArguments(args, options)) {
        err << "vorn render: " << *fault << "\n" << Usage;
        return 2;
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

    WarnIfSubstituted(options.face, err);
    DrawingCanvas canvas;
    RenderLine(canvas, TypedText, CursorPos, options.face, options.width, options.height, PixelSize);
    if (canvas.bitmap.isNull()) {
        err << "vorn render: no memory for a " << options.width << " x " << 4 * options.height << " picture\n";
        return 1;
    }
    if (!canvas.bitmap.save(QString::fromStdString(options.output), "PNG")) {
        err << "vorn render: cannot write \"" << options.output << "\"\n";
        return 1;
    }
    return 0;
}
