// The program's commands run as a user runs them: the built binary in a
// process of its own, on the private test fonts (FONTCONFIG_FILE).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <QImage>
#include <QString>

#include <unistd.h>

#include "RunVorn.h"
#include "TempFolder.h"

namespace {

namespace fs = std::filesystem;

// `vorn fonts` keeps its face cache in the build folder, not the user's.
[[maybe_unused]] const int cacheHome = setenv("XDG_CACHE_HOME", VORN_TEST_CACHE_HOME, 1);

const std::string kLongName = "Vorn Test Face With A Really Long Family Name";
const std::string kEbene = "\xC3\x89" "b\xC3\xA8ne";  // "Ébène" in UTF-8

// Removes what tells Qt where to show a window.
const std::vector<std::string> kNoDisplay = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"};

TEST(CommandLine, VersionHelpAndMistakes)
{
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string out;  // exactly; "usage" means the usage text
    };
    const Case cases[] = {
        {{"--version"}, 0, "vorn " VORN_VERSION "\n"},
        {{"--help"}, 0, "usage"},
        {{"-h"}, 0, "usage"},
        // Each command's own usage; as a value, the word is no request for help.
        {{"fonts", "--help"}, 0, "usage"},
        {{"render", "-o", "x.png", "-h"}, 0, "usage"},
        {{"layout", "--help"}, 0, "usage"},
        {{"fonts", "--coverage", "--help"}, 1, ""},
        // Mistakes would open the window if they were not caught.
        {{"bogus"}, 2, ""},
        {{"--bogus"}, 2, ""},
        {{"-platform", "offscreen"}, 2, ""},
        {{""}, 2, ""},
        {{"--version", "extra"}, 2, ""},
        {{"--help", "--version"}, 2, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[0] + (c.args.size() > 1 ? " " + c.args[1] : ""));
        const VornRun run = RunVorn(c.args);
        EXPECT_EQ(run.status, c.status);
        if (c.out == "usage") {
            EXPECT_EQ(run.out.rfind("usage: vorn", 0), 0u) << run.out;
            EXPECT_EQ(run.err, "");
        } else {
            EXPECT_EQ(run.out, c.out);
        }
        if (c.status == 2) {
            EXPECT_NE(run.err.find("usage: vorn"), std::string::npos) << run.err;
        }
    }
}

TEST(CommandLine, WindowWithoutADisplaySaysSoInOneLine)
{
    std::vector<std::string> unreachable = kNoDisplay;
    unreachable.push_back("DISPLAY=:31999");  // no server listens there
    for (const auto& environment : {kNoDisplay, unreachable}) {
        SCOPED_TRACE(environment.back());
        const VornRun run = RunVorn({}, environment);
        EXPECT_EQ(run.status, 1) << run.err;
        EXPECT_EQ(run.out, "");
        const size_t line = run.err.rfind('\n', run.err.size() - 2);
        const std::string last = run.err.substr(line == std::string::npos ? 0 : line + 1);
        EXPECT_NE(last.find("graphical session"), std::string::npos) << run.err;
        EXPECT_NE(last.find("`vorn fonts`, `vorn render` and `vorn layout` work without one"), std::string::npos)
            << run.err;
    }
    // Without a display the line is all there is.
    const std::string err = RunVorn({}, kNoDisplay).err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    // A mistake is still a mistake without a display.
    EXPECT_EQ(RunVorn({"bogus"}, kNoDisplay).status, 2);
}

VornRun RenderWith(std::vector<std::string> args)
{
    args.insert(args.begin(), "render");
    return RunVorn(args);
}

class RenderCommand : public ::testing::Test {
protected:
    const TempFolder folder;
    std::string File(const char* name) const { return folder.Path() + "/" + name; }
};

bool IsBlack(const QImage& image, int x, int y)
{
    return (image.pixel(x, y) & 0xFFFFFF) == 0;
}

