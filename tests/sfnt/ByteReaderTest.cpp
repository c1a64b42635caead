#include "ByteReader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace {

TEST(ByteReader, ReadsBigEndian)
{
    const uint8_t bytes[] = {0x12, 0x34, 0x56, 0x78, 0x9A};
    const ByteReader reader(bytes, sizeof bytes);
    uint16_t half = 0;
    uint32_t word = 0;
    ASSERT_TRUE(reader.u16(0, half));
    EXPECT_EQ(half, 0x1234);
    ASSERT_TRUE(reader.u32(1, word));
    EXPECT_EQ(word, 0x3456789Au);  // high byte 0x9A must not sign-extend
}

TEST(ByteReader, RefusesReadsCrossingTheEndWithoutOverflow)
{
    const uint8_t bytes[4] = {1, 2, 3, 4};
    const ByteReader reader(bytes, sizeof bytes);
    constexpr size_t kHuge = std::numeric_limits<size_t>::max();
    struct Row {
        size_t pos, n;
        bool fits;
    };
    for (const Row& row : {Row{0, 4, true}, Row{4, 0, true}, Row{3, 2, false}, Row{5, 0, false},
                           Row{kHuge, 2, false},        // pos + n would wrap to 1
                           Row{2, kHuge, false}, Row{kHuge - 1, 4, false}}) {
        EXPECT_EQ(reader.fits(row.pos, row.n), row.fits) << row.pos << " " << row.n;
    }
    uint16_t half = 0xAAAA;
    uint32_t word = 0xAAAAAAAA;
    EXPECT_FALSE(reader.u16(3, half));
    EXPECT_FALSE(reader.u16(kHuge, half));
    EXPECT_FALSE(reader.u32(1, word));
    EXPECT_EQ(half, 0xAAAA);  // a failed read leaves the value alone
    EXPECT_EQ(word, 0xAAAAAAAAu);
}

TEST(ByteReader, SubViewIsBoundedByItsRange)
{
    const uint8_t bytes[] = {0, 1, 2, 3, 4, 5};
    const ByteReader reader(bytes, sizeof bytes);
    const ByteReader middle = reader.sub(2, 2);
    uint16_t half = 0;
    ASSERT_TRUE(middle.u16(0, half));
    EXPECT_EQ(half, 0x0203);
    EXPECT_FALSE(middle.u16(1, half));
    EXPECT_EQ(reader.sub(5, 2).size(), 0u);
}

}  // namespace
