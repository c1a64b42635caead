// Feeds arbitrary bytes to the table directory parser as if they were a font
// file; the first two bytes pick the face. Whatever comes back must keep the
// promises the table readers rely on: every record kept lies inside the file,
// and the parser asks only for ranges inside it.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "FontDirectory.h"

// Names the broken promise, so that a finding says what it found.
[[noreturn]] static void Fail(int line)
{
    std::fprintf(stderr, "%s:%d: broken promise\n", __FILE__, line);
    std::abort();
}

namespace {

// A copy of exactly the file's bytes, so that AddressSanitizer sees any read
// one byte past its end (libFuzzer's own buffer may be larger).
class CheckedBytes : public FontBytes {
public:
    explicit CheckedBytes(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
    uint64_t Size() const override { return bytes_.size(); }
    bool Read(uint64_t offset, size_t n, uint8_t* out) const override
    {
        if (offset > bytes_.size() || n > bytes_.size() - offset)
            Fail(__LINE__);
        return MemoryFontBytes(ByteReader(bytes_.data(), bytes_.size())).Read(offset, n, out);
    }

private:
    std::vector<uint8_t> bytes_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const uint32_t face = (uint32_t(data[0]) << 8) | data[1];
    const CheckedBytes file(std::vector<uint8_t>(data + 2, data + size));
    FaceDirectory directory;
    const DirectoryStatus status = FaceDirectory::Read(file, face, directory);
    if (status != DirectoryStatus::Found && !directory.Records().empty())
        Fail(__LINE__);
    for (const TableRecord& record : directory.Records()) {
        if (uint64_t(record.offset) + record.length > file.Size())
            Fail(__LINE__);
        const auto found = directory.Find(record.tag);
        if (!found || uint64_t(found->offset) + found->length > file.Size())
            Fail(__LINE__);
    }
    return 0;
}