TEST_F(RenderCommand, WritesTheWindowsBitmapAsPng)
{
    // U+0860 (10 px in the test face) with the insertion point after it.
    const std::string png = File("one.png");
    const VornRun run = RenderWith({"--face", "Vorn Test Sans", "--size", "100x50", "--text", "\u0860", "-o", png});
    ASSERT_EQ(run.status, 0) << run.err;
    QImage image;
    ASSERT_TRUE(image.load(QString::fromStdString(png), "PNG"));
    EXPECT_EQ(image.width(), 100);
    EXPECT_EQ(image.height(), 200);
    EXPECT_TRUE(IsBlack(image, 92, 10));   // the glyph's box, from 90 + 2
    EXPECT_FALSE(IsBlack(image, 91, 10));
    EXPECT_TRUE(IsBlack(image, 88, 0));    // the mark, 88 and 89, the whole line
    EXPECT_TRUE(IsBlack(image, 89, 35));
    EXPECT_FALSE(IsBlack(image, 89, 36));
    EXPECT_FALSE(IsBlack(image, 90, 0));
}

TEST_F(RenderCommand, KeysAndCursorGiveTheSamePictureAsText)
{
    // A is U+0860 in the layout; two of them and a Backspace leave one, with
    // the insertion point after it; --cursor 0 then moves it to the start.
    const std::string fromKeys = File("keys.png");
    const std::string fromText = File("text.png");
    ASSERT_EQ(RenderWith({"--face", "Vorn Test Sans", "--keys", "A,A,BACK", "--cursor", "0", "-o", fromKeys}).status, 0);
    ASSERT_EQ(RenderWith({"--face", "Vorn Test Sans", "--text", "\u0860", "--cursor", "0", "-o", fromText}).status, 0);
    QImage keys(QString::fromStdString(fromKeys)), text(QString::fromStdString(fromText));
    ASSERT_EQ(keys.size(), QSize(476, 4 * 268));
    EXPECT_TRUE(keys == text);
    EXPECT_TRUE(IsBlack(keys, 474, 0)); // the mark at the right edge
}

TEST_F(RenderCommand, RejectsBadCommandLinesWithoutWriting)
{
    const std::string png = File("never.png");
    struct Case {
        const char* name;
        std::vector<std::string> args;
        int status;
    };
    const Case cases[] = {
        {"no_output", {"--text", "x"}, 2},
        {"unknown_option", {"--colour", "red", "-o", png}, 2},
        {"option_without_value", {"-o"}, 2},
        {"size_without_x", {"--size", "476", "-o", png}, 2},
        {"size_zero", {"--size", "0x10", "-o", png}, 2},
        {"size_huge", {"--size", "100000x10", "-o", png}, 2},
        {"size_trailing_junk", {"--size", "10x10px", "-o", png}, 2},
        {"cursor_not_a_number", {"--cursor", "two", "-o", png}, 2},
        {"text_and_keys", {"--text", "a", "--keys", "A", "-o", png}, 2},
        {"unknown_key_name", {"--keys", "A,NOSUCHKEY", "-o", png}, 2},
        {"scale_below_one", {"--scale", "0.5", "-o", png}, 2},
        {"scale_not_a_number", {"--scale", "two", "-o", png}, 2},
        {"scale_not_finite", {"--scale", "inf", "-o", png}, 2},
        {"scale_without_value", {"-o", png, "--scale"}, 2},
        {"scale_too_large_for_the_size", {"--size", "4096x4096", "--scale", "2", "-o", png}, 2},
        {"cursor_past_the_text", {"--text", "ab", "--cursor", "3", "-o", png}, 1},
        {"cursor_negative", {"--cursor", "-1", "-o", png}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const VornRun run = RenderWith(c.args);
        EXPECT_EQ(run.status, c.status);
        EXPECT_FALSE(run.err.empty());
        EXPECT_FALSE(fs::exists(png));
    }
}

// A face that is not installed is drawn with a substitute, as in the window:
// a warning names both, the picture is written, and it is the picture of the
// face the warning names.
TEST_F(RenderCommand, MissingFaceWarnsAndDrawsTheNamedSubstitute)
{
    struct Case {
        std::string face;
        bool warns;
    };
    const Case cases[] = {
        {"Vorn Test Sans", false},
        {kLongName, false},
        {"No Such Face", true},
        {"vorn test sans", true},          // names are matched exactly
        {kLongName + " Bold", true},       // shares the first 31 bytes
    };
    const std::string drawn = File("drawn.png"), named = File("named.png");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.face);
        const VornRun run = RenderWith({"--face", c.face, "--keys", "A,B,C", "-o", drawn});
        EXPECT_EQ(run.status, 0);
        if (!c.warns) {
            EXPECT_EQ(run.err, "");
            continue;
        }
        const std::string prefix = "vorn render: no face named \"" + c.face + "\"; drawing with \"";
        ASSERT_EQ(run.err.rfind(prefix, 0), 0u) << run.err;
        const std::string substitute = run.err.substr(prefix.size(), run.err.find('"', prefix.size()) - prefix.size());
        ASSERT_EQ(RenderWith({"--face", substitute, "--keys", "A,B,C", "-o", named}).err, "");
        EXPECT_TRUE(QImage(QString::fromStdString(drawn)) == QImage(QString::fromStdString(named))) << substitute;
    }
}

