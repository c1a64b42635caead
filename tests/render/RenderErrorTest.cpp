#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "RenderError.h"

namespace {

// Every word that a message takes from its wording comes back in brackets,
// so a row shows which parts go through the translation.
QString Bracketed(const char*, const char* source)
{
    return QStringLiteral("[") + QString::fromUtf8(source) + QStringLiteral("]");
}

struct MessageCase {
    const char* name;
    RenderFault fault;
    std::string asWritten;   // what() and the commands' English
    QString worded;          // through the translation
};

using Kind = RenderFault::Kind;

const std::vector<MessageCase> MessageCases = {
    {"scale_too_large", {Kind::ScaleTooLarge, 40000, 20, 2.5},
     "At scale 2.5 the picture would be larger than 32767 pixels a side.",
     "[At scale 2.5 the picture would be [larger than 32767 pixels a side].]"},
    {"text_too_long_by_area", {Kind::TextTooLong, 30000, 30000},
     "The text is too long for one picture: it would be 30000 x 30000 pixels, more than 67108864 pixels in all.",
     "[The text is too long for one picture: it would be [30000 x 30000 pixels, more than 67108864 pixels in "
     "all].]"},
    {"no_memory", {Kind::NoMemory, 100, 200}, "no memory for a 100 x 200 picture",
     "[no memory for a 100 x 200 picture]"},
    {"png_failed", {Kind::PngFailed, 0, 0, 1, {}, 0, QStringLiteral("disk")},
     "The picture cannot be made into PNG: disk", "[The picture cannot be made into PNG: disk]"},
    // The chart's own words are English alone.
    {"chart_too_large", {Kind::ChartTooLarge, 40000, 10},
     "The chart would be larger than 32767 pixels a side.",
     "The chart would be [larger than 32767 pixels a side]."},
    {"bitmaps_only", {Kind::BitmapsOnly, 0, 0, 1, QStringLiteral("Fixed")},
     "The face \"Fixed\" has bitmaps only and no outlines to write as SVG.",
     "[The face \"Fixed\" has bitmaps only and no outlines to write as SVG.]"},
    {"no_outline_code_in_four_upper_hex_digits", {Kind::NoOutline, 0, 0, 1, QStringLiteral("F"), 0x08ab},
     "The face \"F\" has no outline for U+08AB to write as SVG.",
     "[The face \"F\" has no outline for U+08AB to write as SVG.]"},
};

void PrintTo(const MessageCase& row, std::ostream* out)
{
    *out << row.name;
}

class RenderMessages : public testing::TestWithParam<MessageCase> {};

TEST_P(RenderMessages, WrittenAndWordedAlike)
{
    const MessageCase& row = GetParam();
    EXPECT_EQ(RenderError(row.fault).what(), row.asWritten);
    EXPECT_EQ(RenderErrorMessage(row.fault, Bracketed), row.worded);
}

INSTANTIATE_TEST_SUITE_P(Cases, RenderMessages, testing::ValuesIn(MessageCases),
                         [](const testing::TestParamInfo<MessageCase>& instance) { return instance.param.name; });

}  // namespace
