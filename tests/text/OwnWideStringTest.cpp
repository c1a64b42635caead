#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "OwnWideString.h"
#include "TextUnits.h"

namespace {

// "ab" in a buffer of 5 units whose spare units are set by hand, as the
// keystroke handling leaves them after deleting in place.
OwnWideString WithSpareUnits()
{
    OwnWideString text = TextOfUnits(u"abcd");
    char16_t* units = text.Buffer();
    units[2] = 0;
    units[3] = 0x1234;
    units[4] = 0xABCD; // the old terminator, now spare
    return text;
}

TEST(OwnWideStringCount, DefaultIsOneZeroUnit)
{
    OwnWideString text;
    EXPECT_EQ(text.Count(), 1u);
    EXPECT_EQ(text.Buffer()[0], 0);
    EXPECT_TRUE(text.IsEmpty());
    EXPECT_EQ(text.Length(), 0u);
}

TEST(OwnWideStringCount, AppendUnitGrowsByOne)
{
    OwnWideString text;
    text.Append(u'\u200F');
    EXPECT_EQ(UnitsOf(text), u"\u200F");
    EXPECT_EQ(text.Count(), 2u);
    EXPECT_FALSE(text.IsEmpty());
}

// The converted terminator is counted too, so each narrow append leaves one
// more spare unit.
TEST(OwnWideStringCount, NarrowAppendCountsTheConvertedTerminator)
{
    OwnWideString text = TextOfUnits(u"ab");
    ASSERT_EQ(text.Count(), 3u);

    text.Append(AnsiString());
    EXPECT_EQ(UnitsOf(text), u"ab");
    EXPECT_EQ(text.Count(), 4u);

    text.Append(AnsiString(" "));
    EXPECT_EQ(UnitsOf(text), u"ab ");
    EXPECT_EQ(text.Count(), 6u);
    EXPECT_EQ(text.Buffer()[3], 0);
}

TEST(OwnWideStringCount, AppendAfterShorteningInPlaceWritesAtTheTerminator)
{
    OwnWideString text = TextOfUnits(u"ab");
    text.Buffer()[1] = 0;
    text.Append(u'x');
    EXPECT_EQ(UnitsOf(text), u"ax");
    EXPECT_EQ(text.Count(), 4u);
    EXPECT_EQ(text.Buffer()[2], 0);
}

TEST(OwnWideStringCopy, ConstructionKeepsSpareUnits)
{
    const OwnWideString source = WithSpareUnits();
    const OwnWideString copy(source);
    EXPECT_EQ(copy.Count(), 5u);
    EXPECT_EQ(AllUnits(copy), AllUnits(source));
    EXPECT_NE(copy.Buffer(), source.Buffer());
}

TEST(OwnWideStringCopy, AssignmentKeepsSpareUnitsAndTakesTheSourceCount)
{
    const OwnWideString source = WithSpareUnits();
    OwnWideString target = TextOfUnits(u"a much longer text");
    target = source;
    EXPECT_EQ(target.Count(), 5u);
    EXPECT_EQ(AllUnits(target), AllUnits(source));

    // The copy owns its buffer: editing it leaves the source alone.
    target.Buffer()[0] = u'z';
    EXPECT_EQ(UnitsOf(source), u"ab");
}

TEST(OwnWideStringCopy, SelfAssignmentChangesNothing)
{
    OwnWideString text = WithSpareUnits();
    const std::vector<char16_t> before = AllUnits(text);
    OwnWideString& alias = text;
    text = alias;
    EXPECT_EQ(text.Count(), 5u);
    EXPECT_EQ(AllUnits(text), before);
}

TEST(OwnWideStringIndex, ReachesTerminatorAndSpareUnitsBelowCount)
{
    OwnWideString text = WithSpareUnits();
    EXPECT_EQ(text[0], u'a');
    EXPECT_EQ(text[2], 0);
    EXPECT_EQ(text[4], 0xABCD);
}

TEST(OwnWideStringIndex, AtOrPastCountAnswersZeroAndLosesWrites)
{
    OwnWideString text = TextOfUnits(u"ab");
    const std::vector<char16_t> before = AllUnits(text);
    for (uint32_t index : {text.Count(), text.Count() + 1, 0xFFFFFFFFu}) {
        SCOPED_TRACE(index);
        char16_t& outside = text[index];
        EXPECT_EQ(outside, 0);
        outside = u'x';
        EXPECT_EQ(text[index], 0) << "the next index must answer 0 again";
        EXPECT_EQ(AllUnits(text), before) << "a write past Count must not reach the buffer";
    }

    char16_t& outside = text[text.Count()];
    outside = u'x';
    text.Append(u'c');
    EXPECT_EQ(outside, 0) << "a lost write must be cleared by the next operation";
    EXPECT_EQ(UnitsOf(text), u"abc");
}

TEST(OwnWideStringCompare, OrdersByUnitsAndPrefixFirst)
{
    struct Row {
        std::u16string first, second;
        bool less, greater;
    };
    const Row rows[] = {
        {u"ab", u"abc", true, false},
        {u"abc", u"ab", false, true},
        {u"ab", u"ab", false, false},
        {u"", u"", false, false},
        {u"", u"a", true, false},
        {u"b", u"ab", false, true},
        // Units compare unsigned: a surrogate sorts above every BMP letter.
        {u"\xD800", u"z", false, true},
        {u"\u0860", u"\uFFFF", true, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(ToUtf8(row.first.data(), row.first.size())) + " vs "
                     + ToUtf8(row.second.data(), row.second.size()));
        const OwnWideString first = TextOfUnits(row.first), second = TextOfUnits(row.second);
        EXPECT_EQ(first < second, row.less);
        EXPECT_EQ(first > second, row.greater);
    }
}

TEST(OwnWideStringCompare, IgnoresSpareUnits)
{
    const OwnWideString withSpares = WithSpareUnits();
    const OwnWideString plain = TextOfUnits(u"ab");
    EXPECT_FALSE(withSpares < plain);
    EXPECT_FALSE(withSpares > plain);
}

TEST(OwnWideStringNarrow, ConstructionAndAssignmentSizeToTheConversion)
{
    const OwnWideString built(AnsiString("caf\xC3\xA9"));
    EXPECT_EQ(UnitsOf(built), u"caf\u00E9");
    EXPECT_EQ(built.Count(), 5u);

    OwnWideString assigned = TextOfUnits(u"something else");
    assigned = AnsiString("");
    EXPECT_TRUE(assigned.IsEmpty());
    EXPECT_EQ(assigned.Count(), 1u);
}

// Each row: UTF-8 bytes in, UTF-16 text out. Ill-formed input yields one
// U+FFFD per maximal ill-formed subpart and never swallows the next character.
TEST(OwnWideStringNarrow, ConvertsUtf8)
{
    struct Row {
        const char* name;
        std::string bytes;
        std::u16string units;
    };
    const Row rows[] = {
        {"two-byte e acute", "\xC3\xA9", u"\u00E9"},
        {"three-byte script letter", "\xE0\xA1\xA0", u"\u0860"},
        {"four-byte becomes a surrogate pair", "\xF0\x9F\x98\x80", u"\xD83D\xDE00"},
        {"lone continuation byte", "a\x80" "b", u"a\uFFFDb"},
        {"byte 0xFF", "\xFF", u"\uFFFD"},
        {"truncated three-byte at the end", "\xE2\x82", u"\uFFFD"},
        {"truncated three-byte before ASCII", "\xE2\x82" "A", u"\uFFFDA"},
        {"truncated four-byte before a good one", "\xF0\x9F\xC3\xA9", u"\uFFFD\u00E9"},
        {"overlong slash, C0 is never a lead", "\xC0\xAF", u"\uFFFD\uFFFD"},
        {"overlong three-byte", "\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},
        {"encoded surrogate, ED only leads below A0", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"stops at an embedded zero", std::string("a\0b", 3), u"a"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        OwnWideString text = TextOfUnits(u"x");
        text.Append(row.bytes);
        EXPECT_EQ(UnitsOf(text), u"x" + row.units);
        EXPECT_EQ(text.Buffer()[text.Length()], 0);
        EXPECT_LE(text.Length() + 1, text.Count());

        const std::u16string converted = ConvertNarrowText(row.bytes);
        EXPECT_EQ(converted, row.units + u'\0');
    }
}

TEST(OwnWideStringUtf8, RoundTripsWellFormedText)
{
    const std::string samples[] = {
        "", "plain ASCII", "caf\xC3\xA9", "\xE0\xA1\xA0\xE0\xA2\x92", "\xF0\x9F\x98\x80 end",
        "\xEF\xBF\xBF", "\xF4\x8F\xBF\xBF",
    };
    for (const std::string& sample : samples) {
        SCOPED_TRACE(sample);
        const OwnWideString text(sample);
        EXPECT_EQ(ToUtf8(text.Buffer(), text.Length()), sample);
    }
}

TEST(OwnWideStringUtf8, UnpairedSurrogateBecomesReplacement)
{
    const std::u16string units = u"a\xD800" "b\xDC00";
    EXPECT_EQ(ToUtf8(units.data(), units.size()), "a\xEF\xBF\xBD" "b\xEF\xBF\xBD");
    // A high surrogate cut off by the length must not pair with what follows.
    const std::u16string pair = u"\xD83D\xDE00";
    EXPECT_EQ(ToUtf8(pair.data(), 1), "\xEF\xBF\xBD");
}

} // namespace

// The length is remembered between edits; a write through Buffer() or the
// index operator must make it be found again, or the text would be misread.
TEST(OwnWideStringLength, FollowsWritesThroughBufferAndIndex)
{
    OwnWideString text = TextOfUnits(u"abcd");
    EXPECT_EQ(text.Length(), 4u);
    text.Buffer()[1] = 0;
    EXPECT_EQ(text.Length(), 1u);
    text[1] = u'x';
    EXPECT_EQ(text.Length(), 4u);
    const OwnWideString copy = text;
    EXPECT_EQ(copy.Length(), 4u);
    text.Append(char16_t{0});
    EXPECT_EQ(UnitsOf(text), u"axcd");
    EXPECT_EQ(text.Count(), 6u);
}

// A pointer from Buffer() or a reference from the index operator stays usable
// until the buffer is replaced, so a write through it after Length() has been
// asked must still be seen: the remembered length once went stale here.
TEST(OwnWideStringLength, FollowsWritesThroughAKeptPointer)
{
    struct Row {
        const char* name;
        void (*edit)(OwnWideString& text); // keeps a pointer, asks Length(), writes
        std::u16string expected;           // after the edit and Append('x')
    };
    const Row rows[] = {
        {"buffer_shortens", [](OwnWideString& text) {
             char16_t* units = text.Buffer();
             (void)text.Length();
             units[1] = 0;
         }, u"ax"},
        {"index_shortens", [](OwnWideString& text) {
             char16_t& unit = text[1];
             (void)text.Length();
             unit = 0;
         }, u"ax"},
        {"buffer_lengthens_into_spare_units", [](OwnWideString& text) {
             char16_t* units = text.Buffer();
             units[1] = 0;
             (void)text.Length();
             units[1] = u'b';
         }, u"abcx"},
        {"erase_then_write", [](OwnWideString& text) {
             char16_t* units = text.Buffer();
             text.EraseAt(0);
             units[0] = 0;
         }, u"x"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        OwnWideString text = TextOfUnits(u"abc");
        row.edit(text);
        const OwnWideString copy = text;
        text.Append(u'x');
        EXPECT_EQ(UnitsOf(text), row.expected);
        EXPECT_EQ(copy.Length() + 1, row.expected.size());
        EXPECT_EQ(text.Count(), 5u);
    }
}

TEST(OwnWideStringEdit, InsertAtAddsOneCountAndMovesTheRest)
{
    OwnWideString text = TextOfUnits(u"ac");
    text.InsertAt(1, u'b');
    EXPECT_EQ(UnitsOf(text), u"abc");
    EXPECT_EQ(text.Count(), 4u);
    text.InsertAt(3, u'd'); // at the end
    text.InsertAt(0, u'_'); // at the start
    EXPECT_EQ(UnitsOf(text), u"_abcd");
    EXPECT_EQ(text.Count(), 6u);
    text.InsertAt(99, u'!'); // past the end: at the end, never past the buffer
    EXPECT_EQ(UnitsOf(text), u"_abcd!");
}

TEST(OwnWideStringEdit, EraseAtKeepsCountAndMovesTheTerminator)
{
    OwnWideString text = TextOfUnits(u"abc");
    text.EraseAt(1);
    EXPECT_EQ(UnitsOf(text), u"ac");
    EXPECT_EQ(text.Count(), 4u);
    text.EraseAt(2); // the terminator: nothing to erase
    text.EraseAt(7);
    EXPECT_EQ(UnitsOf(text), u"ac");
    text.Append(u'z'); // the spare units behind the text are reused
    EXPECT_EQ(UnitsOf(text), u"acz");
    EXPECT_EQ(text.Count(), 5u);
}

TEST(OwnWideStringEdit, AMillionAppendsKeepTheCountArithmetic)
{
    OwnWideString text;
    for (uint32_t i = 0; i < 1000000; ++i)
        text.Append(static_cast<char16_t>(0x0860 + i % 0x38));
    EXPECT_EQ(text.Length(), 1000000u);
    EXPECT_EQ(text.Count(), 1000001u);
    EXPECT_EQ(text[999999], 0x0860 + 999999 % 0x38);
    EXPECT_EQ(text[1000000], 0);
    EXPECT_EQ(text[1000001], 0); // past Count, whatever lies behind it
}