TEST_F(RenderCommand, ScaleMarkCropAndSvg)
{
    // U+0860 at a width of 100: its box from 92 to 98, the mark at 88 and 89.
    const auto render = [this](const std::string& name, std::vector<std::string> options) {
        std::vector<std::string> args = {"--face", "Vorn Test Sans", "--size", "100x50", "--text", "\u0860"};
        args.insert(args.end(), options.begin(), options.end());
        args.insert(args.end(), {"-o", File(name.c_str())});
        const VornRun run = RenderWith(args);
        EXPECT_EQ(run.status, 0) << name << ": " << run.err;
        return QImage(QString::fromStdString(File(name.c_str())));
    };
    render("plain.png", {});
    render("one.png", {"--scale", "1"});
    EXPECT_EQ(ReadFile(File("one.png")).value_or(""), ReadFile(File("plain.png")).value_or(""));

    const QImage two = render("two.png", {"--scale", "2"});
    EXPECT_EQ(two.size(), QSize(200, 400));
    EXPECT_TRUE(IsBlack(two, 184, 20));
    EXPECT_FALSE(IsBlack(two, 183, 20));
    EXPECT_TRUE(IsBlack(two, 176, 0));
    EXPECT_TRUE(IsBlack(two, 179, 71));
    EXPECT_FALSE(IsBlack(two, 179, 72));

    const QImage unmarked = render("unmarked.png", {"--no-mark"});
    EXPECT_TRUE(IsBlack(unmarked, 92, 10));
    EXPECT_FALSE(IsBlack(unmarked, 88, 0));

    // The picture of the text: ink 92..98 of one line, 8 px around.
    const QImage cropped = render("cropped.png", {"--crop", "--scale", "2"});
    EXPECT_EQ(cropped.size(), QSize(2 * 22, 2 * 52));
    EXPECT_EQ(cropped.text("Description"), QString::fromUtf8("\u0860"));

    render("cropped.SVG", {"--crop"});
    const std::string svg = ReadFile(File("cropped.SVG")).value_or("");
    EXPECT_NE(svg.find("viewBox=\"0 0 22 52\""), std::string::npos) << svg;
    EXPECT_NE(svg.find("<title>\u0860</title>"), std::string::npos) << svg;
}

TEST_F(RenderCommand, UnwritableOutputFails)
{
    const VornRun run = RenderWith({"--text", "a", "-o", File("no/such/dir/out.png")});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("cannot write"), std::string::npos);
}

