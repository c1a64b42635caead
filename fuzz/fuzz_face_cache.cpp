// Decodes arbitrary bytes as a face cache file, and reads them as the cache
// file of a folder, and checks what the cache promises:
// - a file that decodes is in the one form the encoder writes: encoding what
//   was decoded gives the same bytes back;
// - a cache read from that file finds every decoded face under its own stamp,
//   and nothing under another stamp;
// - a file that does not decode is not trusted in part: nothing is found.
// Each input is tried as it is and again with its payload length and checksum
// made right, so that the mutations reach the records behind the checksum.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include <unistd.h>

#include <zlib.h>

#include "FaceCache.h"

// Names the broken promise, so that a finding says what it found.
[[noreturn]] static void Fail(int line)
{
    std::fprintf(stderr, "%s:%d: broken promise\n", __FILE__, line);
    std::abort();
}

namespace {

std::string gFolder;

void RemoveFolder()
{
    unlink((gFolder + "/" + FaceCache::FileName).c_str());
    rmdir(gFolder.c_str());
}

// One folder for the whole run, holding the file of the moment.
const std::string& Folder()
{
    if (gFolder.empty()) {
        char pattern[] = "/tmp/vorn-fuzz-cache-XXXXXX";
        if (!mkdtemp(pattern))
            Fail(__LINE__);
        gFolder = pattern;
        std::atexit(RemoveFolder);
    }
    return gFolder;
}

// The header's payload length and CRC-32 fields, big-endian, at these offsets.
constexpr size_t kLengthField = 16;
constexpr size_t kChecksumField = 20;
constexpr size_t kHeaderSize = 24;

void PutU32(std::string& bytes, size_t at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + size_t(i)] = char(value >> (24 - 8 * i));
}

void Check(std::string_view bytes)
{
    const std::optional<CachedFaces> decoded = DecodeFaceCache(bytes);
    if (decoded && EncodeFaceCache(*decoded) != bytes)
        Fail(__LINE__);

    // Written plainly: a synced replace per run would slow the fuzzer down to
    // the disk's pace.
    std::FILE* file = std::fopen((Folder() + "/" + FaceCache::FileName).c_str(), "wb");
    if (!file || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() || std::fclose(file) != 0)
        Fail(__LINE__);
    FaceCache cache(Folder());
    if (!decoded) {
        // Any key a damaged file might hold is refused all the same.
        if (cache.Find("/", 0, FileStamp{}))
            Fail(__LINE__);
        return;
    }
    for (const auto& [key, face] : *decoded) {
        const std::optional<FaceSummary> found = cache.Find(key, face.stamp);
        if (!found || !(*found == face.summary))
            Fail(__LINE__);
        FileStamp other = face.stamp;
        ++other.changedNs;
        if (cache.Find(key, other))
            Fail(__LINE__);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    Check(bytes);
    if (size >= kHeaderSize) {
        std::string fixed(bytes);
        const auto* payload = reinterpret_cast<const Bytef*>(fixed.data() + kHeaderSize);
        PutU32(fixed, kLengthField, uint32_t(size - kHeaderSize));
        PutU32(fixed, kChecksumField, uint32_t(crc32(crc32(0L, Z_NULL, 0), payload, uInt(size - kHeaderSize))));
        Check(fixed);
    }
    return 0;
}
