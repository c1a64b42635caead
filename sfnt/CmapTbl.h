#pragma once

#include <cstddef>
#include <cstdint>

#include "SortedSet.h"

// One character-to-glyph mapping. Ordered and compared by code alone.
struct Encoding {
    uint16_t code = 0;
    uint16_t glyph = 0;  // never 0 in a parsed table

    friend bool operator==(const Encoding& a, const Encoding& b) { return a.code == b.code; }
    friend bool operator<(const Encoding& a, const Encoding& b) { return a.code < b.code; }
};

// One cmap subtable. Ordered and compared by (platformID, encodingID) alone.
struct EncodingTable {
    uint16_t platformID = 0;
    uint16_t encodingID = 0;
    uint16_t format = 0;
    uint16_t language = 0;
    SortedSet<Encoding> mappings;  // unique by code, ascending

    friend bool operator==(const EncodingTable& a, const EncodingTable& b)
    {
        return a.platformID == b.platformID && a.encodingID == b.encodingID;
    }
    friend bool operator<(const EncodingTable& a, const EncodingTable& b)
    {
        return a.platformID != b.platformID ? a.platformID < b.platformID : a.encodingID < b.encodingID;
    }
};

// The Windows Unicode BMP subtable (3, 1) of a font's cmap table, read from
// the table's bytes. Construction throws the int -1 when that subtable has a
// format other than 0, 4 or 6.
struct CmapTbl {
    uint16_t version = 0;
    SortedSet<EncodingTable> tables;  // at most the one (3, 1) table

    CmapTbl() = default;
    CmapTbl(const uint8_t* data, size_t size);
};