// Only the window speaks the session's language: an error of the drawing
// code, which the window shows translated, stays English here.
TEST_F(RenderCommand, StaysEnglishInAHungarianSession)
{
    std::string text;
    for (int i = 0; i < 500; ++i)
        text += "\u0860";
    const VornRun run = RunVorn({"render", "--face", "Vorn Test Sans", "--crop", "--size", "4096x50", "--scale", "8",
                                 "--text", text, "-o", File("wide.png")},
                                {"LANGUAGE=hu", "LC_ALL=hu_HU.UTF-8", "LANG=hu_HU.UTF-8"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err.rfind("vorn render: At scale 8 the picture would be larger than 32767 pixels a side.", 0), 0u) << run.err;
}

VornRun LayoutWith(std::vector<std::string> args)
{
    args.insert(args.begin(), "layout");
    return RunVorn(args);
}

using LayoutCommand = RenderCommand;

TEST_F(LayoutCommand, WritesTheChartAndChecksItsWordsAsRenderDoes)
{
    const std::string png = File("chart.png"), twice = File("twice.png"), svg = File("chart.SVG");
    ASSERT_EQ(LayoutWith({"--face", "Vorn Test Sans", "-o", png}).status, 0);
    ASSERT_EQ(LayoutWith({"--face", "Vorn Test Sans", "--scale", "2", "-o", twice}).status, 0);
    const QImage one(QString::fromStdString(png)), two(QString::fromStdString(twice));
    ASSERT_FALSE(one.isNull());
    EXPECT_EQ(two.size(), one.size() * 2);
    ASSERT_EQ(LayoutWith({"--face", "Vorn Test Sans", "-o", svg}).status, 0);
    EXPECT_EQ(ReadFile(svg).value_or("").rfind("<?xml", 0), 0u);
    const VornRun missing = LayoutWith({"--face", "No Such Face", "-o", png});
    EXPECT_EQ(missing.status, 0);
    EXPECT_EQ(missing.err.rfind("vorn layout: no face named \"No Such Face\"; drawing with \"", 0), 0u) << missing.err;

    const std::string never = File("never.png");
    struct Case {
        const char* name;
        std::vector<std::string> args;
        int status;
    };
    const Case cases[] = {
        {"no_output", {"--face", "Vorn Test Sans"}, 2},
        {"option_without_value", {"-o"}, 2},
        {"option_of_render_only", {"--size", "10x10", "-o", never}, 2},
        {"scale_below_one", {"--scale", "0.5", "-o", never}, 2},
        {"scale_too_large_for_a_picture", {"--scale", "40", "-o", never}, 2},
        {"unwritable_output", {"-o", File("no/such/dir/chart.png")}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const VornRun run = LayoutWith(c.args);
        EXPECT_EQ(run.status, c.status);
        EXPECT_FALSE(run.err.empty());
        EXPECT_FALSE(fs::exists(never));
    }
}

VornRun RunFonts(std::vector<std::string> args)
{
    args.insert(args.begin(), "fonts");
    return RunVorn(args);
}

TEST(FontsCommand, ListsTheSelectorsFaces)
{
    const VornRun r = RunFonts({});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Vorn Last Only\nVorn No OS2\n" + kLongName + "\nVorn Test Sans\nZeta\nalpha\n" + kEbene + "\n");
    EXPECT_EQ(r.err, "");
}

TEST(FontsCommand, AllShowsCountsAndOS2Versions)
{
    const VornRun r = RunFonts({"--all"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Vorn Above\t3\t4\n"
                     "Vorn Below\t3\t4\n"
                     "Vorn Last Only\t2\t4\n"
                     "Vorn No OS2\t2\t-\n" +
                         kLongName + "\t3\t4\n" +
                         "Vorn Test Sans\t85\t4\n"
                         "Zeta\t2\t4\n"
                         "alpha\t2\t4\n" +
                         kEbene + "\t2\t4\n");
}

TEST(FontsCommand, CoverageAsHexRanges)
{
    struct Row {
        std::string name, expected;
    };
    for (const Row& row : {Row{"Vorn Test Sans", "000A,000D,0020,0041-005A,0860-0897\n"},
                           Row{"Vorn Below", "0020,085E-085F\n"}, Row{kLongName, "0020,0860-0861\n"}}) {
        const VornRun r = RunFonts({"--coverage", row.name});
        EXPECT_EQ(r.status, 0) << row.name;
        EXPECT_EQ(r.out, row.expected);
    }
}

TEST(FontsCommand, CoverageOfUnknownFaceFails)
{
    for (const std::string name : {"Vorn Format12", "vorn test sans", "Nothing"}) {
        const VornRun r = RunFonts({"--coverage", name});
        EXPECT_EQ(r.status, 1) << name;
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find(name), std::string::npos);
    }
}

TEST(FontsCommand, BadArgumentsPrintUsage)
{
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"--bogus"}, {"--coverage"}, {"--all", "x"}, {"--coverage", "a", "b"}}) {
        const VornRun r = RunFonts(args);
        EXPECT_EQ(r.status, 2) << args[0];
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("usage"), std::string::npos);
    }
}

} // namespace
