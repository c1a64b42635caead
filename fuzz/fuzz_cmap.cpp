// Feeds arbitrary bytes to the cmap parser as if they were a font's cmap
// table. The only allowed failure is the documented int -1; whatever model
// comes back must keep the promises that the catalogue relies on.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "CmapTbl.h"

// Names the broken promise, so that a finding says what it found.
[[noreturn]] static void Fail(int line)
{
    std::fprintf(stderr, "%s:%d: broken promise\n", __FILE__, line);
    std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A copy of exactly size bytes, so that AddressSanitizer sees any read
    // one byte past the table (libFuzzer's own buffer may be larger).
    const std::vector<uint8_t> table(data, data + size);
    try {
        const CmapTbl cmap(table.data(), table.size());
        if (cmap.tables.size() > 1)
            Fail(__LINE__);
        for (const EncodingTable& subtable : cmap.tables) {
            if (subtable.platformID != 3 || subtable.encodingID != 1)
                Fail(__LINE__);
            if (subtable.format != 0 && subtable.format != 4 && subtable.format != 6)
                Fail(__LINE__);
            bool first = true;
            uint16_t previous = 0;
            for (const Encoding& mapping : subtable.mappings) {
                if (mapping.glyph == 0 || (subtable.format == 4 && mapping.code == 0xFFFF))
                    Fail(__LINE__);
                if (!first && !(previous < mapping.code))
                    Fail(__LINE__);
                previous = mapping.code;
                first = false;
            }
        }
    } catch (int error) {
        if (error != -1)
            Fail(__LINE__);
    }
    return 0;
}
