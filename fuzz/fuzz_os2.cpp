// Feeds arbitrary bytes to the OS/2 reader. A table may be of any length and
// claim any version; fields that the bytes do not hold must read as 0 and
// nothing may be read past the end.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "OS2Tbl.h"

// Names the broken promise, so that a finding says what it found.
[[noreturn]] static void Fail(int line)
{
    std::fprintf(stderr, "%s:%d: broken promise\n", __FILE__, line);
    std::abort();
}

namespace {

uint16_t At(const std::vector<uint8_t>& table, size_t pos)
{
    return pos + 2 <= table.size() ? uint16_t(table[pos] << 8 | table[pos + 1]) : 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<uint8_t> table(data, data + size);
    const OS2Tbl os2(table.data(), table.size());

    // Spot checks at both ends of the record and across the version switches.
    if (os2.version != At(table, 0) || os2.usWeightClass != At(table, 4)
        || os2.usWinDescent != At(table, 76))
        Fail(__LINE__);
    if (table.size() >= 42 && std::memcmp(os2.panose, table.data() + 32, 10) != 0)
        Fail(__LINE__);
    const uint8_t zero[8] = {};
    if (os2.version == 0 && std::memcmp(os2.ulCodePageRange, zero, 8) != 0)
        Fail(__LINE__);
    if (os2.version < 2 && (os2.usMaxContext != 1 || os2.sxHeight != 0))
        Fail(__LINE__);
    if (os2.version >= 2 && os2.usMaxContext != At(table, 94))
        Fail(__LINE__);  // Copies must carry every field, arrays included.
    const OS2Tbl copy = os2;
    if (std::memcmp(copy.ulUnicodeRange, os2.ulUnicodeRange, 16) != 0 || copy.sCapHeight != os2.sCapHeight)
        Fail(__LINE__);
    return 0;
}
