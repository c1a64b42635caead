#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>
#include <optional>

#include "AnsiString.h"
#include "FaceCache.h"
#include "OS2Tbl.h"


// What the catalogue records for one face.
struct FontProp {
    AnsiString Name;
    bool HasOS2 = false;
    OS2Tbl OS2;
    // Code point c is covered when bit (c mod 8) of byte (c div 8) is set: the
    // coverage question is one byte read and one mask, whatever the face maps.
    std::array<uint8_t, 8192> Coverage{};
    // How many code points the face covers.
    uint32_t CoveredCount = 0;

    bool Covers(uint16_t code) const { return (Coverage[code >> 3] & (1u << (code & 7))) != 0; }
    void MarkCovered(uint16_t code)
    {
        uint8_t& byte = Coverage[code >> 3];
        const uint8_t mask = uint8_t(1u << (code & 7));
        CoveredCount += (byte & mask) ? 0 : 1;
        byte |= mask;
    }
};

// Face names compare as strings of unsigned bytes: case-sensitive, locale-free,
// a proper prefix first.
struct FaceNameOrder {
    bool operator()(const AnsiString& a, const AnsiString& b) const;
};

// OS2Tbl reads nothing behind byte 95, so that much of the table is all that
// the catalogue and the cache keep of it.
constexpr size_t OS2BytesRead = 96;

// What the catalogue keeps of one face: its summary from the face cache, held
// in place.
struct FaceEntry {
    uint64_t scriptCoverage = 0;  // bit k: U+0860 + k is covered
    uint32_t coveredCount = 0;    // code points covered in all
    bool hasOS2 = false;
    uint8_t os2Length = 0;
    std::array<uint8_t, OS2BytesRead> os2{};  // the OS/2 table's first bytes

    OS2Tbl OS2() const { return OS2Tbl(os2.data(), os2Length); }

    friend bool operator==(const FaceEntry&, const FaceEntry&) = default;
};

// The catalogue's entries in key order (FaceNameOrder), each name once.
using FaceMap = std::vector<std::pair<AnsiString, FaceEntry>>;

// The catalogue of the installed TrueType faces, complete when constructed:
// every family name that the font database knows is probed, and each face whose
// cmap table can be read is entered under that name. An entry is the face's
// summary (its coverage of the script's range, how many code points it covers,
// its OS/2 bytes); a face's whole coverage is read only when asked for.
class UnicodeList {
public:
    // Takes each face from the cache while its file is unchanged and reads
    // (and puts into the cache) the others; without a cache, reads every
    // face. The entries are the same either way.
    explicit UnicodeList(FaceCache* cache = nullptr);

    FaceMap Faces;

    // The entry of that name; null when there is none.
    const FaceEntry* Find(const AnsiString& name) const;

    // The entry of that name with the face's whole coverage, read from its
    // file; nothing when the catalogue has no such entry.
    std::optional<FontProp> Prop(const AnsiString& name) const;
    // The same without a catalogue: the face of that family name, read from
    // its file; nothing when the catalogue would not enter it.
    static std::optional<FontProp> ReadProp(const AnsiString& name);
};

// The catalogue as the program builds it: through the face cache in the
// user's cache folder, which is saved when anything in it changed; read from
// every face's file when useCache is false or there is no cache folder.
UnicodeList BuildCatalogue(bool useCache);
