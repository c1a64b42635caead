#include "FontDirectory.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <utility>
#include <vector>

#include "BigEndianBuilder.h"

namespace {

constexpr uint32_t kCmap = TableTag("cmap");
constexpr uint32_t kOS2 = TableTag("OS/2");
constexpr uint32_t kHead = TableTag("head");

// File bytes in a heap block of exactly their size (the sanitizer build sees
// a read one byte past the end), with every range the parser asks for noted.
class ExactBytes : public FontBytes {
public:
    explicit ExactBytes(const std::vector<uint8_t>& bytes, size_t size = std::numeric_limits<size_t>::max())
        : size_(std::min(size, bytes.size())), copy_(new uint8_t[size_ + 1])
    {
        std::copy(bytes.begin(), bytes.begin() + std::ptrdiff_t(size_), copy_.get());
    }
    uint64_t Size() const override { return size_; }
    bool Read(uint64_t offset, size_t n, uint8_t* out) const override
    {
        reads.emplace_back(offset, n);
        if (failReads)
            return false;
        return MemoryFontBytes(ByteReader(copy_.get(), size_)).Read(offset, n, out);
    }

    mutable std::vector<std::pair<uint64_t, size_t>> reads;
    bool failReads = false;

private:
    size_t size_;
    std::unique_ptr<uint8_t[]> copy_;
};

// An offset table with its records; each record is (tag, offset, length).
BigEndianBuilder& Directory(BigEndianBuilder& b, uint32_t sfntVersion,
                            std::initializer_list<TableRecord> records)
{
    b.u32(sfntVersion)                     // sfntVersion
        .u16(uint16_t(records.size()))     // numTables
        .u16s({0, 0, 0});                  // searchRange, entrySelector, rangeShift
    for (const TableRecord& record : records)
        b.u32(record.tag).u32(0).u32(record.offset).u32(record.length);  // tag, checksum, offset, length
    return b;
}

// A collection of two faces: face 0 has cmap and head, face 1 has OS/2 and a
// cmap record that points past the end of the file.
std::vector<uint8_t> Collection(uint32_t numFonts = 2)
{
    BigEndianBuilder b;
    b.u32(0x74746366)   // 'ttcf'
        .u16s({1, 0})   // majorVersion, minorVersion
        .u32(numFonts)  // numFonts
        .u32(20)        // offset of face 0
        .u32(64);       // offset of face 1
    Directory(b, 0x00010000, {{kCmap, 108, 4}, {kHead, 112, 4}});       // bytes 20..63
    Directory(b, 0x4F54544F, {{kOS2, 116, 4}, {kCmap, 0xFFFFFFF0, 32}});  // bytes 64..107
    b.u32(0x11111111).u32(0x22222222).u32(0x33333333);                // the tables, 108..119
    return b.bytes;
}

struct Found {
    DirectoryStatus status;
    std::vector<std::pair<uint32_t, uint32_t>> tables;  // (tag, offset) of the records kept
};

Found Read(const FontBytes& file, uint32_t face)
{
    FaceDirectory directory;
    Found found{FaceDirectory::Read(file, face, directory), {}};
    for (const TableRecord& record : directory.Records())
        found.tables.emplace_back(record.tag, record.offset);
    return found;
}

TEST(FaceDirectory, FindsEachFacesTablesAndRefusesWhatIsNotThere)
{
    using Tables = std::vector<std::pair<uint32_t, uint32_t>>;
    BigEndianBuilder single;
    Directory(single, 0x00010000, {{kCmap, 44, 4}, {kOS2, 48, 8}}).u32(0).u32(0);  // 44 + 8 bytes
    BigEndianBuilder tooManyRecords;
    Directory(tooManyRecords, 0x00010000, {{kCmap, 0, 4}});
    tooManyRecords.bytes[5] = 2;  // numTables 2 <-- the second record is not in the file
    BigEndianBuilder wrapped;
    wrapped.u32(0x774F4646).zeros(40);  // 'wOFF'

    struct Row {
        const char* name;
        std::vector<uint8_t> file;
        uint32_t face;
        DirectoryStatus status;
        Tables tables;
    };
    const Row rows[] = {
        {"single_font", single.bytes, 0, DirectoryStatus::Found, {{kCmap, 44}}},  // OS/2 ends past the file
        {"single_font_has_no_face_1", single.bytes, 1, DirectoryStatus::Missing, {}},
        {"collection_face_0", Collection(), 0, DirectoryStatus::Found, {{kCmap, 108}, {kHead, 112}}},
        {"collection_face_1_drops_record_past_end", Collection(), 1, DirectoryStatus::Found, {{kOS2, 116}}},
        {"face_beyond_numFonts", Collection(), 2, DirectoryStatus::Missing, {}},
        {"absurd_numFonts_first_face", Collection(0xFFFFFFFF), 0, DirectoryStatus::Found, {{kCmap, 108}, {kHead, 112}}},
        {"absurd_numFonts_far_face", Collection(0xFFFFFFFF), 0x3FFFFFFF, DirectoryStatus::Missing, {}},
        {"records_past_end", tooManyRecords.bytes, 0, DirectoryStatus::Missing, {}},
        {"wrapped_format", wrapped.bytes, 0, DirectoryStatus::NotSfnt, {}},
        {"shorter_than_a_header", std::vector<uint8_t>(single.bytes.begin(), single.bytes.begin() + 11), 0,
         DirectoryStatus::NotSfnt, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const Found found = Read(ExactBytes(row.file), row.face);
        EXPECT_EQ(found.status, row.status);
        EXPECT_EQ(found.tables, row.tables);
    }
}

TEST(FaceDirectory, ReadsNoTableBytesAndReportsFailedReads)
{
    ExactBytes file(Collection());
    FaceDirectory directory;
    ASSERT_EQ(FaceDirectory::Read(file, 1, directory), DirectoryStatus::Found);
    ASSERT_TRUE(directory.Find(kOS2));
    EXPECT_EQ(directory.Find(kOS2)->length, 4u);
    EXPECT_FALSE(directory.Find(kCmap));
    for (const auto& [offset, n] : file.reads)
        EXPECT_LE(offset + n, 108u) << "read " << n << " bytes at " << offset;  // the tables start at 108

    file.failReads = true;
    EXPECT_EQ(FaceDirectory::Read(file, 1, directory), DirectoryStatus::ReadFailed);
    EXPECT_TRUE(directory.Records().empty());
}

TEST(FaceDirectory, EveryTruncationKeepsOnlyTablesInsideTheCut)
{
    const std::vector<uint8_t> whole = Collection();
    for (size_t size = 0; size <= whole.size(); ++size) {
        for (uint32_t face : {0u, 1u}) {
            const ExactBytes file(whole, size);
            FaceDirectory directory;
            const DirectoryStatus status = FaceDirectory::Read(file, face, directory);
            // The header and the face's directory must be whole; tables may be cut off.
            const size_t directoryEnd = face == 0 ? 64 : 108;
            EXPECT_EQ(status == DirectoryStatus::Found, size >= directoryEnd) << size;
            for (const TableRecord& record : directory.Records())
                EXPECT_LE(uint64_t(record.offset) + record.length, size);
        }
    }
}

}  // namespace
