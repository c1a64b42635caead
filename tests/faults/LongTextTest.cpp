// A text of a million units typed key by key must keep working: the insertion
// point and the length stay right, typing in the middle of it still works, and
// memory stays within a small multiple of the text's own size.
#include <gtest/gtest.h>

#include <cstdint>
#include <sys/resource.h>

#include "KeybLayout.h"
#include "Keystroke.h"
#include "OwnWideString.h"
#include "PeakMemory.h"
#include "VirtualKeys.h"

namespace {

constexpr uint32_t kUnits = 1000000;
constexpr uint32_t kMiddleKeys = 2000;
constexpr long kTextBytes = long(kUnits) * sizeof(char16_t);
// The text may be held twice while its buffer grows, plus slack for growth and
// the allocator; a copy per keystroke kept alive, or a leak, goes far beyond.
constexpr long kMemoryLimit = 8 * kTextBytes;

void Press(OwnWideString& text, int32_t& cursor, const KeybLayout& layout, unsigned key)
{
    ApplyKeyDown(text, cursor, layout, key, KeyModifiers{}, false);
}

TEST(MillionUnitText, TypingAtTheEndAndInTheMiddleKeepsWorking)
{
    const KeybLayout layout;
    const long peakBefore = PeakResidentBytes();
    OwnWideString text;
    // Reads go through a const view: a writable reference from the index
    // operator would make every later keystroke scan the whole text.
    const OwnWideString& typed = text;
    int32_t cursor = 0;

    // Letter key A gives U+0860.
    for (uint32_t i = 0; i < kUnits; ++i)
        Press(text, cursor, layout, vk::KEY_A);
    ASSERT_EQ(text.Length(), kUnits);
    ASSERT_EQ(cursor, int32_t(kUnits));
    ASSERT_EQ(typed[kUnits - 1], u'\u0860');
    ASSERT_EQ(typed[kUnits], 0);

    // To the middle with the arrow key, then letter key B (U+0861) there.
    for (uint32_t i = 0; i < kUnits / 2; ++i)
        Press(text, cursor, layout, vk::RIGHT);
    ASSERT_EQ(cursor, int32_t(kUnits / 2));
    for (uint32_t i = 0; i < kMiddleKeys; ++i)
        Press(text, cursor, layout, vk::KEY_A + 1);
    ASSERT_EQ(text.Length(), kUnits + kMiddleKeys);
    ASSERT_EQ(cursor, int32_t(kUnits / 2 + kMiddleKeys));
    EXPECT_EQ(typed[kUnits / 2 - 1], u'\u0860');
    EXPECT_EQ(typed[kUnits / 2], u'\u0861');
    EXPECT_EQ(typed[kUnits / 2 + kMiddleKeys - 1], u'\u0861');
    EXPECT_EQ(typed[kUnits / 2 + kMiddleKeys], u'\u0860');
    EXPECT_EQ(typed[kUnits + kMiddleKeys - 1], u'\u0860');

    // Backspace takes the middle keys out again, leaving the first text.
    for (uint32_t i = 0; i < kMiddleKeys; ++i)
        Press(text, cursor, layout, vk::BACK);
    ASSERT_EQ(text.Length(), kUnits);
    ASSERT_EQ(cursor, int32_t(kUnits / 2));
    EXPECT_EQ(typed[kUnits / 2], u'\u0860');
    ASSERT_LT(text.Length(), text.Count());

    const long grown = PeakResidentBytes() - peakBefore;
    RecordProperty("peak_growth_bytes", std::to_string(grown));
    EXPECT_LE(grown, kMemoryLimit) << "peak memory grew by " << grown << " bytes for a text of "
                                   << kTextBytes << " bytes";
}

} // namespace
