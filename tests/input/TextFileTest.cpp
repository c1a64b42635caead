#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TextFile.h"

namespace {

struct DecodeCase {
    const char* name;
    std::string bytes;
    std::u16string units;
    TextFileFault fault;
};

const std::vector<DecodeCase> DecodeCases = {
    {"LineFeed", "a\nb", u"a\rb", TextFileFault::None},
    {"CarriageReturnLineFeedIsOneBreak", "a\r\nb\r\n", u"a\rb\r", TextFileFault::None},
    {"LoneCarriageReturn", "a\rb\r", u"a\rb\r", TextFileFault::None},
    {"CarriageReturnThenTwoLineFeeds", "a\r\n\nb", u"a\r\rb", TextFileFault::None},
    {"ByteOrderMarkDropped", "\xEF\xBB\xBF\xE0\xA1\xA0", u"\u0860", TextFileFault::None},
    {"MarkThatCopyPutsInFrontDropped", "\xE2\x80\x8F\xE0\xA1\xA0", u"\u0860", TextFileFault::None},
    {"ByteOrderMarkThenMarkDropped",
     "\xEF\xBB\xBF\xE2\x80\x8F"
     "a",
     u"a", TextFileFault::None},
    {"OnlyOneMarkDropped",
     "\xE2\x80\x8F\xE2\x80\x8F"
     "a",
     u"\u200Fa", TextFileFault::None},
    {"MarkInsideKept", "a\xE2\x80\x8F", u"a\u200F", TextFileFault::None},
    {"ByteOrderMarkInsideKept", "a\xEF\xBB\xBF", u"a\uFEFF", TextFileFault::None},
    {"BeyondFFFFIsTwoUnits", "\xF0\x90\xB2\x80", u"\xD803\xDC80", TextFileFault::None},
    {"Empty", "", u"", TextFileFault::None},
    {"Nul", std::string("a\0b", 3), u"", TextFileFault::HoldsNul},
    {"Latin1Byte", "caf\xE9", u"", TextFileFault::NotUtf8},
    {"Overlong", "\xC0\xAF", u"", TextFileFault::NotUtf8},
    {"EncodedSurrogate", "\xED\xA0\x80", u"", TextFileFault::NotUtf8},
    {"BeyondTheLastCodePoint", "\xF4\x90\x80\x80", u"", TextFileFault::NotUtf8},
    {"CutShortAtTheEnd", "a\xE0\xA1", u"", TextFileFault::NotUtf8},
    {"LoneTrailingByte", "\x80", u"", TextFileFault::NotUtf8},
};

void PrintTo(const DecodeCase& row, std::ostream* out)
{
    *out << row.name;
}

class DecodeRows : public testing::TestWithParam<DecodeCase> { };

TEST_P(DecodeRows, Decodes)
{
    const DecodeCase& row = GetParam();
    const DecodedTextFile decoded = DecodeTextFile(row.bytes);
    EXPECT_EQ(decoded.fault, row.fault);
    EXPECT_EQ(decoded.units, row.units);
}

INSTANTIATE_TEST_SUITE_P(TextFile, DecodeRows, testing::ValuesIn(DecodeCases),
                         [](const testing::TestParamInfo<DecodeCase>& row) { return row.param.name; });

TEST(TextFile, SixteenMebibytesAreTakenOneByteMoreIsNot)
{
    EXPECT_EQ(DecodeTextFile(std::string(MaxTextFileBytes, 'a')).fault, TextFileFault::None);
    EXPECT_EQ(DecodeTextFile(std::string(MaxTextFileBytes + 1, 'a')).fault, TextFileFault::TooLarge);
}

// Saved and opened again, a text comes back unit for unit; its file is UTF-8
// with a line feed for each U+000D and no byte-order mark.
TEST(TextFile, SavedTextsOpenAsTheyWere)
{
    const struct {
        std::u16string units;
        std::string bytes;
    } rows[] = {
        {u"\u0860\u0020\u0892\r\u0861", "\xE0\xA1\xA0 \xE0\xA2\x92\n\xE0\xA1\xA1"},
        {u"\r\r", "\n\n"},
        {u"\xD803\xDC80"
         u"a",
         "\xF0\x90\xB2\x80"
         "a"},
        {u"\u200F\u200Fa",
         "\xE2\x80\x8F\xE2\x80\x8F"
         "a"},
        {u"", ""},
    };
    for (const auto& row : rows) {
        const std::string bytes = EncodeTextFile(row.units.data(), static_cast<uint32_t>(row.units.size()));
        EXPECT_EQ(bytes, row.bytes);
        // A text that starts with the mark loses it, as a copied text would.
        const std::u16string expected = row.units.substr(row.units.rfind(u'\u200F', 0) == 0 ? 1 : 0);
        EXPECT_EQ(DecodeTextFile(bytes).units, expected);
    }
}

TEST(TextFile, AnUnpairedSurrogateIsSavedAsTheReplacementCharacter)
{
    const std::u16string units = u"a\xD803";
    EXPECT_EQ(EncodeTextFile(units.data(), 2), "a\xEF\xBF\xBD");
}

}  // namespace
