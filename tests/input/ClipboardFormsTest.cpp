#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ClipboardForms.h"
#include "Keystroke.h"
#include "VirtualKeys.h"
#include "TextUnits.h"

namespace {

std::string Bytes(std::initializer_list<unsigned> values)
{
    std::string bytes;
    for (unsigned value : values)
        bytes.push_back(static_cast<char>(value));
    return bytes;
}

struct FormsCase {
    const char* name;
    std::u16string text;
    std::string utf8;
    std::string utf16le;
    std::string eightBit;
};

const std::vector<FormsCase> FormsCases = {
    {"EmptyText", u"",
     Bytes({0xE2, 0x80, 0x8F}),
     Bytes({0x0F, 0x20, /* terminator */ 0x00, 0x00}),
     Bytes({0x7F, 0x00})},
    {"LetterSpaceSpacedCode", u"\u0860\u0020\u0892",
     Bytes({0xE2, 0x80, 0x8F, 0xE0, 0xA1, 0xA0, 0x20, 0xE0, 0xA2, 0x92}),
     Bytes({0x0F, 0x20, 0x60, 0x08, 0x20, 0x00, 0x92, 0x08, 0x00, 0x00}),
     Bytes({0x7F, 0x7F, 0x20, 0x7F, 0x00})},
    // A carriage return stays one byte / one unit: no line feed is added.
    {"CarriageReturnStaysSingle", u"\u0860\u000D\u0861",
     Bytes({0xE2, 0x80, 0x8F, 0xE0, 0xA1, 0xA0, 0x0D, 0xE0, 0xA1, 0xA1}),
     Bytes({0x0F, 0x20, 0x60, 0x08, 0x0D, 0x00, 0x61, 0x08, 0x00, 0x00}),
     Bytes({0x7F, 0x7F, 0x0D, 0x7F, 0x00})},
    // 0xFF is the last unit kept as its low byte; 0x100 would alias 0x00.
    {"EightBitBoundary", u"\u00FF\u0100\u017F",
     Bytes({0xE2, 0x80, 0x8F, 0xC3, 0xBF, 0xC4, 0x80, 0xC5, 0xBF}),
     Bytes({0x0F, 0x20, 0xFF, 0x00, 0x00, 0x01, 0x7F, 0x01, 0x00, 0x00}),
     Bytes({0x7F, 0xFF, 0x7F, 0x7F, 0x00})},
    {"LoneSurrogateBecomesReplacementInUtf8Only", std::u16string(1, char16_t{0xD800}),
     Bytes({0xE2, 0x80, 0x8F, 0xEF, 0xBF, 0xBD}),
     Bytes({0x0F, 0x20, 0x00, 0xD8, 0x00, 0x00}),
     Bytes({0x7F, 0x7F, 0x00})},
};

void PrintTo(const FormsCase& row, std::ostream* out)
{
    *out << row.name;
}

class ClipboardFormsBytes : public testing::TestWithParam<FormsCase> {};

TEST_P(ClipboardFormsBytes, MatchByteForByte)
{
    const FormsCase& row = GetParam();
    const OwnWideString typed = TextOfUnits(row.text);
    const OwnWideString exported = BuildExportString(typed);
    EXPECT_EQ(exported.Count(), row.text.size() + 2);

    const ClipboardForms forms = MakeClipboardForms(exported);
    EXPECT_EQ(forms.utf8, row.utf8);
    EXPECT_EQ(forms.utf16le, row.utf16le);
    EXPECT_EQ(forms.eightBit, row.eightBit);
}

INSTANTIATE_TEST_SUITE_P(Cases, ClipboardFormsBytes, testing::ValuesIn(FormsCases),
                         [](const testing::TestParamInfo<FormsCase>& instance) { return instance.param.name; });

TEST(ClipboardForms, ExportLeavesTypedTextAlone)
{
    OwnWideString typed = TextOfUnits(u"\u0860\u0861");
    const uint32_t countBefore = typed.Count();
    BuildExportString(typed);
    EXPECT_EQ(std::u16string(typed.Buffer(), typed.Length()), u"\u0860\u0861");
    EXPECT_EQ(typed.Count(), countBefore);
}

TEST(ClipboardForms, SpareUnitsOfTypedTextAreNotExported)
{
    // Backspace leaves the buffer's size as it was: three units typed, two
    // removed, so the buffer holds spare units behind the terminator.
    const KeybLayout layout;
    OwnWideString typed;
    int32_t cursor = 0;
    for (unsigned key : {unsigned{'A'}, unsigned{'B'}, unsigned{'C'}, vk::BACK, vk::BACK}) {
        ApplyKeyDown(typed, cursor, layout, key, KeyModifiers{}, false);
    }
    ASSERT_GT(typed.Count(), typed.Length() + 1);

    const OwnWideString exported = BuildExportString(typed);
    EXPECT_EQ(exported.Count(), 3u);
    const ClipboardForms forms = MakeClipboardForms(exported);
    EXPECT_EQ(forms.utf16le, Bytes({0x0F, 0x20, 0x60, 0x08, 0x00, 0x00}));
    EXPECT_EQ(forms.eightBit, Bytes({0x7F, 0x7F, 0x00}));
}

TEST(ClipboardForms, StringWithSpareUnitsGivesZerosAfterTerminator)
{
    // Handed a string whose buffer outgrew its text, the forms still span
    // Count() units, and nothing stale follows the terminator.
    OwnWideString text = TextOfUnits(u"\u0860\u0861\u0862");
    text.Buffer()[1] = 0; // text is now U+0860, units 2..3 are spare
    const ClipboardForms forms = MakeClipboardForms(text);
    EXPECT_EQ(forms.utf8, Bytes({0xE0, 0xA1, 0xA0}));
    EXPECT_EQ(forms.utf16le, Bytes({0x60, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}));
    EXPECT_EQ(forms.eightBit, Bytes({0x7F, 0x00, 0x00, 0x00}));
}

} // namespace
